#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "link/usb_transport.h"

struct libusb_context;

namespace tollhaven {

// What the system reported about the watched devices since the last look.
struct HotplugEvents {
  bool arrived = false;
  std::vector<UsbDeviceAddress> departed;
  bool empty() const { return !arrived && departed.empty(); }
};

// Hears of the handset maker's USB devices arriving and leaving, through libusb's hot-plug
// events, so that an unplugged handset is noticed at once instead of after its silent commands,
// and a plugged one is searched for without waiting for the next search. Nothing runs on a
// thread of its own: the front end watches Descriptors() and calls Take() when one is readable
// (or whenever it likes), on the thread that uses the link.
class UsbHotplugWatch {
 public:
  // A watch for devices of `vendorId`; null where libusb has no hot-plug events or the
  // registration fails.
  static std::unique_ptr<UsbHotplugWatch> Start(uint16_t vendorId);
  ~UsbHotplugWatch();
  UsbHotplugWatch(const UsbHotplugWatch&) = delete;
  UsbHotplugWatch& operator=(const UsbHotplugWatch&) = delete;

  // File descriptors that become readable when libusb has events to hand out.
  std::vector<int> Descriptors() const;
  // Handles the pending events without waiting and gives what they said.
  HotplugEvents Take();

 private:
  UsbHotplugWatch() = default;

  libusb_context* context_ = nullptr;
  int callback_ = 0;
  bool registered_ = false;
  // Filled by libusb's callback, which runs inside Take.
  HotplugEvents events_;
};

}  // namespace tollhaven
