#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "emulator/simulated_handset.h"
#include "emulator/transport/emulated_discovery.h"
#include "link/discovery.h"
#include "panels/ui/handset_session.h"
#include "support/clock.h"

namespace tollhaven {

// The demo finds its simulated handset as the tests do.
using SimulatedDiscovery = EmulatedDiscovery;

// Each transfer of the demo handset takes this long, so that the wait dialog and the progress
// bar show while the file list loads and files travel.
inline constexpr std::chrono::microseconds kDemoTransferLatency{300};

// A simulated handset with the tree of a handset in daily use and the demo's latency.
std::unique_ptr<p2ksim::SimulatedHandset> MakeDemoHandset(
    std::chrono::microseconds latency = kDemoTransferLatency);

// The reach of `handset` in place of a USB handset, with `clock` for its waits. The handset must
// outlive the window that reaches it.
HandsetReach SimulatedReach(p2ksim::SimulatedHandset& handset, std::unique_ptr<Clock> clock);

}  // namespace tollhaven
