#pragma once

#include <memory>
#include <string>

#include "emulator/simulated_handset.h"
#include "link/discovery.h"
#include "support/clock.h"

namespace tollhaven {

// Finds an in-process simulated handset as the platform's discovery finds a real one: there is
// no modem port to switch, and the test-command interface is the simulated handset itself. While
// `plugged` is false it finds nothing, like a computer with no handset attached.
class EmulatedDiscovery : public Discovery {
 public:
  EmulatedDiscovery(p2ksim::SimulatedHandset& handset, Clock& clock)
      : handset_(handset), clock_(clock) {}

  int FindModemPort(std::string& port) override;
  int SendModeSwitch(const std::string& port) override;
  FoundInterface OpenTestInterface(EventLog& log) override;

  bool plugged = true;
  // How often the interface was looked for.
  int searches = 0;

 protected:
  // The transport to the handset; a variant may wrap it to watch or disturb the transfers.
  virtual std::unique_ptr<UsbTransport> MakeTransport(EventLog& log);

  p2ksim::SimulatedHandset& handset_;
  Clock& clock_;
};

}  // namespace tollhaven
