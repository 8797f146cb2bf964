#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace tollhaven {

// Where a USB device sits: its bus number and its address on that bus. A device plugged in again
// gets a new address.
struct UsbDeviceAddress {
  int bus = 0;
  int address = 0;
  bool operator==(const UsbDeviceAddress&) const = default;
};

// Time-outs of the three transport operations, in milliseconds.
inline constexpr unsigned kUsbSendTimeoutMs = 1000;
inline constexpr unsigned kUsbReceiveTimeoutMs = 40000;
inline constexpr unsigned kUsbQueryNameTimeoutMs = 5000;

// The handset's test-command interface as the command transaction sees it: vendor control
// transfers described by an 8-byte setup packet. Every failure is logged by the backend
// ("USB: IO Time-out!", "USB: IO Failed!", "USB: Answer size invlid!") and gives -1.
class UsbTransport {
 public:
  virtual ~UsbTransport() = default;

  // Host-to-device transfer. `buffer` holds the setup packet followed by the data stage; `size`
  // is the number of bytes to hand over and, on success, the number transferred.
  virtual int UsbSend(const uint8_t* buffer, uint32_t& size) = 0;

  // Device-to-host transfer. `buffer` holds the 8-byte setup packet; on success the device's
  // reply replaces it from the first byte on and `size` is the reply's length. The reply never
  // exceeds `capacity` bytes (a longer one is cut at `capacity`).
  virtual int UsbReceive(uint8_t* buffer, std::size_t capacity, uint32_t& size) = 0;

  // The name of the opened interface (discovery passes selector 2).
  virtual int UsbQueryName(uint16_t selector, std::string& name) = 0;

  // The USB device the transport has open; none for a transport that is not a USB device.
  virtual std::optional<UsbDeviceAddress> DeviceAddress() const { return std::nullopt; }

  // True once a transfer found the device gone from the bus: every later transfer fails too, so
  // waiting for an answer from it is pointless.
  virtual bool DeviceGone() const { return false; }
};

}  // namespace tollhaven
