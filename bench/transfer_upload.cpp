// Uploading a 1 MiB file through the upload worker to the simulated handset with no latency.
// Every transaction waits 1 ms before it reads its answer, so the upload cannot beat one
// millisecond per transaction; "above_floor_pct" is how much longer it took than that floor.
// "cpu_us_per_block" is the processor time of the benchmark thread per 1024-byte block, taken
// with CLOCK_THREAD_CPUTIME_ID around the worker call alone: the worker runs on this thread and
// the simulated handset answers on it too, so it counts the client's framing and copying, the
// handset's side of every transfer, and the kernel time of entering and leaving each wait, but
// not the wait itself. The no-wait variant shows the program's own work per block.
#include <benchmark/benchmark.h>

#include <time.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

#include "emulator/simulated_handset.h"
#include "emulator/transport/emulated_transport.h"
#include "handset/handset.h"
#include "handset/transfer_workers.h"
#include "link/phone_link.h"
#include "support/worker_signal.h"

namespace {

constexpr uint32_t kFileSize = 1u << 20;
constexpr double kBlocksPerFile = kFileSize / 1024.0;
constexpr const char* kPath = "/a/bench.bin";

// A pattern with no short period, so a block sent twice or out of order does not compare equal.
std::vector<uint8_t> FileBytes() {
  std::vector<uint8_t> bytes(kFileSize);
  uint32_t state = 0x2545F491u;
  for (auto& byte : bytes) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    byte = static_cast<uint8_t>(state >> 11);
  }
  return bytes;
}

double ThreadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

template <typename ClockType>
void Upload(benchmark::State& state, bool realWaits) {
  tollhaven::EventLog log;
  ClockType clock;
  p2ksim::SimulatedHandset sim;
  sim.SetReceivedLimit(16);
  tollhaven::PhoneLink link(log, clock);
  link.SetTransport(std::make_unique<tollhaven::EmulatedTransport>(sim, log, clock));
  tollhaven::Handset handset(link);

  const std::vector<uint8_t> bytes = FileBytes();
  tollhaven::TransferJob job;
  job.transferPath = kPath;
  job.uploadSize = kFileSize;
  job.transferBuffer = bytes;
  job.transferBuffer.push_back(0);

  double wallSeconds = 0;
  double cpuSeconds = 0;
  double transactions = 0;
  for (auto _ : state) {
    tollhaven::WorkerSignal signal;
    const uint16_t before = link.sequenceNumber;
    const double cpuStart = ThreadCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    tollhaven::UploadWorker(handset, job, signal);
    wallSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    cpuSeconds += ThreadCpuSeconds() - cpuStart;
    transactions += static_cast<uint16_t>(link.sequenceNumber - before);

    state.PauseTiming();
    const auto stored = sim.File(kPath);
    const bool arrived = stored && stored->contents == bytes;
    sim.ClearReceived();
    state.ResumeTiming();
    if (!signal.Succeeded()) {
      state.SkipWithError("the upload worker reported a failure");
      break;
    }
    if (!arrived) {
      state.SkipWithError("the handset's file does not hold the uploaded bytes");
      break;
    }
  }
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

void transfer_upload(benchmark::State& state) {
  Upload<tollhaven::SystemClock>(state, true);
}
BENCHMARK(transfer_upload)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void transfer_upload_no_wait(benchmark::State& state) {
  Upload<tollhaven::ManualClock>(state, false);
}
BENCHMARK(transfer_upload_no_wait)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
