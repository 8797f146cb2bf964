#pragma once

#include <atomic>

#include "support/progress_sink.h"

namespace tollhaven {

// Who watches one handset operation: the progress bar its blocks step, and the stop request it
// looks at before each block. Whoever runs the operation builds one for it and passes it along
// with the call; nothing of it stays behind on the handset afterwards. The default shows no
// progress and is never cancelled.
class OperationObserver {
 public:
  OperationObserver() = default;
  // `cancel` null: the operation runs to its end whatever is pressed meanwhile.
  explicit OperationObserver(ProgressSink& progress, const std::atomic<bool>* cancel = nullptr)
      : progress_(&progress), cancel_(cancel) {}

  ProgressSink& progress() const { return *progress_; }
  bool Cancelled() const { return cancel_ != nullptr && cancel_->load(std::memory_order_acquire); }

 private:
  ProgressSink* progress_ = &NoProgress();
  const std::atomic<bool>* cancel_ = nullptr;
};

}  // namespace tollhaven
