#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "handset/phone_file_list.h"
#include "handset/transfer_workers.h"
#include "handset/upload_checks.h"
#include "handset/upload_outcome.h"
#include "support/event_log.h"
#include "support/progress_sink.h"
#include "support/worker_signal.h"

namespace tollhaven {

// How a front end runs a job that talks to the handset: the window under its wait dialog, a
// command-line tool on a thread it waits for. Returns once the job has ended, with its outcome
// (0 when every command succeeded).
using HandsetJobRunner = std::function<int(WorkerSignal& signal, std::function<void()> job)>;

// A file or directory of a handset directory, as a panel row or a listing shows it.
struct HandsetItem {
  std::string name;  // the bytes the handset gave, unchanged
  bool directory = false;
  uint32_t size = 0;
  uint32_t attributeWord = 0;  // the word a download opens the file with
};

enum class FileOutcome {
  Done,
  Skipped,  // not attempted: nothing on either side changed
  Failed,   // attempted and failed; what is left is as the log line says
};

// What every front end does to files of the handset: the window's commands, drops, patch files,
// the command-line tool and the mount all come through here. It reads local files for uploads
// and skips what must not be sent, downloads into a file beside the target that replaces it only
// when every byte arrived, keeps the cached list in step only with what the handset really did,
// and writes one log line for each file it skips or fails on. A front end walks its own
// selection and shows its own questions and progress.
class HandsetFiles {
 public:
  // `progress` follows every transfer and list load these operations run (the window's
  // progress bar, a command-line tool's progress line); each worker is watched through it and
  // the signal's cancel request for as long as it runs.
  HandsetFiles(PhoneFileList& list, EventLog& log, WorkerSignal& signal, HandsetJobRunner run,
               ProgressSink& progress = NoProgress());

  // Writes the local file as `handsetDir` + its name (converted to the handset's 8-bit names).
  // Opening a file that is there does not shorten it, so an old file of that path is deleted
  // first: when the list shows it, and also when the list cannot prove it absent (not loaded,
  // cut by the file limit, cut short), where a delete the handset declines means there was
  // nothing to delete. A listed old file is read first and, when the new one does not arrive
  // whole (a failure, Cancel), written back with its attribute word in place of the partial
  // file. A failed new file leaves nothing behind. On success the cached list gets the new file.
  // lastUpload() tells what happened.
  FileOutcome Upload(const std::filesystem::path& localFile, std::string_view handsetDir);
  // Writes the local file as `handsetPath`, a full handset path whose name may differ from the
  // local file's (a patch file's "to" names it). The path's bytes go to the handset unchanged.
  // Otherwise as Upload.
  FileOutcome UploadTo(const std::filesystem::path& localFile, std::string_view handsetPath);
  // The same, followed by `progress` in place of the one given at construction (a patch run
  // shows its uploads its own way).
  FileOutcome UploadTo(const std::filesystem::path& localFile, std::string_view handsetPath,
                       ProgressSink& progress);
  // Reads `handsetDir` + item.name into `localDirectory`, under the name in the local file-name
  // encoding, replacing a file of that name only once the whole file has arrived. A cancelled
  // download writes nothing; a cancelled upload removes what it wrote (both report "Cancelled:"
  // and the handset path, and count as Failed).
  FileOutcome Download(std::string_view handsetDir, const HandsetItem& item,
                       const std::filesystem::path& localDirectory);
  // Deletes a file, or a directory with everything in it.
  FileOutcome Delete(std::string_view handsetPath, bool directory);
  // Creates a directory and its placeholder file.
  FileOutcome MakeDirectory(std::string_view handsetPath);
  // The same, followed by `progress` in place of the one given at construction.
  FileOutcome MakeDirectory(std::string_view handsetPath, ProgressSink& progress);
  // Gives a file a new attribute word (by opening it with the word and closing it again).
  FileOutcome SetAttributes(std::string_view handsetPath, uint32_t attributeWord);

  // The line written for the last file that was skipped or failed. A front end that mutes the
  // log while it works writes it afterwards.
  const std::string& lastReport() const { return lastReport_; }
  // True when the last operation failed because it was cancelled (the wait dialog's Cancel); each
  // operation clears it as it starts. A front end walking a selection stops there.
  bool lastCancelled() const { return lastCancelled_; }
  // What the last Upload or UploadTo did.
  const UploadOutcome& lastUpload() const { return lastUpload_; }
  // Why the last upload or new directory was refused before anything was sent; None when it
  // was not. A refused upload's lastUpload() says the same.
  UploadRefusal lastRefusal() const { return lastRefusal_; }

  // Asked before an old file that cannot be read back (its "copying not allowed" bit is set, or
  // the handset declined the read) is replaced, so that a failed upload would leave nothing:
  // true to go on. Without it (the command-line tool, the mount) the upload goes on and its
  // line says that the old file could not be kept. The window sets it once.
  std::function<bool(std::string_view handsetPath)> askReplaceUnkept;
  // Asked when a listed file has the upload's path but for letter case (`listedPath`): a panel
  // shows only one of the two, and the handset may take them for one file. True deletes the
  // listed file first and goes on. Without it (the command-line tool, the mount) such an upload
  // is refused, its line naming both.
  std::function<bool(std::string_view listedPath, std::string_view newPath)> askReplaceCaseTwin;

  PhoneFileList& list() { return list_; }
  Handset& handset() { return list_.handset(); }
  ProgressSink& progress() const { return progress_; }

 private:
  void Report(std::string line);
  // The checks need the list's entry size and names: when no list was ever loaded, loads it.
  // False when the load was cancelled.
  bool LoadListForChecks(ProgressSink& progress);
  // Says why the check refused, and records it; false when nothing was refused.
  bool Refused(UploadCheck check);
  // What comes of one upload whose local file was read.
  FileOutcome Send(TransferJob& job, ProgressSink& progress);
  // Reads the listed old file into `old` under the wait dialog; 1 when read, 0 when it cannot
  // be read, -2 when cancelled.
  int ReadOldFile(const std::string& path, const PhoneFileList::ListedFile& listed,
                  TransferJob& old, ProgressSink& progress);
  // Deletes `path` on the handset: 0 deleted, 1 declined by the handset (nothing there, or it
  // may not be deleted), 2 an error status, -1 no answer.
  int DeleteOld(const std::string& path);
  // After a new file did not arrive: removes what of it reached the handset; false when that
  // could not be done.
  bool RemovePartial(const std::string& path);
  // Puts the old file back (after its partial successor was removed); false when it failed.
  bool WriteBack(const TransferJob& old, ProgressSink& progress);
  // The line and the outcome of a failed or cancelled upload.
  FileOutcome Fail(UploadResult result, std::string line);
  bool HandsetGone();
  // True when the cached list holds a live entry below the directory.
  bool HoldsAnythingBelow(std::string_view directory) const;

  PhoneFileList& list_;
  EventLog& log_;
  WorkerSignal& signal_;
  HandsetJobRunner run_;
  ProgressSink& progress_;
  std::string lastReport_;
  bool lastCancelled_ = false;
  UploadOutcome lastUpload_;
  UploadRefusal lastRefusal_ = UploadRefusal::None;
};

}  // namespace tollhaven
