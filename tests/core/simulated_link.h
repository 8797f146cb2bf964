#pragma once

#include <memory>
#include <string>
#include <vector>

#include "emulator/simulated_handset.h"
#include "emulator/transport/emulated_transport.h"
#include "forwarding_transport.h"
#include "handset/handset.h"
#include "link/phone_link.h"
#include "support/clock.h"
#include "support/event_log.h"
#include "support/progress_sink.h"

namespace tollhaven::testing {

// Keeps every buffer handed to UsbSend, byte for byte, before passing it on.
class RecordingTransport : public ForwardingTransport {
 public:
  explicit RecordingTransport(std::unique_ptr<UsbTransport> inner)
      : ForwardingTransport(std::move(inner)) {}
  int UsbSend(const uint8_t* buffer, uint32_t& size) override {
    sent.emplace_back(buffer, buffer + size);
    return ForwardingTransport::UsbSend(buffer, size);
  }
  std::vector<std::vector<uint8_t>> sent;
};

// Counts what the handset layers do to the progress bar.
struct RecordingProgress : ProgressSink {
  void SetRange(int low, int high) override {
    rangeLow = low;
    rangeHigh = high;
  }
  void SetStep(int value) override { step = value; }
  void SetPosition(int value) override { position = value; }
  void StepIt() override { ++steps; }
  int rangeLow = -1, rangeHigh = -1, step = -1, position = -1, steps = 0;
};

// A link to a simulated handset with a clock that never really waits.
struct SimulatedLink {
  SimulatedLink() {
    auto recording =
        std::make_unique<RecordingTransport>(std::make_unique<EmulatedTransport>(sim, log, clock));
    transport = recording.get();
    link.SetTransport(std::move(recording));
  }

  std::vector<std::string> Lines() const { return log.Lines(); }

  EventLog log;
  ManualClock clock;
  p2ksim::SimulatedHandset sim;
  PhoneLink link{log, clock};
  Handset handset{link};
  // The progress the tests hand to the operations they run.
  RecordingProgress progress;
  RecordingTransport* transport = nullptr;
};

}  // namespace tollhaven::testing
