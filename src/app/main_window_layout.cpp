// The main window's side of the layout and the splitter: reading and placing the controls. The
// pixel rules themselves are in window_layout.cpp and splitter_drag.cpp.
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTreeView>
#include <algorithm>

#include "app/event_log_view.h"
#include "app/main_window.h"
#include "app/progress_bar.h"

namespace tollhaven {
namespace {

Rect FromQRect(const QRect& r) {
  return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

// A window smaller than the button block squeezes controls to nothing rather than turning them
// inside out.
QRect ToQRect(const Rect& r) {
  return QRect(r.left, r.top, std::max(0, r.width()), std::max(0, r.height()));
}

}  // namespace

LayoutRects MainWindow::layoutRects() const {
  LayoutRects r;
  r.leftList = FromQRect(lists_[kLeft]->geometry());
  r.rightList = FromQRect(lists_[kRight]->geometry());
  r.leftPath = FromQRect(pathFields_[kLeft]->geometry());
  r.rightPath = FromQRect(pathFields_[kRight]->geometry());
  r.rightSelector = FromQRect(selectors_[kRight]->geometry());
  r.rightReread = FromQRect(rereadButtons_[kRight]->geometry());
  r.view = FromQRect(viewButton_->geometry());
  r.edit = FromQRect(editButton_->geometry());
  r.attributes = FromQRect(attributesButton_->geometry());
  r.restart = FromQRect(restartButton_->geometry());
  r.move = FromQRect(moveButton_->geometry());
  r.copy = FromQRect(copyButton_->geometry());
  r.newFolder = FromQRect(newFolderButton_->geometry());
  r.remove = FromQRect(deleteButton_->geometry());
  r.progress = FromQRect(progressBar_->geometry());
  r.eventLog = FromQRect(logView_->geometry());
  return r;
}

void MainWindow::ApplyRects(const LayoutRects& r) {
  lists_[kLeft]->setGeometry(ToQRect(r.leftList));
  lists_[kRight]->setGeometry(ToQRect(r.rightList));
  pathFields_[kLeft]->setGeometry(ToQRect(r.leftPath));
  pathFields_[kRight]->setGeometry(ToQRect(r.rightPath));
  selectors_[kRight]->setGeometry(ToQRect(r.rightSelector));
  rereadButtons_[kRight]->setGeometry(ToQRect(r.rightReread));
  viewButton_->setGeometry(ToQRect(r.view));
  editButton_->setGeometry(ToQRect(r.edit));
  attributesButton_->setGeometry(ToQRect(r.attributes));
  restartButton_->setGeometry(ToQRect(r.restart));
  moveButton_->setGeometry(ToQRect(r.move));
  copyButton_->setGeometry(ToQRect(r.copy));
  newFolderButton_->setGeometry(ToQRect(r.newFolder));
  deleteButton_->setGeometry(ToQRect(r.remove));
  progressBar_->setGeometry(ToQRect(r.progress));
  logView_->setGeometry(ToQRect(r.eventLog));
  PlaceSplitterHandle();
}

void MainWindow::SetFilenameWidth(int side, int width) {
  lists_[side]->setColumnWidth(0, width);
}

void MainWindow::PlaceSplitterHandle() {
  if (splitterHandle_ == nullptr) {
    return;
  }
  // The gap between the lists, from the top down to the right list's bottom edge.
  const QRect left = lists_[kLeft]->geometry();
  const QRect right = lists_[kRight]->geometry();
  const int splitX = left.left() + left.width();
  splitterHandle_->setGeometry(splitX, 0, kSplitGap, right.top() + right.height());
  splitterHandle_->raise();
}

void MainWindow::OnClientResized() {
  if (isMinimized()) {
    return;
  }
  const WindowSize window = WindowSizeForClient(client_->width(), client_->height());
  // One repaint for the whole move.
  client_->setUpdatesEnabled(false);
  LayoutRects rects = layoutRects();
  if (!isMaximized()) {
    if (const std::optional<int> split = RestoreClampSplit(rects, window)) {
      MoveSplit(rects, *split);
    }
  }
  LayoutMainWindow(rects, window);
  ApplyRects(rects);
  client_->setUpdatesEnabled(true);
  if (const std::optional<int> width = FilenameWidthAfterLayout(window)) {
    SetFilenameWidth(kLeft, *width);
    SetFilenameWidth(kRight, *width);
  }
}

void MainWindow::OnSplitterMouse(QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove &&
      type != QEvent::MouseButtonRelease) {
    return;
  }
  auto* mouse = static_cast<QMouseEvent*>(event);
  const bool onlyLeft =
      mouse->buttons() == Qt::LeftButton &&
      (mouse->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier)) == Qt::NoModifier;
  if (type == QEvent::MouseButtonPress) {
    if (onlyLeft) {
      splitterDrag_.Begin();
    }
    return;
  }
  if (type == QEvent::MouseButtonRelease) {
    if (mouse->button() == Qt::LeftButton && splitterDrag_.End()) {
      selectors_[kRight]->update();
      rereadButtons_[kRight]->update();
      RefreshRightPanel();
    }
    return;
  }
  const int x = splitterHandle_->mapTo(client_, mouse->position().toPoint()).x();
  LayoutRects rects = layoutRects();
  switch (splitterDrag_.Move(rects, x, onlyLeft)) {
    case SplitterDrag::Step::Moved:
      ApplyRects(rects);
      for (int side : {kLeft, kRight}) {
        const Rect& list = side == kLeft ? rects.leftList : rects.rightList;
        if (const std::optional<int> width = FilenameWidthAfterDrag(list.width())) {
          SetFilenameWidth(side, *width);
        }
      }
      break;
    case SplitterDrag::Step::Refused:
      RefreshRightPanel();
      break;
    case SplitterDrag::Step::Released:
    case SplitterDrag::Step::Ignored:
      break;
  }
}

}  // namespace tollhaven
