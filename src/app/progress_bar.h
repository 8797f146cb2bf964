#pragma once

#include <QProgressBar>
#include <mutex>

#include "support/progress_sink.h"

namespace tollhaven {

// The transfer progress bar. Workers drive it from their own thread: the position is kept here
// under a lock, and each change reaches the widget on its thread in the order it was made.
class ProgressBar : public QProgressBar, public ProgressSink {
  Q_OBJECT

 public:
  explicit ProgressBar(QWidget* parent = nullptr);

  void SetRange(int low, int high) override;
  void SetStep(int step) override;
  void SetPosition(int position) override;
  // Advances by the step; past the upper end it starts again from the lower end.
  void StepIt() override;

 private:
  void Show(int low, int high, int position);

  std::mutex mutex_;
  int low_ = 0;
  int high_ = 100;
  int step_ = 10;
  int position_ = 0;
};

}  // namespace tollhaven
