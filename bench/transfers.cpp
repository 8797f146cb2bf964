// Moving a 1 MiB file through the upload and the download worker, to and from the simulated
// handset with no latency. Every transaction waits 1 ms before it reads its answer, so a
// transfer cannot beat one millisecond per transaction; "above_floor_pct" is how much longer it
// took than that floor. "cpu_us_per_block" is the processor time of the benchmark thread per
// 1024-byte block, taken with CLOCK_THREAD_CPUTIME_ID around the worker call alone: the worker
// runs on this thread and the simulated handset answers on it too, so it counts the client's
// framing and copying, the handset's side of every transfer, and the kernel time of entering
// and leaving each wait, but not the wait itself. The no-wait variants show the program's own
// work per block.
#include <benchmark/benchmark.h>

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <vector>

#include "bench/file_bytes.h"
#include "emulator/simulated_handset.h"
#include "emulator/transport/emulated_transport.h"
#include "handset/handset.h"
#include "handset/handset_files.h"
#include "handset/phone_file_list.h"
#include "handset/transfer_workers.h"
#include "link/phone_link.h"
#include "support/settings.h"
#include "support/worker_signal.h"

namespace {

constexpr uint32_t kFileSize = 1u << 20;
constexpr double kBlocksPerFile = kFileSize / 1024.0;
constexpr const char* kPath = "/a/bench.bin";
constexpr uint16_t kFileAttributes = 0x0021;

double ThreadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// A link to the simulated handset and the sums of the measured transfers.
template <typename ClockType>
struct TransferBench {
  TransferBench() {
    sim.SetReceivedLimit(16);
    link.SetTransport(std::make_unique<tollhaven::EmulatedTransport>(sim, log, clock));
  }

  // Runs one worker call, timed; false (with the benchmark skipped) when it failed or `arrived`
  // says the bytes did not.
  bool Measure(benchmark::State& state, const std::function<void(tollhaven::WorkerSignal&)>& run,
               const std::function<bool()>& arrived) {
    tollhaven::WorkerSignal signal;
    const uint16_t before = link.sequenceNumber;
    const double cpuStart = ThreadCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    run(signal);
    wallSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    cpuSeconds += ThreadCpuSeconds() - cpuStart;
    transactions += static_cast<uint16_t>(link.sequenceNumber - before);

    state.PauseTiming();
    const bool ok = signal.Succeeded() && arrived();
    sim.ClearReceived();
    state.ResumeTiming();
    if (!ok) {
      state.SkipWithError("the transfer failed or its bytes did not arrive");
    }
    return ok;
  }

  void Report(benchmark::State& state, bool realWaits) const {
    const double floorSeconds = transactions * 0.001;
    const double blocks = static_cast<double>(state.iterations()) * kBlocksPerFile;
    state.counters["transactions"] =
        benchmark::Counter(transactions, benchmark::Counter::kAvgIterations);
    state.counters["cpu_us_per_block"] = blocks > 0 ? cpuSeconds * 1e6 / blocks : 0;
    if (realWaits) {
      state.counters["above_floor_pct"] =
          floorSeconds > 0 ? 100.0 * (wallSeconds - floorSeconds) / floorSeconds : 0;
    } else {
      state.counters["wall_us_per_block"] = blocks > 0 ? wallSeconds * 1e6 / blocks : 0;
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kFileSize);
  }

