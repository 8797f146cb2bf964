#include "app/progress_bar.h"

#include <algorithm>

namespace tollhaven {

ProgressBar::ProgressBar(QWidget* parent) : QProgressBar(parent) {
  setRange(low_, high_);
  setValue(position_);
  setTextVisible(false);
}

void ProgressBar::SetRange(int low, int high) {
  std::lock_guard lock(mutex_);
  low_ = low;
  high_ = std::max(low, high);
  position_ = std::clamp(position_, low_, high_);
  Show(low_, high_, position_);
}

void ProgressBar::SetStep(int step) {
  std::lock_guard lock(mutex_);
  step_ = step;
}

void ProgressBar::SetPosition(int position) {
  std::lock_guard lock(mutex_);
  position_ = std::clamp(position, low_, high_);
  Show(low_, high_, position_);
}

void ProgressBar::StepIt() {
  std::lock_guard lock(mutex_);
  const long long next = static_cast<long long>(position_) + step_;
  position_ = (next > high_ || next < low_) ? low_ : static_cast<int>(next);
  Show(low_, high_, position_);
}

void ProgressBar::Show(int low, int high, int position) {
  QMetaObject::invokeMethod(
      this,
      [this, low, high, position] {
        setRange(low, high);
        setValue(position);
      },
      Qt::AutoConnection);
}

}  // namespace tollhaven
