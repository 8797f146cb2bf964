#pragma once

namespace tollhaven {

// The progress bar as the handset layers see it. Workers call it from their own thread; the
// user interface marshals the calls to its thread.
class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  virtual void SetRange(int low, int high) = 0;
  virtual void SetStep(int step) = 0;
  virtual void SetPosition(int position) = 0;
  virtual void StepIt() = 0;
};

// For callers that show no progress.
class NullProgress : public ProgressSink {
 public:
  void SetRange(int, int) override {}
  void SetStep(int) override {}
  void SetPosition(int) override {}
  void StepIt() override {}
};

// The one sink of callers that show no progress; it keeps no state, so every thread may share it.
inline NullProgress& NoProgress() {
  static NullProgress none;
  return none;
}

}  // namespace tollhaven
