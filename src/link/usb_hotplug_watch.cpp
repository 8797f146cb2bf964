#include "link/usb_hotplug_watch.h"

#include <libusb.h>

#include <utility>

namespace tollhaven {

namespace {

int LIBUSB_CALL OnEvent(libusb_context*, libusb_device* device, libusb_hotplug_event event,
                        void* events) {
  auto& seen = *static_cast<HotplugEvents*>(events);
  if (event == LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED) {
    seen.arrived = true;
  } else if (event == LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT) {
    seen.departed.push_back({libusb_get_bus_number(device), libusb_get_device_address(device)});
  }
  return 0;  // stay registered
}

}  // namespace

std::unique_ptr<UsbHotplugWatch> UsbHotplugWatch::Start(uint16_t vendorId) {
  if (libusb_has_capability(LIBUSB_CAP_HAS_HOTPLUG) == 0) {
    return nullptr;
  }
  std::unique_ptr<UsbHotplugWatch> watch(new UsbHotplugWatch());
  // A context of its own: its events are handled here only, and never interfere with the
  // transfers on the handset's device.
  if (libusb_init(&watch->context_) != LIBUSB_SUCCESS) {
    watch->context_ = nullptr;
    return nullptr;
  }
  libusb_hotplug_callback_handle handle = 0;
  int registered = libusb_hotplug_register_callback(
      watch->context_,
      static_cast<libusb_hotplug_event>(LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED |
                                        LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT),
      static_cast<libusb_hotplug_flag>(0), vendorId, LIBUSB_HOTPLUG_MATCH_ANY,
      LIBUSB_HOTPLUG_MATCH_ANY, &OnEvent, &watch->events_, &handle);
  if (registered != LIBUSB_SUCCESS) {
    return nullptr;
  }
  watch->callback_ = handle;
  watch->registered_ = true;
  return watch;
}

UsbHotplugWatch::~UsbHotplugWatch() {
  if (context_ == nullptr) {
    return;
  }
  if (registered_) {
    libusb_hotplug_deregister_callback(context_, callback_);
  }
  libusb_exit(context_);
}

std::vector<int> UsbHotplugWatch::Descriptors() const {
  std::vector<int> descriptors;
  const libusb_pollfd** polled = libusb_get_pollfds(context_);
  if (polled == nullptr) {
    return descriptors;
  }
  // Every one of them is read from: the event descriptor that the hot-plug messages wake, and
  // the timer's.
  for (const libusb_pollfd** at = polled; *at != nullptr; ++at) {
    descriptors.push_back((*at)->fd);
  }
  libusb_free_pollfds(polled);
  return descriptors;
}

HotplugEvents UsbHotplugWatch::Take() {
  timeval noWait{0, 0};
  libusb_handle_events_timeout_completed(context_, &noWait, nullptr);
  return std::exchange(events_, {});
}

}  // namespace tollhaven
