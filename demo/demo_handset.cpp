#include "demo/demo_handset.h"

#include "app/main_window.h"
#include "emulator/demo_seed.h"
#include "panels/ui/handset_session.h"

namespace tollhaven {

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
