// A patch file: its lines as read, then run over the simulated handset.

#include <cstdint>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>

#include "emulator/simulated_handset.h"
#include "emulator/transport/emulated_transport.h"
#include "fuzz_temp.h"
#include "handset/handset_files.h"
#include "handset/patch_executor.h"
#include "handset/phone_file_list.h"
#include "support/clock.h"
#include "support/event_log.h"
#include "support/patch_file.h"
#include "support/progress_sink.h"
#include "support/settings.h"

using namespace tollhaven;

namespace {

// The patch's own directory, with files its "cp" lines can load.
const std::filesystem::path& PatchDirectory() {
  static const std::filesystem::path directory = [] {
    const std::filesystem::path dir = fuzz::TempDirectory() / "patch";
    std::filesystem::create_directories(dir / "skin");
    const uint8_t bytes[] = {'p', 'a', 't', 'c', 'h'};
    fuzz::WriteFile(dir / "a.txt", bytes, sizeof bytes);
    fuzz::WriteFile(dir / "skin" / "b.bin", bytes, 1);
    return dir;
  }();
  return directory;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::filesystem::path file = PatchDirectory() / "input.pat";
  fuzz::WriteFile(file, data, size);
  std::error_code error;
  const auto lines = ReadPatchFile(file, error);
  if (!lines) {
    return 0;
  }
  for (const std::string& line : *lines) {
    ParsePatchLine(line);
  }

  EventLog log;
  ManualClock clock;
  p2ksim::SimulatedHandset sim;
  sim.AddFile("/a/keep.txt", {'k'});
  sim.AddFile("/a/mobile/x.mp3", {1, 2, 3}, 0x21, 0x16);
  PhoneLink link(log, clock);
  link.SetTransport(std::make_unique<EmulatedTransport>(sim, log, clock));
  Handset handset(link);
  Settings settings;
  PhoneFileList list(handset, settings);
  WorkerSignal signal;
  list.FileListWorker(signal);
  HandsetFiles files(list, log, signal, [](WorkerSignal& worker, std::function<void()> job) {
    job();
    return worker.outcome.load();
  });
  NullProgress progress;
  PatchExecutor executor(files, log, progress, PatchDirectory());
  executor.Run(*lines);
  return 0;
}