  tollhaven::EventLog log;
  ClockType clock;
  p2ksim::SimulatedHandset sim;
  tollhaven::PhoneLink link{log, clock};
  tollhaven::Handset handset{link};
  const std::vector<uint8_t> bytes = FileBytes(kFileSize);
  double wallSeconds = 0;
  double cpuSeconds = 0;
  double transactions = 0;
};

template <typename ClockType>
void Upload(benchmark::State& state, bool realWaits) {
  TransferBench<ClockType> bench;
  tollhaven::TransferJob job;
  job.transferPath = kPath;
  job.uploadSize = kFileSize;
  job.transferBuffer = bench.bytes;
  job.transferBuffer.push_back(0);
  for (auto _ : state) {
    const bool ok = bench.Measure(
        state, [&](tollhaven::WorkerSignal& signal) { UploadWorker(bench.handset, job, signal); },
        [&] {
          const auto stored = bench.sim.File(kPath);
          return stored && stored->contents == bench.bytes;
        });
    if (!ok) {
      break;
    }
  }
  bench.Report(state, realWaits);
}

template <typename ClockType>
void Download(benchmark::State& state, bool realWaits) {
  TransferBench<ClockType> bench;
  bench.sim.AddFile(kPath, bench.bytes, kFileAttributes);
  tollhaven::TransferJob job;
  job.transferPath = kPath;
  job.transferAttr = kFileAttributes;
  job.downloadSize = kFileSize;
  for (auto _ : state) {
    // A fresh zero-filled buffer each time, so bytes left from the last run cannot pass the check.
    state.PauseTiming();
    job.transferBuffer.assign(kFileSize + 10, 0);
    state.ResumeTiming();
    const bool ok = bench.Measure(
        state, [&](tollhaven::WorkerSignal& signal) { DownloadWorker(bench.handset, job, signal); },
        [&] {
          return std::equal(bench.bytes.begin(), bench.bytes.end(), job.transferBuffer.begin()) &&
                 std::all_of(job.transferBuffer.begin() + kFileSize, job.transferBuffer.end(),
                             [](uint8_t byte) { return byte == 0; });
        });
    if (!ok) {
      break;
    }
  }
  bench.Report(state, realWaits);
}

// Replacing a 1 MiB file with another through the path every front end takes: the old file is
// read first (to be put back should the new one not arrive), deleted, and the new one written.
// Two local files take turns, so every run really changes the handset's bytes.
template <typename ClockType>
void Replace(benchmark::State& state, bool realWaits) {
  namespace fs = std::filesystem;
  TransferBench<ClockType> bench;
  bench.sim.AddFile(kPath, bench.bytes, kFileAttributes);
  std::vector<uint8_t> other = bench.bytes;
  std::reverse(other.begin(), other.end());
  const fs::path directory = fs::temp_directory_path() / "tollhaven-bench-replace";
  fs::create_directories(directory);
  const std::vector<uint8_t>* contents[] = {&other, &bench.bytes};
  const fs::path locals[] = {directory / "first.bin", directory / "second.bin"};
  for (int i = 0; i < 2; ++i) {
    std::ofstream(locals[i], std::ios::binary)
        .write(reinterpret_cast<const char*>(contents[i]->data()),
               static_cast<std::streamsize>(contents[i]->size()));
  }
  tollhaven::Settings settings;
  tollhaven::PhoneFileList list(bench.handset, settings);
  tollhaven::WorkerSignal listSignal;
  list.FileListWorker(listSignal);
  tollhaven::WorkerSignal signal;
  tollhaven::HandsetFiles files(list, bench.log, signal,
                                [](tollhaven::WorkerSignal& worker, std::function<void()> job) {
                                  job();
                                  return worker.outcome.load();
                                });
  int turn = 0;
  for (auto _ : state) {
    const int now = turn;
    turn ^= 1;
    const bool ok = bench.Measure(
        state,
        [&](tollhaven::WorkerSignal& measured) {
          const bool done = files.UploadTo(locals[now], kPath) == tollhaven::FileOutcome::Done;
          measured.Start();
          measured.Finish(done ? 0 : -1);
        },
        [&] {
          const auto stored = bench.sim.File(kPath);
          return stored && stored->contents == *contents[now];
        });
    if (!ok) {
      break;
    }
  }
  bench.Report(state, realWaits);
  fs::remove_all(directory);
}

void transfer_upload(benchmark::State& state) {
  Upload<tollhaven::SystemClock>(state, true);
}
BENCHMARK(transfer_upload)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void transfer_upload_no_wait(benchmark::State& state) {
  Upload<tollhaven::ManualClock>(state, false);
}
BENCHMARK(transfer_upload_no_wait)->Unit(benchmark::kMillisecond)->UseRealTime();

void transfer_download(benchmark::State& state) {
  Download<tollhaven::SystemClock>(state, true);
}
BENCHMARK(transfer_download)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void transfer_download_no_wait(benchmark::State& state) {
  Download<tollhaven::ManualClock>(state, false);
}
BENCHMARK(transfer_download_no_wait)->Unit(benchmark::kMillisecond)->UseRealTime();

void transfer_replace(benchmark::State& state) {
  Replace<tollhaven::SystemClock>(state, true);
}
BENCHMARK(transfer_replace)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace
