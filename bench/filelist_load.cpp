// Loading the file list of 5 000 files, one entry per chunk, from the simulated handset with no
// latency. Every transaction waits 1 ms before it reads its answer, so the load cannot beat one
// millisecond per transaction; "above_floor_pct" is how much longer it took than that floor,
// "us_per_entry" the wall time per file. The no-wait variant shows the program's own work.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "emulator/simulated_handset.h"
#include "emulator/transport/emulated_transport.h"
#include "handset/handset.h"
#include "handset/phone_file_list.h"
#include "link/phone_link.h"
#include "support/settings.h"
#include "support/worker_signal.h"

namespace {

constexpr int kFiles = 5000;

template <typename ClockType>
void LoadList(benchmark::State& state, bool realWaits) {
  tollhaven::EventLog log;
  ClockType clock;
  p2ksim::SimulatedHandset sim;
  for (int i = 0; i < kFiles; ++i) {
    char path[64];
    std::snprintf(path, sizeof path, "/a/mobile/audio/track%05d.mp3", i);
    sim.AddFile(path, {}, 0x20, 0x07);
  }
  tollhaven::PhoneLink link(log, clock);
  link.SetTransport(std::make_unique<tollhaven::EmulatedTransport>(sim, log, clock));
  tollhaven::Handset handset(link);
  tollhaven::Settings settings;
  tollhaven::PhoneFileList list(handset, settings);

  double wallSeconds = 0;
  double transactions = 0;
  for (auto _ : state) {
    tollhaven::WorkerSignal signal;
    const uint16_t before = link.sequenceNumber;
    const auto start = std::chrono::steady_clock::now();
    list.FileListWorker(signal);
    wallSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    transactions += static_cast<uint16_t>(link.sequenceNumber - before);
    if (list.fileCount != kFiles) {
      state.SkipWithError("the load did not bring every file");
      break;
    }
    sim.ClearReceived();
  }
  const double floorSeconds = transactions * 0.001;
  const double entries = static_cast<double>(state.iterations()) * kFiles;
  state.counters["transactions"] =
      benchmark::Counter(transactions, benchmark::Counter::kAvgIterations);
  state.counters["us_per_entry"] = entries > 0 ? wallSeconds * 1e6 / entries : 0;
  if (realWaits) {
    state.counters["above_floor_pct"] =
        floorSeconds > 0 ? 100.0 * (wallSeconds - floorSeconds) / floorSeconds : 0;
  }
  state.SetItemsProcessed(static_cast<int64_t>(entries));
}

void filelist_load(benchmark::State& state) {
  LoadList<tollhaven::SystemClock>(state, true);
}
BENCHMARK(filelist_load)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void filelist_load_no_wait(benchmark::State& state) {
  LoadList<tollhaven::ManualClock>(state, false);
}
BENCHMARK(filelist_load_no_wait)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
