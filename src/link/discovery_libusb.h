#pragma once

#include <libusb.h>

#include <memory>

#include "link/discovery_linux.h"
#include "link/libusb_transport.h"

namespace tollhaven {

// Opens interfaces through libusb, finding the device by its bus number and address. The libusb
// context is made on first use and lives as long as this opener or any transport it made.
class LibusbInterfaceOpener : public UsbInterfaceOpener {
 public:
  explicit LibusbInterfaceOpener(LibusbTimeouts timeouts = {}) : timeouts_(timeouts) {}

  Outcome OpenAndClaim(const UsbInterfaceEntry& entry, EventLog& log,
                       std::unique_ptr<UsbTransport>& transport) override;
  Outcome OpenIfNamed(const UsbInterfaceEntry& entry, std::string_view wanted, EventLog& log,
                      std::unique_ptr<UsbTransport>& transport) override;

 private:
  // The device at the entry's bus and address, referenced; null when there is none.
  libusb_device* FindDevice(const UsbInterfaceEntry& entry);
  // Opens the device; with `onlyWithName`, only when the interface has a name string.
  Outcome Open(const UsbInterfaceEntry& entry, bool onlyWithName, EventLog& log,
               std::unique_ptr<LibusbTransport>& transport);
  Outcome Claim(std::unique_ptr<LibusbTransport>& opened, std::unique_ptr<UsbTransport>& transport);

  LibusbTimeouts timeouts_;
  std::shared_ptr<libusb_context> context_;
};

}  // namespace tollhaven
