#include "cli/cli_options.h"

#include <algorithm>
#include <array>

namespace tollhaven::cli {

namespace {

struct CommandRule {
  std::string_view name;
  std::size_t minOperands;
  std::size_t maxOperands;
  std::string_view options;  // the command's own options, blank-separated
  std::string_view usage;
  std::string_view help;
};

constexpr std::size_t kMany = 100000;

constexpr std::array<CommandRule, 12> kCommands{{
    {"info", 0, 0, "--json", "info [--json]",
     "Shows the handset's model, its volumes, the free space and the number of files on each\n"
     "volume."},
    {"ls", 0, 1, "-l --json", "ls [-l] [--json] [PATH]",
     "Lists a handset directory (default /a/) or one file. -l adds the size and the owner and\n"
     "attribute text as the window shows them; --json prints one JSON document."},
    {"get", 2, kMany, "-r", "get [-r] PATH... DEST",
     "Downloads handset files into the local directory DEST. With -r a handset directory comes\n"
     "with everything below it. A local file is replaced only once the whole file has arrived."},
    {"put", 2, kMany, "-r", "put [-r] SRC... DIR",
     "Uploads local files into the handset directory DIR. With -r a local directory comes with\n"
     "everything below it; missing handset directories are created."},
    {"rm", 1, kMany, "-r", "rm [-r] PATH...",
     "Deletes handset files. With -r a directory is deleted with everything in it."},
    {"mkdir", 1, kMany, "", "mkdir PATH...",
     "Creates handset directories, and their missing parents."},
    {"rmdir", 1, kMany, "", "rmdir PATH...", "Removes empty handset directories."},
    {"attr", 1, 1, "", "attr PATH [+r|-r|+h|-h|+s|-s|+a|-a|+c|-c]...",
     "Shows the owner and the attribute word of a handset file, or changes its attribute bits:\n"
     "r read-only, h hidden, s system, a archive, c no copy."},
    {"restart", 0, 0, "", "restart", "Restarts the handset."},
    {"patch", 1, 1, "--yes", "patch FILE.tlhv [--yes]",
     "Runs a patch file against the handset. Without --yes its commands are listed and the run\n"
     "waits for a confirmation."},
    {"backup", 1, 1, "", "backup DIR",
     "Copies every file of every volume into DIR (DIR/a/..., DIR/b/...) and writes a manifest\n"
     "with each file's size, owner and attribute word. Run again into the same DIR, it fetches\n"
     "only the files whose path or size changed."},
    {"restore", 1, 1, "--only", "restore DIR [--only PATH]",
     "Puts a backup made by backup back on the handset: uploads what is missing there or has\n"
     "another size, and gives every file its attribute word again. --only limits it to one file\n"
     "or directory."},
}};

const CommandRule* FindCommand(std::string_view name) {
  for (const CommandRule& rule : kCommands) {
    if (rule.name == name) {
      return &rule;
    }
  }
  return nullptr;
}

bool Offers(const CommandRule& rule, std::string_view option) {
  std::string_view rest = rule.options;
  while (!rest.empty()) {
    const std::size_t blank = rest.find(' ');
    if (rest.substr(0, blank) == option) {
      return true;
    }
    rest = blank == std::string_view::npos ? std::string_view() : rest.substr(blank + 1);
  }
  return false;
}

bool IsAttributeChange(std::string_view token) {
  return token.size() == 2 && (token[0] == '+' || token[0] == '-') &&
         std::string_view("rhsac").find(token[1]) != std::string_view::npos;
}

// An option taking a value, as "--name VALUE" or "--name=VALUE". Returns false when `token` is
// not this option; `error` is set when it is but its value is missing.
bool TakeValue(std::string_view name, const std::vector<std::string>& args, std::size_t& i,
               std::optional<std::string>& value, std::string& error) {
  const std::string_view token = args[i];
  if (token == name) {
    if (i + 1 >= args.size()) {
      error = std::string(name) + " needs a value";
    } else {
      value = args[++i];
    }
    return true;
  }
  if (token.size() > name.size() && token.starts_with(name) && token[name.size()] == '=') {
    value = std::string(token.substr(name.size() + 1));
    return true;
  }
  return false;
}

}  // namespace

ParsedLine ParseArguments(const std::vector<std::string>& args) {
  ParsedLine parsed;
  Invocation line;
  const CommandRule* rule = nullptr;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& token = args[i];
    const bool looksLikeOption = !optionsEnded && token.size() > 1 && token[0] == '-';
    if (!optionsEnded && token == "--") {
      optionsEnded = true;
    } else if (rule != nullptr && rule->name == "attr" && !optionsEnded &&
               IsAttributeChange(token)) {
      line.attributeChanges.push_back(token);
    } else if (!looksLikeOption) {
      if (rule == nullptr) {
        rule = FindCommand(token);
        if (rule == nullptr) {
          parsed.error = "unknown command: " + token;
          return parsed;
        }
        line.command = token;
      } else {
        line.operands.push_back(token);
      }
    } else if (token == "-h" || token == "--help") {
      line.help = true;
    } else if (token == "--version") {
      line.version = true;
    } else if (token == "-q" || token == "--quiet") {
      line.quiet = true;
    } else if (TakeValue("--log", args, i, line.logFile, parsed.error)) {
      if (!parsed.error.empty()) {
        return parsed;
      }
    } else if (rule != nullptr && Offers(*rule, "--only") &&
               TakeValue("--only", args, i, line.only, parsed.error)) {
      if (!parsed.error.empty()) {
        return parsed;
      }
    } else if (rule != nullptr && Offers(*rule, token)) {
      if (token == "-l") {
        line.longListing = true;
      } else if (token == "--json") {
        line.json = true;
      } else if (token == "-r") {
        line.recursive = true;
      } else if (token == "--yes") {
        line.yes = true;
      }
    } else {
      parsed.error = "unknown option: " + token;
      if (rule != nullptr) {
        parsed.error += " (for " + line.command + ")";
      }
      return parsed;
    }
  }

