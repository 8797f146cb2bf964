// One command transaction (send, poll, read) carrying a 1024-byte write block to the simulated
// handset with no latency. "Time" is wall time, including the 1 ms wait before the read; "CPU"
// is the processor time spent, the wait's system call included.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "emulator/simulated_handset.h"
#include "emulator/transport/emulated_transport.h"
#include "handset/handset.h"
#include "link/phone_link.h"

namespace {

void PutBig32(uint8_t* at, uint32_t value) {
  at[0] = static_cast<uint8_t>(value >> 24);
  at[1] = static_cast<uint8_t>(value >> 16);
  at[2] = static_cast<uint8_t>(value >> 8);
  at[3] = static_cast<uint8_t>(value);
}

template <typename ClockType>
void RoundTrips(benchmark::State& state) {
  tollhaven::EventLog log;
  ClockType clock;
  p2ksim::SimulatedHandset sim;
  // The file grows to 4 MiB between rewinds; the simulated handset's default 1 MiB free would
  // refuse the writes long before that.
  sim.SetFreeSpace(64u << 20);
  tollhaven::PhoneLink link(log, clock);
  link.SetTransport(std::make_unique<tollhaven::EmulatedTransport>(sim, log, clock));
  tollhaven::Handset handset(link);
  if (handset.PhoneOpen("/a/bench.bin", 4) != 0) {
    state.SkipWithError("open failed");
    return;
  }
  // Sub-command 2 (write), count 1024, then the block.
  std::vector<uint8_t> payload(8 + 1024, 0x5A);
  PutBig32(payload.data(), 2);
  PutBig32(payload.data() + 4, 1024);
  uint8_t answer[64];
  uint32_t answerLength = 0;
  int64_t rounds = 0;
  for (auto _ : state) {
    // Start each file anew now and then so the handset's file stays small.
    if (++rounds % 4096 == 0) {
      state.PauseTiming();
      handset.PhoneSeek(0, 0);
      state.ResumeTiming();
    }
    int result = link.Transact(0x004A, payload.data(), static_cast<uint32_t>(payload.size()),
                               answer, sizeof answer, answerLength);
    if (result != 0) {
      state.SkipWithError("transaction failed");
      break;
    }
    sim.ClearReceived();
  }
  state.SetItemsProcessed(state.iterations());
}
// With the real 1 ms wait before the read.
void transact_roundtrip(benchmark::State& state) {
  RoundTrips<tollhaven::SystemClock>(state);
}
BENCHMARK(transact_roundtrip)->Unit(benchmark::kMicrosecond);

// The same with waits that cost nothing: the transaction's own work alone.
void transact_roundtrip_no_wait(benchmark::State& state) {
  RoundTrips<tollhaven::ManualClock>(state);
}
BENCHMARK(transact_roundtrip_no_wait)->Unit(benchmark::kMicrosecond);

}  // namespace
