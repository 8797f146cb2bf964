#pragma once

#include <memory>
#include <vector>

#include "demo/demo_handset.h"
#include "emulator/simulated_handset.h"
#include "panels/ui/handset_session.h"
#include "support/clock.h"

namespace tollhaven::testing {

// A small handset: one volume with a few files, one of them two directories down.
inline void SeedSmallHandset(p2ksim::SimulatedHandset& handset) {
  handset.SetVolumes({"/a"});
  handset.AddFile("/a/ring.mp3", std::vector<uint8_t>(1234), 0x0020, 0x07);
  handset.AddFile("/a/odd.zzz", std::vector<uint8_t>(3));
  handset.AddFile("/a/audio/tune.mid", std::vector<uint8_t>(10));
  handset.AddFile("/a/audio/deeper/x.mp3", std::vector<uint8_t>(10));
}

inline constexpr int kListSubCommand = 0x08;

// How many file-list requests the handset has answered.
inline long CountListRequests(const p2ksim::SimulatedHandset& handset) {
  long requests = 0;
  for (const p2ksim::ReceivedCommand& command : handset.Received()) {
    requests += command.subCommand() == kListSubCommand ? 1 : 0;
  }
  return requests;
}

// The reach of `handset` on a manual clock, whose waits pass at once and add up; `discovery`
// and `clock` are pointed at the two it hands over.
inline HandsetReach ManualReach(p2ksim::SimulatedHandset& handset, SimulatedDiscovery*& discovery,
                                ManualClock*& clock) {
  auto ownClock = std::make_unique<ManualClock>();
  clock = ownClock.get();
  auto found = std::make_unique<SimulatedDiscovery>(handset, *clock);
  discovery = found.get();
  return {std::move(found), std::move(ownClock)};
}

}  // namespace tollhaven::testing
