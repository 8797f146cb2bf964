#include "link/discovery_libusb.h"

#include <string>

namespace tollhaven {

namespace {

UsbInterfaceOpener::Outcome OutcomeOf(int libusbError) {
  return libusbError == LIBUSB_ERROR_ACCESS ? UsbInterfaceOpener::Outcome::AccessDenied
                                            : UsbInterfaceOpener::Outcome::Failed;
}

}  // namespace

UsbInterfaceOpener::Outcome LibusbInterfaceOpener::Open(
    const UsbInterfaceEntry& entry, EventLog& log, std::unique_ptr<LibusbTransport>& transport) {
  if (!context_) {
    libusb_context* context = nullptr;
    if (libusb_init(&context) != LIBUSB_SUCCESS) {
      return Outcome::Failed;
    }
    context_.reset(context, libusb_exit);
  }

  libusb_device** devices = nullptr;
  ssize_t count = libusb_get_device_list(context_.get(), &devices);
  if (count < 0) {
    return Outcome::Failed;
  }
  libusb_device_handle* handle = nullptr;
  int opened = LIBUSB_ERROR_NO_DEVICE;
  for (ssize_t i = 0; i < count; ++i) {
    libusb_device* device = devices[i];
    if (libusb_get_bus_number(device) == entry.busNumber &&
        libusb_get_device_address(device) == entry.deviceAddress) {
      opened = libusb_open(device, &handle);
      break;
    }
  }
  libusb_free_device_list(devices, 1);
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
  Outcome outcome = Open(entry, log, opened);
  if (outcome != Outcome::Opened) {
    return outcome;
  }
  return Claim(opened, transport);
}

UsbInterfaceOpener::Outcome LibusbInterfaceOpener::OpenIfNamed(
    const UsbInterfaceEntry& entry, std::string_view wanted, EventLog& log,
    std::unique_ptr<UsbTransport>& transport) {
  std::unique_ptr<LibusbTransport> opened;
  Outcome outcome = Open(entry, log, opened);
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
