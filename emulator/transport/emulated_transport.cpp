#include "emulator/transport/emulated_transport.h"

#include <algorithm>
#include <cstring>

namespace tollhaven {

namespace {
constexpr std::size_t kSetupSize = 8;

uint16_t SetupLength(const uint8_t* setup) {
  return static_cast<uint16_t>(setup[6] | (setup[7] << 8));
}
}  // namespace

int EmulatedTransport::Fail(p2ksim::TransferStatus status, unsigned timeoutMs) {
  if (status == p2ksim::TransferStatus::Timeout) {
    clock_.Sleep(timeoutMs);
    log_.AppendLog("USB: IO Time-out!");
  } else {
    log_.AppendLog("USB: IO Failed!");
  }
  return -1;
}

int EmulatedTransport::UsbSend(const uint8_t* buffer, uint32_t& size) {
  if (size < kSetupSize) {
    return Fail(p2ksim::TransferStatus::Error, 0);
  }
  // Like a host controller, hand over the data stage the setup packet announces.
  uint32_t length = std::min<uint32_t>(SetupLength(buffer), size - kSetupSize);
  auto status = handset_.ControlOut(buffer, buffer + kSetupSize, length);
  if (status != p2ksim::TransferStatus::Ok) {
    return Fail(status, kUsbSendTimeoutMs);
  }
  size = length;
  return 0;
}

int EmulatedTransport::UsbReceive(uint8_t* buffer, std::size_t capacity, uint32_t& size) {
  auto status = handset_.ControlIn(buffer, reply_);
  if (status != p2ksim::TransferStatus::Ok) {
    return Fail(status, kUsbReceiveTimeoutMs);
  }
  std::size_t length = std::min(reply_.size(), capacity);
  std::memcpy(buffer, reply_.data(), length);
  size = static_cast<uint32_t>(length);
  return 0;
}

int EmulatedTransport::UsbQueryName(uint16_t, std::string& name) {
  name = handset_.InterfaceName();
  return 0;
}

}  // namespace tollhaven
