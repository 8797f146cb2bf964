#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "cli/cli.h"
#include "cli/cli_options.h"
#include "cli/progress_line.h"
#include "handset/handset_connection.h"
#include "handset/handset_names.h"
#include "handset/handset_path.h"

namespace tollhaven::cli {

// A UTF-8 handset path operand through HandsetPath::Parse. nullopt, with the line that tells
// why in `error`.
std::optional<HandsetPath> ParseHandsetPath(std::string_view utf8, std::string& error);

// A handset name as UTF-8, for the lines that name it.
inline std::string Shown(std::string_view handsetBytes) {
  return Utf8FromHandsetName(handsetBytes);
}

// One run of one command: what it was asked, the handset it reaches, its progress line and the
// exit status it has earned so far.
class CliRun {
 public:
  CliRun(CliEnvironment& env, const Invocation& line);

  // Connects the handset. 0, or kExitNoHandset after the log's reasons went to standard error.
  int Connect();
  // The volume `letter` names, its list loaded; nullptr after a failure line.
  Volume* OpenVolume(char letter);
  // Connect, then OpenVolume; null, with what the command returns in `result`, when either
  // cannot be done (the reason has been told already).
  Volume* ConnectedVolume(char letter, int& result);

  // A UTF-8 text in the terminal's encoding.
  std::string Shown(std::string_view utf8) const;
  // A line on standard output.
  void Say(std::string_view utf8);
  // A failure: one line on standard error; the run goes on and ends with status 1.
  void Fail(std::string_view utf8);
  // A usage error: one line on standard error; the caller returns kExitUsage at once.
  int Usage(std::string_view utf8);

  // A handset path operand, converted from the terminal. nullopt after a usage line.
  std::optional<HandsetPath> HandsetOperand(const std::string& operand);

  // True once the user asked the run to stop; the first time, says so and sets status 1.
  bool Stopping();

  // Begins the progress line for the transfers to come; StopProgress finishes it.
  void StartProgress(uint64_t totalBytes, uint32_t totalFiles);
  void StopProgress();

  CliEnvironment& env;
  const Invocation& line;
  Settings settings;
  HandsetConnection handset;
  ProgressLine progress;
  int status = kExitSuccess;

 private:
  bool stopSaid_ = false;
};

int InfoCommand(CliRun& run);
int ListCommand(CliRun& run);
int GetCommand(CliRun& run);
int PutCommand(CliRun& run);
int RemoveCommand(CliRun& run);
int MakeDirectoryCommand(CliRun& run);
int RemoveDirectoryCommand(CliRun& run);
int AttributesCommand(CliRun& run);
int RestartCommand(CliRun& run);
int PatchCommand(CliRun& run);
int BackupCommand(CliRun& run);
int RestoreCommand(CliRun& run);

}  // namespace tollhaven::cli
