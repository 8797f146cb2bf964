#include "link/discovery_libusb.h"

#include <string>

namespace tollhaven {

namespace {

UsbInterfaceOpener::Outcome OutcomeOf(int libusbError) {
  return libusbError == LIBUSB_ERROR_ACCESS ? UsbInterfaceOpener::Outcome::AccessDenied
                                            : UsbInterfaceOpener::Outcome::Failed;
}

// Whether the interface has a name string, from the descriptors the system keeps: no need to
// open the device for that.
bool HasNameString(libusb_device* device, uint8_t interfaceNumber) {
  libusb_config_descriptor* config = nullptr;
  if (libusb_get_active_config_descriptor(device, &config) != LIBUSB_SUCCESS) {
    return true;  // cannot tell without asking the device
  }
  bool named = false;
  for (int i = 0; i < config->bNumInterfaces; ++i) {
    const libusb_interface& interface = config->interface[i];
    if (interface.num_altsetting > 0 &&
        interface.altsetting[0].bInterfaceNumber == interfaceNumber) {
      named = interface.altsetting[0].iInterface != 0;
    }
  }
  libusb_free_config_descriptor(config);
  return named;
}

}  // namespace

libusb_device* LibusbInterfaceOpener::FindDevice(const UsbInterfaceEntry& entry) {
  if (!context_) {
    libusb_context* context = nullptr;
    if (libusb_init(&context) != LIBUSB_SUCCESS) {
      return nullptr;
    }
    context_.reset(context, libusb_exit);
  }
  libusb_device** devices = nullptr;
  ssize_t count = libusb_get_device_list(context_.get(), &devices);
  if (count < 0) {
    return nullptr;
  }
  libusb_device* found = nullptr;
  for (ssize_t i = 0; i < count && found == nullptr; ++i) {
    if (libusb_get_bus_number(devices[i]) == entry.busNumber &&
        libusb_get_device_address(devices[i]) == entry.deviceAddress) {
      found = libusb_ref_device(devices[i]);
    }
  }
  libusb_free_device_list(devices, 1);
  return found;
}

UsbInterfaceOpener::Outcome LibusbInterfaceOpener::Open(
    const UsbInterfaceEntry& entry, bool onlyWithName, EventLog& log,
    std::unique_ptr<LibusbTransport>& transport) {
  libusb_device* device = FindDevice(entry);
  if (device == nullptr) {
    return Outcome::Failed;
  }
  if (onlyWithName && !HasNameString(device, entry.interfaceNumber)) {
    libusb_unref_device(device);
    return Outcome::NotMatching;
  }
  libusb_device_handle* handle = nullptr;
  int opened = libusb_open(device, &handle);
  libusb_unref_device(device);
  if (opened != LIBUSB_SUCCESS) {
    return OutcomeOf(opened);
  }
  transport =
      std::make_unique<LibusbTransport>(context_, handle, entry.interfaceNumber, log, timeouts_);
  return Outcome::Opened;
}

UsbInterfaceOpener::Outcome LibusbInterfaceOpener::Claim(std::unique_ptr<LibusbTransport>& opened,
                                                         std::unique_ptr<UsbTransport>& transport) {
  int claimed = opened->Claim();
  if (claimed != LIBUSB_SUCCESS) {
    opened.reset();
    return OutcomeOf(claimed);
  }
  transport = std::move(opened);
  return Outcome::Opened;
}

UsbInterfaceOpener::Outcome LibusbInterfaceOpener::OpenAndClaim(
    const UsbInterfaceEntry& entry, EventLog& log, std::unique_ptr<UsbTransport>& transport) {
  std::unique_ptr<LibusbTransport> opened;
  Outcome outcome = Open(entry, false, log, opened);
  if (outcome != Outcome::Opened) {
    return outcome;
  }
  return Claim(opened, transport);
}

UsbInterfaceOpener::Outcome LibusbInterfaceOpener::OpenIfNamed(
    const UsbInterfaceEntry& entry, std::string_view wanted, EventLog& log,
    std::unique_ptr<UsbTransport>& transport) {
  std::unique_ptr<LibusbTransport> opened;
  // An interface without a name string cannot be the one: its device is not even opened.
  Outcome outcome = Open(entry, true, log, opened);
  if (outcome != Outcome::Opened) {
    return outcome;
  }
  // The name is read before claiming, so a device that turns out not to be the handset keeps
  // its drivers.
  std::string name;
  if (opened->UsbQueryName(2, name) != 0 || name != wanted) {
    return Outcome::NotMatching;
  }
  return Claim(opened, transport);
}

}  // namespace tollhaven
