// The patch command: a patch file's lines run on the handset, as the window runs them.

#include <cstdint>
#include <filesystem>
#include <ostream>

#include "cli/cli_run.h"
#include "handset/patch_executor.h"
#include "support/patch_file.h"

namespace tollhaven::cli {

namespace fs = std::filesystem;

int PatchCommand(CliRun& run) {
  const std::string& operand = run.line.operands[0];
  const fs::path patchFile(operand);
  std::error_code error;
  const std::optional<std::vector<std::string>> lines = ReadPatchFile(patchFile, error);
  if (!lines) {
    return run.Usage("patch: cannot read " + operand + ": " + error.message());
  }
  if (!run.line.yes) {
    for (const std::string& line : *lines) {
      run.Say("  " + Shown(line));
    }
    run.env.out << run.Shown("Run these lines on the handset? [y/N] ") << std::flush;
    std::string answer;
    if (run.env.in == nullptr || !std::getline(*run.env.in, answer) ||
        (answer != "y" && answer != "Y" && answer != "yes")) {
      run.Fail("patch: not confirmed; nothing was run");
      return run.status;
    }
  }
  if (const int status = run.Connect()) {
    return status;
  }

  // The file operations keep one volume's list in step; the volume the patch works on is the
  // one its first handset path names.
  char letter = 'a';
  uint64_t totalBytes = 0;
  bool named = false;
  for (const std::string& line : *lines) {
    const PatchLine command = ParsePatchLine(line);
    if (command.command == PatchCommand::Load) {
      if (const std::optional<fs::path> file =
              PatchLocalFile(patchFile.parent_path(), command.argument)) {
        const uintmax_t size = fs::file_size(*file, error);
        totalBytes += error ? 0 : size;
      }
    } else if (!named && command.command != PatchCommand::Ignored &&
               command.command != PatchCommand::AttributeValue && command.argument.size() > 1 &&
               command.argument[1] >= 'a' && command.argument[1] <= 'c') {
      letter = command.argument[1];
      named = true;
    }
  }
  Volume* volume = run.OpenVolume(letter);
  if (volume == nullptr) {
    return run.status;
  }

  EventLog& log = run.env.link.log();
  run.progress.CountEveryBlock();
  run.StartProgress(totalBytes, 0);
  {
    PatchExecutor executor(volume->files(), log, run.progress, patchFile.parent_path());
    for (const std::string& line : *lines) {
      if (run.Stopping()) {
        break;
      }
      const std::size_t before = log.Count();
      executor.RunLine(line);
      // Each line the run logged is shown; the one that tells why the line failed goes to
      // standard error and makes the run end with status 1.
      const std::vector<std::string> logged = log.Lines();
      const std::string& failure = executor.lineFailure();
      for (std::size_t i = before; i < logged.size(); ++i) {
        const std::string& text = logged[i];
        if (!failure.empty() && text == failure) {
          run.progress.Finish();
          run.env.err << "tollhaven-cli: patch: " << run.Shown(text) << '\n';
          run.status = kExitFailed;
        } else {
          run.progress.Finish();
          run.Say(text);
        }
      }
    }
  }
  run.StopProgress();
  return run.status;
}

}  // namespace tollhaven::cli
