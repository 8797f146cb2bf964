#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "handset/handset.h"
#include "support/progress_sink.h"
#include "support/worker_signal.h"

namespace tollhaven {

// The attribute word every file the program writes to the handset gets.
inline constexpr uint32_t kUploadAttributeWord = 4;

// One file to move between the computer and the handset. The starting side fills it before the
// worker starts and touches it again only once the worker's signal reads done.
struct TransferJob {
  std::string transferPath;   // the file's handset path
  uint32_t transferAttr = 0;  // download: the attribute word the file is opened with
  uint32_t downloadSize = 0;  // download: bytes to read
  uint32_t uploadSize = 0;    // upload: bytes to write
  // Download: zero-filled, at least downloadSize bytes (downloadSize + 10 by custom), filled by
  // the worker. Upload: the local file's bytes, at least uploadSize of them.
  std::vector<uint8_t> transferBuffer;
};

// Worker procedures: run one on a thread. Each calls signal.Start() first, runs every one of
// its commands even after a failure (so the handset file is always closed), steps `progress`
// (set to the file's size in thousands of bytes, then one step per block), and calls
// signal.Finish() last with 0 when every command succeeded, else -1. The signal's cancel
// request stops the reads or writes after the block under way (a failure); the file is closed
// all the same.
//
// Download: open with transferAttr, seek to the start, read downloadSize bytes (none for an empty
// file), close.
void DownloadWorker(Handset& handset, TransferJob& job, WorkerSignal& signal,
                    ProgressSink& progress = NoProgress());
// Upload: open with attribute word 4, write uploadSize bytes, close.
void UploadWorker(Handset& handset, const TransferJob& job, WorkerSignal& signal,
                  ProgressSink& progress = NoProgress());
// Putting an old file back after its replacement failed: open with the old file's transferAttr,
// write uploadSize bytes, close. It ignores cancel requests: stopping it would lose the file.
void RestoreWorker(Handset& handset, const TransferJob& job, WorkerSignal& signal,
                   ProgressSink& progress = NoProgress());

}  // namespace tollhaven
