// A whole-handset backup with tollhaven-cli's backup command: 2 000 files, 20 MiB, from the
// simulated handset with no latency and the real clock. Every transaction waits 1 ms before it
// reads its answer, so the backup cannot beat one millisecond per transaction: "floor_s" is that
// bound (transactions counted at the transport, one send per transaction), "above_floor_pct" how
// much longer the backup took. "peak_rss_growth_kib" is how far the process's peak resident
// size rose during the backup (the simulated handset's 20 MiB of files are in memory before it
// starts); it should stay near the largest file (1 MiB here), not the total.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "emulator/simulated_handset.h"
#include "emulator/transport/emulated_discovery.h"
#include "emulator/transport/emulated_transport.h"
#include "link/discovery.h"
#include "link/phone_link.h"
#include "support/clock.h"
#include "support/event_log.h"

namespace {

namespace fs = std::filesystem;

constexpr int kFiles = 2000;
constexpr std::size_t kTotalBytes = 20u << 20;
constexpr std::size_t kLargestFile = 1u << 20;

// Counts the commands sent: one per transaction.
class CountingTransport : public tollhaven::UsbTransport {
 public:
  CountingTransport(std::unique_ptr<tollhaven::UsbTransport> inner, uint64_t& sends)
      : inner_(std::move(inner)), sends_(sends) {}
  int UsbSend(const uint8_t* buffer, uint32_t& size) override {
    ++sends_;
    return inner_->UsbSend(buffer, size);
  }
  int UsbReceive(uint8_t* buffer, std::size_t capacity, uint32_t& size) override {
    return inner_->UsbReceive(buffer, capacity, size);
  }
  int UsbQueryName(uint16_t selector, std::string& name) override {
    return inner_->UsbQueryName(selector, name);
  }

 private:
  std::unique_ptr<tollhaven::UsbTransport> inner_;
  uint64_t& sends_;
};

// Counts every command sent to the handset.
class BenchDiscovery : public tollhaven::EmulatedDiscovery {
 public:
  BenchDiscovery(p2ksim::SimulatedHandset& sim, tollhaven::Clock& clock, uint64_t& sends)
      : EmulatedDiscovery(sim, clock), sends_(sends) {}

 protected:
  std::unique_ptr<tollhaven::UsbTransport> MakeTransport(tollhaven::EventLog& log) override {
    return std::make_unique<CountingTransport>(EmulatedDiscovery::MakeTransport(log), sends_);
  }

 private:
  uint64_t& sends_;
};

// 2 000 files in 20 directories: one of 1 MiB, the rest sharing what is left of 20 MiB.
void Seed(p2ksim::SimulatedHandset& sim) {
  const std::size_t rest = (kTotalBytes - kLargestFile) / (kFiles - 1);
  uint32_t state = 0x2545F491u;
  for (int i = 0; i < kFiles; ++i) {
    std::vector<uint8_t> bytes(i == 0 ? kLargestFile : rest);
    for (auto& byte : bytes) {
      state ^= state << 13;
      state ^= state >> 17;
      state ^= state << 5;
      byte = static_cast<uint8_t>(state >> 11);
    }
    sim.AddFile("/a/dir" + std::to_string(i % 20) + "/file" + std::to_string(i) + ".bin",
                std::move(bytes), static_cast<uint16_t>(i % 3 == 0 ? 0x21 : 0x04));
  }
}

long PeakRssKib() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

void backup_handset(benchmark::State& state) {
  p2ksim::SimulatedHandset sim;
  sim.SetReceivedLimit(16);
  Seed(sim);
  const fs::path directory = fs::temp_directory_path() / "tollhaven_bench_backup";
  double wall = 0;
  uint64_t transactions = 0;
  long rssGrowth = 0;
  for (auto _ : state) {
    state.PauseTiming();
    fs::remove_all(directory);
    tollhaven::EventLog log;
    tollhaven::SystemClock clock;
    tollhaven::PhoneLink link(log, clock);
    uint64_t sends = 0;
    BenchDiscovery discovery(sim, clock, sends);
    std::ostringstream out;
    std::ostringstream err;
    tollhaven::cli::CliEnvironment env(link, discovery, out, err);
    const long rssBefore = PeakRssKib();
    state.ResumeTiming();

    const auto started = std::chrono::steady_clock::now();
    const int status = tollhaven::cli::RunCli({"-q", "backup", directory.string()}, env);
    wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    state.PauseTiming();
    if (status != 0) {
      state.SkipWithError(("backup failed: " + err.str()).c_str());
    }
    transactions += sends;
    rssGrowth = std::max(rssGrowth, PeakRssKib() - rssBefore);
    state.ResumeTiming();
  }
  fs::remove_all(directory);
  const double floor = static_cast<double>(transactions) / 1000.0;
  state.counters["transactions"] = static_cast<double>(transactions) / state.iterations();
  state.counters["wall_s"] = wall / state.iterations();
  state.counters["floor_s"] = floor / state.iterations();
  state.counters["above_floor_pct"] = floor > 0 ? (wall / floor - 1.0) * 100.0 : 0;
  state.counters["peak_rss_growth_kib"] = static_cast<double>(rssGrowth);
  state.counters["largest_file_kib"] = static_cast<double>(kLargestFile / 1024);
  state.counters["total_kib"] = static_cast<double>(kTotalBytes / 1024);
}

BENCHMARK(backup_handset)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
