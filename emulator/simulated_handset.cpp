// Construction, configuration, fault arming and the record of what the handset saw.

#include <algorithm>

#include "emulator/simulated_handset.h"

namespace p2ksim {
namespace {

constexpr std::size_t kMinEntrySize = 10;  // a one-character name, its terminator, the 8-byte tail
constexpr std::size_t kMaxEntrySize = 4096;

}  // namespace

SimulatedHandset::SimulatedHandset() : directories_{"/a", "/b", "/c"} {}

void SimulatedHandset::SetInterfaceNumber(uint16_t number) {
  std::lock_guard lock(mutex_);
  interfaceNumber_ = number;
}

uint16_t SimulatedHandset::InterfaceNumber() const {
  std::lock_guard lock(mutex_);
  return interfaceNumber_;
}

std::string SimulatedHandset::InterfaceName() const {
  std::lock_guard lock(mutex_);
  return interfaceName_;
}

void SimulatedHandset::SetInterfaceName(const std::string& name) {
  std::lock_guard lock(mutex_);
  interfaceName_ = name;
}

void SimulatedHandset::SetEntrySize(std::size_t bytes) {
  std::lock_guard lock(mutex_);
  entrySize_ = std::clamp(bytes, kMinEntrySize, kMaxEntrySize);
}

void SimulatedHandset::SetEntriesPerChunk(std::size_t entries) {
  std::lock_guard lock(mutex_);
  entriesPerChunk_ = std::max<std::size_t>(entries, 1);
}

void SimulatedHandset::SetVolumes(const std::vector<std::string>& volumes) {
  std::lock_guard lock(mutex_);
  volumes_ = volumes;
}

void SimulatedHandset::SetFreeSpace(uint32_t bytes) {
  std::lock_guard lock(mutex_);
  freeSpace_ = bytes;
}

uint32_t SimulatedHandset::FreeSpace() const {
  std::lock_guard lock(mutex_);
  return freeSpace_;
}

void SimulatedHandset::SetCaseInsensitiveNames(bool ignoreCase) {
  std::lock_guard lock(mutex_);
  ignoreCase_ = ignoreCase;
}

void SimulatedHandset::SetModel(const std::string& model) {
  std::lock_guard lock(mutex_);
  model_ = model;
}

void SimulatedHandset::SetLatency(std::chrono::microseconds latency) {
  std::lock_guard lock(mutex_);
  latency_ = latency;
}

void SimulatedHandset::FailCommand(uint16_t opcode, int subCommand, uint8_t status, int times) {
  std::lock_guard lock(mutex_);
  if (times != 0) {
    failRules_.push_back(FailRule{opcode, subCommand, status, times});
  }
}

void SimulatedHandset::FailNthCommand(int n, uint8_t status) {
  std::lock_guard lock(mutex_);
  failNth_ = std::max(n, 0);
  failNthStatus_ = status;
}

void SimulatedHandset::DropNextAnswer() {
  std::lock_guard lock(mutex_);
  dropNext_ = true;
}

void SimulatedHandset::TimeOutTransfer(int n) {
  std::lock_guard lock(mutex_);
  timeOutTransfer_ = std::max(n, 0);
}

void SimulatedHandset::WrongSequenceOnNextAnswer() {
  std::lock_guard lock(mutex_);
  wrongSequence_ = true;
}

void SimulatedHandset::AnswerCountTwoOnNextAnswer() {
  std::lock_guard lock(mutex_);
  countTwo_ = true;
}

void SimulatedHandset::ShortNextReply(std::size_t bytes) {
  std::lock_guard lock(mutex_);
  shortReply_ = bytes;
}

void SimulatedHandset::BadLengthOnNextAnswer() {
  std::lock_guard lock(mutex_);
  badLength_ = true;
}

void SimulatedHandset::OverridePollCount(uint8_t count, int times) {
  std::lock_guard lock(mutex_);
  pollOverride_ = count;
  pollOverrideTimes_ = std::max(times, 0);
}

void SimulatedHandset::DisconnectAfter(int transfers) {
  std::lock_guard lock(mutex_);
  disconnectAfter_ = std::max(transfers, 0);
}

void SimulatedHandset::ScriptNextAnswer(std::vector<uint8_t> data) {
  std::lock_guard lock(mutex_);
  scripted_ = std::move(data);
  scriptedNoData_ = false;
}

void SimulatedHandset::ScriptNextAnswerNoData() {
  std::lock_guard lock(mutex_);
  scripted_.reset();
  scriptedNoData_ = true;
}

void SimulatedHandset::ClearFaults() {
  std::lock_guard lock(mutex_);
  failRules_.clear();
  failNth_ = 0;
  dropNext_ = false;
  timeOutTransfer_ = 0;
  wrongSequence_ = false;
  countTwo_ = false;
  shortReply_.reset();
  badLength_ = false;
  pollOverrideTimes_ = 0;
  disconnectAfter_ = -1;
  disconnected_ = false;
  scripted_.reset();
  scriptedNoData_ = false;
}

bool SimulatedHandset::Unplugged() const {
  std::lock_guard lock(mutex_);
  return disconnected_;
}

void SimulatedHandset::Replug() {
  ClearFaults();
  std::lock_guard lock(mutex_);
  answers_.clear();
}

std::vector<ReceivedCommand> SimulatedHandset::Received() const {
  std::lock_guard lock(mutex_);
  return {received_.begin(), received_.end()};
}

void SimulatedHandset::ClearReceived() {
  std::lock_guard lock(mutex_);
  received_.clear();
}

void SimulatedHandset::SetReceivedLimit(std::size_t commands) {
  std::lock_guard lock(mutex_);
  receivedLimit_ = commands;
  while (received_.size() > receivedLimit_) {
    received_.pop_front();
  }
}

std::size_t SimulatedHandset::ReceivedLimit() const {
  std::lock_guard lock(mutex_);
  return receivedLimit_;
}

uint64_t SimulatedHandset::TransferCount() const {
  std::lock_guard lock(mutex_);
  return transfers_;
}

}  // namespace p2ksim
