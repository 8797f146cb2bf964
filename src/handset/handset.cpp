#include "handset/handset.h"

#include <algorithm>
#include <cstring>

#include "link/byte_order.h"

namespace tollhaven {

namespace {

constexpr uint32_t kOpen = 0x00;
constexpr uint32_t kRead = 0x01;
constexpr uint32_t kWrite = 0x02;
constexpr uint32_t kSeek = 0x03;
constexpr uint32_t kClose = 0x04;
constexpr uint32_t kDelete = 0x05;
constexpr uint32_t kVolumes = 0x0A;
constexpr uint32_t kFreeSpace = 0x0B;
constexpr uint32_t kMakeDir = 0x0E;
constexpr uint32_t kRemoveDir = 0x0F;

// The free-space request carries the volume text in a fixed 512-byte payload.
constexpr uint32_t kFreeSpacePayload = 512;
constexpr std::size_t kFreeSpaceMaxChars = 128;

}  // namespace

void Handset::PutSubCommand(uint32_t subCommand) {
  PutBig32(payloadArea_, subCommand);
}

// Copies the path into the payload at `at`; returns the payload length, or 0 when the path does
// not fit (the transaction then refuses the oversized payload).
uint32_t Handset::PutPath(std::size_t at, std::string_view path) {
  if (path.size() > sizeof payloadArea_ - at) {
    return static_cast<uint32_t>(kMaxPayload + 1);
  }
  std::memcpy(payloadArea_ + at, path.data(), path.size());
  return static_cast<uint32_t>(at + path.size());
}

int Handset::Run(uint16_t opcode, uint32_t payloadLength) {
  int result = link_.Transact(opcode, payloadArea_, payloadLength, answerArea_, sizeof answerArea_,
                              answerLength_);
  return result == 0 ? 0 : -1;
}

// Seek, close and delete answer a single byte on failure, or the status byte 1.
int Handset::RunWithOneByteStatus(uint32_t payloadLength) {
  answerLength_ = 0;
  answerArea_[0] = 0;
  refused_ = false;
  if (Run(kFileSystemOpcode, payloadLength) != 0) {
    return -1;
  }
  refused_ = answerLength_ == 1 || answerArea_[0] == 1;
  return refused_ ? -1 : 0;
}

int Handset::PhoneOpen(std::string_view path, uint32_t attributeWord) {
  if (path.empty()) {
    return -1;
  }
  PutSubCommand(kOpen);
  PutBig32(payloadArea_ + 4, attributeWord);
  answerLength_ = 0;
  return Run(kFileSystemOpcode, PutPath(8, path));
}

int Handset::PhoneRead(uint8_t* buffer, uint32_t size, const OperationObserver& observer) {
  if (size == 0) {
    return -1;
  }
  const uint32_t fullBlocks = size / kFileBlockSize;
  const uint32_t remainder = size % kFileBlockSize;
  uint32_t request = std::min(size, kFileBlockSize);
  uint32_t answers = 0;
  uint32_t received = 0;
  uint32_t carried = 0;
  uint32_t lastRequest = 0;
  for (;;) {
    if (observer.Cancelled()) {
      return -1;
    }
    lastRequest = request;
    PutSubCommand(kRead);
    PutBig32(payloadArea_ + 4, request);
    answerLength_ = 0;
    if (Run(kFileSystemOpcode, 8) != 0) {
      return -1;
    }
    observer.progress().StepIt();
    carried = answerLength_ & 0xFFFF;
    // A handset that sends more than was asked for never writes past the caller's buffer.
    uint32_t room = size - received;
    std::memcpy(buffer + received, answerArea_, std::min(carried, room));
    received += std::min(carried, room);
    ++answers;
    if (answers == fullBlocks) {
      request = remainder;
    }
    // After the request for the remainder the file is complete, whatever the handset says.
    if (carried != kFileBlockSize || answers > fullBlocks) {
      break;
    }
  }
  // A single byte is the handset's failure status, unless a single byte was all that was left
  // to read (a file of 1025 bytes ends that way).
  if (carried == 1 && lastRequest != 1) {
    return -1;
  }
  // A handset that ends the file early leaves the rest of the buffer unfilled: that is no file.
  return received == size ? 0 : -1;
}

int Handset::PhoneWrite(const uint8_t* buffer, uint32_t size, const OperationObserver& observer) {
  answerLength_ = 0;
  answerArea_[0] = 0;
  uint32_t remaining = size;
  const uint8_t* next = buffer;
  for (;;) {
    observer.progress().StepIt();
    if (remaining == 0) {
      return 0;
    }
    if (observer.Cancelled()) {
      return -1;
    }
    uint32_t block = std::min(remaining, kFileBlockSize);
    PutSubCommand(kWrite);
    PutBig32(payloadArea_ + 4, block);
    std::memcpy(payloadArea_ + 8, next, block);
    if (Run(kFileSystemOpcode, 8 + block) != 0) {
      return -1;
    }
    if (answerLength_ == 1 && answerArea_[0] != 6) {
      return -1;
    }
    next += block;
    remaining -= block;
    if (remaining == 0) {
      return 0;
    }
  }
}

int Handset::PhoneSeek(uint32_t offset, uint8_t origin) {
  PutSubCommand(kSeek);
  PutBig32(payloadArea_ + 4, offset);
  payloadArea_[8] = origin;
  return RunWithOneByteStatus(9);
}

int Handset::PhoneClose() {
  PutSubCommand(kClose);
  return RunWithOneByteStatus(4);
}

int Handset::PhoneDelete(std::string_view path) {
  refused_ = false;
  if (path.empty()) {
    return -1;
  }
  PutSubCommand(kDelete);
  return RunWithOneByteStatus(PutPath(4, path));
}

int Handset::PhoneMakeDir(std::string_view path, uint32_t word) {
  if (path.empty()) {
    return -1;
  }
  PutSubCommand(kMakeDir);
  PutBig32(payloadArea_ + 4, word);
  answerLength_ = 0;
  return Run(kFileSystemOpcode, PutPath(8, path));
}

int Handset::PhoneRemoveDir(std::string_view path, uint32_t word) {
  if (path.empty()) {
    return -1;
  }
  PutSubCommand(kRemoveDir);
  PutBig32(payloadArea_ + 4, word);
  answerLength_ = 0;
  return Run(kFileSystemOpcode, PutPath(8, path));
}

int Handset::PhoneVolumes(uint8_t* buffer) {
  std::memset(buffer, 0, kVolumeBufferSize);
  PutSubCommand(kVolumes);
  uint32_t length = 0;
  if (link_.Transact(kFileSystemOpcode, payloadArea_, 4, buffer, kVolumeBufferSize, length) != 0) {
    return -1;
  }
  return (length == 1 || buffer[0] == 6) ? -1 : 0;
}

int Handset::PhoneFreeSpace(const uint8_t* volumes, std::size_t volumesLength) {
  std::memset(payloadArea_, 0, kFreeSpacePayload);
  PutSubCommand(kFreeSpace);
  // 16-bit characters in the byte order they came in, up to a zero character.
  for (std::size_t i = 0; i < kFreeSpaceMaxChars && 2 * i + 1 < volumesLength; ++i) {
    if (volumes[2 * i] == 0 && volumes[2 * i + 1] == 0) {
      break;
    }
    payloadArea_[4 + 2 * i] = volumes[2 * i];
    payloadArea_[5 + 2 * i] = volumes[2 * i + 1];
  }
  answerLength_ = 0;
  answerArea_[0] = 0;
  freeSpace = 0;
  freeSpaceKnown = false;
  if (Run(kFileSystemOpcode, kFreeSpacePayload) != 0) {
    return -1;
  }
  // A single byte is a status (6 among them), and fewer than four bytes cannot hold the count.
  // Four bytes are always the count, whatever their first byte: 0x06xxxxxx is 96 to 112 MiB.
  if (answerLength_ < 4) {
    return -1;
  }
  freeSpace = Big32(answerArea_);
  if (freeSpace == 0) {
    link_.log().AppendLog("Zero free space recv'd!");
    return -1;
  }
  freeSpaceKnown = true;
  return 0;
}

int Handset::PhoneRestart() {
  uint32_t length = 0;
  return link_.Transact(kRestartOpcode, nullptr, 0, answerArea_, sizeof answerArea_, length);
}

int Handset::ReadSeem(uint16_t seem, uint16_t record, uint16_t offset, uint16_t length,
                      uint8_t* buffer, std::size_t capacity, uint32_t& answerLength) {
  PutBig16(payloadArea_, seem);
  PutBig16(payloadArea_ + 2, record);
  PutBig16(payloadArea_ + 4, offset);
  PutBig16(payloadArea_ + 6, length);
  answerLength = 1;
  if (link_.Transact(kReadSeemOpcode, payloadArea_, 8, buffer, capacity, answerLength) != 0) {
    return -1;
  }
  return (answerLength != 0 && buffer[0] != 0) ? -1 : 0;
}

int Handset::FileSystemCommand(uint32_t subCommand, const uint8_t* rest, uint32_t restLength) {
  return FileSystemCommandInto(subCommand, rest, restLength, answerArea_, sizeof answerArea_,
                               answerLength_);
}

int Handset::FileSystemCommandInto(uint32_t subCommand, const uint8_t* rest, uint32_t restLength,
                                   uint8_t* answer, std::size_t capacity, uint32_t& answerLength) {
  if (restLength > sizeof payloadArea_ - 4) {
    restLength = static_cast<uint32_t>(kMaxPayload + 1);
  } else if (restLength > 0) {
    std::memcpy(payloadArea_ + 4, rest, restLength);
  }
  PutSubCommand(subCommand);
  answerLength = 0;
  int result = link_.Transact(kFileSystemOpcode, payloadArea_, 4 + restLength, answer, capacity,
                              answerLength);
  return result == 0 ? 0 : -1;
}

}  // namespace tollhaven
