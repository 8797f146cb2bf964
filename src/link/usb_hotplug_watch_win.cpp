// Windows has no libusb here: the handset is reached through the maker's driver, and arrivals are
// noticed by the front end's periodic search.

#include "link/usb_hotplug_watch.h"

namespace tollhaven {

std::unique_ptr<UsbHotplugWatch> UsbHotplugWatch::Start(uint16_t) {
  return nullptr;
}

UsbHotplugWatch::~UsbHotplugWatch() = default;

std::vector<int> UsbHotplugWatch::Descriptors() const {
  return {};
}

HotplugEvents UsbHotplugWatch::Take() {
  return {};
}

}  // namespace tollhaven
