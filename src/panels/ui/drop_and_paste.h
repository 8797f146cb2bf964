#pragma once

#include <QList>
#include <QObject>
#include <QPoint>
#include <QString>
#include <QUrl>
#include <functional>
#include <memory>

class QMimeData;
class QTemporaryDir;
class QTreeView;

namespace tollhaven {

class PanelHost;

// Copies the local files among `urls`, last first, into the side's directory: a plain copy that
// never overwrites onto a local panel, an upload onto a handset panel. Directories are not
// copied. Cancel in a wait dialog stops the rest; so does a handset that has gone, with one line
// for the files left.
void dropFiles(PanelHost& host, int side, const QList<QUrl>& urls);

// What dragging the side's selected rows out of the window offers other programs: the local
// files' URLs, or for a handset panel the files downloaded into `staging` first. Null when no
// file can be offered or a download was cancelled.
std::unique_ptr<QMimeData> DragOutData(PanelHost& host, int side, QTemporaryDir& staging);

// Takes drops and Ctrl+V on one list, and starts drags of its rows out of it.
class PanelDropHandler : public QObject {
  Q_OBJECT

 public:
  PanelDropHandler(PanelHost& host, int side);
  ~PanelDropHandler() override;

 signals:
  // A drag of these files out of the list is about to start.
  void dragStarted(const QList<QUrl>& urls);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // A drag out of the list. Out of a handset panel it comes after the event that began it: a
  // file drag names files that must be there once it is dropped, and the desktops cannot have
  // them fetched later, so they are fetched before it starts.
  void StartDrag();
  // Runs a drop, a paste or the fetching for a drag out; no other is taken until it ends.
  void Work(const std::function<void()>& work);

  PanelHost& host_;
  int side_;
  QTreeView* list_;  // the list watched, this handler's parent
  QPoint pressedAt_;
  bool pressedOnRow_ = false;
  // A drop, a paste or a drag out is queued or under way.
  bool working_ = false;
  // The files of the last drag out of a handset panel; kept until the next one, since the
  // program they were dropped on may still be copying them.
  std::unique_ptr<QTemporaryDir> staging_;
};

}  // namespace tollhaven
