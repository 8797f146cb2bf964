// The bus side of the simulated handset: setup packets, the poll and read replies, and the
// faults that act on single transfers (time-outs, unplugging, latency).

#include <algorithm>
#include <thread>

#include "emulator/simulated_handset.h"
#include "emulator/wire_bytes.h"

namespace p2ksim {
namespace {

constexpr uint8_t kHostToDevice = 0x41;
constexpr uint8_t kDeviceToHost = 0xC1;
constexpr uint8_t kRequestSend = 0x02;
constexpr uint8_t kRequestPoll = 0x00;
constexpr uint8_t kRequestRead = 0x01;
constexpr std::size_t kPollReplySize = 8;

void Sleep(std::chrono::microseconds latency) {
  if (latency.count() > 0) {
    std::this_thread::sleep_for(latency);
  }
}

}  // namespace

TransferStatus SimulatedHandset::ControlOut(const uint8_t* setup, const uint8_t* data,
                                            std::size_t length) {
  std::chrono::microseconds latency;
  TransferStatus status;
  {
    std::lock_guard lock(mutex_);
    latency = latency_;
    status = ControlOutLocked(setup, data, length);
  }
  // Sleep outside the lock so a user interface reading the file system is not held up.
  Sleep(latency);
  return status;
}

TransferStatus SimulatedHandset::ControlIn(const uint8_t* setup, std::vector<uint8_t>& reply) {
  std::chrono::microseconds latency;
  TransferStatus status;
  {
    std::lock_guard lock(mutex_);
    latency = latency_;
    status = ControlInLocked(setup, reply);
  }
  Sleep(latency);
  return status;
}

std::optional<TransferStatus> SimulatedHandset::BeginTransfer() {
  ++transfers_;
  if (disconnected_) {
    return TransferStatus::Error;
  }
  if (disconnectAfter_ == 0) {
    disconnected_ = true;
    disconnectAfter_ = -1;
    return TransferStatus::Error;
  }
  if (disconnectAfter_ > 0) {
    --disconnectAfter_;
  }
  if (timeOutTransfer_ > 0 && --timeOutTransfer_ == 0) {
    return TransferStatus::Timeout;
  }
  return std::nullopt;
}

TransferStatus SimulatedHandset::ControlOutLocked(const uint8_t* setupBytes, const uint8_t* data,
                                                  std::size_t length) {
  if (auto early = BeginTransfer()) {
    return *early;
  }
  if (setupBytes == nullptr || (data == nullptr && length > 0)) {
    return TransferStatus::Error;
  }
  const Setup setup{setupBytes[0], setupBytes[1], GetLe16(setupBytes + 2), GetLe16(setupBytes + 4),
                    GetLe16(setupBytes + 6)};
  if (setup.requestType != kHostToDevice || setup.request != kRequestSend || setup.value != 0 ||
      setup.index != interfaceNumber_) {
    return TransferStatus::Error;
  }
  ReceivePacket(data, length, setup.length);
  return TransferStatus::Ok;
}

TransferStatus SimulatedHandset::ControlInLocked(const uint8_t* setupBytes,
                                                 std::vector<uint8_t>& reply) {
  reply.clear();
  if (auto early = BeginTransfer()) {
    return *early;
  }
  if (setupBytes == nullptr) {
    return TransferStatus::Error;
  }
  const Setup setup{setupBytes[0], setupBytes[1], GetLe16(setupBytes + 2), GetLe16(setupBytes + 4),
                    GetLe16(setupBytes + 6)};
  if (setup.requestType != kDeviceToHost || setup.index != interfaceNumber_) {
    return TransferStatus::Error;
  }
  if (setup.request == kRequestPoll && setup.value == 0) {
    ReplyToPoll(setup, reply);
    return TransferStatus::Ok;
  }
  if (setup.request == kRequestRead && setup.value != 0) {
    return ReplyToRead(setup, reply);
  }
  return TransferStatus::Error;
}

void SimulatedHandset::ReplyToPoll(const Setup& setup, std::vector<uint8_t>& reply) {
  uint8_t bytes[kPollReplySize] = {};
  uint8_t waiting = answers_.empty() ? 0 : 1;
  if (pollOverrideTimes_ > 0) {
    --pollOverrideTimes_;
    waiting = pollOverride_;
  }
  bytes[1] = waiting;
  if (!answers_.empty()) {
    PutBe16(bytes + 2, answers_.front().packetLength);
  }
  reply.assign(bytes, bytes + std::min<std::size_t>(kPollReplySize, setup.length));
}

TransferStatus SimulatedHandset::ReplyToRead(const Setup& setup, std::vector<uint8_t>& reply) {
  if (answers_.empty()) {
    // Nothing to hand over: a reply that holds no answer, which the host must reject.
    static constexpr uint8_t kEmpty[4] = {};
    reply.assign(kEmpty, kEmpty + std::min<std::size_t>(sizeof kEmpty, setup.length));
    return TransferStatus::Ok;
  }
  const PendingAnswer& answer = answers_.front();
  const std::size_t size = std::min<std::size_t>(answer.deliver, setup.length);
  reply.assign(answer.reply.begin(), answer.reply.begin() + static_cast<std::ptrdiff_t>(size));
  answers_.pop_front();
  return TransferStatus::Ok;
}

}  // namespace p2ksim
