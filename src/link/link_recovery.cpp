#include "link/link_recovery.h"

#include <string>

#include "link/connect.h"

namespace tollhaven {

LinkRecovery::LinkRecovery(PhoneLink& link, Discovery& discovery)
    : link_(link), discovery_(discovery) {
  // This finds the handset again; until then nothing need wait for an answer from it.
  link_.failWhileLost = true;
}

LinkChange LinkRecovery::Lose() {
  link_.DropTransport();
  waiting_ = true;
  link_.log().AppendLog(
      "Handset disconnected. The file list is loaded again once the handset is back.");
  return LinkChange::Lost;
}

LinkChange LinkRecovery::DeviceLeft(const UsbDeviceAddress& device) {
  // Other devices of the maker come and go too, the handset's own modem device among them when
  // it switches to the test-command mode.
  if (link_.transport() == nullptr || link_.transport()->DeviceAddress() != device) {
    return LinkChange::None;
  }
  return Lose();
}

LinkChange LinkRecovery::Check() {
  if (link_.LinkLost()) {
    return Lose();
  }
  if (!waiting_) {
    return LinkChange::None;
  }
  // A handset that came back plugged in shows its modem port and needs the mode switch; one
  // that never left the test-command mode shows the interface at once. Only a handset that is
  // there gets the full Connect and its log line: the search runs every few moments and must
  // not fill the log while nothing is plugged in.
  std::string port;
  if (discovery_.FindModemPort(port) == 0) {
    Connect(link_, discovery_);
  } else {
    EventLog quiet;
    FoundInterface found = discovery_.OpenTestInterface(quiet);
    if (found.transport) {
      link_.SetTransport(std::move(found.transport));
      link_.testInterface = found.interfaceNumber;
      link_.handsetConnected = 1;
    }
  }
  if (link_.transport() == nullptr) {
    return LinkChange::None;
  }
  waiting_ = false;
  link_.silentTransactions = 0;
  link_.log().AppendLog("Handset connected again.");
  return LinkChange::Back;
}

}  // namespace tollhaven
