#pragma once

#include <atomic>
#include <cstdint>

namespace tollhaven {

// Milliseconds and waits go through this seam so the long handset waits (40 s answer limit,
// 5 s after a mode switch) can be exercised without waiting for them.
class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds since an arbitrary start; wraps at 32 bits like a tick count.
  virtual uint32_t TickCount() = 0;
  virtual void Sleep(uint32_t milliseconds) = 0;
};

// The real clock: a monotonic tick count and real sleeps.
class SystemClock : public Clock {
 public:
  uint32_t TickCount() override;
  void Sleep(uint32_t milliseconds) override;
};

// A clock that only moves when told to: Sleep advances it at once. Thread-safe.
class ManualClock : public Clock {
 public:
  explicit ManualClock(uint32_t start = 0) : now_(start) {}
  uint32_t TickCount() override;
  void Sleep(uint32_t milliseconds) override;
  void Advance(uint32_t milliseconds);
  // Total of all Sleep calls, to check that a wait happened (or did not).
  uint64_t TotalSlept() const;

 private:
  std::atomic<uint32_t> now_;
  std::atomic<uint64_t> slept_{0};
};

}  // namespace tollhaven
