#include "demo/demo_handset.h"

#include "app/main_window.h"
#include "emulator/demo_seed.h"
#include "emulator/transport/emulated_transport.h"
#include "panels/ui/handset_session.h"

namespace tollhaven {

int SimulatedDiscovery::FindModemPort(std::string&) {
  return -1;
}

int SimulatedDiscovery::SendModeSwitch(const std::string&) {
  return -1;
}

FoundInterface SimulatedDiscovery::OpenTestInterface(EventLog& log) {
  FoundInterface found;
  if (plugged) {
    found.transport = std::make_unique<EmulatedTransport>(handset_, log, clock_);
    found.interfaceNumber = handset_.InterfaceNumber();
  }
  return found;
}

std::unique_ptr<p2ksim::SimulatedHandset> MakeDemoHandset(std::chrono::microseconds latency) {
  auto handset = std::make_unique<p2ksim::SimulatedHandset>();
  p2ksim::SeedDemoFileSystem(*handset);
  handset->SetLatency(latency);
  return handset;
}

SimulatedDiscovery& WireToSimulatedHandset(MainWindow& window, p2ksim::SimulatedHandset& handset,
                                           std::unique_ptr<Clock> clock) {
  auto discovery = std::make_unique<SimulatedDiscovery>(handset, *clock);
  SimulatedDiscovery& found = *discovery;
  HandsetSession::Install(window, std::move(discovery), std::move(clock));
  return found;
}

}  // namespace tollhaven
