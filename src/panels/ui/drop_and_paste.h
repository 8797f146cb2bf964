#pragma once

#include <QList>
#include <QObject>
#include <QPoint>
#include <QString>
#include <QUrl>
#include <memory>

class QMimeData;
class QTemporaryDir;

namespace tollhaven {

class MainWindow;

// Copies one file into the side's directory: a plain copy that never overwrites onto a local
// panel, an upload onto a handset panel. Directories are not copied.
void dropOneFile(MainWindow& window, int side, const QString& source);
// The local files among `urls`, last first, each through dropOneFile.
void dropFiles(MainWindow& window, int side, const QList<QUrl>& urls);

// What dragging the side's selected rows out of the window offers other programs: the local
// files' URLs, or for a handset panel the files downloaded into `staging` first. Null when no
// file can be offered.
std::unique_ptr<QMimeData> DragOutData(MainWindow& window, int side, QTemporaryDir& staging);

// Takes drops and Ctrl+V on one list, and starts drags of its rows out of it.
class PanelDropHandler : public QObject {
  Q_OBJECT

 public:
  PanelDropHandler(MainWindow& window, int side);
  ~PanelDropHandler() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void StartDrag();

  MainWindow& window_;
  int side_;
  QPoint pressedAt_;
  bool pressedOnRow_ = false;
  // The files of the last drag out of a handset panel; kept until the next one, since the
  // program they were dropped on may still be copying them.
  std::unique_ptr<QTemporaryDir> staging_;
};

}  // namespace tollhaven
