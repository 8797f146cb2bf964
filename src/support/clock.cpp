#include "support/clock.h"

#include <chrono>
#include <thread>

namespace tollhaven {

uint32_t SystemClock::TickCount() {
  auto since = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

void SystemClock::Sleep(uint32_t milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

uint32_t ManualClock::TickCount() {
  return now_.load();
}

void ManualClock::Sleep(uint32_t milliseconds) {
  slept_ += milliseconds;
  now_ += milliseconds;
}

void ManualClock::Advance(uint32_t milliseconds) {
  now_ += milliseconds;
}

uint64_t ManualClock::TotalSlept() const {
  return slept_.load();
}

}  // namespace tollhaven
