#include "handset/handset_files.h"

#include <cstdio>
#include <limits>
#include <new>
#include <system_error>

#include "handset/handset_names.h"
#include "handset/transfer_workers.h"
#include "support/local_files.h"

namespace tollhaven {

namespace fs = std::filesystem;

namespace {

// What DeleteOld found.
constexpr int kDeleted = 0;
constexpr int kDeclined = 1;     // the handset's one-byte "no"
constexpr int kDeleteError = 2;  // an error status
constexpr int kNoAnswer = -1;    // no answer: carried out or not, nobody knows

// Attribute bit of a file the handset does not let out: it cannot be read back to be kept.
constexpr uint16_t kNoCopyAttribute = 0x40;

std::string Reason(const std::error_code& error) {
  return error.message();
}

// Reads a whole local file into `contents` (one spare zero byte after it). False, with `error`
// set, when it cannot be opened or read to its end.
bool ReadLocalFile(const fs::path& file, std::vector<uint8_t>& contents, uint32_t& size,
                   std::error_code& error) {
  const uintmax_t length = fs::file_size(file, error);
  if (error) {
    return false;
  }
  // The handset counts file sizes in 32 bits.
  if (length > std::numeric_limits<uint32_t>::max()) {
    error = std::make_error_code(std::errc::file_too_large);
    return false;
  }
  std::FILE* in = OpenRegularFileForReading(file, error);
  if (in == nullptr) {
    return false;
  }
  try {
    contents.assign(static_cast<std::size_t>(length) + 1, 0);
  } catch (const std::bad_alloc&) {
    std::fclose(in);
    error = std::make_error_code(std::errc::not_enough_memory);
    return false;
  }
  const std::size_t read = std::fread(contents.data(), 1, static_cast<std::size_t>(length), in);
  const bool failed = std::ferror(in) != 0;
  std::fclose(in);
  // A file that changed size while it was read is sent as it was found, but never with a gap.
  if (failed || read != length) {
    error = failed ? std::make_error_code(std::errc::io_error)
                   : std::make_error_code(std::errc::interrupted);
    return false;
  }
  size = static_cast<uint32_t>(length);
  return true;
}

}  // namespace

HandsetFiles::HandsetFiles(PhoneFileList& list, EventLog& log, WorkerSignal& signal,
                           HandsetJobRunner run, ProgressSink& progress)
    : list_(list), log_(log), signal_(signal), run_(std::move(run)), progress_(progress) {}

void HandsetFiles::Report(std::string line) {
  log_.AppendLog(line);
  lastReport_ = std::move(line);
}

bool HandsetFiles::HandsetGone() {
  PhoneLink& link = handset().link();
  return link.transport() == nullptr || link.transport()->DeviceGone() || link.LinkLost();
}

bool HandsetFiles::LoadListForChecks(ProgressSink& progress) {
  if (list_.fileListLoaded != 0 || list_.entrySize != 0) {
    return true;
  }
  signal_.ClearCancel();
  run_(signal_, [this, &progress] { list_.FileListWorker(signal_, progress); });
  return !signal_.CancelRequested();
}

bool HandsetFiles::Refused(UploadCheck check) {
  lastRefusal_ = check.refusal;
  if (check.refusal == UploadRefusal::None) {
    return false;
  }
  lastUpload_.result = UploadResult::Refused;
  Report(std::move(check.line));
  return true;
}

FileOutcome HandsetFiles::Fail(UploadResult result, std::string line) {
  lastUpload_.result = result;
  lastUpload_.handsetGone = HandsetGone();
  Report(std::move(line));
  return result == UploadResult::Skipped ? FileOutcome::Skipped : FileOutcome::Failed;
}

FileOutcome HandsetFiles::Upload(const fs::path& localFile, std::string_view handsetDir) {
  // A cancel belongs to the operation it stopped: one that skips before its transfer must not
  // report it again, or the walk over a selection would stop there.
  lastCancelled_ = false;
  lastUpload_ = {};
  const std::string shownName = Utf8FileName(localFile);
  std::error_code error;
  if (fs::is_directory(localFile, error)) {
    return Fail(UploadResult::Skipped, "Skipped, a directory: " + shownName);
  }
  const std::optional<std::string> handsetName = HandsetNameFromUtf8(shownName);
  if (!handsetName || handsetName->empty()) {
    return Fail(UploadResult::Skipped, "Skipped, the handset cannot hold this name: " + shownName);
  }
  return UploadTo(localFile, JoinHandsetPath(handsetDir, *handsetName), progress_);
}

FileOutcome HandsetFiles::UploadTo(const fs::path& localFile, std::string_view handsetPath) {
  return UploadTo(localFile, handsetPath, progress_);
}

FileOutcome HandsetFiles::UploadTo(const fs::path& localFile, std::string_view handsetPath,
                                   ProgressSink& progress) {
  lastCancelled_ = false;
  lastUpload_ = {};
  lastRefusal_ = UploadRefusal::None;
  const std::string shownName = Utf8FileName(localFile);
  if (handsetPath.empty()) {
    return Fail(UploadResult::Skipped, "Skipped, no handset path for " + shownName);
  }
  std::error_code error;
  if (fs::is_directory(localFile, error)) {
    return Fail(UploadResult::Skipped, "Skipped, a directory: " + shownName);
  }
  TransferJob job;
  if (!ReadLocalFile(localFile, job.transferBuffer, job.uploadSize, error)) {
    // Sent anyway, it would replace the handset's file of that name with an empty one.
    return Fail(UploadResult::Skipped, "Skipped, cannot read " + shownName + ": " + Reason(error));
  }
  job.transferPath = std::string(handsetPath);
  if (!LoadListForChecks(progress)) {
    lastCancelled_ = true;
    lastUpload_.cancelled = true;
    return Fail(UploadResult::NotReplaced, "Cancelled: " + Utf8FromHandsetName(job.transferPath));
  }
  UploadCheck check = CheckUpload(list_, handset(), job.transferPath, job.uploadSize);
  if (check.refusal == UploadRefusal::CaseClash && askReplaceCaseTwin) {
    const std::optional<std::string> twin = ListedCaseTwin(list_, job.transferPath);
    if (twin && askReplaceCaseTwin(*twin, job.transferPath) &&
        Delete(*twin, false) == FileOutcome::Done) {
      check = CheckUpload(list_, handset(), job.transferPath, job.uploadSize);
    }
  }
  if (Refused(std::move(check))) {
    return FileOutcome::Skipped;
  }
  return Send(job, progress);
}

int HandsetFiles::ReadOldFile(const std::string& path, const PhoneFileList::ListedFile& listed,
                              TransferJob& old, ProgressSink& progress) {
  old.transferPath = path;
  old.transferAttr = listed.AttributeWord();
  old.downloadSize = listed.size;
  old.uploadSize = listed.size;
  try {
    old.transferBuffer.assign(std::size_t{listed.size} + 10, 0);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  signal_.ClearCancel();
  const int outcome =
      run_(signal_, [this, &old, &progress] { DownloadWorker(handset(), old, signal_, progress); });
  // A Cancel that came as the last block arrived still stops the upload: nothing has changed yet.
  if (signal_.CancelRequested()) {
    return -2;
  }
  return outcome == 0 ? 1 : 0;
}

int HandsetFiles::DeleteOld(const std::string& path) {
  if (handset().PhoneDelete(path) == 0) {
    return kDeleted;
  }
  if (handset().lastRefused()) {
    return kDeclined;
  }
  // An error status is an answer too; only silence leaves open whether it was carried out.
  return handset().link().silentTransactions == 0 ? kDeleteError : kNoAnswer;
}

bool HandsetFiles::RemovePartial(const std::string& path) {
  // Once more when the first try went astray; a "no" means nothing of it is there.
  for (int attempt = 0; attempt < 2; ++attempt) {
    const int deleted = DeleteOld(path);
    if (deleted == kDeleted || deleted == kDeclined) {
      return true;
    }
  }
  return false;
}

bool HandsetFiles::WriteBack(const TransferJob& old, ProgressSink& progress) {
  // The user's Cancel was for the new file: the old one goes back whatever is pressed now.
  signal_.ClearCancel();
  return run_(signal_,
              [this, &old, &progress] { RestoreWorker(handset(), old, signal_, progress); }) == 0;
}

FileOutcome HandsetFiles::Send(TransferJob& job, ProgressSink& progress) {
  const std::string& path = job.transferPath;
  const std::string shown = Utf8FromHandsetName(path);
  // The list may be out of date or cut short, but what it shows is the best guess of the old
  // file's size and word; only a complete list proves that there is none.
  const std::optional<PhoneFileList::ListedFile> listed = list_.FindListedFile(path);
  TransferJob old;
  bool haveOld = false;
  if (listed) {
    const bool noCopy = (listed->AttributeWord() & kNoCopyAttribute) != 0;
    const int read = noCopy ? 0 : ReadOldFile(path, *listed, old, progress);
    if (read == -2) {
      lastCancelled_ = true;
      lastUpload_.cancelled = true;
      return Fail(UploadResult::NotReplaced, "Cancelled: " + shown);
    }
    haveOld = read == 1;
    if (!haveOld) {
      if (askReplaceUnkept && !askReplaceUnkept(path)) {
        Fail(UploadResult::NotReplaced, "Not replaced, the old file cannot be read: " + shown);
        return FileOutcome::Skipped;
      }
      lastUpload_.replacedUnkept = true;
      log_.AppendLog("The old file cannot be read and is not kept: " + shown);
    }
  }

  // Opening a file that is there does not shorten it: the old one goes first, so that neither
  // its tail nor its row outlives the upload.
  if (listed || !list_.Complete()) {
    int deleted = DeleteOld(path);
    if (!listed && deleted == kNoAnswer) {
      // Whether it was carried out is not known: a second delete finds out.
      deleted = DeleteOld(path);
    }
    if (listed && deleted == kDeclined) {
      return Fail(UploadResult::NotReplaced,
                  "Upload failed, the file on the handset could not be replaced: " + shown);
    }
    if (deleted == kNoAnswer || (listed && deleted == kDeleteError)) {
      // The delete may have been carried out all the same: the copy goes back over whatever is
      // there (the same bytes, if it was not).
      if (haveOld && WriteBack(old, progress)) {
        return Fail(UploadResult::NotReplaced,
                    "Upload failed, the file on the handset could not be replaced: " + shown);
      }
      list_.MarkNotLoaded();
      if (haveOld) {
        return Fail(UploadResult::OldFileLost, "Upload failed, the old file is lost: " + shown);
      }
      return Fail(UploadResult::NotReplaced,
                  "Upload failed, the file on the handset could not be replaced: " + shown);
    }
    // A path the list could not rule out, which the handset says no to deleting: nothing was
    // there to delete, and no line is written for it.
    if (deleted == kDeleted) {
      // A file the list did not show was there: gone without a copy.
      lastUpload_.replacedUnkept = lastUpload_.replacedUnkept || !listed;
      list_.MarkCachedRecordDeleted(path);
    }
  }

  signal_.ClearCancel();
  if (run_(signal_, [this, &job, &progress] { UploadWorker(handset(), job, signal_, progress); }) ==
      0) {
    list_.AddCachedFileRecord(path, job.uploadSize, kCreatedFileAttributeField);
    KeepFreeSpaceInStep(handset(), job.uploadSize, listed ? listed->size : 0);
    lastUpload_.result = UploadResult::Done;
    return FileOutcome::Done;
  }

  const bool cancelled = signal_.CancelRequested();
  lastCancelled_ = cancelled;
  lastUpload_.cancelled = cancelled;
  const std::string what = cancelled ? "Cancelled" : "Upload failed";
  // The handset keeps what was written before the stop; half a file must not stay behind under
  // the name of the whole one.
  if (!RemovePartial(path)) {
    lastUpload_.partialLeft = true;
    list_.MarkNotLoaded();
    if (haveOld) {
      return Fail(UploadResult::OldFileLost, what + ", the old file is lost: " + shown);
    }
    return Fail(UploadResult::Failed, what + ", the partial file could not be removed: " + shown);
  }
  if (haveOld) {
    if (WriteBack(old, progress)) {
      list_.AddCachedFileRecord(path, old.uploadSize, listed->attributeField);
      return Fail(UploadResult::OldFileKept, what + ", the old file was kept: " + shown);
    }
    list_.MarkNotLoaded();
    return Fail(UploadResult::OldFileLost, what + ", the old file is lost: " + shown);
  }
  if (lastUpload_.replacedUnkept) {
    return Fail(UploadResult::OldFileLost, what + ", the old file could not be kept: " + shown);
  }
  return Fail(UploadResult::Failed, what + ": " + shown);
}

FileOutcome HandsetFiles::Download(std::string_view handsetDir, const HandsetItem& item,
                                   const fs::path& localDirectory) {
  lastCancelled_ = false;
  const std::string shownName = Utf8FromHandsetName(item.name);
  if (item.directory) {
    Report("Skipped, a directory: " + shownName);
    return FileOutcome::Skipped;
  }
  // The name comes from the handset: it must not lead out of the destination directory.
  if (!IsSafeLocalName(item.name)) {
    Report("Skipped, not a name for a local file: " + shownName);
    return FileOutcome::Skipped;
  }
  const fs::path target = LocalPathForHandsetName(localDirectory, item.name);
  TransferJob job;
  job.transferPath = JoinHandsetPath(handsetDir, item.name);
  job.transferAttr = item.attributeWord;
  job.downloadSize = item.size;
  try {
    job.transferBuffer.assign(std::size_t{item.size} + 10, 0);
  } catch (const std::bad_alloc&) {
    Report("Download failed, not enough memory: " + shownName);
    return FileOutcome::Failed;
  }

  signal_.ClearCancel();
  if (run_(signal_, [this, &job] { DownloadWorker(handset(), job, signal_, progress_); }) != 0) {
    // Nothing was written yet: the bytes that came stay in memory and go with the job.
    if (signal_.CancelRequested()) {
      lastCancelled_ = true;
      Report("Cancelled: " + Utf8FromHandsetName(job.transferPath));
      return FileOutcome::Failed;
    }
    // An unplugged handset is the likeliest cause, and the one the user can do something about.
    if (HandsetGone()) {
      Report("Download failed, the handset is gone; local file left as it was: " +
             Utf8FileName(target));
    } else {
      Report("Download failed, local file left as it was: " + Utf8FileName(target));
    }
    return FileOutcome::Failed;
  }
  std::error_code error;
  const std::string_view contents(reinterpret_cast<const char*>(job.transferBuffer.data()),
                                  job.downloadSize);
  if (!WriteFileReplacing(target, contents, error)) {
    Report("Download failed, cannot write " + Utf8FileName(target) + ": " + Reason(error));
    return FileOutcome::Failed;
  }
  return FileOutcome::Done;
}

FileOutcome HandsetFiles::Delete(std::string_view handsetPath, bool directory) {
  lastCancelled_ = false;
  const uint64_t listedBytes = ListedBytes(list_, handsetPath, directory);
  const int result = directory ? handset().PhoneRemoveDir(handsetPath, kUploadAttributeWord)
                               : handset().PhoneDelete(handsetPath);
  if (result != 0) {
    Report("Delete failed: " + Utf8FromHandsetName(handsetPath));
    // Part of a directory may be gone, or the file itself when only the answer was lost.
    list_.MarkNotLoaded();
    return FileOutcome::Failed;
  }
  list_.MarkCachedRecordDeleted(handsetPath);
  KeepFreeSpaceInStep(handset(), 0, listedBytes);
  return FileOutcome::Done;
}

FileOutcome HandsetFiles::MakeDirectory(std::string_view handsetPath) {
  return MakeDirectory(handsetPath, progress_);
}

FileOutcome HandsetFiles::MakeDirectory(std::string_view handsetPath, ProgressSink& progress) {
  lastCancelled_ = false;
  lastRefusal_ = UploadRefusal::None;
  if (!LoadListForChecks(progress)) {
    lastCancelled_ = true;
    Report("Cancelled: " + Utf8FromHandsetName(handsetPath));
    return FileOutcome::Failed;
  }
  if (Refused(CheckNewDirectory(list_, handset(), handsetPath))) {
    return FileOutcome::Skipped;
  }
  Handset& phone = handset();
  const std::string placeholder = std::string(handsetPath) + "/" + std::string(kPlaceholderName);
  const bool madeDirectory = phone.PhoneMakeDir(handsetPath, kUploadAttributeWord) == 0;
  bool made = madeDirectory;
  bool opened = false;
  if (made) {
    opened = phone.PhoneOpen(placeholder, kUploadAttributeWord) == 0;
    made = opened;
    if (made) {
      const auto* contents = reinterpret_cast<const uint8_t*>(kPlaceholderContents.data());
      // Not under the wait dialog: nothing can cancel it, but it steps the progress as any write.
      made = phone.PhoneWrite(contents, static_cast<uint32_t>(kPlaceholderContents.size()),
                              OperationObserver(progress)) == 0;
      // Closed whatever the write did: the handset keeps one file open at a time.
      made = phone.PhoneClose() == 0 && made;
    }
  }
  if (!made) {
    Report("New folder failed: " + Utf8FromHandsetName(handsetPath));
    // Without its placeholder the directory is not one the panels can show: what was made goes
    // again. The directory itself only when the list proves that it holds nothing of the user's.
    bool undone = !madeDirectory;
    if (madeDirectory) {
      undone = RemovePartial(placeholder) && list_.Complete() && !HoldsAnythingBelow(handsetPath) &&
               phone.PhoneRemoveDir(handsetPath, kUploadAttributeWord) == 0;
    }
    if (!undone) {
      // The directory, or a placeholder that did not get its contents, may be there all the same.
      list_.MarkNotLoaded();
    }
    return FileOutcome::Failed;
  }
  // The list has no entries for directories: the placeholder's entry makes the directory show.
  list_.AddCachedFileRecord(placeholder, static_cast<uint32_t>(kPlaceholderContents.size()),
                            kCreatedFileAttributeField);
  KeepFreeSpaceInStep(phone, kPlaceholderContents.size(), 0);
  return FileOutcome::Done;
}

bool HandsetFiles::HoldsAnythingBelow(std::string_view directory) const {
  const std::string prefix = std::string(directory) + "/";
  bool held = false;
  list_.ForEachEntry([&](const FileListEntry& entry) {
    held = held || (!entry.deleted && entry.name.starts_with(prefix));
  });
  return held;
}

FileOutcome HandsetFiles::SetAttributes(std::string_view handsetPath, uint32_t attributeWord) {
  lastCancelled_ = false;
  const int opened = handset().PhoneOpen(handsetPath, attributeWord);
  const int closed = handset().PhoneClose();
  if (opened != 0 || closed != 0) {
    Report("Attributes not changed: " + Utf8FromHandsetName(handsetPath));
    // An open whose answer was lost may have set the word all the same.
    list_.MarkNotLoaded();
    return FileOutcome::Failed;
  }
  list_.SetCachedAttribute(handsetPath, attributeWord);
  return FileOutcome::Done;
}

}  // namespace tollhaven
