#include "app/command_line.h"

#include <QDir>
#include <QFileInfo>
#include <iostream>

#include "support/program_version.h"

namespace tollhaven {

ProgramOptions ReadProgramOptions(const std::vector<std::string>& arguments) {
  ProgramOptions options;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "-h" || argument == "--help") {
      options.request = ProgramRequest::Help;
    } else if (argument == "--version") {
      options.request = ProgramRequest::Version;
    } else if (argument == "--show-paths") {
      options.request = ProgramRequest::ShowPaths;
    } else if (argument.starts_with("--")) {
      options.request = ProgramRequest::BadOption;
      options.badOption = argument;
    } else {
      continue;
    }
    return options;
  }
  return options;
}

namespace {

std::string ProgramName(ProgramKind kind) {
  return kind == ProgramKind::Demo ? "tollhaven-demo" : "tollhaven";
}

}  // namespace

std::string ProgramHelp(ProgramKind kind) {
  const std::string name = ProgramName(kind);
  std::string help = "Usage: " + name + " [FILE]\n\n";
  if (kind == ProgramKind::Demo) {
    help +=
        "Tollhaven wired to a simulated handset, to try every handset feature without a phone:\n"
        "choose \"P2k Mobile phone\" in either drive selector. FILE, a patch file (.tlhv) or a\n"
        "skin pack (.s4m), is opened at start.\n";
  } else {
    help +=
        "Two-panel file manager for Motorola P2K handsets. FILE, a patch file (.tlhv) or a skin\n"
        "pack (.s4m), is opened at start.\n";
  }
  help +=
      "\n"
      "Options:\n"
      "  -h, --help      this help\n"
      "  --version       the program's version\n"
      "  --show-paths    open the window, print the directories " +
      std::string(kind == ProgramKind::Demo ? "the demo uses" : "Tollhaven uses") +
      ", and end\n"
      "\n"
      "tollhaven-cli and tollhaven-mount reach the handset from a terminal.\n";
  return help;
}

std::string ProgramVersionLine(ProgramKind kind) {
  std::string line = ProgramName(kind) + " ";
  line.append(kProgramVersion).append("\n");
  return line;
}

std::string BadOptionMessage(const std::string& option, ProgramKind kind) {
  const std::string name = ProgramName(kind);
  std::string message = name + ": unknown option ";
  message.append(option).append("\nTry '" + name + " --help'.\n");
  return message;
}

std::optional<int> AnswerWithoutWindow(const ProgramOptions& options, ProgramKind kind) {
  switch (options.request) {
    case ProgramRequest::Help:
      std::cout << ProgramHelp(kind);
      return 0;
    case ProgramRequest::Version:
      std::cout << ProgramVersionLine(kind);
      return 0;
    case ProgramRequest::BadOption:
      std::cerr << BadOptionMessage(options.badOption, kind);
      return kExitUsage;
    case ProgramRequest::OpenWindow:
    case ProgramRequest::ShowPaths:
      break;
  }
  return std::nullopt;
}

QStringList WithAbsoluteFileArgument(QStringList arguments, const QString& currentDirectory) {
  if (arguments.size() > 1 && !arguments[1].isEmpty()) {
    arguments[1] = QFileInfo(QDir(currentDirectory), arguments[1]).absoluteFilePath();
  }
  return arguments;
}

std::string PathsReport(const AppPaths& paths, const std::filesystem::path& templates) {
  std::string report = "program: ";
  report.append(paths.exeDir.string()).append("\n");
  report.append("settings: ").append(paths.configDir.string()).append("\n");
  report.append("templates: ").append(templates.string()).append("\n");
  return report;
}

}  // namespace tollhaven
