#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "handset/file_list_entry.h"
#include "handset/handset.h"
#include "handset/operation_observer.h"
#include "support/progress_sink.h"
#include "support/settings.h"
#include "support/status_sink.h"
#include "support/worker_signal.h"

namespace tollhaven {

// The handset's files, fetched once per partition and then kept in step with the program's own
// changes, so that every handset directory view is built from memory. The block holds the
// file-list chunks one after another, as the handset sent them, followed by the one-entry
// chunks the program appends.
//
// The file-list worker fills the list on its own thread while the starting side waits for its
// WorkerSignal; nothing else touches the list meanwhile.
class PhoneFileList {
 public:
  // `settings` supplies the partition choice, handsetType and fileLimit (which the edits raise).
  PhoneFileList(Handset& handset, Settings& settings) : handset_(handset), settings_(settings) {}

  // ---- Volume information and the load (volume_info.cpp, file_list_worker.cpp) ----

  // Reads the volume names, chooses the partition, then the free space, the model and the file
  // count; logs them and shows them in the status bar. Stops at the first failing step.
  void LoadVolumeInfo(StatusSink& status);
  // Asks for the partition's file count (handsetFileCount). With `allocate`, also replaces the
  // block by an empty one sized for that many files. Returns 0 or -1.
  int CountFiles(bool allocate);
  // Fetches the whole list. Run it on a worker thread: it calls signal.Start() first and
  // signal.Finish() last, with -1 when the count failed or the handset sent a chunk that does
  // not fit the list's format (the entries before it are kept). `progress` is set to the count
  // and stepped once per entry. The signal's cancel request stops it before the next chunk is
  // asked for; then no list is kept (fileListLoaded 0) and the outcome is -1.
  void FileListWorker(WorkerSignal& signal, ProgressSink& progress = NoProgress());

  // Lets go of the block: no entries, not loaded.
  void Release();

  // ---- Edits that keep the list in step (cached_edits.cpp) ----

  // After a file was created on the handset: appends a one-entry chunk for it (an older entry of
  // the same name is marked deleted, since the new one replaces it). When the list cannot take
  // the record (nothing loaded, a path longer than the name field, no memory), the list is
  // marked as not loaded so that the next fill fetches it afresh.
  void AddCachedFileRecord(std::string_view path, uint32_t size,
                           uint32_t attributeField = kCreatedFileAttributeField);
  // After a file or a directory was deleted on the handset: marks the entries named `path` and
  // every entry below it.
  void MarkCachedRecordDeleted(std::string_view path);
  // After a file's attributes were changed: the low byte of the attribute word of the entries
  // named `path` becomes the low byte of `attributeValue`; their owner and high byte stay.
  void SetCachedAttribute(std::string_view path, uint32_t attributeValue);

  // ---- Reading (phone_file_list.cpp) ----

  // Visits the fileCount entries in list order, deleted ones included (check `deleted`).
  void ForEachEntry(const std::function<void(const FileListEntry&)>& visit) const;
  std::size_t fileListSize() const { return phoneFileList.size(); }
  // True when a loaded list holds an entry named exactly `path` that is not deleted.
  bool HoldsFile(std::string_view path) const;
  // The size and attribute field of the live entry named exactly `path`, from the block as it
  // is, also when it is marked not loaded or incomplete: a hint of what the handset holds, which
  // the handset itself has the last word on.
  struct ListedFile {
    uint32_t size = 0;
    uint32_t attributeField = 0;
    uint16_t AttributeWord() const { return static_cast<uint16_t>(attributeField >> 8); }
  };
  std::optional<ListedFile> FindListedFile(std::string_view path) const;
  // True when the list is loaded and holds every file of the partition: it was neither cut by
  // the file limit nor cut short, and nothing has made it doubtful since. Only then does a path
  // it lacks prove that the handset has no such file.
  bool Complete() const { return fileListLoaded != 0 && fileListComplete; }
  // After a change whose outcome on the handset is not known: the next fill fetches the list,
  // and until then nothing counts as proved absent.
  void MarkNotLoaded() {
    fileListLoaded = 0;
    fileListComplete = false;
  }

  // ---- State ----

  // The partition that is counted and listed: 'a', 'b' or 'c'.
  char partitionLetter = 'a';
  // Files the handset reported for the partition.
  uint32_t handsetFileCount = 0;
  // The last count answered that the partition holds no file at all (the count then fails, and
  // so does the load): an empty volume, not an unreadable one.
  bool countedNoFiles = false;
  // The block; empty when no list is held.
  std::vector<uint8_t> phoneFileList;
  // Entries held in the block, and the size of each.
  uint32_t fileCount = 0;
  uint32_t entrySize = 0;
  // 1 while the block holds a complete load; the panels fetch only while it is 0.
  int fileListLoaded = 0;
  // Set by a load that received every file the handset counted, under no file limit; cleared by
  // anything that makes the block doubtful. Read it through Complete().
  bool fileListComplete = false;
  // Offset in the block where the next chunk goes.
  std::size_t writePosition = 0;
  // The volume names as the handset sent them (UTF-16BE); the free-space queries pass them on.
  std::array<uint8_t, kVolumeBufferSize> volumeNames{};

  Handset& handset() { return handset_; }

 private:
  // Calls `visit` with the offset of each of the fileCount entries, walked chunk by chunk and
  // never past the write position.
  void ForEachEntryOffset(const std::function<void(std::size_t)>& visit) const;
  // Receives chunks until the handset ends the listing or the limit is passed; returns the
  // worker's outcome (-2 when cancelled) and adds the entries to `received`.
  int ReceiveChunks(uint32_t& received, const OperationObserver& observer);

  Handset& handset_;
  Settings& settings_;
};

}  // namespace tollhaven
