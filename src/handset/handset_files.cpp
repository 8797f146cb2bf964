#include "handset/handset_files.h"

#include <cerrno>
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
  errno = 0;
  std::FILE* in = OpenLocalFileForReading(file);
  if (in == nullptr) {
    error = std::error_code(errno, std::generic_category());
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
                           HandsetJobRunner run)
    : list_(list), log_(log), signal_(signal), run_(std::move(run)) {}

FileOutcome HandsetFiles::CancelledUpload(const std::string& handsetPath) {
  lastCancelled_ = true;
  // The handset keeps what was written before the stop; half a file must not stay behind under
  // the name of the whole one.
  if (handset().PhoneDelete(handsetPath) != 0) {
    Report("Cancelled, the partial file could not be removed: " + Utf8FromHandsetName(handsetPath));
    // Whatever the handset holds now, the next fill asks it.
    list_.fileListLoaded = 0;
    return FileOutcome::Failed;
  }
  Report("Cancelled: " + Utf8FromHandsetName(handsetPath));
  return FileOutcome::Failed;
}

void HandsetFiles::Report(std::string line) {
  log_.AppendLog(line);
  lastReport_ = std::move(line);
}

FileOutcome HandsetFiles::Upload(const fs::path& localFile, std::string_view handsetDir) {
  // A cancel belongs to the operation it stopped: one that skips before its transfer must not
  // report it again, or the walk over a selection would stop there.
  lastCancelled_ = false;
  const std::string shownName = Utf8FileName(localFile);
  std::error_code error;
  if (fs::is_directory(localFile, error)) {
    Report("Skipped, a directory: " + shownName);
    return FileOutcome::Skipped;
  }
  const std::optional<std::string> handsetName = HandsetNameFromUtf8(shownName);
  if (!handsetName || handsetName->empty()) {
    Report("Skipped, the handset cannot hold this name: " + shownName);
    return FileOutcome::Skipped;
  }
  return UploadTo(localFile, HandsetPath(handsetDir, *handsetName));
}

FileOutcome HandsetFiles::UploadTo(const fs::path& localFile, std::string_view handsetPath) {
  lastCancelled_ = false;
  const std::string shownName = Utf8FileName(localFile);
  if (handsetPath.empty()) {
    Report("Skipped, no handset path for " + shownName);
    return FileOutcome::Skipped;
  }
  std::error_code error;
  if (fs::is_directory(localFile, error)) {
    Report("Skipped, a directory: " + shownName);
    return FileOutcome::Skipped;
  }
  TransferJob job;
  if (!ReadLocalFile(localFile, job.transferBuffer, job.uploadSize, error)) {
    // Sent anyway, it would replace the handset's file of that name with an empty one.
    Report("Skipped, cannot read " + shownName + ": " + Reason(error));
    return FileOutcome::Skipped;
  }
  job.transferPath = std::string(handsetPath);

  // Opening a file that is there does not shorten it: the old one goes first, so that neither
  // its tail nor its row outlives the upload.
  if (list_.HoldsFile(job.transferPath)) {
    if (handset().PhoneDelete(job.transferPath) != 0) {
      Report("Upload failed, the file on the handset could not be replaced: " +
             Utf8FromHandsetName(job.transferPath));
      // A delete whose answer was lost may still have been carried out: the next fill asks.
      list_.fileListLoaded = 0;
      return FileOutcome::Failed;
    }
    list_.MarkCachedRecordDeleted(job.transferPath);
  }

  signal_.ClearCancel();
  if (run_(signal_, [this, &job] { UploadWorker(handset(), job, signal_); }) != 0) {
    if (signal_.CancelRequested()) {
      return CancelledUpload(job.transferPath);
    }
    Report("Upload failed: " + Utf8FromHandsetName(job.transferPath));
    // The handset may keep part of the file, or all of it when only an answer was lost.
    list_.fileListLoaded = 0;
    return FileOutcome::Failed;
  }
  list_.AddCachedFileRecord(job.transferPath, job.uploadSize, kCreatedFileAttributeField);
  return FileOutcome::Done;
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
  job.transferPath = HandsetPath(handsetDir, item.name);
  job.transferAttr = item.attributeWord;
  job.downloadSize = item.size;
  try {
    job.transferBuffer.assign(std::size_t{item.size} + 10, 0);
  } catch (const std::bad_alloc&) {
    Report("Download failed, not enough memory: " + shownName);
    return FileOutcome::Failed;
  }

  signal_.ClearCancel();
  if (run_(signal_, [this, &job] { DownloadWorker(handset(), job, signal_); }) != 0) {
    // Nothing was written yet: the bytes that came stay in memory and go with the job.
    if (signal_.CancelRequested()) {
      lastCancelled_ = true;
      Report("Cancelled: " + Utf8FromHandsetName(job.transferPath));
      return FileOutcome::Failed;
    }
    Report("Download failed, local file left as it was: " + Utf8FileName(target));
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
  const int result = directory ? handset().PhoneRemoveDir(handsetPath, kUploadAttributeWord)
                               : handset().PhoneDelete(handsetPath);
  if (result != 0) {
    Report("Delete failed: " + Utf8FromHandsetName(handsetPath));
    // Part of a directory may be gone, or the file itself when only the answer was lost.
    list_.fileListLoaded = 0;
    return FileOutcome::Failed;
  }
  list_.MarkCachedRecordDeleted(handsetPath);
  return FileOutcome::Done;
}

FileOutcome HandsetFiles::MakeDirectory(std::string_view handsetPath) {
  lastCancelled_ = false;
  Handset& phone = handset();
  const std::string placeholder = std::string(handsetPath) + "/" + std::string(kPlaceholderName);
  bool made = phone.PhoneMakeDir(handsetPath, kUploadAttributeWord) == 0;
  if (made) {
    made = phone.PhoneOpen(placeholder, kUploadAttributeWord) == 0;
    if (made) {
      const auto* contents = reinterpret_cast<const uint8_t*>(kPlaceholderContents.data());
      made = phone.PhoneWrite(contents, static_cast<uint32_t>(kPlaceholderContents.size())) == 0;
      // Closed whatever the write did: the handset keeps one file open at a time.
      made = phone.PhoneClose() == 0 && made;
    }
  }
  if (!made) {
    Report("New folder failed: " + Utf8FromHandsetName(handsetPath));
    // The directory, or a placeholder that did not get its contents, may be there all the same.
    list_.fileListLoaded = 0;
    return FileOutcome::Failed;
  }
  // The list has no entries for directories: the placeholder's entry makes the directory show.
  list_.AddCachedFileRecord(placeholder, static_cast<uint32_t>(kPlaceholderContents.size()),
                            kCreatedFileAttributeField);
  return FileOutcome::Done;
}

FileOutcome HandsetFiles::SetAttributes(std::string_view handsetPath, uint32_t attributeWord) {
  lastCancelled_ = false;
  const int opened = handset().PhoneOpen(handsetPath, attributeWord);
  const int closed = handset().PhoneClose();
  if (opened != 0 || closed != 0) {
    Report("Attributes not changed: " + Utf8FromHandsetName(handsetPath));
    // An open whose answer was lost may have set the word all the same.
    list_.fileListLoaded = 0;
    return FileOutcome::Failed;
  }
  list_.SetCachedAttribute(handsetPath, attributeWord);
  return FileOutcome::Done;
}

}  // namespace tollhaven
