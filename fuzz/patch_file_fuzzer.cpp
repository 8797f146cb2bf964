// A patch file: its lines as read, then run over the simulated handset.

#include <cstdint>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>

#include "fuzz_temp.h"
#include "handset/patch_executor.h"
#include "simulated_handset_files.h"
#include "support/patch_file.h"
#include "support/progress_sink.h"

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

  fuzz::SimulatedHandsetFiles handset;
  handset.sim.AddFile("/a/keep.txt", {'k'});
  handset.sim.AddFile("/a/mobile/x.mp3", {1, 2, 3}, 0x21, 0x16);
  handset.Load();
  NullProgress progress;
  PatchExecutor executor(handset.files, handset.log, progress, PatchDirectory());
  executor.Run(*lines);
  return 0;
}
