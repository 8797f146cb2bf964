// 200 records added to a cached list of 20 000 entries (268 bytes each, as loaded from the
// simulated handset), as a long upload of many files does.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "emulator/simulated_handset.h"
#include "emulator/transport/emulated_transport.h"
#include "handset/handset.h"
#include "handset/phone_file_list.h"
#include "link/phone_link.h"
#include "support/settings.h"
#include "support/worker_signal.h"

namespace {

constexpr int kLoaded = 20000;
constexpr int kAdds = 200;

void cached_add(benchmark::State& state) {
  tollhaven::EventLog log;
  tollhaven::ManualClock clock;
  p2ksim::SimulatedHandset sim;
  for (int i = 0; i < kLoaded; ++i) {
    char path[64];
    std::snprintf(path, sizeof path, "/a/mobile/picture/photo%05d.jpg", i);
    sim.AddFile(path, {});
  }
  tollhaven::PhoneLink link(log, clock);
  link.SetTransport(std::make_unique<tollhaven::EmulatedTransport>(sim, log, clock));
  tollhaven::Handset handset(link);
  tollhaven::Settings settings;
  tollhaven::PhoneFileList list(handset, settings);
  tollhaven::WorkerSignal signal;
  list.FileListWorker(signal);
  if (list.fileCount != kLoaded) {
    state.SkipWithError("the load did not bring every file");
    return;
  }
  const std::vector<uint8_t> loaded = list.phoneFileList;
  const std::size_t writePosition = list.writePosition;

  std::vector<std::string> paths;
  for (int i = 0; i < kAdds; ++i) {
    paths.push_back("/a/mobile/audio/upload" + std::to_string(i) + ".mp3");
  }

  for (auto _ : state) {
    state.PauseTiming();
    list.phoneFileList = loaded;
    list.writePosition = writePosition;
    list.fileCount = kLoaded;
    list.handsetFileCount = kLoaded;
    state.ResumeTiming();
    for (const std::string& path : paths) {
      list.AddCachedFileRecord(path, 1000);
    }
    benchmark::DoNotOptimize(list.phoneFileList.data());
  }
  if (list.fileCount != kLoaded + kAdds) {
    state.SkipWithError("a record was not added");
  }
  state.SetItemsProcessed(state.iterations() * kAdds);
}
BENCHMARK(cached_add)->Unit(benchmark::kMillisecond);

}  // namespace
