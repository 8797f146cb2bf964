#include "app/handset_transfers.h"

#include <QDir>
#include <filesystem>

#include "app/main_window.h"
#include "app/status_bar.h"
#include "handset/handset_names.h"
#include "panels/handset_volume.h"
#include "panels/ui/handset_session.h"
#include "panels/ui/panel_operations.h"
#include "panels/ui/selection_walk.h"

namespace tollhaven {

void UploadSelection(MainWindow& window) {
  HandsetSession& session = window.handsetSession();
  EventLog& log = window.eventLog();
  SelectionWalk walk(window, window.activeSide());
  log.AppendLog(walk.side() == kLeft ? "Uploading Left to Right:" : "Uploading Right to Left:");
  const QDir source(walk.localDirectory());
  const std::string destination = walk.otherHandsetDirectory();
  for (int r = walk.First(); r != -1; r = walk.Next()) {
    const QString name = walk.shownName();
    log.AppendLog(name.toStdString());
    const std::filesystem::path file = source.filePath(name).toStdU16String();
    if (session.files().Upload(file, destination) != FileOutcome::Skipped) {
      showHandsetVolume(session.fileList(), window.status());
    }
    // Cancel stops the whole selection, not just the file under way.
    if (session.files().lastCancelled()) {
      break;
    }
  }
  // The new files come from the cached list: no need to read the handset again.
  fillHandsetPanel(window, walk.other());
  sortPanel(window, walk.other());
}

void DownloadSelection(MainWindow& window) {
  HandsetSession& session = window.handsetSession();
  EventLog& log = window.eventLog();
  SelectionWalk walk(window, window.activeSide());
  log.AppendLog(walk.side() == kLeft ? "Downloading Left to Right:" : "Downloading Right to Left:");
  const QString destination = walk.otherLocalDirectory();
  for (int r = walk.First(); r != -1; r = walk.Next()) {
    log.AppendLog(Utf8FromHandsetName(walk.handsetPath()));
    const HandsetItem item = walk.handsetItem();
    log.AppendLog(QDir(destination).filePath(walk.shownName()).toStdString());
    session.files().Download(walk.handsetDirectory(), item, destination.toStdU16String());
    if (session.files().lastCancelled()) {
      break;
    }
  }
  fillLocalPanel(window, walk.other());
}

}  // namespace tollhaven