  if (line.help || line.version) {
    parsed.invocation = std::move(line);
    return parsed;
  }
  if (rule == nullptr) {
    parsed.error = "no command given";
    return parsed;
  }
  if (line.operands.size() < rule->minOperands || line.operands.size() > rule->maxOperands) {
    parsed.error = "wrong number of arguments; usage: tollhaven-cli " + std::string(rule->usage);
    return parsed;
  }
  parsed.invocation = std::move(line);
  return parsed;
}

std::string ProgramHelp() {
  std::string text =
      "Usage: tollhaven-cli [-q] [--log FILE] COMMAND [ARGUMENTS]\n"
      "\n"
      "The files of a Motorola P2K handset from a terminal. Handset paths are the handset's own,\n"
      "beginning with the volume: /a/mobile/audio/ring.mp3.\n"
      "\n"
      "Commands:\n";
  for (const CommandRule& rule : kCommands) {
    text += "  " + std::string(rule.usage) + "\n";
  }
  text +=
      "\n"
      "Options:\n"
      "  -q, --quiet     no progress line\n"
      "  --log FILE      write the event log to FILE\n"
      "  -h, --help      this help; COMMAND --help for the help of a command\n"
      "  --version       the program's version\n"
      "\n"
      "Exit status: 0 success, 1 a handset command failed (the rest still ran), 2 usage error,\n"
      "3 no handset found or no permission to open it.\n";
  return text;
}

std::string CommandHelp(std::string_view command) {
  const CommandRule* rule = FindCommand(command);
  if (rule == nullptr) {
    return {};
  }
  return "Usage: tollhaven-cli " + std::string(rule->usage) + "\n\n" + std::string(rule->help) +
         "\n";
}

}  // namespace tollhaven::cli
