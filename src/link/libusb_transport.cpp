#include "link/libusb_transport.h"

#include <algorithm>
#include <chrono>
#include <utility>

namespace tollhaven {

namespace {

constexpr char kTimeOutLine[] = "USB: IO Time-out!";
constexpr char kFailedLine[] = "USB: IO Failed!";
constexpr char kAnswerSizeLine[] = "USB: Answer size invlid!";

constexpr std::size_t kSetupSize = 8;
constexpr uint8_t kDirectionIn = 0x80;
// A string descriptor is at most 255 bytes: length, type and up to 126 UTF-16LE characters.
constexpr int kStringDescriptorMax = 255;
constexpr uint16_t kFallbackLanguage = 0x0409;

uint16_t Little16(const uint8_t* bytes) {
  return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
}

}  // namespace

LibusbTransport::LibusbTransport(std::shared_ptr<libusb_context> context,
                                 libusb_device_handle* handle, uint8_t interfaceNumber,
                                 EventLog& log, LibusbTimeouts timeouts)
    : context_(std::move(context)),
      handle_(handle),
      interfaceNumber_(interfaceNumber),
      log_(log),
      timeouts_(timeouts) {}

LibusbTransport::~LibusbTransport() {
  if (handle_ == nullptr) {
    return;
  }
  if (claimed_) {
    libusb_release_interface(handle_, interfaceNumber_);
  }
  libusb_close(handle_);
}

int LibusbTransport::Claim() {
  int active = libusb_kernel_driver_active(handle_, interfaceNumber_);
  if (active == 1) {
    int detached = libusb_detach_kernel_driver(handle_, interfaceNumber_);
    if (detached != LIBUSB_SUCCESS && detached != LIBUSB_ERROR_NOT_FOUND) {
      return detached;
    }
  }
  int result = libusb_claim_interface(handle_, interfaceNumber_);
  claimed_ = result == LIBUSB_SUCCESS;
  return result;
}

int LibusbTransport::Transfer(uint8_t requestType, uint8_t request, uint16_t value, uint16_t index,
                              uint8_t* data, uint16_t length, unsigned timeoutMs) {
  int result =
      libusb_control_transfer(handle_, requestType, request, value, index, data, length, timeoutMs);
  if (result == LIBUSB_ERROR_TIMEOUT) {
    log_.AppendLog(kTimeOutLine);
    return -1;
  }
  if (result < 0) {
    gone_ = gone_ || result == LIBUSB_ERROR_NO_DEVICE;
    log_.AppendLog(kFailedLine);
    return -1;
  }
  return result;
}

int LibusbTransport::UsbSend(const uint8_t* buffer, uint32_t& size) {
  // A device-to-host setup here would let libusb write into the caller's constant bytes.
  if (size < kSetupSize || (buffer[0] & kDirectionIn) != 0) {
    log_.AppendLog(kFailedLine);
    return -1;
  }
  uint16_t length = Little16(buffer + 6);
  // The data stage is what wLength announces; never read past the bytes the caller handed over.
  length = static_cast<uint16_t>(std::min<uint32_t>(length, size - kSetupSize));
  // libusb copies the data stage of a host-to-device transfer and does not write to it.
  uint8_t* data = const_cast<uint8_t*>(buffer + kSetupSize);
  int sent = Transfer(buffer[0], buffer[1], Little16(buffer + 2), Little16(buffer + 4), data,
                      length, timeouts_.sendMs);
  if (sent < 0) {
    return -1;
  }
  size = static_cast<uint32_t>(sent);
  return 0;
}

int LibusbTransport::UsbReceive(uint8_t* buffer, std::size_t capacity, uint32_t& size) {
  if (capacity < kSetupSize || (buffer[0] & kDirectionIn) == 0) {
    log_.AppendLog(kFailedLine);
    return -1;
  }
  // Ask for no more than the caller can hold, so a long reply can never overrun the buffer.
  uint16_t length = Little16(buffer + 6);
  length = static_cast<uint16_t>(std::min<std::size_t>(length, capacity));
  // The setup fields are taken out before the reply overwrites them.
  int received = Transfer(buffer[0], buffer[1], Little16(buffer + 2), Little16(buffer + 4), buffer,
                          length, timeouts_.receiveMs);
  if (received < 0) {
    return -1;
  }
  size = static_cast<uint32_t>(received);
  return 0;
}

std::optional<UsbDeviceAddress> LibusbTransport::DeviceAddress() const {
  if (handle_ == nullptr) {
    return std::nullopt;
  }
  libusb_device* device = libusb_get_device(handle_);
  return UsbDeviceAddress{libusb_get_bus_number(device), libusb_get_device_address(device)};
}

int LibusbTransport::ReadStringDescriptor(uint8_t index, uint16_t language, uint8_t* reply,
                                          unsigned timeoutMs) {
  return Transfer(LIBUSB_ENDPOINT_IN, LIBUSB_REQUEST_GET_DESCRIPTOR,
                  static_cast<uint16_t>((LIBUSB_DT_STRING << 8) | index), language, reply,
                  kStringDescriptorMax, timeoutMs);
}

int LibusbTransport::UsbQueryName(uint16_t /*selector*/, std::string& name) {
  libusb_config_descriptor* config = nullptr;
  if (libusb_get_active_config_descriptor(libusb_get_device(handle_), &config) != 0) {
    log_.AppendLog(kFailedLine);
    return -1;
  }
  uint8_t stringIndex = 0;
  bool present = false;
  for (int i = 0; i < config->bNumInterfaces && !present; ++i) {
    const libusb_interface& interface = config->interface[i];
    if (interface.num_altsetting > 0 &&
        interface.altsetting[0].bInterfaceNumber == interfaceNumber_) {
      stringIndex = interface.altsetting[0].iInterface;
      present = true;
    }
  }
  libusb_free_config_descriptor(config);
  if (!present) {
    log_.AppendLog(kFailedLine);
    return -1;
  }
  name.clear();
  if (stringIndex == 0) {
    // The interface has no name string: its name is empty.
    return 0;
  }

  // Both requests together stay within the one time-out of the name query.
  auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(timeouts_.queryNameMs);
  uint8_t reply[kStringDescriptorMax] = {};
  int got = ReadStringDescriptor(0, 0, reply, timeouts_.queryNameMs);
  if (got < 0) {
    return -1;
  }
  uint16_t language =
      got >= 4 && reply[1] == LIBUSB_DT_STRING ? Little16(reply + 2) : kFallbackLanguage;
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - std::chrono::steady_clock::now());
  unsigned remaining = static_cast<unsigned>(std::max<long long>(left.count(), 1));
  std::fill(std::begin(reply), std::end(reply), 0);
  got = ReadStringDescriptor(stringIndex, language, reply, remaining);
  if (got < 0) {
    return -1;
  }
  if (got < 2 || reply[1] != LIBUSB_DT_STRING) {
    log_.AppendLog(kAnswerSizeLine);
    return -1;
  }
  // Keep the low byte of each character; the name ends at the first zero character.
  int end = std::min<int>(got, reply[0]);
  for (int at = 2; at + 1 < end; at += 2) {
    uint8_t low = reply[at];
    if (low == 0 && reply[at + 1] == 0) {
      break;
    }
    name.push_back(static_cast<char>(low));
  }
  return 0;
}

}  // namespace tollhaven
