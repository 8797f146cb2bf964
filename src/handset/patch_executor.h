#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "handset/handset_files.h"
#include "support/event_log.h"
#include "support/progress_sink.h"

namespace tollhaven {

// Runs the lines of a patch file (support/patch_file.h) on the handset, through HandsetFiles:
// the one place that runs a patch, for the patch dialog as for a command-line tool. Each line
// is run on its own; a line that fails does not stop the ones after it. It writes the lines the
// patch format asks for to the log, and HandsetFiles adds one for each file it skips or fails
// on, so a run can be followed line by line.
//
// - "cp" names a local file beside the patch file (backslashes are directory separators). An
//   absolute name, or one that leads out of the patch file's directory (by ".." or by a
//   symbolic link), is refused with a line; a file that cannot be read fails with a line. Either
//   way the "to" lines after it do nothing until a "cp" succeeds.
// - "to" uploads the file of the last "cp" to the handset path, once: a "to" without its own
//   "cp" uploads nothing and writes a line.
//   "cp" takes regular files only: a FIFO, a device or a socket is refused with a line, and is
//   never opened in a way that waits.
// - "md", "rd", "rm" and "sa" take a handset path. Handset paths are the file's bytes, passed on
//   unchanged.
// - "at" sets the attribute value "sa" gives: decimal digits only, at most 65535 (the upper 16
//   bits of the word stay zero). Anything else is refused with a line naming it, and the "sa"
//   lines after it do nothing until an "at" is valid.
//
// A line that could not do its work counts as failed: one that was refused, skipped or failed,
// and a "to" or "sa" that did nothing because its "cp" or "at" failed. A cancelled upload stops
// the run: no line after it runs.
class PatchExecutor {
 public:
  // `patchDirectory`: the directory the patch file lies in, which "cp" names are relative to;
  // empty for a patch file given by its bare name (the current directory). `progress` follows
  // the uploads and new directories of the run's lines (and a list load they need); the other
  // operations of `files` keep the progress they were given.
  PatchExecutor(HandsetFiles& files, EventLog& log, ProgressSink& progress,
                std::filesystem::path patchDirectory);
  PatchExecutor(const PatchExecutor&) = delete;
  PatchExecutor& operator=(const PatchExecutor&) = delete;

  // Runs every line, in order.
  void Run(const std::vector<std::string>& lines);
  // Runs one line; a line that is not one of the seven commands does nothing, and so does every
  // line once the run was stopped.
  void RunLine(std::string_view line);

  // The lines that could not do their work so far.
  int failedLines() const { return failedLines_; }
  // True once an upload was cancelled: the lines after it were not run.
  bool stopped() const { return stopped_; }
  // The line the last RunLine logged to tell why it could not do its work (a refusal, a skip,
  // the handset's failure); empty when it did, or told nothing new.
  const std::string& lineFailure() const { return lineFailure_; }

  // Called after each command that was sent to the handset to change it (the window shows the
  // new free space and file count then).
  std::function<void()> handsetChanged;

  // The attribute value "at" sets and "sa" gives; 0 until the first "at".
  uint32_t attributeValue = 0;

 private:
  void Load(std::string_view argument);
  void Upload(std::string_view handsetPath);
  void SetAttributeValue(std::string_view argument);
  // Logs why the line cannot do its work.
  void Tell(std::string line);
  // Tells the window the handset changed, and counts a failed line.
  void Changed(FileOutcome outcome);

  enum class Loaded { Nothing, File, Failed };

  HandsetFiles& files_;
  EventLog& log_;
  ProgressSink& progress_;
  std::filesystem::path directory_;
  Loaded loaded_ = Loaded::Nothing;
  std::filesystem::path loadedFile_;
  bool attributeValid_ = true;
  int failedLines_ = 0;
  bool stopped_ = false;
  std::string lineFailure_;
};

// The local file a "cp" argument names inside `directory`, the argument's backslashes taken as
// directory separators and its bytes as the local name's. nullopt when the argument is absolute
// (a leading separator or a drive letter), climbs above the directory, or names no file inside
// it (empty, or the directory itself). Only the text is looked at.
std::optional<std::filesystem::path> PatchLocalFile(const std::filesystem::path& directory,
                                                    std::string_view argument);

}  // namespace tollhaven
