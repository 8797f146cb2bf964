#pragma once

#include <QStatusBar>
#include <array>

#include "support/status_sink.h"

class QLabel;

namespace tollhaven {

// The main window's status bar: four parts ending at 80, 154 and 210 pixels and at the window's
// end. Any thread may set a part's text; the change reaches the widget on its own thread.
class StatusBar : public QStatusBar, public StatusSink {
  Q_OBJECT

 public:
  static constexpr int kParts = 4;

  explicit StatusBar(QWidget* parent = nullptr);

  // Parts outside 0..3 are ignored.
  void SetStatusText(int part, std::string_view text) override;
  QString partText(int part) const;

 private:
  std::array<QLabel*, kParts> parts_{};
};

}  // namespace tollhaven
