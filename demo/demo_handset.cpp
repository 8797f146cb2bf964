#include "demo/demo_handset.h"

#include "emulator/demo_seed.h"

namespace tollhaven {

std::unique_ptr<p2ksim::SimulatedHandset> MakeDemoHandset(std::chrono::microseconds latency) {
  auto handset = std::make_unique<p2ksim::SimulatedHandset>();
  p2ksim::SeedDemoFileSystem(*handset);
  handset->SetLatency(latency);
  return handset;
}

HandsetReach SimulatedReach(p2ksim::SimulatedHandset& handset, std::unique_ptr<Clock> clock) {
  auto discovery = std::make_unique<SimulatedDiscovery>(handset, *clock);
  return {std::move(discovery), std::move(clock)};
}

}  // namespace tollhaven
