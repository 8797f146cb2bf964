// A panel that shows a local directory: switching drives, listing, walking and opening files.

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QTreeView>

#include "panels/ui/local_listing.h"
#include "panels/ui/panel_host.h"
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

bool selectLocalDrive(PanelHost& host, int side, int entry) {
  PanelsState& panels = host.panels();
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
      host.pathField(side)->setText(Normalised(directory));
      return true;
    }
  }
  // Like the system's own current directory, the field then shows where the process still is.
  host.pathField(side)->setText(Normalised(QDir::currentPath()));
  return false;
}

void fillLocalPanel(PanelHost& host, int side) {
  PanelsState& panels = host.panels();
  const QString directory = host.pathField(side)->text();
  Enter(directory);
  panels.model(side).SetRows(ListLocalDirectory(directory, panels.icons), PanelModel::Names::Local);
  const std::vector<DriveEntry>& drives = panels.drives[static_cast<std::size_t>(side)];
  const DriveEntry* shown = DriveOfEntry(panels, side, host.panel(side).driveIndex);
  const DriveEntry* on = panels.directories[static_cast<std::size_t>(side)].Remember(
      drives, directory.toStdString(), shown);
  // Drives nest (home lies on "/"): a walk up out of the drive the selector shows moves the
  // selector to the drive the directory is on, so it shows where the panel is and a re-read
  // stays in the directory instead of going back into the old drive.
  if (shown != nullptr && on != nullptr && on != shown) {
    const int entry = static_cast<int>(on - drives.data()) + 1;
    host.panel(side).driveIndex = entry;
    host.driveSelector(side)->setCurrentIndex(entry);
  }
  sortPanel(host, side);
}

void activateLocalRow(PanelHost& host, int side) {
  PanelsState& panels = host.panels();
  const QModelIndex focused = host.list(side)->currentIndex();
  if (!focused.isValid()) {
    return;
  }
  const QString name = panels.model(side).NameOf(focused.row());
  const QString candidate = host.pathField(side)->text() + QLatin1Char('/') + name;
  if (Enter(candidate)) {
    host.pathField(side)->setText(Normalised(candidate));
    fillLocalPanel(host, side);
  } else {
    panels.openFile(QDir::cleanPath(candidate));
  }
  sortPanel(host, side);
}

void FallBackToStartDrive(PanelHost& host, int side) {
  host.panel(side).driveIndex = kStartDriveEntry;
  SetColumn2Title(host, side, kLocalColumn2Title);
  host.driveSelector(side)->setCurrentIndex(kStartDriveEntry);
  selectLocalDrive(host, side, kStartDriveEntry);
  fillLocalPanel(host, side);
}

}  // namespace tollhaven
