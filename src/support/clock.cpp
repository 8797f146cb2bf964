#include "support/clock.h"

#include <chrono>
#include <thread>

#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace tollhaven {

uint32_t SystemClock::TickCount() {
  auto since = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

void SystemClock::Sleep(uint32_t milliseconds) {
#ifdef __linux__
  // Every handset command waits 1 ms before its answer is read; the default 50 us of timer slack
  // per wait adds up over a file list of thousands of commands.
  thread_local bool slackSet = false;
  if (!slackSet) {
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    slackSet = true;
  }
#endif
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
