// A panel that shows a directory of the handset, built from the cached file list.

#include <QLineEdit>
#include <QTreeView>

#include "app/main_window.h"
#include "app/pending_commands.h"
#include "app/status_bar.h"
#include "panels/handset_view.h"
#include "panels/ui/handset_session.h"
#include "panels/ui/panel_operations.h"
#include "panels/ui/panels_state.h"
#include "support/ui/wait_dialog.h"

namespace tollhaven {

void fillHandsetPanel(MainWindow& window, int side) {
  PanelsState& panels = PanelsState::Of(window);
  HandsetSession& session = HandsetSession::Of(window);
  PhoneFileList& list = session.fileList();
  const HandsetFillRequest request{side, window.panel(side).handsetDir, session.connected(),
                                   session.patchRunning};
  // The wait dialog holds the window until the worker has let go of the list.
  bool cancelled = false;
  const auto load = [&] {
    // A Cancel pressed after the last chunk came is too late to count.
    cancelled = RunWorker(&window, session.signal(),
                          [&] {
                            list.FileListWorker(session.signal(), session.files().progress());
                          }) != 0 &&
                session.signal().CancelRequested();
  };
  std::vector<PanelRow> rows;
  switch (fillHandsetPanel(request, list, panels.templates, load, rows)) {
    case HandsetFillOutcome::Filled:
      panels.model(side).SetRows(std::move(rows), PanelModel::Names::Handset);
      break;
    case HandsetFillOutcome::FallBackToLocal:
      FallBackToStartDrive(window, side);
      break;
    case HandsetFillOutcome::NothingDone:
      break;
  }
  // The panel shows what it has, but a cancelled load is fetched again on the next fill.
  if (cancelled) {
    list.MarkNotLoaded();
  }
}

void activateHandsetRow(MainWindow& window, int side) {
  PanelModel& model = PanelsState::Of(window).model(side);
  const QModelIndex focused = window.list(side)->currentIndex();
  if (!focused.isValid() || static_cast<std::size_t>(focused.row()) >= model.rows().size()) {
    return;
  }
  const std::optional<std::string> path =
      activateHandsetRow(model.rows()[static_cast<std::size_t>(focused.row())],
                         window.pathField(side)->text().toLatin1().toStdString());
  if (!path) {
    return;
  }
  window.pathField(side)->setText(
      QString::fromLatin1(path->data(), static_cast<qsizetype>(path->size())));
  window.panel(side).handsetDir = HandsetDirOf(*path);
  fillHandsetPanel(window, side);
  sortPanel(window, side);
}

void ConnectHandset(MainWindow& window) {
  HandsetSession::Of(window).ConnectAndLoadVolumes(window.status());
}

void InvalidateFileList(MainWindow& window) {
  HandsetSession::Of(window).fileList().MarkNotLoaded();
}

void ReleaseFileList(MainWindow& window) {
  // A window that never reached for the handset has no list to release.
  auto* session = window.findChild<HandsetSession*>(QString(), Qt::FindDirectChildrenOnly);
  if (session == nullptr) {
    return;
  }
  session->fileList().Release();
}

}  // namespace tollhaven
