// A panel that shows a local directory: switching drives, listing, walking and opening files.

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QTreeView>

#include "app/main_window.h"
#include "app/pending_commands.h"
#include "panels/ui/local_listing.h"
#include "panels/ui/panel_operations.h"
#include "panels/ui/panels_state.h"

namespace tollhaven {

namespace {

// Makes `directory` the process's current directory, as every listing and launch of a panel
// does first. True when it could be entered.
bool Enter(const QString& directory) {
  return !directory.isEmpty() && QFileInfo(directory).isDir() && QDir::setCurrent(directory);
}

// The path as the field shows it: absolute, ".." and "." resolved, no trailing separator but
// at a root.
QString Normalised(const QString& directory) {
  return QDir::cleanPath(QDir(directory).absolutePath());
}

}  // namespace

bool selectLocalDrive(MainWindow& window, int side, int entry) {
  PanelsState& panels = PanelsState::Of(window);
  const DriveEntry* drive = DriveOfEntry(panels, side, entry);
  DriveDirectories& directories = panels.directories[static_cast<std::size_t>(side)];
  bool entered = false;
  if (drive != nullptr) {
    QString directory = QString::fromStdString(directories.CurrentDirectory(*drive));
    entered = Enter(directory);
    if (!entered) {
      // The directory last shown from the drive is gone; the drive itself may still be there.
      directories.Forget(*drive);
      directory = QString::fromStdString(drive->root);
      entered = Enter(directory);
    }
    if (entered) {
      window.pathField(side)->setText(Normalised(directory));
      return true;
    }
  }
  // Like the system's own current directory, the field then shows where the process still is.
  window.pathField(side)->setText(Normalised(QDir::currentPath()));
  return false;
}

void fillLocalPanel(MainWindow& window, int side) {
  PanelsState& panels = PanelsState::Of(window);
  const QString directory = window.pathField(side)->text();
  Enter(directory);
  panels.model(side).SetRows(ListLocalDirectory(directory, panels.icons), PanelModel::Names::Local);
  const std::vector<DriveEntry>& drives = panels.drives[static_cast<std::size_t>(side)];
  const DriveEntry* shown = DriveOfEntry(panels, side, window.panel(side).driveIndex);
  const DriveEntry* on = panels.directories[static_cast<std::size_t>(side)].Remember(
      drives, directory.toStdString(), shown);
  // Drives nest (home lies on "/"): a walk up out of the drive the selector shows moves the
  // selector to the drive the directory is on, so it shows where the panel is and a re-read
  // stays in the directory instead of going back into the old drive.
  if (shown != nullptr && on != nullptr && on != shown) {
    const int entry = static_cast<int>(on - drives.data()) + 1;
    window.panel(side).driveIndex = entry;
    window.driveSelector(side)->setCurrentIndex(entry);
  }
  sortPanel(window, side);
}

void activateLocalRow(MainWindow& window, int side) {
  PanelsState& panels = PanelsState::Of(window);
  const QModelIndex focused = window.list(side)->currentIndex();
  if (!focused.isValid()) {
    return;
  }
  const QString name = panels.model(side).NameOf(focused.row());
  const QString candidate = window.pathField(side)->text() + QLatin1Char('/') + name;
  if (Enter(candidate)) {
    window.pathField(side)->setText(Normalised(candidate));
    fillLocalPanel(window, side);
  } else {
    panels.openFile(QDir::cleanPath(candidate));
  }
  sortPanel(window, side);
}

void FallBackToStartDrive(MainWindow& window, int side) {
  window.panel(side).driveIndex = kStartDriveEntry;
  SetColumn2Title(window, side, kLocalColumn2Title);
  window.driveSelector(side)->setCurrentIndex(kStartDriveEntry);
  selectLocalDrive(window, side, kStartDriveEntry);
  fillLocalPanel(window, side);
}

}  // namespace tollhaven
