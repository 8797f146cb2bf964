// The paths the file system hands the mount, over the simulated handset.

#include <fcntl.h>
#include <fuzzer/FuzzedDataProvider.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "emulator/simulated_handset.h"
#include "emulator/transport/emulated_discovery.h"
#include "emulator/transport/emulated_transport.h"
#include "fuzz_temp.h"
#include "handset/handset_connection.h"
#include "link/discovery.h"
#include "mount/handset_mount.h"
#include "support/clock.h"
#include "support/event_log.h"
#include "support/settings.h"

using namespace tollhaven;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  static const std::filesystem::path spool = [] {
    const std::filesystem::path dir = fuzz::TempDirectory() / "spool";
    std::filesystem::create_directories(dir);
    return dir;
  }();
  FuzzedDataProvider input(data, size);
  ManualClock clock;
  p2ksim::SimulatedHandset sim;
  sim.AddFile("/a/keep.txt", {'k'});
  sim.AddFile("/a/mobile/x.mp3", {1, 2, 3}, 0x21, 0x16);
  sim.AddFile("/b/\xE9t\xE9.txt", {4});
  EmulatedDiscovery discovery(sim, clock);
  EventLog log;
  PhoneLink link(log, clock);
  Settings settings;
  HandsetConnection handset(link, settings);
  if (!handset.Connect(discovery)) {
    abort();
  }
  std::ostringstream err;
  mount::HandsetMount mount(handset, err, spool);

  while (input.remaining_bytes() > 0) {
    const std::string path = input.ConsumeRandomLengthString(120);
    const std::string other = input.ConsumeRandomLengthString(120);
    mount::MountNode node;
    std::vector<mount::MountDirEntry> entries;
    std::vector<std::string> names;
    std::string value;
    uint64_t handle = 0;
    switch (input.ConsumeIntegralInRange<int>(0, 10)) {
      case 0:
        mount.GetAttr(path, node);
        break;
      case 1:
        mount.ReadDir(path, entries);
        break;
      case 2:
        if (mount.Open(path, O_RDONLY, handle) == 0) {
          char buffer[64];
          mount.Read(handle, buffer, sizeof buffer, input.ConsumeIntegralInRange<off_t>(0, 8));
          mount.Release(handle);
        }
        break;
      case 3:
        if (mount.Create(path, handle) == 0) {
          mount.Write(handle, other.data(), other.size(), 0);
          mount.Release(handle);
        }
        break;
      case 4:
        mount.MakeDirectory(path);
        break;
      case 5:
        mount.RemoveDirectory(path);
        break;
      case 6:
        mount.Unlink(path);
        break;
      case 7:
        mount.Rename(path, other);
        break;
      case 8:
        mount.GetXattr(path, other, value);
        break;
      case 9:
        mount.SetXattr(path, input.ConsumeBool() ? mount::kAttributesAttribute : other, other);
        break;
      default:
        mount.ListXattr(path, names);
        break;
    }
  }
  return 0;
}
