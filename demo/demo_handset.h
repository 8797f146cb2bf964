#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "emulator/simulated_handset.h"
#include "link/discovery.h"
#include "support/clock.h"

namespace tollhaven {

class MainWindow;

// Finds the simulated handset as the platform's discovery finds a real one: there is no modem
// port to switch, and the test-command interface is the simulated handset itself. While
// `plugged` is false it finds nothing, like a computer with no handset attached.
class SimulatedDiscovery : public Discovery {
 public:
  SimulatedDiscovery(p2ksim::SimulatedHandset& handset, Clock& clock)
      : handset_(handset), clock_(clock) {}

  int FindModemPort(std::string& port) override;
  int SendModeSwitch(const std::string& port) override;
  FoundInterface OpenTestInterface(EventLog& log) override;

  bool plugged = true;

 private:
  p2ksim::SimulatedHandset& handset_;
  Clock& clock_;
};

// Each transfer of the demo handset takes this long, so that the wait dialog and the progress
// bar show while the file list loads and files travel.
inline constexpr std::chrono::microseconds kDemoTransferLatency{300};

// A simulated handset with the tree of a handset in daily use and the demo's latency.
std::unique_ptr<p2ksim::SimulatedHandset> MakeDemoHandset(
    std::chrono::microseconds latency = kDemoTransferLatency);

// Makes `window` reach `handset` instead of a USB handset, with `clock` for its waits. The
// handset must outlive the window.
SimulatedDiscovery& WireToSimulatedHandset(MainWindow& window, p2ksim::SimulatedHandset& handset,
                                           std::unique_ptr<Clock> clock);

}  // namespace tollhaven
