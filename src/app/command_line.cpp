#include "app/command_line.h"

#include <QDir>
#include <QFileInfo>

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

std::string ProgramHelp() {
  return "Usage: tollhaven [FILE]\n"
         "\n"
         "Two-panel file manager for Motorola P2K handsets. FILE, a patch file (.tlhv) or a skin\n"
         "pack (.s4m), is opened at start.\n"
         "\n"
         "Options:\n"
         "  -h, --help      this help\n"
         "  --version       the program's version\n"
         "  --show-paths    open the window, print the directories Tollhaven uses, and end\n"
         "\n"
         "tollhaven-cli and tollhaven-mount reach the handset from a terminal.\n";
}

std::string ProgramVersionLine() {
  std::string line = "tollhaven ";
  line.append(kProgramVersion).append("\n");
  return line;
}

std::string BadOptionMessage(const std::string& option) {
  std::string message = "tollhaven: unknown option ";
  message.append(option).append("\nTry 'tollhaven --help'.\n");
  return message;
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
