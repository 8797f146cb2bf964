// From command packet to queued answer: header checks, the faults that replace or spoil an
// answer, the opcodes other than the file system, and the framing of the read reply.

#include <algorithm>

#include "emulator/handset_answer.h"
#include "emulator/simulated_handset.h"
#include "emulator/wire_bytes.h"

namespace p2ksim {
namespace {

constexpr std::size_t kHeaderSize = 8;
constexpr std::size_t kReplyHeaderSize = 14;
constexpr uint16_t kOpcodeReadSeem = 0x0020;
constexpr uint16_t kOpcodeRestart = 0x0022;
constexpr uint16_t kOpcodeFileSystem = 0x004A;
// The largest data an answer can carry: its packet length L = 8 + D is a 16-bit field.
constexpr std::size_t kMaxAnswerData = 0xFFFF - 8;

constexpr uint16_t kModelSeem = 0x0117;
constexpr uint16_t kModelRecord = 1;
constexpr std::size_t kModelRecordSize = 64;
constexpr std::size_t kModelMaxChars = 30;

}  // namespace

int ReceivedCommand::subCommand() const {
  if (opcode != kOpcodeFileSystem || payload.size() < 4) {
    return -1;
  }
  const uint32_t value = GetBe32(payload.data());
  return value > 0x7FFFFFFF ? -1 : static_cast<int>(value);
}

void SimulatedHandset::ReceivePacket(const uint8_t* data, std::size_t length,
                                     uint16_t announcedLength) {
  if (length < kHeaderSize) {
    // No header to speak of: answer with whatever sequence and opcode made it across.
    const uint16_t sequence = length >= 2 ? GetBe16(data) & 0x0FFF : 0;
    const uint16_t opcode = length >= 4 ? GetBe16(data + 2) & 0x0FFF : 0;
    if (dropNext_) {
      dropNext_ = false;
      return;
    }
    QueueAnswer(sequence, opcode, HandsetAnswer{kStatusBadLength, {}});
    return;
  }

  ReceivedCommand command;
  command.sequence = GetBe16(data);
  command.opcode = GetBe16(data + 2);
  const uint16_t payloadLength = GetBe16(data + 4);
  const uint16_t reserved = GetBe16(data + 6);
  command.payload.assign(data + kHeaderSize, data + length);
  const bool wellFormed = length == announcedLength && payloadLength == length - kHeaderSize &&
                          (command.sequence & 0xF000) == 0 && reserved == 0;

  HandsetAnswer answer;
  if (auto status = TakeCommandFault(command)) {
    answer.status = *status;
  } else if (scripted_) {
    answer = HandsetAnswer{kStatusData, std::move(*scripted_)};
    scripted_.reset();
  } else if (scriptedNoData_) {
    scriptedNoData_ = false;
    answer = HandsetAnswer{kStatusDone, {}};
  } else {
    answer = Execute(command, wellFormed);
  }

  const uint16_t sequence = command.sequence & 0x0FFF;
  const uint16_t opcode = command.opcode & 0x0FFF;
  received_.push_back(std::move(command));
  while (received_.size() > receivedLimit_) {
    received_.pop_front();
  }
  if (dropNext_) {
    dropNext_ = false;
    return;
  }
  QueueAnswer(sequence, opcode, std::move(answer));
}

std::optional<uint8_t> SimulatedHandset::TakeCommandFault(const ReceivedCommand& command) {
  // Every command moves the n-th command counter on, whatever else answers it.
  if (failNth_ > 0 && --failNth_ == 0) {
    return failNthStatus_;
  }
  if (scripted_ || scriptedNoData_) {
    return std::nullopt;
  }
  for (auto rule = failRules_.begin(); rule != failRules_.end(); ++rule) {
    if (rule->opcode != command.opcode ||
        (rule->subCommand != -1 && rule->subCommand != command.subCommand())) {
      continue;
    }
    const uint8_t status = rule->status;
    if (rule->times > 0 && --rule->times == 0) {
      failRules_.erase(rule);
    }
    return status;
  }
  return std::nullopt;
}

HandsetAnswer SimulatedHandset::Execute(const ReceivedCommand& command, bool wellFormed) {
  if (!wellFormed) {
    return HandsetAnswer{kStatusBadLength, {}};
  }
  switch (command.opcode) {
    case kOpcodeFileSystem:
      return ExecuteFileCommand(command);
    case kOpcodeRestart:
      Restart();
      return HandsetAnswer{kStatusDone, {}};
    case kOpcodeReadSeem:
      return ReadSeemRecord(command);
    default:
      return HandsetAnswer{kStatusBadOpcode, {}};
  }
}

void SimulatedHandset::Restart() {
  ++restarts_;
  openPath_.reset();
  position_ = 0;
  listing_.clear();
}

HandsetAnswer SimulatedHandset::ReadSeemRecord(const ReceivedCommand& command) const {
  const std::vector<uint8_t>& payload = command.payload;
  if (payload.size() != 8) {
    return HandsetAnswer{kStatusBadLength, {}};
  }
  const uint16_t seem = GetBe16(payload.data());
  const uint16_t record = GetBe16(payload.data() + 2);
  const std::size_t offset = GetBe16(payload.data() + 4);
  const std::size_t length = GetBe16(payload.data() + 6);
  if (seem != kModelSeem || record != kModelRecord || offset > kModelRecordSize) {
    return HandsetAnswer{kStatusBadParameter, {}};
  }
  // Length 0 asks for the record from the offset to its end.
  const std::size_t count = length == 0 ? kModelRecordSize - offset : length;
  if (offset + count > kModelRecordSize) {
    return HandsetAnswer{kStatusBadParameter, {}};
  }

  // Two leading zero bytes, the model as 16-bit little-endian characters, FF to the end.
  std::vector<uint8_t> contents(kModelRecordSize, 0xFF);
  contents[0] = 0;
  contents[1] = 0;
  const std::size_t chars = std::min(model_.size(), kModelMaxChars);
  for (std::size_t i = 0; i < chars; ++i) {
    contents[2 + 2 * i] = static_cast<uint8_t>(model_[i]);
    contents[3 + 2 * i] = 0;
  }
  const auto first = contents.begin() + static_cast<std::ptrdiff_t>(offset);
  return HandsetAnswer{kStatusData,
                       std::vector<uint8_t>(first, first + static_cast<std::ptrdiff_t>(count))};
}

void SimulatedHandset::QueueAnswer(uint16_t sequence, uint16_t opcode, HandsetAnswer answer) {
  if (answer.data.size() > kMaxAnswerData) {
    answer = HandsetAnswer{kStatusInternal, {}};
  }
  // Status 6 is done without data whatever the execution left behind.
  const std::size_t dataLength = answer.status == kStatusDone ? 0 : answer.data.size();
  const auto packetLength = static_cast<uint16_t>(8 + dataLength);
  uint16_t dataField = static_cast<uint16_t>(dataLength);
  if (badLength_ && answer.status == kStatusData) {
    badLength_ = false;
    ++dataField;
  }
  if (wrongSequence_) {
    wrongSequence_ = false;
    sequence = (sequence - 1) & 0x0FFF;
  }

  PendingAnswer pending;
  pending.packetLength = packetLength;
  pending.reply.resize(kReplyHeaderSize + dataLength);
  uint8_t* header = pending.reply.data();
  header[0] = countTwo_ ? 2 : 1;
  countTwo_ = false;
  PutBe16(header + 2, packetLength);
  PutBe16(header + 4, packetLength);
  PutBe16(header + 6, static_cast<uint16_t>(0x8000 | sequence));
  PutBe16(header + 8, static_cast<uint16_t>((answer.status & 0x0F) << 12 | (opcode & 0x0FFF)));
  PutBe16(header + 10, dataField);
  std::copy_n(answer.data.begin(), dataLength, pending.reply.begin() + kReplyHeaderSize);
  pending.deliver = pending.reply.size();
  if (shortReply_) {
    pending.deliver = std::min(pending.deliver, *shortReply_);
    shortReply_.reset();
  }
  answers_.push_back(std::move(pending));
}

}  // namespace p2ksim
