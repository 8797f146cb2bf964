// tollhaven-mount wired to the simulated handset, for the tests and nothing else: the handset's
// files come from a local directory, and faults are switched on by options and signals.
//
//   tollhaven-mount-sim [--seed DIR] [--volumes a,b] [--attribute PATH=WORD:OWNER]...
//                       [--fail-writes] [--real-clock] MOUNTPOINT [-f] [-o OPTIONS]
//
// --seed DIR     every file DIR/<volume>/... becomes /<volume>/... (UTF-8 names in Latin-1)
// --attribute    gives a seeded file (its mount path, e.g. /a/x.txt) an attribute word and owner
// --fail-writes  the handset refuses every write command
// --real-clock   real waits (the benchmark's setting); otherwise no wait takes time
// SIGUSR1        unplugs the handset: every transfer from then on fails
#include <signal.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "emulator/simulated_handset.h"
#include "emulator/transport/emulated_discovery.h"
#include "emulator/transport/emulated_transport.h"
#include "handset/handset_names.h"
#include "link/discovery.h"
#include "mount/mount_program.h"
#include "support/clock.h"

namespace {

std::atomic<bool> unplugRequested{false};

void OnUnplug(int) {
  unplugRequested.store(true);
}

// Passes every transfer on, after unplugging the handset once SIGUSR1 asked for it.
class UnpluggableTransport : public tollhaven::UsbTransport {
 public:
  UnpluggableTransport(p2ksim::SimulatedHandset& sim, tollhaven::EventLog& log,
                       tollhaven::Clock& clock)
      : sim_(sim), inner_(sim, log, clock) {}
  int UsbSend(const uint8_t* buffer, uint32_t& size) override {
    Check();
    return inner_.UsbSend(buffer, size);
  }
  int UsbReceive(uint8_t* buffer, std::size_t capacity, uint32_t& size) override {
    Check();
    return inner_.UsbReceive(buffer, capacity, size);
  }
  int UsbQueryName(uint16_t selector, std::string& name) override {
    return inner_.UsbQueryName(selector, name);
  }

 private:
  void Check() {
    if (unplugRequested.exchange(false)) {
      sim_.DisconnectAfter(0);
    }
  }
  p2ksim::SimulatedHandset& sim_;
  tollhaven::EmulatedTransport inner_;
};

class SimulatedMountDiscovery : public tollhaven::EmulatedDiscovery {
 public:
  using EmulatedDiscovery::EmulatedDiscovery;

 protected:
  std::unique_ptr<tollhaven::UsbTransport> MakeTransport(tollhaven::EventLog& log) override {
    return std::make_unique<UnpluggableTransport>(handset_, log, clock_);
  }
};

std::string HandsetBytes(const std::string& utf8) {
  const std::optional<std::string> latin1 = tollhaven::HandsetNameFromUtf8(utf8);
  return latin1 ? *latin1 : utf8;
}

void Seed(p2ksim::SimulatedHandset& sim, const std::filesystem::path& seed) {
  for (const auto& entry : std::filesystem::recursive_directory_iterator(seed)) {
    const std::string relative = entry.path().lexically_relative(seed).generic_string();
    const std::string path = HandsetBytes("/" + relative);
    if (entry.is_directory()) {
      if (relative.size() > 1) {
        sim.AddDirectory(path);
      }
      continue;
    }
    std::ifstream in(entry.path(), std::ios::binary);
    sim.AddFile(path, std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {}));
  }
}

// PATH=WORD:OWNER, both numbers hexadecimal.
bool SetAttribute(p2ksim::SimulatedHandset& sim, const std::string& spec) {
  const std::size_t equals = spec.find('=');
  const std::size_t colon = spec.find(':', equals);
  if (equals == std::string::npos || colon == std::string::npos) {
    return false;
  }
  const std::string path = HandsetBytes(spec.substr(0, equals));
  std::optional<p2ksim::SimFile> file = sim.File(path);
  if (!file) {
    return false;
  }
  const auto word = static_cast<uint16_t>(std::stoul(spec.substr(equals + 1), nullptr, 16));
  const auto owner = static_cast<uint8_t>(std::stoul(spec.substr(colon + 1), nullptr, 16));
  sim.AddFile(path, file->contents, word, owner);
  return true;
}

}  // namespace

int main(int argc, char* argv[]) {
  p2ksim::SimulatedHandset sim;
  // Room for the copies the tests make, unless a test asks for a fuller handset.
  sim.SetFreeSpace(64u << 20);
  bool realClock = false;
  std::vector<char*> rest{argv[0]};
  try {
    for (int i = 1; i < argc; ++i) {
      const std::string arg = argv[i];
      const bool hasValue = i + 1 < argc;
      if (arg == "--seed" && hasValue) {
        Seed(sim, argv[++i]);
      } else if (arg == "--volumes" && hasValue) {
        std::vector<std::string> volumes;
        for (char letter : std::string(argv[++i])) {
          if (letter != ',') {
            volumes.push_back(std::string("/") + letter);
          }
        }
        sim.SetVolumes(volumes);
      } else if (arg == "--attribute" && hasValue) {
        if (!SetAttribute(sim, argv[++i])) {
          std::cerr << "tollhaven-mount-sim: bad --attribute " << argv[i] << '\n';
          return 2;
        }
      } else if (arg == "--free-space" && hasValue) {
        sim.SetFreeSpace(static_cast<uint32_t>(std::stoul(argv[++i])));
      } else if (arg == "--ignore-case") {
        sim.SetCaseInsensitiveNames(true);
      } else if (arg == "--fail-writes") {
        sim.FailCommand(0x004A, 0x02, 0x0B);
      } else if (arg == "--real-clock") {
        realClock = true;
      } else {
        rest.push_back(argv[i]);
      }
    }
  } catch (const std::exception& error) {
    std::cerr << "tollhaven-mount-sim: " << error.what() << '\n';
    return 2;
  }
  struct sigaction action {};
  action.sa_handler = OnUnplug;
  sigemptyset(&action.sa_mask);
  sigaction(SIGUSR1, &action, nullptr);

  std::unique_ptr<tollhaven::Clock> clock;
  if (realClock) {
    clock = std::make_unique<tollhaven::SystemClock>();
  } else {
    clock = std::make_unique<tollhaven::ManualClock>();
  }
  SimulatedMountDiscovery discovery(sim, *clock);
  return tollhaven::mount::RunMount(static_cast<int>(rest.size()), rest.data(), discovery, *clock,
                                    std::cerr);
}
