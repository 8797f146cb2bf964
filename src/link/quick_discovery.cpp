#include "link/quick_discovery.h"

namespace tollhaven {

int QuickDiscovery::FindModemPort(std::string& port) {
  FoundInterface early = inner_.OpenTestInterface(log_);
  if (early.transport) {
    found_ = std::move(early);
    return -1;
  }
  return inner_.FindModemPort(port);
}

int QuickDiscovery::SendModeSwitch(const std::string& port) {
  return inner_.SendModeSwitch(port);
}

FoundInterface QuickDiscovery::OpenTestInterface(EventLog& log) {
  if (found_) {
    FoundInterface found = std::move(*found_);
    found_.reset();
    return found;
  }
  return inner_.OpenTestInterface(log);
}

}  // namespace tollhaven
