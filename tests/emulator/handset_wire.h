#pragma once

// Test-side packet building for the simulated handset's tests, written by hand from the wire
// format so that the handset's own parsing is what gets tested.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "emulator/simulated_handset.h"

namespace wire {

using Bytes = std::vector<uint8_t>;
using p2ksim::TransferStatus;

inline Bytes Be16(uint16_t v) {
  return {uint8_t(v >> 8), uint8_t(v)};
}
inline Bytes Be32(uint32_t v) {
  return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
}
inline Bytes Text(const std::string& s) {
  return Bytes(s.begin(), s.end());
}
inline Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) {
    out.insert(out.end(), part.begin(), part.end());
  }
  return out;
}
inline Bytes Padded(Bytes bytes, std::size_t size) {
  bytes.resize(size, 0);
  return bytes;
}

inline std::array<uint8_t, 8> SetupPacket(uint8_t type, uint8_t request, uint16_t value,
                                          uint16_t index, uint16_t length) {
  return {type,
          request,
          uint8_t(value),
          uint8_t(value >> 8),
          uint8_t(index),
          uint8_t(index >> 8),
          uint8_t(length),
          uint8_t(length >> 8)};
}

inline Bytes Packet(uint16_t sequence, uint16_t opcode, const Bytes& payload) {
  return Cat({Be16(sequence), Be16(opcode), Be16(uint16_t(payload.size())), Be16(0), payload});
}

// The payloads of the file-system opcode 0x004A.
inline Bytes Open(uint32_t word, const std::string& path) {
  return Cat({Be32(0), Be32(word), Text(path)});
}
inline Bytes Read(uint32_t count) {
  return Cat({Be32(1), Be32(count)});
}
inline Bytes Write(const Bytes& data) {
  return Cat({Be32(2), Be32(uint32_t(data.size())), data});
}
inline Bytes Seek(uint32_t offset, uint8_t origin) {
  return Cat({Be32(3), Be32(offset), {origin}});
}
inline Bytes Close() {
  return Be32(4);
}
inline Bytes Delete(const std::string& path) {
  return Cat({Be32(5), Text(path)});
}
inline Bytes Count(char letter) {
  return Padded({0, 0, 0, 7, 0x00, '/', 0x00, uint8_t(letter), 0x00, '/', 0xFF, 0xFE, 0x00, '*'},
                256);
}
inline Bytes List() {
  return Be32(8);
}
inline Bytes Volumes() {
  return Be32(0x0A);
}
inline Bytes FreeSpace(const Bytes& utf16Text) {
  return Padded(Cat({Be32(0x0B), utf16Text}), 512);
}
inline Bytes MakeDir(const std::string& path) {
  return Cat({Be32(0x0E), Be32(4), Text(path)});
}
inline Bytes RemoveDir(const std::string& path) {
  return Cat({Be32(0x0F), Be32(4), Text(path)});
}
inline Bytes Seem(uint16_t seem, uint16_t record, uint16_t offset, uint16_t length) {
  return Cat({Be16(seem), Be16(record), Be16(offset), Be16(length)});
}

constexpr uint16_t kFileSystem = 0x004A;
constexpr uint16_t kRestart = 0x0022;
constexpr uint16_t kReadSeem = 0x0020;

// One answer as read back from the handset.
struct Answer {
  uint8_t status = 0xFF;
  uint16_t opcode = 0;
  uint16_t sequence = 0;
  Bytes data;
};

// Drives the handset with hand-built transfers, as a host would.
class HandsetTest : public ::testing::Test {
 protected:
  TransferStatus SendPacket(const Bytes& packet, uint16_t index = 8) {
    const auto setup = SetupPacket(0x41, 0x02, 0, index, uint16_t(packet.size()));
    return handset.ControlOut(setup.data(), packet.data(), packet.size());
  }
  TransferStatus Send(uint16_t opcode, const Bytes& payload) {
    return SendPacket(Packet(++sequence, opcode, payload));
  }
  TransferStatus Poll(Bytes& reply, uint16_t index = 8) {
    const auto setup = SetupPacket(0xC1, 0x00, 0, index, 8);
    return handset.ControlIn(setup.data(), reply);
  }
  Bytes Poll() {
    Bytes reply;
    EXPECT_EQ(Poll(reply), TransferStatus::Ok);
    return reply;
  }
  TransferStatus ReadReply(Bytes& reply, uint16_t wLength, uint16_t n = 1, uint16_t index = 8) {
    const auto setup = SetupPacket(0xC1, 0x01, n, index, wLength);
    return handset.ControlIn(setup.data(), reply);
  }
  // Polls, then reads with the length a host computes from the poll (2n + S + 4).
  Bytes ReadAnswerReply() {
    const Bytes poll = Poll();
    EXPECT_EQ(poll.size(), 8u);
    EXPECT_EQ(poll.at(1), 1) << "no answer waiting";
    const uint16_t size = uint16_t(poll.at(2) << 8 | poll.at(3));
    Bytes reply;
    EXPECT_EQ(ReadReply(reply, uint16_t(2 + size + 4)), TransferStatus::Ok);
    return reply;
  }
  // Parses a complete reply, checking the framing that every answer must have.
  static Answer Parse(const Bytes& reply) {
    Answer answer;
    if (reply.size() < 14) {
      ADD_FAILURE() << "reply of " << reply.size() << " bytes";
      return answer;
    }
    const auto at16 = [&reply](std::size_t i) { return uint16_t(reply[i] << 8 | reply[i + 1]); };
    EXPECT_EQ(reply[0], 1);
    EXPECT_EQ(reply[1], 0);
    EXPECT_EQ(at16(2), at16(4));
    EXPECT_EQ(at16(4), reply.size() - 6);
    EXPECT_EQ(at16(10), reply.size() - 14);
    EXPECT_EQ(at16(12), 0);
    EXPECT_TRUE(reply[6] & 0x80);
    answer.sequence = at16(6) & 0x0FFF;
    answer.status = uint8_t(reply[8] >> 4);
    answer.opcode = at16(8) & 0x0FFF;
    answer.data.assign(reply.begin() + 14, reply.end());
    return answer;
  }
  Answer Transact(uint16_t opcode, const Bytes& payload) {
    EXPECT_EQ(Send(opcode, payload), TransferStatus::Ok);
    const Answer answer = Parse(ReadAnswerReply());
    EXPECT_EQ(answer.sequence, sequence & 0x0FFF);
    EXPECT_EQ(answer.opcode, opcode & 0x0FFF);
    return answer;
  }
  Answer File(const Bytes& payload) { return Transact(kFileSystem, payload); }

  p2ksim::SimulatedHandset handset;
  uint16_t sequence = 0;
};

// The name of entry `index` in a file-list chunk, or "" (with a failure) when there is none.
inline std::string EntryName(const Answer& chunk, std::size_t index, std::size_t entrySize = 268) {
  const std::size_t at = 4 + index * entrySize;
  if (chunk.status != 8 || chunk.data.size() < at + entrySize) {
    ADD_FAILURE() << "no entry " << index << " in a chunk of " << chunk.data.size()
                  << " bytes, status " << int(chunk.status);
    return {};
  }
  const auto first = chunk.data.begin() + std::ptrdiff_t(at);
  return std::string(first, std::find(first, first + std::ptrdiff_t(entrySize), 0));
}

// Answer shapes the file-system commands use.
inline bool Done(const Answer& a) {
  return a.status == 6 && a.data.empty();
}
inline bool Refused(const Answer& a) {
  return a.status == 8 && a.data == Bytes{1};
}

}  // namespace wire
