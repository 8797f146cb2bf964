#pragma once

#include <memory>
#include <optional>
#include <string>

#include "link/usb_transport.h"

namespace tollhaven::testing {

// Passes every call on to another transport; the tests' transports derive from it and override
// only the calls they watch or break.
class ForwardingTransport : public UsbTransport {
 public:
  explicit ForwardingTransport(std::unique_ptr<UsbTransport> inner) : inner_(std::move(inner)) {}

  int UsbSend(const uint8_t* buffer, uint32_t& size) override {
    return inner_->UsbSend(buffer, size);
  }
  int UsbReceive(uint8_t* buffer, std::size_t capacity, uint32_t& size) override {
    return inner_->UsbReceive(buffer, capacity, size);
  }
  int UsbQueryName(uint16_t selector, std::string& name) override {
    return inner_->UsbQueryName(selector, name);
  }
  std::optional<UsbDeviceAddress> DeviceAddress() const override { return inner_->DeviceAddress(); }
  bool DeviceGone() const override { return inner_->DeviceGone(); }

 private:
  std::unique_ptr<UsbTransport> inner_;
};

}  // namespace tollhaven::testing
