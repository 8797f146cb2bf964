#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "link/usb_hotplug_watch.h"
#include "link/usb_transport.h"
#include "support/event_log.h"

namespace tollhaven {

// What the search for the test-command interface came up with.
struct FoundInterface {
  // The opened, claimed interface; null when none was found.
  std::unique_ptr<UsbTransport> transport;
  // Its interface number, which the control transfers carry as wIndex.
  uint16_t interfaceNumber = 0;
  // Nothing was opened, and a candidate was passed over because the user may not open it.
  bool accessDenied = false;
};

// The platform-bound half of connecting a handset: its modem port and its test-command
// interface. Each platform has its own implementation; Connect runs the sequence over it.
class Discovery {
 public:
  virtual ~Discovery() = default;

  // Looks for the handset's modem port. 0 and the port's device path in `port` when one is
  // present, -1 otherwise.
  virtual int FindModemPort(std::string& port) = 0;

  // Writes the mode-switch command to the port in one write. 0 when the write succeeded.
  virtual int SendModeSwitch(const std::string& port) = 0;

  // Finds the first interface named "Motorola Test Command", opens and claims it. Failures of
  // the transport go to `log` as the transport's own lines.
  virtual FoundInterface OpenTestInterface(EventLog& log) = 0;

  // Arrivals and departures of the devices this discovery finds, where the system reports them;
  // null where it does not (the front end's periodic search then finds a handset by itself).
  virtual std::unique_ptr<UsbHotplugWatch> WatchDevices() { return nullptr; }
};

// The command that makes the handset show its test-command interface.
inline constexpr char kModeSwitchCommand[] = "at+mode=8\r\n";
inline constexpr std::size_t kModeSwitchLength = sizeof(kModeSwitchCommand) - 1;
// The name of the interface the commands go to, compared exactly.
inline constexpr char kTestInterfaceName[] = "Motorola Test Command";

}  // namespace tollhaven
