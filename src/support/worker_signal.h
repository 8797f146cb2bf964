#pragma once

#include <atomic>

namespace tollhaven {

// How a worker thread tells the starting side that it is done and whether every command it ran
// succeeded. The worker calls Start first and Finish last; the wait dialog polls Done.
//
// The other way round, the starting side may ask the worker to stop early (the wait dialog's
// Cancel). The worker looks at the request between transactions, never inside one, so the
// handset is always left between two commands. Start leaves the request alone: a Cancel pressed
// before the worker got going must still count. The starting side clears it before each job.
struct WorkerSignal {
  std::atomic<int> workerDone{1};
  std::atomic<int> outcome{0};  // 0: every command succeeded; -1: at least one failed
  std::atomic<bool> cancelRequested{false};
  // Set by the starting side from before the worker starts until it has joined it. The wait
  // dialog runs the window's timers meanwhile, also after the worker is done and before the
  // starting side has taken its result back; they must leave the worker's things alone.
  std::atomic<bool> handedOut{false};

  void Start() {
    outcome.store(0, std::memory_order_relaxed);
    workerDone.store(0, std::memory_order_release);
  }
  void Finish(int result) {
    outcome.store(result, std::memory_order_relaxed);
    workerDone.store(1, std::memory_order_release);
  }
  bool Done() const { return workerDone.load(std::memory_order_acquire) == 1; }
  bool Succeeded() const { return Done() && outcome.load(std::memory_order_relaxed) == 0; }

  void RequestCancel() { cancelRequested.store(true, std::memory_order_release); }
  void ClearCancel() { cancelRequested.store(false, std::memory_order_release); }
  bool CancelRequested() const { return cancelRequested.load(std::memory_order_acquire); }
  bool HandedOut() const { return handedOut.load(std::memory_order_acquire); }
};

}  // namespace tollhaven
