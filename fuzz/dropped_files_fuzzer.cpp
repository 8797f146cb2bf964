// Dropped and pasted file lists, past the part that is Qt's own (the URL list): the names of the
// local files as the handset gets them, each uploaded over the simulated handset, and the
// handset's names as a download stores them.

#include <fuzzer/FuzzedDataProvider.h>

#include <functional>
#include <memory>
#include <string>

#include "fuzz_temp.h"
#include "handset/handset_names.h"
#include "simulated_handset_files.h"

using namespace tollhaven;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  static const std::filesystem::path dropped = [] {
    const std::filesystem::path dir = fuzz::TempDirectory() / "dropped";
    std::filesystem::create_directories(dir);
    return dir;
  }();
  FuzzedDataProvider input(data, size);
  const std::string handsetDir = input.ConsumeRandomLengthString(40);

  fuzz::SimulatedHandsetFiles handset;
  handset.sim.AddFile("/a/keep.txt", {'k'});
  handset.Load();

  for (int i = input.ConsumeIntegralInRange<int>(1, 4); i > 0 && input.remaining_bytes() > 0; --i) {
    const std::string name = input.ConsumeRandomLengthString(300);
    // The bytes of a dropped file's name, and the handset name it becomes.
    const std::optional<std::string> handsetName = HandsetNameFromUtf8(name);
    if (handsetName) {
      JoinHandsetPath(handsetDir, *handsetName);
      if (HandsetNameFromUtf8(Utf8FromHandsetName(*handsetName)) != handsetName) {
        abort();
      }
    }
    // The same bytes as a name the handset lists: where a download would store it.
    if (IsSafeLocalName(name)) {
      const std::filesystem::path local = LocalPathForHandsetName(dropped, name);
      if (local.parent_path() != dropped) {
        abort();
      }
      Utf8FileName(local);
      const std::string contents = input.ConsumeRandomLengthString(64);
      fuzz::WriteFile(local, reinterpret_cast<const uint8_t*>(contents.data()), contents.size());
      handset.files.Upload(local, handsetDir);
      std::error_code ignored;
      std::filesystem::remove(local, ignored);
    }
  }
  return 0;
}
