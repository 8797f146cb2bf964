// Files dropped onto a list or pasted into it, and rows dragged out of it.
#include "panels/ui/drop_and_paste.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QDrag>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTreeView>
#include <filesystem>
#include <functional>
#include <iterator>
#include <string>

#include "handset/handset_names.h"
#include "panels/handset_volume.h"
#include "panels/ui/frozen_lists.h"
#include "panels/ui/handset_session.h"
#include "panels/ui/panel_host.h"
#include "panels/ui/panel_operations.h"
#include "panels/ui/selection_walk.h"
#include "support/local_files.h"
#include "support/status_sink.h"

namespace tollhaven {

namespace {

std::filesystem::path LocalPath(const QString& path) {
  return std::filesystem::path(path.toStdU16String());
}

void DropOntoLocal(PanelHost& host, int side, const QString& source, const QString& name) {
  const QString target = QDir(host.pathField(side)->text()).filePath(name);
  std::error_code error;
  {
    FrozenLists frozen(host);
    // A drop never overwrites: a file of that name stays as it is.
    if (CopyLocalFile(LocalPath(source), LocalPath(target), false, error) != LocalCopy::Copied) {
      host.eventLog().AppendLog("Copy failed: " + name.toStdString() + ": " + error.message());
    }
  }
  fillLocalPanel(host, side);
  RefillOtherIfSame(host, side);
  host.list(side)->setFocus(Qt::OtherFocusReason);
}

// Uploads one file into the handset panel's directory; false when it was cancelled, which stops
// the rest of the drop as it stops the rest of a selection.
bool DropOntoHandset(PanelHost& host, int side, const QString& source) {
  HandsetSession& session = host.handsetSession();
  EventLog& log = host.eventLog();
  FileOutcome outcome;
  {
    FrozenLists frozen(host);
    // The handset's commands stay out of the log during a drop; what went wrong is told once,
    // afterwards.
    log.logMuted = 1;
    outcome = session.files().Upload(LocalPath(source), host.panel(side).handsetDir);
    log.logMuted = 0;
  }
  if (outcome != FileOutcome::Done) {
    log.AppendLog(session.files().lastReport());
  }
  if (outcome != FileOutcome::Skipped) {
    showHandsetVolume(session.fileList(), host.status());
  }
  host.list(side)->setFocus(Qt::OtherFocusReason);
  fillHandsetPanel(host, side);
  sortPanel(host, side);
  RefillOtherIfSame(host, side);
  return !session.files().lastCancelled();
}

// Whether the side still shows a handset that can be reached: a failed upload's refill turns
// the panel to a local drive once the handset has gone.
bool HandsetStillThere(PanelHost& host, int side) {
  if (host.panel(side).driveIndex != 0) {
    return false;
  }
  HandsetSession& session = host.handsetSession();
  return session.connected() && !session.link().LinkLost();
}

QList<QUrl> FileUrls(const QMimeData* data) {
  return data != nullptr && data->hasUrls() ? data->urls() : QList<QUrl>{};
}

}  // namespace

void dropFiles(PanelHost& host, int side, const QList<QUrl>& urls) {
  // What the panel was when the files were let go decides: a drop onto the handset only ever
  // uploads, also once the handset has gone and the panel shows a local drive instead.
  const bool ontoHandset = host.panel(side).driveIndex == 0;
  for (auto url = urls.crbegin(); url != urls.crend(); ++url) {
    if (ontoHandset && !HandsetStillThere(host, side)) {
      const auto left = std::distance(url, urls.crend());
      host.eventLog().AppendLog("Skipped, the handset is gone: " + std::to_string(left) +
                                (left == 1 ? " file" : " files") + " not uploaded");
      return;
    }
    if (!url->isLocalFile()) {
      host.eventLog().AppendLog("Skipped, not a local file: " + url->toString().toStdString());
      continue;
    }
    const QString source = url->toLocalFile();
    const QFileInfo info(source);
    if (info.isDir()) {
      host.eventLog().AppendLog("Skipped, a directory: " + info.fileName().toStdString());
      continue;
    }
    if (!ontoHandset) {
      DropOntoLocal(host, side, source, info.fileName());
    } else if (!DropOntoHandset(host, side, source)) {
      return;
    }
  }
}

std::unique_ptr<QMimeData> DragOutData(PanelHost& host, int side, QTemporaryDir& staging) {
  SelectionWalk walk(host, side);
  QList<QUrl> urls;
  if (!walk.handset()) {
    const QDir directory(walk.localDirectory());
    for (int r = walk.First(); r != -1; r = walk.Next()) {
      urls << QUrl::fromLocalFile(directory.filePath(walk.shownName()));
    }
  } else {
    HandsetFiles& files = host.handsetSession().files();
    for (int r = walk.First(); r != -1; r = walk.Next()) {
      const HandsetItem item = walk.handsetItem();
      if (files.Download(walk.handsetDirectory(), item, LocalPath(staging.path())) ==
          FileOutcome::Done) {
        urls << QUrl::fromLocalFile(QDir(staging.path()).filePath(walk.shownName()));
      }
      // Cancel gives up the whole drag, not just the file under way.
      if (files.lastCancelled()) {
        return nullptr;
      }
    }
  }
  if (urls.isEmpty()) {
    return nullptr;
  }
  auto data = std::make_unique<QMimeData>();
  data->setUrls(urls);
  return data;
}

PanelDropHandler::PanelDropHandler(PanelHost& host, int side)
    : QObject(host.list(side)), host_(host), side_(side), list_(host.list(side)) {
  list_->setAcceptDrops(true);
  list_->viewport()->setAcceptDrops(true);
  list_->installEventFilter(this);
  list_->viewport()->installEventFilter(this);
}

PanelDropHandler::~PanelDropHandler() = default;

bool PanelDropHandler::eventFilter(QObject* watched, QEvent* event) {
  // The list's own events reach this filter while the host goes, so it is not asked for it.
  QTreeView* list = list_;
  switch (event->type()) {
    case QEvent::KeyPress:
      if (watched == list && static_cast<QKeyEvent*>(event)->matches(QKeySequence::Paste)) {
        // Only files: text on the clipboard is nothing to copy.
        if (!working_) {
          Work([&] { dropFiles(host_, side_, FileUrls(QApplication::clipboard()->mimeData())); });
        }
        return true;
      }
      return false;
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto* drag = static_cast<QDropEvent*>(event);
      // Rows dragged within their own list are no drop, and nor is anything while the files of
      // the last one are still under way.
      if (!working_ && drag->source() != list && !FileUrls(drag->mimeData()).isEmpty()) {
        drag->setDropAction(Qt::CopyAction);
        drag->accept();
      } else {
        drag->ignore();
      }
      return true;
    }
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(event);
      if (working_ || drop->source() == list) {
        drop->ignore();
        return true;
      }
      drop->setDropAction(Qt::CopyAction);
      drop->accept();
      // The desktop's drag ends with this event; the uploads and their wait dialogs come after
      // it, so no dialog's loop runs inside the drag.
      working_ = true;
      QMetaObject::invokeMethod(
          this,
          [this, urls = FileUrls(drop->mimeData())] {
            Work([&] { dropFiles(host_, side_, urls); });
          },
          Qt::QueuedConnection);
      return true;
    }
    case QEvent::MouseButtonPress: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      pressedAt_ = mouse->position().toPoint();
      pressedOnRow_ = watched == list->viewport() && mouse->button() == Qt::LeftButton &&
                      list->indexAt(pressedAt_).isValid();
      return false;
    }
    case QEvent::MouseMove: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (pressedOnRow_ && !working_ && (mouse->buttons() & Qt::LeftButton) &&
          (mouse->position().toPoint() - pressedAt_).manhattanLength() >=
              QApplication::startDragDistance()) {
        pressedOnRow_ = false;
        if (host_.panel(side_).driveIndex == 0) {
          // The handset's files are fetched first, each under its wait dialog: after this
          // event, not inside it, where the dialog's loop could swallow the button's release.
          working_ = true;
          QMetaObject::invokeMethod(
              this, [this] { Work([this] { StartDrag(); }); }, Qt::QueuedConnection);
        } else {
          StartDrag();
        }
        return true;
      }
      return false;
    }
    default:
      return false;
  }
}

void PanelDropHandler::Work(const std::function<void()>& work) {
  working_ = true;
  work();
  working_ = false;
}

void PanelDropHandler::StartDrag() {
  auto staging = std::make_unique<QTemporaryDir>();
  if (!staging->isValid()) {
    return;
  }
  std::unique_ptr<QMimeData> data = DragOutData(host_, side_, *staging);
  if (!data) {
    return;
  }
  // The button may have been let go while the handset's files came; a drag started then would
  // stick to the cursor until the next click.
  if (host_.panel(side_).driveIndex == 0 && !(QGuiApplication::mouseButtons() & Qt::LeftButton)) {
    host_.eventLog().AppendLog(
        "Drag not started: the mouse button was released before the files were ready.");
    return;
  }
  staging_ = std::move(staging);
  emit dragStarted(data->urls());
  auto* drag = new QDrag(list_);
  drag->setMimeData(data.release());
  drag->exec(Qt::CopyAction);
}

void installDropHandlers(PanelHost& host) {
  for (int side : {kLeft, kRight}) {
    new PanelDropHandler(host, side);
  }
}

}  // namespace tollhaven
