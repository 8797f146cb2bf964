// Building one handset directory view from the cached file list: fillHandsetPanel over a list of
// N entries of which a quarter (5 000 of 20 000) lie in the directory shown, the rest in others.
// The list is fetched once from the simulated handset; each iteration rebuilds the rows from
// memory, as every panel fill does. "handset_fill" is the fill alone, "handset_fill_sorted" the
// fill and the name sort the panel runs after it. The complexity line fits the times against N.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "emulator/simulated_handset.h"
#include "emulator/transport/emulated_transport.h"
#include "handset/handset.h"
#include "handset/phone_file_list.h"
#include "link/phone_link.h"
#include "panels/handset_view.h"
#include "panels/row_order.h"
#include "support/settings.h"
#include "support/worker_signal.h"

namespace {

using namespace tollhaven;

// The user interface keeps one icon per sample entry; a lookup is a table hit.
struct FewIcons : HandsetIcons {
  int ParentRowIcon() override { return 0; }
  int TemplateIcon(std::string_view name) override { return name == "_.jpg" ? 7 : -1; }
};

struct LoadedList {
  explicit LoadedList(int entries) {
    link.SetTransport(std::make_unique<EmulatedTransport>(sim, log, clock));
    // Chunks as a handset sends them: they must fit the client's 4 KiB answer area.
    sim.SetEntriesPerChunk(10);
    const int shown = entries / 4;
    for (int i = 0; i < entries; ++i) {
      const std::string path = i < shown ? "/a/mobile/picture/photo" + std::to_string(i) + ".jpg"
                                         : "/a/mobile/audio/set" + std::to_string(i % 40) +
                                               "/tune" + std::to_string(i) + ".mp3";
      sim.AddFile(path, {}, 0x0020, 0x07);
    }
    WorkerSignal signal;
    std::thread worker([&] { list.FileListWorker(signal); });
    worker.join();
  }

  EventLog log;
  ManualClock clock;
  p2ksim::SimulatedHandset sim;
  PhoneLink link{log, clock};
  Handset handset{link};
  Settings settings;
  PhoneFileList list{handset, settings};
};

template <bool kSorted>
void Fill(benchmark::State& state) {
  const int entries = static_cast<int>(state.range(0));
  LoadedList loaded(entries);
  if (loaded.list.fileCount != static_cast<uint32_t>(entries)) {
    state.SkipWithError("the list did not load whole");
    return;
  }
  FewIcons icons;
  std::vector<PanelRow> rows;
  for (auto _ : state) {
    fillHandsetPanel({kLeftSide, "/a/mobile/picture/", true, false}, loaded.list, icons, {}, rows);
    if (kSorted) {
      sortPanel(rows, kNameAscending, CompareNamesIgnoringCase);
    }
    benchmark::DoNotOptimize(rows.data());
  }
  if (rows.size() != static_cast<std::size_t>(entries / 4 + 1)) {
    state.SkipWithError("wrong number of rows");
  }
  state.counters["rows"] = static_cast<double>(rows.size());
  state.SetComplexityN(entries);
}

void handset_fill(benchmark::State& state) {
  Fill<false>(state);
}
void handset_fill_sorted(benchmark::State& state) {
  Fill<true>(state);
}

BENCHMARK(handset_fill)
    ->Arg(10000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
BENCHMARK(handset_fill_sorted)
    ->Arg(10000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace
