// Command dispatch of the main window: menu items, buttons and keys, and what the lists and path
// fields tell it.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTreeView>

#include "app/command_dispatch.h"
#include "app/control_ids.h"
#include "app/dialogs.h"
#include "app/file_operations.h"
#include "app/main_window.h"
#include "app/shell_integration_commands.h"
#include "panels/ui/panel_operations.h"

namespace tollhaven {

void MainWindow::OnCommand(int id) {
  emit commandReceived(id);
  switch (id) {
    case ids::kMenuExit:
      close();
      return;
    case ids::kMenuAbout:
      ShowAboutDialog(this);
      return;
    case ids::kMenuOptions:
      ShowOptionsDialog(this, settings_,
                        [this](bool autoStart) { ApplyAutoStart(*this, autoStart); });
      return;
    case ids::kMenuRestart:
      // Unlike the button, the menu item keeps the cached handset list.
      PhoneRestart(*this);
      return;
    default:
      break;
  }

  switch (ButtonForMenuCommand(id)) {
    case ids::kRestartButton:
      InvalidateFileList(*this);
      PhoneRestart(*this);
      break;
    case ids::kEditButton:
      EditItem(*this);
      break;
    case ids::kViewButton:
      ViewItem(*this);
      break;
    case ids::kMoveButton:
      // Move has never had an action of its own.
      break;
    case ids::kDeleteButton:
      DeleteSelection(*this);
      break;
    case ids::kCopyButton:
      CopySelection(*this);
      break;
    case ids::kNewFolderButton:
      NewFolder(*this);
      break;
    case ids::kAttributesButton:
      EditAttributes(*this);
      break;
    case ids::kRereadKey:
      RereadPanel(activeSide_);
      break;
    case ids::kLeftRereadButton:
      RereadPanel(kLeft);
      break;
    case ids::kRightRereadButton:
      RereadPanel(kRight);
      break;
    case ids::kTabKey:
      Tab();
      break;
    case ids::kRightSelectorKey:
      OpenDriveSelector(kRight);
      break;
    case ids::kLeftSelectorKey:
      OpenDriveSelector(kLeft);
      break;
    case ids::kCloseKey:
      close();
      break;
    case ids::kBackKey:
      GoUp();
      break;
    case ids::kSelectKey:
      SelectAndAdvance();
      break;
    default:
      break;
  }
}

void MainWindow::SetPathFieldEnabling(int side) {
  pathFields_[side]->setEnabled(true);
  pathFields_[1 - side]->setEnabled(false);
}

void MainWindow::Tab() {
  tabSwitch_ = true;
  if (QApplication::focusWidget() == lists_[kLeft]) {
    activeSide_ = kRight;
  } else {
    activeSide_ = kLeft;
  }
  lists_[activeSide_]->setFocus(Qt::TabFocusReason);
  SetPathFieldEnabling(activeSide_);
}

void MainWindow::OpenDriveSelector(int side) {
  selectors_[side]->setFocus(Qt::ShortcutFocusReason);
  selectors_[side]->showPopup();
}

void MainWindow::GoUp() {
  const int side = activeSide_;
  const QString path = pathFields_[side]->text();
  if (sides_[side].driveIndex == 0) {
    // "P2k:" and the handset root "/" leave three characters: the root has no parent.
    if (path.size() - 2 <= 3) {
      return;
    }
  } else if (path.isEmpty() || QDir(path).isRoot()) {
    // A file-system root has no ".." row. The length alone cannot tell: "/usr" is no root.
    return;
  }
  QTreeView* list = lists_[side];
  QAbstractItemModel* rows = list->model();
  if (rows == nullptr || rows->rowCount(list->rootIndex()) == 0) {
    return;
  }
  const QModelIndex first = rows->index(0, 0, list->rootIndex());
  list->selectionModel()->setCurrentIndex(first,
                                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
  if (sides_[side].driveIndex == 0) {
    activateHandsetRow(*this, side);
  } else {
    activateLocalRow(*this, side);
  }
}

void MainWindow::SelectAndAdvance() {
  // Always the left list, whichever side is active.
  QTreeView* list = lists_[kLeft];
  QAbstractItemModel* rows = list->model();
  QItemSelectionModel* selection = list->selectionModel();
  if (rows == nullptr || selection == nullptr) {
    return;
  }
  const QModelIndex root = list->rootIndex();
  const int count = rows->rowCount(root);
  const QModelIndex focused = selection->currentIndex();
  const int row = focused.isValid() ? focused.row() : -1;
  if (row < 0) {
    // With no focused row the selection takes in every row.
    if (count > 0) {
      selection->select(QItemSelection(rows->index(0, 0, root), rows->index(count - 1, 0, root)),
                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
  } else {
    selection->setCurrentIndex(rows->index(row, 0, root),
                               QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
  if (row + 1 < count) {
    selection->setCurrentIndex(rows->index(row + 1, 0, root), QItemSelectionModel::NoUpdate);
  }
}

void MainWindow::RereadPanel(int side) {
  PanelSide& panel = sides_[side];
  if (panel.driveIndex == 0) {
    ConnectHandset(*this);
    InvalidateFileList(*this);
    fillHandsetPanel(*this, side);
  } else {
    activeSide_ = side;
    SetPathFieldEnabling(side);
    selectors_[side]->clear();
    fillDriveSelector(*this, side);
    InsertHandsetEntry(side);
    selectors_[side]->setCurrentIndex(panel.driveIndex);
    if (!selectLocalDrive(*this, side, panel.driveIndex)) {
      panel.driveIndex = 2;
      selectors_[side]->setCurrentIndex(2);
      selectLocalDrive(*this, side, 2);
    }
    fillLocalPanel(*this, side);
  }
  sortPanel(*this, side);
}

void MainWindow::RefreshRightPanel() {
  if (sides_[kRight].driveIndex == 0) {
    fillHandsetPanel(*this, kRight);
  } else {
    fillLocalPanel(*this, kRight);
  }
}

void MainWindow::EnableForPanelKind(int side) {
  const bool handset = sides_[side].driveIndex == 0;
  attributesButton_->setEnabled(handset);
  viewButton_->setEnabled(!handset);
  editButton_->setEnabled(!handset);
  attributesAction_->setEnabled(handset);
  viewAction_->setEnabled(!handset);
  editAction_->setEnabled(!handset);
}

void MainWindow::OnListNotification(int side, ListEvent event, int column) {
  if (!tabSwitch_) {
    SetPathFieldEnabling(side);
    EnableForPanelKind(side);
  }
  activeSide_ = side;
  switch (event) {
    case ListEvent::Activated:
      if (sides_[side].driveIndex == 0) {
        activateHandsetRow(*this, side);
      } else {
        activateLocalRow(*this, side);
      }
      tabSwitch_ = false;
      break;
    case ListEvent::ColumnClicked:
      onColumnClick(*this, side, column);
      break;
    case ListEvent::Other:
      break;
  }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (watched == client_) {
    if (type == QEvent::Resize) {
      OnClientResized();
    }
    return false;
  }
  if (watched == splitterHandle_) {
    OnSplitterMouse(event);
    return false;
  }
  for (int side : {kLeft, kRight}) {
    if (watched == pathFields_[side]) {
      if (type == QEvent::FocusOut) {
        // The path fields only show where a panel is: whatever was typed is taken back.
        while (pathFields_[side]->isUndoAvailable()) {
          pathFields_[side]->undo();
        }
      }
      return false;
    }
    if (watched == lists_[side] || watched == lists_[side]->viewport()) {
      switch (type) {
        case QEvent::FocusIn:
        case QEvent::KeyPress:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
          OnListNotification(side, ListEvent::Other);
          break;
        default:
          break;
      }
      return false;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void MainWindow::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange) {
    // Coming back to the window, the keyboard is where the active panel is.
    lists_[activeSide_]->setFocus(Qt::ActiveWindowFocusReason);
  }
  QMainWindow::changeEvent(event);
}

}  // namespace tollhaven
