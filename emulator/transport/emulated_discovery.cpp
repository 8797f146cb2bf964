#include "emulator/transport/emulated_discovery.h"

#include "emulator/transport/emulated_transport.h"

namespace tollhaven {

int EmulatedDiscovery::FindModemPort(std::string&) {
  return -1;
}

int EmulatedDiscovery::SendModeSwitch(const std::string&) {
  return -1;
}

FoundInterface EmulatedDiscovery::OpenTestInterface(EventLog& log) {
  ++searches;
  FoundInterface found;
  if (plugged) {
    found.transport = MakeTransport(log);
    found.interfaceNumber = handset_.InterfaceNumber();
  }
  return found;
}

std::unique_ptr<UsbTransport> EmulatedDiscovery::MakeTransport(EventLog& log) {
  return std::make_unique<EmulatedTransport>(handset_, log, clock_);
}

}  // namespace tollhaven
