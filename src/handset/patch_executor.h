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
// - "md", "rd", "rm" and "sa" take a handset path; "at" sets the decimal attribute value "sa"
//   gives. Handset paths are the file's bytes, passed on unchanged.
class PatchExecutor {
 public:
  // `patchDirectory`: the directory the patch file lies in, which "cp" names are relative to;
  // empty for a patch file given by its bare name (the current directory). `progress` follows
  // each upload while the executor lives; the handset gets its own back afterwards.
  PatchExecutor(HandsetFiles& files, EventLog& log, ProgressSink& progress,
                std::filesystem::path patchDirectory);
  ~PatchExecutor();
  PatchExecutor(const PatchExecutor&) = delete;
  PatchExecutor& operator=(const PatchExecutor&) = delete;

  // Runs every line, in order.
  void Run(const std::vector<std::string>& lines);
  // Runs one line; a line that is not one of the seven commands does nothing.
  void RunLine(std::string_view line);

  // Called after each command that was sent to the handset to change it (the window shows the
  // new free space and file count then).
  std::function<void()> handsetChanged;

  // The attribute value "at" sets and "sa" gives; 0 until the first "at".
  uint32_t attributeValue = 0;

 private:
  void Load(std::string_view argument);
  void Upload(std::string_view handsetPath);
  void Changed();

  enum class Loaded { Nothing, File, Failed };

  HandsetFiles& files_;
  EventLog& log_;
  ProgressSink& handsetProgress_;
  std::filesystem::path directory_;
  Loaded loaded_ = Loaded::Nothing;
  std::filesystem::path loadedFile_;
};

// The local file a "cp" argument names inside `directory`, the argument's backslashes taken as
// directory separators and its bytes as the local name's. nullopt when the argument is absolute
// (a leading separator or a drive letter), climbs above the directory, or names no file inside
// it (empty, or the directory itself). Only the text is looked at.
std::optional<std::filesystem::path> PatchLocalFile(const std::filesystem::path& directory,
                                                    std::string_view argument);

}  // namespace tollhaven
