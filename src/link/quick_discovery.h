#pragma once

#include <optional>

#include "link/discovery.h"

namespace tollhaven {

// A handset already switched to its test-command interface (by an earlier run, a minute ago)
// needs no second mode switch, and a script that calls the tool once per file should not wait
// five seconds each time. This looks for the interface first and reports no modem port when it
// is there; otherwise the sequence runs as always, mode switch and wait included.
class QuickDiscovery : public Discovery {
 public:
  // `log` is the link's: the interface found keeps reporting to it.
  QuickDiscovery(Discovery& inner, EventLog& log) : inner_(inner), log_(log) {}

  int FindModemPort(std::string& port) override;
  int SendModeSwitch(const std::string& port) override;
  FoundInterface OpenTestInterface(EventLog& log) override;

 private:
  Discovery& inner_;
  EventLog& log_;
  std::optional<FoundInterface> found_;
};

}  // namespace tollhaven
