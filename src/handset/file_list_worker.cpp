// Counting the partition's files and fetching the whole list on the worker thread.

#include <algorithm>
#include <new>
#include <string>

#include "handset/phone_file_list.h"
#include "link/byte_order.h"

namespace tollhaven {

namespace {

constexpr uint32_t kCountSubCommand = 0x07;
constexpr uint32_t kListSubCommand = 0x08;
// The count request carries its search pattern in a fixed 256-byte payload.
constexpr std::size_t kCountPayloadAfterSubCommand = 256 - 4;
// Room per chunk in the block: one entry of the largest size plus its header.
constexpr std::size_t kBlockBytesPerFile = kLargestEntrySize + kChunkHeaderSize;
// What ReceiveChunks returns when the load was asked to stop.
constexpr int kLoadCancelled = -2;

}  // namespace

int PhoneFileList::CountFiles(bool allocate) {
  // "/a/", U+FFFE, "*" as UTF-16BE, then zeros.
  uint8_t pattern[kCountPayloadAfterSubCommand] = {};
  const char16_t text[] = {u'/', static_cast<char16_t>(partitionLetter), u'/', 0xFFFE, u'*'};
  for (std::size_t i = 0; i < std::size(text); ++i) {
    pattern[2 * i] = static_cast<uint8_t>(text[i] >> 8);
    pattern[2 * i + 1] = static_cast<uint8_t>(text[i]);
  }
  countedNoFiles = false;
  if (handset_.FileSystemCommand(kCountSubCommand, pattern, sizeof pattern) != 0) {
    return -1;
  }
  if (handset_.answerLength() < 2) {
    return -1;
  }
  const uint8_t* answer = handset_.answerArea();
  if ((answer[0] == 0x00 && answer[1] == 0x00) || (answer[0] == 0xFF && answer[1] == 0xFF)) {
    handset_.link().log().AppendLog("Invalid files count!");
    countedNoFiles = true;
    return -1;
  }
  handsetFileCount = Big16(answer);
  if (allocate) {
    try {
      std::vector<uint8_t> block((std::size_t{handsetFileCount} + 2) * kBlockBytesPerFile);
      phoneFileList.swap(block);
    } catch (const std::bad_alloc&) {
      handset_.link().log().AppendLog(" Memory allocation fail");
      return -1;
    }
    writePosition = 0;
  }
  return 0;
}

int PhoneFileList::ReceiveChunks(uint32_t& received, const OperationObserver& observer) {
  EventLog& log = handset_.link().log();
  ProgressSink& progress = observer.progress();
  // Handset type 0 sends the bare sub-command; the 3G modes name themselves in a fifth byte.
  const uint8_t type = static_cast<uint8_t>(settings_.handsetType);
  const uint32_t typeLength = settings_.handsetType != 0 ? 1 : 0;

  for (bool first = true;; first = false) {
    if (observer.Cancelled()) {
      return kLoadCancelled;
    }
    uint8_t* chunk = phoneFileList.data() + writePosition;
    uint32_t length = 0;
    // The answer goes straight into the block; one that does not fit fails the transaction.
    if (handset_.FileSystemCommandInto(kListSubCommand, &type, typeLength, chunk,
                                       phoneFileList.size() - writePosition, length) != 0) {
      return 0;  // the handset ends every listing this way
    }
    // A chunk must hold its header and exactly the entries it announces, all of one size.
    const uint32_t count = length >= kChunkHeaderSize ? Big16(chunk) : 0;
    if (first && count != 0) {
      entrySize = (length - kChunkHeaderSize) / count;
    }
    if (count == 0 || entrySize <= kEntryFieldsSize ||
        length != kChunkHeaderSize + std::size_t{count} * entrySize) {
      std::fill(chunk, chunk + length, 0);
      if (first) {
        entrySize = 0;
      }
      return -1;
    }
    for (uint32_t i = 0; i < count; ++i) {
      log.logMuted = 0;
      log.ReplaceLogLine(EntryName(chunk + kChunkHeaderSize + i * entrySize, entrySize));
      log.logMuted = 1;
      ++received;
      progress.StepIt();
    }
    // The chunk is kept before the limit is looked at, so that a record added later never lands
    // on top of entries that were counted.
    writePosition += length;
    if (settings_.fileLimit != -1 && int64_t{received} > int64_t{settings_.fileLimit}) {
      return 0;
    }
  }
}

void PhoneFileList::FileListWorker(WorkerSignal& signal, ProgressSink& progress) {
  signal.Start();
  const OperationObserver observer(progress, &signal.cancelRequested);
  EventLog& log = handset_.link().log();
  Clock& clock = handset_.link().clock();
  const uint32_t started = clock.TickCount();

  Release();
  uint32_t received = 0;
  int outcome = -1;
  const bool counted = !observer.Cancelled() && CountFiles(true) == 0;
  const uint32_t announced = handsetFileCount;
  if (counted) {
    progress.SetRange(0, static_cast<int>(handsetFileCount) + 1);
    progress.SetStep(1);
    progress.SetPosition(0);
    // Twice: the progress lines that follow replace the second one.
    const std::string found = std::to_string(handsetFileCount) + " files found.";
    log.AppendLog(found);
    log.AppendLog(found);
    log.logMuted = 1;
    outcome = ReceiveChunks(received, observer);
  }
  // Part of a list must not pass for the handset's files: a cancelled load leaves none, so the
  // next fill fetches it afresh.
  if (observer.Cancelled() && (!counted || outcome == kLoadCancelled)) {
    Release();
    handsetFileCount = 0;
    log.logMuted = 0;
    // The progress lines took the place of the second count line; the notice takes theirs.
    if (counted) {
      log.ReplaceLogLine("File list load cancelled.");
    } else {
      log.AppendLog("File list load cancelled.");
    }
    signal.Finish(-1);
    return;
  }

  fileCount = received;
  handsetFileCount = received;
  fileListLoaded = 1;
  log.logMuted = 0;
  const std::string done = std::to_string(received) + " filenames loaded in " +
                           std::to_string(clock.TickCount() - started) + " milliseconds.";
  // Without a count there is no progress line to replace, and the reason must stay visible.
  if (counted) {
    log.ReplaceLogLine(done);
  } else {
    log.AppendLog(done);
  }
  // A listing that ended before the files the handset counted (a time-out, a stale answer, a
  // chunk the block could not take) keeps what arrived, but must not pass for the whole list.
  const bool limited = settings_.fileLimit != -1 && int64_t{received} > settings_.fileLimit;
  if (counted && outcome == 0 && received < announced && !limited) {
    log.AppendLog("File list incomplete: " + std::to_string(received) + " of " +
                  std::to_string(announced) + " files.");
    outcome = -1;
  }
  // Only a list that holds every file the handset counted can tell that a file is not there.
  fileListComplete = counted && outcome == 0 && received >= announced;
  signal.Finish(outcome);
}

}  // namespace tollhaven
