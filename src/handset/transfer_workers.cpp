#include "handset/transfer_workers.h"

namespace tollhaven {

namespace {

// The progress bar counts in thousands of bytes, one more than the whole thousands.
int ProgressRange(uint32_t size) {
  return static_cast<int>(size / 1000 + 1);
}

void ResetProgress(ProgressSink& progress, uint32_t size) {
  progress.SetRange(0, ProgressRange(size));
  progress.SetStep(1);
  progress.SetPosition(0);
}

}  // namespace

void DownloadWorker(Handset& handset, TransferJob& job, WorkerSignal& signal,
                    ProgressSink& progress) {
  signal.Start();
  const OperationObserver observer(progress, &signal.cancelRequested);
  int failed = 0;
  failed |= handset.PhoneOpen(job.transferPath, job.transferAttr);
  failed |= handset.PhoneSeek(0, 0);
  ResetProgress(progress, job.downloadSize);
  // A buffer too small for the file is a failed read, never a write past its end. An empty
  // file has nothing to read: it needs no read request, and is no failure.
  if (job.transferBuffer.size() < job.downloadSize) {
    failed = -1;
  } else if (job.downloadSize > 0) {
    failed |= handset.PhoneRead(job.transferBuffer.data(), job.downloadSize, observer);
  }
  failed |= handset.PhoneClose();
  signal.Finish(failed != 0 ? -1 : 0);
}

namespace {

// Opens the job's path with `attributeWord`, writes its bytes and closes it; nonzero on failure.
int WriteWholeFile(Handset& handset, const TransferJob& job, uint32_t attributeWord,
                   const OperationObserver& observer) {
  int failed = 0;
  failed |= handset.PhoneOpen(job.transferPath, attributeWord);
  ResetProgress(observer.progress(), job.uploadSize);
  if (job.transferBuffer.size() >= job.uploadSize) {
    failed |= handset.PhoneWrite(job.transferBuffer.data(), job.uploadSize, observer);
  } else {
    failed = -1;
  }
  failed |= handset.PhoneClose();
  return failed;
}

}  // namespace

void UploadWorker(Handset& handset, const TransferJob& job, WorkerSignal& signal,
                  ProgressSink& progress) {
  signal.Start();
  const int failed = WriteWholeFile(handset, job, kUploadAttributeWord,
                                    OperationObserver(progress, &signal.cancelRequested));
  signal.Finish(failed != 0 ? -1 : 0);
}

void RestoreWorker(Handset& handset, const TransferJob& job, WorkerSignal& signal,
                   ProgressSink& progress) {
  signal.Start();
  // No stop request: the old file goes back whatever is pressed meanwhile.
  const int failed = WriteWholeFile(handset, job, job.transferAttr, OperationObserver(progress));
  signal.Finish(failed != 0 ? -1 : 0);
}

}  // namespace tollhaven
