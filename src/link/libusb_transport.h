#pragma once

#include <libusb.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "link/usb_transport.h"
#include "support/event_log.h"

namespace tollhaven {

// How long each transport operation may take, in milliseconds.
struct LibusbTimeouts {
  unsigned sendMs = kUsbSendTimeoutMs;
  unsigned receiveMs = kUsbReceiveTimeoutMs;
  unsigned queryNameMs = kUsbQueryNameTimeoutMs;
};

// The transport over libusb: vendor control transfers on an open device, addressed to one of
// its interfaces. Owns the handle: destroying the transport releases the interface (when it
// was claimed) and closes the device.
class LibusbTransport : public UsbTransport {
 public:
  // `context` stays alive as long as the handle needs it.
  LibusbTransport(std::shared_ptr<libusb_context> context, libusb_device_handle* handle,
                  uint8_t interfaceNumber, EventLog& log, LibusbTimeouts timeouts = {});
  ~LibusbTransport() override;
  LibusbTransport(const LibusbTransport&) = delete;
  LibusbTransport& operator=(const LibusbTransport&) = delete;

  int UsbSend(const uint8_t* buffer, uint32_t& size) override;
  int UsbReceive(uint8_t* buffer, std::size_t capacity, uint32_t& size) override;
  // The interface's name from its string descriptor; the selector is not needed here.
  int UsbQueryName(uint16_t selector, std::string& name) override;
  std::optional<UsbDeviceAddress> DeviceAddress() const override;
  bool DeviceGone() const override { return gone_; }

  // Claims the interface, detaching a kernel driver bound to it first. A libusb error code.
  int Claim();

  uint8_t interfaceNumber() const { return interfaceNumber_; }

 private:
  // A control transfer; logs and gives -1 on failure, else the bytes transferred.
  int Transfer(uint8_t requestType, uint8_t request, uint16_t value, uint16_t index, uint8_t* data,
               uint16_t length, unsigned timeoutMs);
  // Reads string descriptor `index` in language `language` into `reply`; bytes read or -1.
  int ReadStringDescriptor(uint8_t index, uint16_t language, uint8_t* reply, unsigned timeoutMs);

  std::shared_ptr<libusb_context> context_;
  libusb_device_handle* handle_;
  uint8_t interfaceNumber_;
  EventLog& log_;
  LibusbTimeouts timeouts_;
  bool claimed_ = false;
  bool gone_ = false;
};

}  // namespace tollhaven
