#pragma once

#include <QComboBox>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTreeView>
#include <QWidget>
#include <array>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "panels/drive_list.h"
#include "panels/ui/handset_session.h"
#include "panels/ui/panel_host.h"
#include "panels/ui/panel_operations.h"
#include "panels/ui/panels_state.h"
#include "simulated_reach.h"
#include "support/app_paths.h"
#include "support/event_log.h"
#include "support/progress_sink.h"
#include "support/settings.h"
#include "support/status_sink.h"

namespace tollhaven::testing {

// The status texts as they were last set, by part.
struct RecordedStatus : StatusSink {
  void SetStatusText(int part, std::string_view text) override { parts[part] = std::string(text); }
  std::map<int, std::string> parts;
};

// A host of the two panels without a main window: the lists, path fields and drive selectors,
// made and filled as the window makes and fills them at start (both sides on the start drive),
// the log, the settings, and the services the panels share. Its exeDir, where the handset
// panel's templates are looked for, is a fresh temporary directory.
class FakePanelHost : public PanelHost {
 public:
  explicit FakePanelHost(HandsetReach reach = UsbReach())
      : panels_(TemplatesDirectory(dir())),
        session_(owner_, log_, settings_, status_, progress_, std::move(reach)) {
    // Activating a file row would start the desktop's viewer.
    panels_.openFile = [](const QString&) {};
    for (int side : {kLeft, kRight}) {
      lists_[side] = new QTreeView(&owner_);
      pathFields_[side] = new QLineEdit(&owner_);
      selectors_[side] = new QComboBox(&owner_);
      fillDriveSelector(*this, side);
      selectors_[side]->insertItem(0, QStringLiteral("P2k Mobile phone"));
    }
    setupPanels(*this);
    for (int side : {kRight, kLeft}) {
      selectors_[side]->setCurrentIndex(kStartDriveEntry);
      selectLocalDrive(*this, side, kStartDriveEntry);
      fillLocalPanel(*this, side);
    }
  }

  std::filesystem::path dir() const { return directory_.path().toStdString(); }

  QWidget& dialogOwner() override { return owner_; }
  QTreeView* list(int side) const override { return lists_[side]; }
  QLineEdit* pathField(int side) const override { return pathFields_[side]; }
  QComboBox* driveSelector(int side) const override { return selectors_[side]; }
  PanelSide& panel(int side) override { return sides_[side]; }
  int activeSide() const override { return activeSide_; }
  void setActiveSide(int side) override { activeSide_ = side; }
  EventLog& eventLog() override { return log_; }
  Settings& settings() override { return settings_; }
  RecordedStatus& status() const override { return status_; }
  ProgressSink& progress() const override { return progress_; }
  PanelsState& panels() override { return panels_; }
  HandsetSession& handsetSession() override { return session_; }

 private:
  QTemporaryDir directory_;
  QWidget owner_;
  std::array<QTreeView*, 2> lists_{};
  std::array<QLineEdit*, 2> pathFields_{};
  std::array<QComboBox*, 2> selectors_{};
  std::array<PanelSide, 2> sides_{};
  int activeSide_ = kLeft;
  EventLog log_;
  Settings settings_;
  mutable RecordedStatus status_;
  mutable NullProgress progress_;
  PanelsState panels_;
  HandsetSession session_;
};

// A panel host wired to the small simulated handset.
struct HandsetHost {
  HandsetHost() : host(ManualReach(handset, discovery, clock)) { SeedSmallHandset(handset); }
  long ListRequests() const { return CountListRequests(handset); }

  p2ksim::SimulatedHandset handset;  // outlives the host
  // Set while the host is made, so declared before it.
  SimulatedDiscovery* discovery = nullptr;
  ManualClock* clock = nullptr;
  FakePanelHost host;
};

}  // namespace tollhaven::testing
