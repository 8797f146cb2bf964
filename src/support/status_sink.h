#pragma once

#include <string_view>

namespace tollhaven {

// The main window's status bar as the core sees it: part 0 "Space:", 1 "Vols: ", 2 "Files:",
// 3 "Model:".
class StatusSink {
 public:
  virtual ~StatusSink() = default;
  virtual void SetStatusText(int part, std::string_view text) = 0;
};

class NullStatus : public StatusSink {
 public:
  void SetStatusText(int, std::string_view) override {}
};

}  // namespace tollhaven
