#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "link/usb_transport.h"
#include "support/clock.h"
#include "support/event_log.h"

namespace tollhaven {

inline constexpr std::size_t kCommandBufferSize = 4096;
inline constexpr std::size_t kPollAreaSize = 12;
inline constexpr std::size_t kAnswerAreaSize = 4096;
// Setup packet and command header share the command buffer with the payload.
inline constexpr std::size_t kMaxPayload = kCommandBufferSize - 16;
// The interface number the test-command interface has on the handsets of this platform.
inline constexpr uint16_t kDefaultTestInterface = 8;
// Poll for an answer for at most this long.
inline constexpr uint32_t kAnswerWaitLimitMs = 40000;
// An answer to an earlier command (one whose read timed out, say) can wait in the handset ahead
// of the answer to the current one. The command that reads it fails; up to this many answers
// after it are read off until its own, each waited for this long only, as it may never come.
inline constexpr int kMaxStaleAnswers = 4;
inline constexpr uint32_t kStaleAnswerWaitMs = 1000;

// The link to the handset: the transport, the sequence counter and the command transaction.
// One command runs at a time (the main window issues none while a worker runs).
class PhoneLink {
 public:
  PhoneLink(EventLog& log, Clock& clock) : log_(log), clock_(clock) {}

  // Sends one command and waits for its answer. Result 0: done (with status 8 the data is in
  // `answer` and `answerLength` is its length; with status 6 neither is touched). -1: not sent,
  // no answer in time, not read, or an error status of the handset. 1: the answer failed its
  // checks. `answerCapacity` is the room in `answer`; longer answer data fails the checks.
  int Transact(uint16_t opcode, const uint8_t* payload, uint32_t payloadLength, uint8_t* answer,
               std::size_t answerCapacity, uint32_t& answerLength);

  // The transport in use; null until a handset has been found.
  UsbTransport* transport() const { return transport_.get(); }
  // A new device starts with no silence counted against it.
  void SetTransport(std::unique_ptr<UsbTransport> transport) {
    transport_ = std::move(transport);
    silentTransactions = 0;
  }

  // The interface number the transfers address (wIndex): the number of the interface found.
  uint16_t testInterface = kDefaultTestInterface;
  // Never reset, not on reconnect either; the packet carries its low 12 bits.
  uint16_t sequenceNumber = 0;
  // 1 once a handset has been found; never cleared.
  int handsetConnected = 0;

  // Transactions in a row that got no answer at all: the send failed, nothing was announced in
  // time, or the answer could not be read. Any answer, an error status too, ends the run. A
  // handset that was unplugged, restarted or has gone quiet shows this way.
  int silentTransactions = 0;
  static constexpr int kLinkLostAfter = 3;
  // Set where something finds the handset again once its link is lost (LinkRecovery): Transact
  // then sends nothing on a lost link and fails at once, since each silent command could hold
  // its caller for the whole answer wait, until a new transport is set or this one let go.
  // Without it a later command still tries, as the handset may answer again.
  bool failWhileLost = false;
  bool LinkLost() const { return transport_ != nullptr && silentTransactions >= kLinkLostAfter; }
  // Lets go of the device of a handset that is gone, so that a new search can find it again.
  void DropTransport() {
    transport_.reset();
    silentTransactions = 0;
  }

  EventLog& log() { return log_; }
  Clock& clock() { return clock_; }

 private:
  int PollForAnswer(uint8_t& count, uint16_t& size, uint32_t limitMs);
  // Reads the answers a poll announced into the answer area, as far as it holds; false when
  // the read failed. `tooLong`: they did not fit.
  bool ReadAnswer(uint8_t waiting, uint16_t answerSize, uint32_t& received, bool& tooLong);
  // Reads off waiting answers until the one to `sequence` is gone too.
  void PassOverAnswersUpTo(uint16_t sequence);

  EventLog& log_;
  Clock& clock_;
  std::unique_ptr<UsbTransport> transport_;
  uint8_t commandBuffer_[kCommandBufferSize + 2] = {};
  uint8_t pollArea_[kPollAreaSize] = {};
  uint8_t answerArea_[kAnswerAreaSize] = {};
};

}  // namespace tollhaven
