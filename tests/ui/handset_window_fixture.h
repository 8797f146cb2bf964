#pragma once

#include <QComboBox>
#include <QTest>
#include <QTreeView>
#include <algorithm>
#include <memory>

#include "app/main_window.h"
#include "demo/demo_handset.h"
#include "main_window_fixture.h"
#include "panels/ui/panel_operations.h"
#include "panels/ui/panels_state.h"

namespace tollhaven::testing {

inline constexpr int kListSubCommand = 0x08;

inline const PanelRow& RowNamed(MainWindow& window, int side, const std::string& name) {
  const std::vector<PanelRow>& rows = window.panels().model(side).rows();
  return *std::find_if(rows.begin(), rows.end(),
                       [&](const PanelRow& row) { return row.name == name; });
}

inline void Choose(MainWindow& window, int side, int entry) {
  window.driveSelector(side)->setCurrentIndex(entry);
  onDriveChosen(window, side);
}

inline void Activate(MainWindow& window, int side, const QString& name) {
  const int row = static_cast<int>(Names(window, side).indexOf(name));
  QVERIFY2(row >= 0, qPrintable(name));
  window.list(side)->setCurrentIndex(window.list(side)->model()->index(row, 0));
  activateHandsetRow(window, side);
}

// A main window wired to a small simulated handset.
struct HandsetWindow {
  // `arguments`: the command line the program was started with, its path first.
  explicit HandsetWindow(QStringList arguments = {})
      : test(QuietSettings(), std::move(arguments), Reach()) {
    handset.SetVolumes({"/a"});
    handset.AddFile("/a/ring.mp3", std::vector<uint8_t>(1234), 0x0020, 0x07);
    handset.AddFile("/a/odd.zzz", std::vector<uint8_t>(3));
    handset.AddFile("/a/audio/tune.mid", std::vector<uint8_t>(10));
    handset.AddFile("/a/audio/deeper/x.mp3", std::vector<uint8_t>(10));
  }

  // The window's reach of `handset`, with the discovery and the clock kept in view.
  HandsetReach Reach() {
    auto ownClock = std::make_unique<ManualClock>();
    clock = ownClock.get();
    auto found = std::make_unique<SimulatedDiscovery>(handset, *clock);
    discovery = found.get();
    return {std::move(found), std::move(ownClock)};
  }

  long ListRequests() const {
    long requests = 0;
    for (const p2ksim::ReceivedCommand& command : handset.Received()) {
      requests += command.subCommand() == kListSubCommand ? 1 : 0;
    }
    return requests;
  }

  p2ksim::SimulatedHandset handset;  // outlives the window
  // Set while the window is made, so declared before it.
  SimulatedDiscovery* discovery = nullptr;
  ManualClock* clock = nullptr;  // the window's: its waits pass at once, and add up here
  WindowUnderTest test;
  MainWindow& window = *test.window;
};

}  // namespace tollhaven::testing
