// Reading a 1 MiB file through the mount: `cat` of the file on a FUSE mount of the simulated
// handset (served in this process on a thread of its own), against a direct DownloadWorker of the
// same file. Both run with the real clock, so every transaction waits its 1 ms before it reads
// the answer; the handset itself adds no latency. "direct_ms" is the download worker's time for
// the same file, measured between the cat runs; "vs_direct_pct" is how much longer the cat took
// (the target is at most 10). The mount is mounted once and its list loaded before timing.
#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/file_bytes.h"
#include "emulator/simulated_handset.h"
#include "emulator/transport/emulated_discovery.h"
#include "emulator/transport/emulated_transport.h"
#include "handset/handset.h"
#include "handset/transfer_workers.h"
#include "link/discovery.h"
#include "link/phone_link.h"
#include "mount/mount_program.h"
#include "support/clock.h"
#include "support/worker_signal.h"
#include "tests/mount/mount_point.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr uint32_t kFileSize = 1u << 20;
constexpr const char* kPath = "/a/bench.bin";
constexpr uint16_t kFileAttributes = 0x0021;

// Runs a program to its end; its exit status, or -1.
int RunProgram(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (std::string& arg : args) {
    argv.push_back(arg.data());
  }
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
    return -1;
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The simulated handset mounted on a temporary directory for as long as it lives.
class ServedMount {
 public:
  ServedMount() {
    sim.AddFile(kPath, FileBytes(kFileSize), kFileAttributes);
    sim.SetReceivedLimit(16);
    std::string pattern = (fs::temp_directory_path() / "bench_mount_XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
      return;
    }
    mountPoint = pattern;
    server_ = std::thread([this] {
      std::vector<std::string> args{"bench_mount_read", mountPoint.string(), "-f"};
      std::vector<char*> argv;
      for (std::string& arg : args) {
        argv.push_back(arg.data());
      }
      status_ = tollhaven::mount::RunMount(static_cast<int>(argv.size()), argv.data(), discovery,
                                           clock, errors_);
    });
    for (int i = 0; i < 500 && !IsMountPoint(mountPoint); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    mounted = IsMountPoint(mountPoint);
  }
  ~ServedMount() {
    if (IsMountPoint(mountPoint)) {
      RunProgram({"fusermount3", "-u", mountPoint.string()});
    }
    if (server_.joinable()) {
      server_.join();
    }
    std::error_code ignored;
    fs::remove(mountPoint, ignored);
  }

  tollhaven::SystemClock clock;
  p2ksim::SimulatedHandset sim;
  tollhaven::EmulatedDiscovery discovery{sim, clock};
  fs::path mountPoint;
  bool mounted = false;

 private:
  std::thread server_;
  std::ostringstream errors_;
  int status_ = 0;
};

// One direct download of the same file with the download worker; its wall time in seconds, or
// a negative value when it failed.
double DirectDownloadSeconds() {
  tollhaven::EventLog log;
  tollhaven::SystemClock clock;
  p2ksim::SimulatedHandset sim;
  sim.AddFile(kPath, FileBytes(kFileSize), kFileAttributes);
  tollhaven::PhoneLink link(log, clock);
  link.SetTransport(std::make_unique<tollhaven::EmulatedTransport>(sim, log, clock));
  tollhaven::Handset handset(link);
  tollhaven::TransferJob job;
  job.transferPath = kPath;
  job.transferAttr = kFileAttributes;
  job.downloadSize = kFileSize;
  job.transferBuffer.assign(kFileSize + 10, 0);
  tollhaven::WorkerSignal signal;
  const auto start = std::chrono::steady_clock::now();
  tollhaven::DownloadWorker(handset, job, signal);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return signal.Succeeded() ? seconds : -1;
}

void mount_read(benchmark::State& state) {
  ServedMount served;
  if (!served.mounted) {
    state.SkipWithError("no FUSE mount could be made (is /dev/fuse usable?)");
    return;
  }
  const std::string file = (served.mountPoint / "a" / "bench.bin").string();
  const std::string copy =
      (served.mountPoint.parent_path() / (served.mountPoint.filename().string() + ".copy"))
          .string();
  // The volume's list is loaded on first use: not part of reading the file.
  if (RunProgram({"sh", "-c", "ls '" + (served.mountPoint / "a").string() + "' > /dev/null"}) !=
      0) {
    state.SkipWithError("the mounted volume cannot be listed");
    return;
  }
  const std::vector<uint8_t> expected = FileBytes(kFileSize);
  double catSeconds = 0;
  double directSeconds = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const int status = RunProgram({"sh", "-c", "cat '" + file + "' > '" + copy + "'"});
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.SetIterationTime(seconds);
    catSeconds += seconds;

    state.PauseTiming();
    std::ifstream in(copy, std::ios::binary);
    const std::vector<uint8_t> got{std::istreambuf_iterator<char>(in), {}};
    const double direct = DirectDownloadSeconds();
    directSeconds += direct;
    state.ResumeTiming();
    if (status != 0 || got != expected || direct < 0) {
      state.SkipWithError("the file did not arrive whole through the mount or directly");
      break;
    }
  }
  std::error_code ignored;
  fs::remove(copy, ignored);
  const double iterations = static_cast<double>(state.iterations());
  if (iterations > 0 && directSeconds > 0) {
    state.counters["direct_ms"] = 1000.0 * directSeconds / iterations;
    state.counters["vs_direct_pct"] = 100.0 * (catSeconds - directSeconds) / directSeconds;
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kFileSize);
}
BENCHMARK(mount_read)->Unit(benchmark::kMillisecond)->Iterations(5)->UseManualTime();

}  // namespace
