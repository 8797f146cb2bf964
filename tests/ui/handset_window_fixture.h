#pragma once

#include <QComboBox>
#include <QTest>
#include <QTreeView>
#include <algorithm>
#include <memory>

#include "app/main_window.h"
#include "main_window_fixture.h"
#include "panels/ui/panel_operations.h"
#include "panels/ui/panels_state.h"
#include "simulated_reach.h"

namespace tollhaven::testing {

inline const PanelRow& RowNamed(PanelHost& window, int side, const std::string& name) {
  const std::vector<PanelRow>& rows = window.panels().model(side).rows();
  return *std::find_if(rows.begin(), rows.end(),
                       [&](const PanelRow& row) { return row.name == name; });
}

inline void Choose(PanelHost& window, int side, int entry) {
  window.driveSelector(side)->setCurrentIndex(entry);
  onDriveChosen(window, side);
}

inline void Activate(PanelHost& window, int side, const QString& name) {
  const int row = static_cast<int>(Names(window, side).indexOf(name));
  QVERIFY2(row >= 0, qPrintable(name));
  window.list(side)->setCurrentIndex(window.list(side)->model()->index(row, 0));
  activateHandsetRow(window, side);
}

// A main window wired to a small simulated handset.
struct HandsetWindow {
  // `arguments`: the command line the program was started with, its path first.
  explicit HandsetWindow(QStringList arguments = {})
      : test(QuietSettings(), std::move(arguments), ManualReach(handset, discovery, clock)) {
    SeedSmallHandset(handset);
  }

  long ListRequests() const { return CountListRequests(handset); }

  p2ksim::SimulatedHandset handset;  // outlives the window
  // Set while the window is made, so declared before it.
  SimulatedDiscovery* discovery = nullptr;
  ManualClock* clock = nullptr;  // the window's: its waits pass at once, and add up here
  WindowUnderTest test;
  MainWindow& window = *test.window;
};

}  // namespace tollhaven::testing
