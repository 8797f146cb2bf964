#pragma once

#include <vector>

#include "emulator/simulated_handset.h"
#include "link/usb_transport.h"
#include "support/clock.h"
#include "support/event_log.h"

namespace tollhaven {

// The transport wired to an in-process simulated handset instead of a USB device. A transfer
// the handset never completes costs the operation's time-out on `clock`, as a real one would.
class EmulatedTransport : public UsbTransport {
 public:
  EmulatedTransport(p2ksim::SimulatedHandset& handset, EventLog& log, Clock& clock)
      : handset_(handset), log_(log), clock_(clock) {}

  int UsbSend(const uint8_t* buffer, uint32_t& size) override;
  int UsbReceive(uint8_t* buffer, std::size_t capacity, uint32_t& size) override;
  int UsbQueryName(uint16_t selector, std::string& name) override;
  bool DeviceGone() const override { return handset_.Unplugged(); }

 private:
  int Fail(p2ksim::TransferStatus status, unsigned timeoutMs);

  p2ksim::SimulatedHandset& handset_;
  EventLog& log_;
  Clock& clock_;
  std::vector<uint8_t> reply_;
};

}  // namespace tollhaven
