#include <cstring>

#include "link/byte_order.h"
#include "link/handset_error_text.h"
#include "link/phone_link.h"

namespace tollhaven {

namespace {

constexpr uint8_t kVendorOut = 0x41;  // host to device, vendor, interface
constexpr uint8_t kVendorIn = 0xC1;   // device to host, vendor, interface
constexpr uint8_t kRequestSend = 0x02;
constexpr uint8_t kRequestPoll = 0x00;
constexpr uint8_t kRequestRead = 0x01;
// Count, reserved, L, sequence, status/opcode, D, reserved: the bytes ahead of the answer data.
constexpr std::size_t kAnswerHeaderSize = 14;

constexpr uint8_t kStatusDone = 6;
constexpr uint8_t kStatusData = 8;

void PutSetup(uint8_t* at, uint8_t requestType, uint8_t request, uint16_t value, uint16_t index,
              uint16_t length) {
  at[0] = requestType;
  at[1] = request;
  at[2] = static_cast<uint8_t>(value);
  at[3] = static_cast<uint8_t>(value >> 8);
  at[4] = static_cast<uint8_t>(index);
  at[5] = static_cast<uint8_t>(index >> 8);
  at[6] = static_cast<uint8_t>(length);
  at[7] = static_cast<uint8_t>(length >> 8);
}

}  // namespace

int PhoneLink::Transact(uint16_t opcode, const uint8_t* payload, uint32_t payloadLength,
                        uint8_t* answer, std::size_t answerCapacity, uint32_t& answerLength) {
  if (payloadLength > kMaxPayload) {
    log_.AppendLog("CMD: Command payload too long!");
    return -1;
  }

  ++sequenceNumber;
  const uint16_t sequence = sequenceNumber & 0x0FFF;
  std::memset(commandBuffer_, 0, sizeof commandBuffer_);
  PutSetup(commandBuffer_, kVendorOut, kRequestSend, 0, testInterface,
           static_cast<uint16_t>(payloadLength + 8));
  PutBig16(commandBuffer_ + 8, sequence);
  PutBig16(commandBuffer_ + 10, opcode & 0x0FFF);
  PutBig16(commandBuffer_ + 12, static_cast<uint16_t>(payloadLength));
  if (payloadLength > 0) {
    std::memcpy(commandBuffer_ + 16, payload, payloadLength);
  }

  // Setup packet, header and payload, and two more zero bytes.
  uint32_t sendSize = 18 + payloadLength;
  // A link known lost is as good as none while the handset is being looked for again.
  if (!transport_ || (failWhileLost && LinkLost())) {
    log_.AppendLog("USB: IO Failed!");
    log_.AppendLog("CMD: Data write fail!");
    return -1;
  }
  if (transport_->UsbSend(commandBuffer_, sendSize) != 0) {
    ++silentTransactions;
    log_.AppendLog("CMD: Data write fail!");
    return -1;
  }

  uint8_t waiting = 0;
  uint16_t answerSize = 0;
  if (PollForAnswer(waiting, answerSize, kAnswerWaitLimitMs) != 0) {
    ++silentTransactions;
    log_.AppendLog("CMD: Answer wait timeout!");
    return -1;
  }

  clock_.Sleep(1);
  uint32_t received = 0;
  bool tooLong = false;
  if (!ReadAnswer(waiting, answerSize, received, tooLong)) {
    ++silentTransactions;
    log_.AppendLog("CMD: Data write fail!");
    return -1;
  }
  silentTransactions = 0;
  if (tooLong) {
    log_.AppendLog("CMD: Answer packet too long!");
    return -1;
  }

  // A reply too short to hold an answer header would leave parts of the setup packet in the
  // checked fields; it is as invalid as a wrong one.
  if (received < kAnswerHeaderSize || answerArea_[0] != 1 || (answerArea_[6] & 0x80) == 0) {
    log_.AppendLog("CMD: Answer packet invalid!");
    return 1;
  }
  if ((Big16(answerArea_ + 6) & 0x0FFF) != sequence) {
    // A late answer to an earlier command (whose read timed out, say). This command's own answer
    // waits behind it and would be taken for the next command's, that one's for the one after,
    // and so on; with the answers read off up to it, the next command starts clean.
    PassOverAnswersUpTo(sequence);
    log_.AppendLog("CMD: Answer packet invalid!");
    return 1;
  }

  const unsigned status = answerArea_[8] >> 4;
  if (status == kStatusDone) {
    return 0;
  }
  if (status != kStatusData) {
    log_.AppendLog(HandsetErrorText(status));
    return -1;
  }
  const uint16_t packetLength = Big16(answerArea_ + 4);
  const uint16_t dataLength = Big16(answerArea_ + 10);
  if (static_cast<uint16_t>(packetLength - 8) != dataLength ||
      kAnswerHeaderSize + dataLength > received) {
    log_.AppendLog("CMD: Answer packet invalid!");
    return 1;
  }
  if (dataLength > answerCapacity) {
    log_.AppendLog("CMD: Answer packet too long!");
    return 1;
  }
  if (dataLength > 0) {
    std::memcpy(answer, answerArea_ + kAnswerHeaderSize, dataLength);
  }
  answerLength = dataLength;
  return 0;
}

bool PhoneLink::ReadAnswer(uint8_t waiting, uint16_t answerSize, uint32_t& received,
                           bool& tooLong) {
  std::memset(answerArea_, 0, sizeof answerArea_);
  const uint32_t announced = 2u * waiting + answerSize + 4u;
  // An answer larger than the area is still read, as far as the area holds, so that it leaves
  // the handset's queue; left there, it would be taken for the answer to every later command.
  tooLong = announced > kAnswerAreaSize;
  const auto readLength = static_cast<uint16_t>(tooLong ? kAnswerAreaSize : announced);
  PutSetup(answerArea_, kVendorIn, kRequestRead, waiting, testInterface, readLength);
  received = 0;
  return transport_->UsbReceive(answerArea_, kAnswerAreaSize, received) == 0;
}

void PhoneLink::PassOverAnswersUpTo(uint16_t sequence) {
  for (int passed = 0; passed < kMaxStaleAnswers; ++passed) {
    uint8_t waiting = 0;
    uint16_t answerSize = 0;
    // The answer may never come (the handset answered this command with the stale sequence).
    if (PollForAnswer(waiting, answerSize, kStaleAnswerWaitMs) != 0) {
      return;
    }
    clock_.Sleep(1);
    uint32_t received = 0;
    bool tooLong = false;
    if (!ReadAnswer(waiting, answerSize, received, tooLong)) {
      return;
    }
    if (received >= kAnswerHeaderSize && (Big16(answerArea_ + 6) & 0x0FFF) == sequence) {
      return;
    }
  }
}

// Polls until the handset announces one or two answers, or `limitMs` has passed.
int PhoneLink::PollForAnswer(uint8_t& count, uint16_t& size, uint32_t limitMs) {
  const uint32_t start = clock_.TickCount();
  for (;;) {
    std::memset(pollArea_, 0, sizeof pollArea_);
    PutSetup(pollArea_, kVendorIn, kRequestPoll, 0, testInterface, 8);
    uint32_t received = 0;
    if (transport_->UsbReceive(pollArea_, kPollAreaSize, received) == 0 &&
        (pollArea_[1] == 1 || pollArea_[1] == 2)) {
      count = pollArea_[1];
      size = Big16(pollArea_ + 2);
      return 0;
    }
    // A failed poll is worth another try, unless the handset has left the bus: polling it for
    // the rest of the wait would only hold the operation and fill the log with failures.
    if (transport_->DeviceGone()) {
      return -1;
    }
    clock_.Sleep(1);
    if (static_cast<uint32_t>(clock_.TickCount() - start) >= limitMs) {
      return -1;
    }
  }
}

}  // namespace tollhaven
