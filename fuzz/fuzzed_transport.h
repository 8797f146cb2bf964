#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "link/usb_transport.h"

namespace tollhaven::fuzz {

// A handset made of the fuzzer's bytes. Each command sent picks how it is answered: with raw
// bytes for the poll and the read (the framing itself under attack), or with a well-formed
// packet of the right sequence number around a status and data the fuzzer chose (so the layers
// above the framing see answers they would otherwise never get past the sequence check). When
// the bytes run out the handset is gone: every transfer fails, so no wait loop spins.
class FuzzedTransport : public UsbTransport {
 public:
  explicit FuzzedTransport(FuzzedDataProvider& input) : input_(input) {}

  int UsbSend(const uint8_t* buffer, uint32_t& size) override {
    if (input_.remaining_bytes() == 0 || size < 12) {
      return -1;
    }
    sequence_ = static_cast<uint16_t>(buffer[8] << 8 | buffer[9]);
    raw_ = input_.ConsumeIntegralInRange<uint8_t>(0, 7) == 0;
    if (!raw_) {
      BuildPacket();
    }
    return 0;
  }

  int UsbReceive(uint8_t* buffer, std::size_t capacity, uint32_t& size) override {
    if (input_.remaining_bytes() == 0 && (raw_ || packet_.empty())) {
      return -1;
    }
    const bool poll = buffer[1] == 0x00;
    std::vector<uint8_t> reply;
    if (raw_) {
      reply = input_.ConsumeBytes<uint8_t>(
          input_.ConsumeIntegralInRange<std::size_t>(0, poll ? kPollBytes : capacity));
    } else if (poll) {
      // One answer of the packet's size: the read asks for 2 * 1 + size + 4 bytes.
      const std::size_t size16 = packet_.size() - 6;
      reply = {
          0x00, 0x01, static_cast<uint8_t>(size16 >> 8), static_cast<uint8_t>(size16), 0x00, 0x00,
          0x00, 0x00};
    } else {
      reply.swap(packet_);
    }
    const std::size_t length = std::min(reply.size(), capacity);
    if (length > 0) {
      std::memcpy(buffer, reply.data(), length);
    }
    size = static_cast<uint32_t>(length);
    return 0;
  }

  int UsbQueryName(uint16_t, std::string& name) override {
    if (input_.remaining_bytes() == 0) {
      return -1;
    }
    name = input_.ConsumeRandomLengthString(64);
    return 0;
  }

 private:
  static constexpr std::size_t kPollBytes = 12;
  static constexpr std::size_t kHeaderBytes = 14;

  void BuildPacket() {
    const uint8_t status = input_.ConsumeIntegral<uint8_t>();
    const std::vector<uint8_t> data =
        input_.ConsumeBytes<uint8_t>(input_.ConsumeIntegralInRange<uint16_t>(0, 4096));
    const std::size_t packetLength = data.size() + 8;
    const uint16_t sequence = 0x8000 | (sequence_ & 0x0FFF);
    packet_.assign(kHeaderBytes, 0);
    packet_[0] = 1;
    packet_[4] = static_cast<uint8_t>(packetLength >> 8);
    packet_[5] = static_cast<uint8_t>(packetLength);
    packet_[6] = static_cast<uint8_t>(sequence >> 8);
    packet_[7] = static_cast<uint8_t>(sequence);
    packet_[8] = status;
    packet_[10] = static_cast<uint8_t>(data.size() >> 8);
    packet_[11] = static_cast<uint8_t>(data.size());
    packet_.insert(packet_.end(), data.begin(), data.end());
  }

  FuzzedDataProvider& input_;
  uint16_t sequence_ = 0;
  bool raw_ = false;
  std::vector<uint8_t> packet_;
};

}  // namespace tollhaven::fuzz
