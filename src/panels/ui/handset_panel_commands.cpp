// A panel that shows a directory of the handset, built from the cached file list.

#include <QLineEdit>
#include <QTreeView>

#include "panels/handset_view.h"
#include "panels/ui/handset_session.h"
#include "panels/ui/panel_host.h"
#include "panels/ui/panel_operations.h"
#include "panels/ui/panels_state.h"
#include "support/status_sink.h"
#include "support/ui/wait_dialog.h"

namespace tollhaven {

void fillHandsetPanel(PanelHost& host, int side) {
  PanelsState& panels = host.panels();
  HandsetSession& session = host.handsetSession();
  PhoneFileList& list = session.fileList();
  const HandsetFillRequest request{side, host.panel(side).handsetDir, session.connected(),
                                   session.patchRunning};
  // The wait dialog holds the window until the worker has let go of the list.
  bool cancelled = false;
  const auto load = [&] {
    // A Cancel pressed after the last chunk came is too late to count.
    cancelled = RunWorker(&host.dialogOwner(), session.signal(),
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
      FallBackToStartDrive(host, side);
      break;
    case HandsetFillOutcome::NothingDone:
      break;
  }
  // The panel shows what it has, but a cancelled load is fetched again on the next fill.
  if (cancelled) {
    list.MarkNotLoaded();
  }
}

void activateHandsetRow(PanelHost& host, int side) {
  PanelModel& model = host.panels().model(side);
  const QModelIndex focused = host.list(side)->currentIndex();
  if (!focused.isValid() || static_cast<std::size_t>(focused.row()) >= model.rows().size()) {
    return;
  }
  const std::optional<std::string> path =
      activateHandsetRow(model.rows()[static_cast<std::size_t>(focused.row())],
                         host.pathField(side)->text().toLatin1().toStdString());
  if (!path) {
    return;
  }
  host.pathField(side)->setText(
      QString::fromLatin1(path->data(), static_cast<qsizetype>(path->size())));
  host.panel(side).handsetDir = HandsetDirOf(*path);
  fillHandsetPanel(host, side);
  sortPanel(host, side);
}

void ConnectHandset(PanelHost& host) {
  host.handsetSession().ConnectAndLoadVolumes(host.status());
}

void InvalidateFileList(PanelHost& host) {
  host.handsetSession().fileList().MarkNotLoaded();
}

}  // namespace tollhaven
