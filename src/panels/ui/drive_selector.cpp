// The drive selectors above the panels: their entries, and switching a panel when one is chosen.

#include <QComboBox>
#include <QLineEdit>

#include "app/main_window.h"
#include "app/pending_commands.h"
#include "panels/ui/handset_session.h"
#include "panels/ui/panel_operations.h"
#include "panels/ui/panels_state.h"

namespace tollhaven {

void fillDriveSelector(MainWindow& window, int side) {
  PanelsState& panels = PanelsState::Of(window);
  std::vector<DriveEntry>& drives = panels.drives[static_cast<std::size_t>(side)];
  drives = LocalDrives();
  QComboBox* selector = window.driveSelector(side);
  selector->setIconSize(QSize(16, 16));
  for (const DriveEntry& drive : drives) {
    const int icon =
        drive.kind == DriveKind::Remote ? PanelIcons::kNetworkDrive : PanelIcons::kDrive;
    selector->addItem(panels.icons.Icon(icon), QString::fromStdString(driveEntryText(drive)));
  }
}

void onDriveChosen(MainWindow& window, int side) {
  QComboBox* selector = window.driveSelector(side);
  selector->hidePopup();
  window.setActiveSide(side);
  window.pathField(side)->setEnabled(true);
  window.pathField(1 - side)->setEnabled(false);

  PanelSide& panel = window.panel(side);
  panel.driveIndex = selector->currentIndex();
  if (panel.driveIndex >= 1) {
    SetColumn2Title(window, side, kLocalColumn2Title);
    if (!selectLocalDrive(window, side, panel.driveIndex)) {
      // A drive without a medium, or one that went away: the home directory instead.
      panel.driveIndex = kStartDriveEntry;
      selector->setCurrentIndex(kStartDriveEntry);
      selectLocalDrive(window, side, kStartDriveEntry);
    }
    fillLocalPanel(window, side);
  } else {
    SetColumn2Title(window, side, kHandsetColumn2Title);
    window.pathField(side)->setText(
        QStringLiteral("P2k:") +
        QString::fromLatin1(panel.handsetDir.data(),
                            static_cast<qsizetype>(panel.handsetDir.size())));
    HandsetSession& session = HandsetSession::Of(window);
    if (session.fileList().fileListLoaded == 0) {
      ConnectHandset(window);
    }
    fillHandsetPanel(window, side);
  }
  sortPanel(window, side);
}

}  // namespace tollhaven
