#pragma once

#include <QString>
#include <QStringList>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/main_window.h"

namespace tollhaven {

// What the command line of tollhaven asks for. The program takes one argument, a patch file or a
// skin pack; a few options answer a question instead and end the program at once.
enum class ProgramRequest {
  OpenWindow,  // the window, with the file of argument 1 when there is one
  Help,        // -h, --help
  Version,     // --version
  ShowPaths,   // --show-paths: the window, then the directories it uses, then the end
  BadOption,   // an option starting with "--" that the program does not know
};

struct ProgramOptions {
  ProgramRequest request = ProgramRequest::OpenWindow;
  std::string badOption;  // with BadOption
};

// Exit status of a command line the program does not understand.
inline constexpr int kExitUsage = 2;

// Reads the options in `arguments` (the program's path first), before Qt has seen them. Qt's own
// options ("-platform offscreen") start with a single dash and are left to Qt; the first argument
// starting with "--" decides.
ProgramOptions ReadProgramOptions(const std::vector<std::string>& arguments);

// The two programs that take these options: the program, and the program wired to the
// simulated handset.
enum class ProgramKind { Tollhaven, Demo };

// The texts of --help and --version, and the complaint about an unknown option.
std::string ProgramHelp(ProgramKind kind = ProgramKind::Tollhaven);
std::string ProgramVersionLine(ProgramKind kind = ProgramKind::Tollhaven);
std::string BadOptionMessage(const std::string& option, ProgramKind kind = ProgramKind::Tollhaven);

// Answers help, version and an unknown option on the standard streams and returns the exit code;
// nothing when the program is to open its window (also for --show-paths).
std::optional<int> AnswerWithoutWindow(const ProgramOptions& options, ProgramKind kind);

// `arguments` with argument 1, the file to open, made absolute against `currentDirectory`: the
// window makes its own directory the current one before it opens the file.
QStringList WithAbsoluteFileArgument(QStringList arguments, const QString& currentDirectory);

// What --show-paths prints: the program's directory, where its settings and log are kept, and
// the sample entries the handset panels take their icons from.
std::string PathsReport(const AppPaths& paths, const std::filesystem::path& templates);

}  // namespace tollhaven
