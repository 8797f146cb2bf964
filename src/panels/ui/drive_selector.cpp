// The drive selectors above the panels: their entries, and switching a panel when one is chosen.

#include <QComboBox>
#include <QLineEdit>

#include "panels/ui/handset_session.h"
#include "panels/ui/panel_host.h"
#include "panels/ui/panel_operations.h"
#include "panels/ui/panels_state.h"

namespace tollhaven {

void fillDriveSelector(PanelHost& host, int side) {
  PanelsState& panels = host.panels();
  std::vector<DriveEntry>& drives = panels.drives[static_cast<std::size_t>(side)];
  drives = LocalDrives();
  QComboBox* selector = host.driveSelector(side);
  selector->setIconSize(QSize(16, 16));
  for (const DriveEntry& drive : drives) {
    const int icon =
        drive.kind == DriveKind::Remote ? PanelIcons::kNetworkDrive : PanelIcons::kDrive;
    selector->addItem(panels.icons.Icon(icon), QString::fromStdString(driveEntryText(drive)));
  }
}

void onDriveChosen(PanelHost& host, int side) {
  QComboBox* selector = host.driveSelector(side);
  selector->hidePopup();
  host.setActiveSide(side);
  host.pathField(side)->setEnabled(true);
  host.pathField(1 - side)->setEnabled(false);

  PanelSide& panel = host.panel(side);
  panel.driveIndex = selector->currentIndex();
  if (panel.driveIndex >= 1) {
    SetColumn2Title(host, side, kLocalColumn2Title);
    if (!selectLocalDrive(host, side, panel.driveIndex)) {
      // A drive without a medium, or one that went away: the home directory instead.
      panel.driveIndex = kStartDriveEntry;
      selector->setCurrentIndex(kStartDriveEntry);
      selectLocalDrive(host, side, kStartDriveEntry);
    }
    fillLocalPanel(host, side);
  } else {
    SetColumn2Title(host, side, kHandsetColumn2Title);
    host.pathField(side)->setText(
        QStringLiteral("P2k:") +
        QString::fromLatin1(panel.handsetDir.data(),
                            static_cast<qsizetype>(panel.handsetDir.size())));
    HandsetSession& session = host.handsetSession();
    if (session.fileList().fileListLoaded == 0) {
      ConnectHandset(host);
    }
    fillHandsetPanel(host, side);
  }
  sortPanel(host, side);
}

}  // namespace tollhaven
