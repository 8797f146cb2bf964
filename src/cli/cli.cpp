#include "cli/cli.h"

#include <ostream>

#include "cli/cli_run.h"
#include "link/quick_discovery.h"

namespace tollhaven::cli {

namespace {

constexpr std::string_view kProgram = "tollhaven-cli: ";

int Dispatch(CliRun& run) {
  const std::string& command = run.line.command;
  if (command == "info") {
    return InfoCommand(run);
  }
  if (command == "ls") {
    return ListCommand(run);
  }
  if (command == "get") {
    return GetCommand(run);
  }
  if (command == "put") {
    return PutCommand(run);
  }
  if (command == "rm") {
    return RemoveCommand(run);
  }
  if (command == "mkdir") {
    return MakeDirectoryCommand(run);
  }
  if (command == "rmdir") {
    return RemoveDirectoryCommand(run);
  }
  if (command == "attr") {
    return AttributesCommand(run);
  }
  if (command == "restart") {
    return RestartCommand(run);
  }
  if (command == "patch") {
    return PatchCommand(run);
  }
  if (command == "backup") {
    return BackupCommand(run);
  }
  return RestoreCommand(run);
}

}  // namespace

std::optional<HandsetPath> ParseHandsetPath(std::string_view utf8, std::string& error) {
  HandsetPathError why = HandsetPathError::None;
  const std::optional<HandsetPath> path = HandsetPath::Parse(utf8, why);
  switch (why) {
    case HandsetPathError::None:
      break;
    case HandsetPathError::CannotHold:
      error = "the handset cannot hold the name " + std::string(utf8);
      return std::nullopt;
    case HandsetPathError::NotOnAVolume:
      error = "not a handset path (they begin with /a/, /b/ or /c/): " + std::string(utf8);
      return std::nullopt;
    case HandsetPathError::BadComponent:
      error = "not a usable handset path: " + std::string(utf8);
      return std::nullopt;
  }
  return path;
}

CliRun::CliRun(CliEnvironment& environment, const Invocation& invocation)
    : env(environment),
      line(invocation),
      settings(environment.settings),
      // The connection only keeps the progress line, built just after it, for the transfers
      // and list loads of the command.
      handset(environment.link, settings, progress),
      progress(environment.err, environment.link.clock(),
               environment.errIsTerminal && !invocation.quiet) {
  // A load limit would leave files out of every listing, copy and backup.
  settings.fileLimit = -1;
}

int CliRun::Connect() {
  EventLog& log = env.link.log();
  const std::size_t before = log.Count();
  QuickDiscovery discovery(env.discovery, log);
  if (handset.Connect(discovery)) {
    return 0;
  }
  const std::vector<std::string> lines = log.Lines();
  for (std::size_t i = before; i < lines.size(); ++i) {
    env.err << kProgram << Shown(lines[i]) << '\n';
  }
  return kExitNoHandset;
}

Volume* CliRun::OpenVolume(char letter) {
  std::string error;
  Volume* volume = handset.Open(letter, error);
  if (volume == nullptr) {
    Fail(line.command + ": " + error);
  }
  return volume;
}

Volume* CliRun::ConnectedVolume(char letter, int& result) {
  result = Connect();
  if (result != 0) {
    return nullptr;
  }
  Volume* volume = OpenVolume(letter);
  if (volume == nullptr) {
    result = status;
  }
  return volume;
}

std::string CliRun::Shown(std::string_view utf8) const {
  return env.toTerminal ? env.toTerminal(utf8) : std::string(utf8);
}

void CliRun::Say(std::string_view utf8) {
  env.out << Shown(utf8) << '\n';
}

void CliRun::Fail(std::string_view utf8) {
  progress.Finish();
  env.err << kProgram << Shown(utf8) << '\n';
  env.link.log().AppendLog(utf8);
  status = kExitFailed;
}

int CliRun::Usage(std::string_view utf8) {
  env.err << kProgram << Shown(utf8) << '\n';
  return kExitUsage;
}

std::optional<HandsetPath> CliRun::HandsetOperand(const std::string& operand) {
  const std::string utf8 = env.fromTerminal ? env.fromTerminal(operand) : operand;
  std::string error;
  std::optional<HandsetPath> arg = ParseHandsetPath(utf8, error);
  if (!arg) {
    Usage(line.command + ": " + error);
  }
  return arg;
}

bool CliRun::Stopping() {
  if (env.stopRequested == nullptr || !env.stopRequested->load()) {
    return false;
  }
  if (!stopSaid_) {
    stopSaid_ = true;
    Fail(line.command + ": stopped on request; the files after this point were left alone");
  }
  return true;
}

// The connection's transfers step the progress line from the start, but it counts only the
// blocks of the files a job announces (BeginFile), or every block of a patch run, and shows
// itself only from BeginJob until Finish.
void CliRun::StartProgress(uint64_t totalBytes, uint32_t totalFiles) {
  progress.BeginJob(totalBytes, totalFiles);
}

void CliRun::StopProgress() {
  progress.Finish();
}

int RunCli(const std::vector<std::string>& args, CliEnvironment& env) {
  const ParsedLine parsed = ParseArguments(args);
  if (!parsed.invocation) {
    env.err << kProgram << parsed.error << "\nTry 'tollhaven-cli --help'.\n";
    return kExitUsage;
  }
  const Invocation& line = *parsed.invocation;
  if (line.help) {
    env.out << (line.command.empty() ? ProgramHelp() : CommandHelp(line.command));
    return kExitSuccess;
  }
  if (line.version) {
    env.out << "tollhaven-cli " << env.version << '\n';
    return kExitSuccess;
  }

  CliRun run(env, line);
  const int status = Dispatch(run);
  if (line.logFile && !env.link.log().WriteLogFile(*line.logFile)) {
    env.err << kProgram << "cannot write the log file " << *line.logFile << '\n';
  }
  return status;
}

}  // namespace tollhaven::cli
