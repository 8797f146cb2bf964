// Setting up the two lists, sorting them, the column clicks and the selection restore.

#include <QDir>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QTreeView>

#include "panels/selection_restore.h"
#include "panels/ui/panel_host.h"
#include "panels/ui/panel_list_look.h"
#include "panels/ui/panel_operations.h"
#include "panels/ui/panels_state.h"

namespace tollhaven {

namespace {

// restoreSelection's view of a list.
class ListSelection : public RowSelection {
 public:
  explicit ListSelection(QTreeView* list) : list_(list) {}

  int RowCount() const override { return list_->model()->rowCount(); }
  void GiveKeyboardFocus() override { list_->setFocus(Qt::OtherFocusReason); }
  void ClearAll() override {
    list_->selectionModel()->clearSelection();
    list_->selectionModel()->clearCurrentIndex();
  }
  void SelectAndFocus(int row) override {
    const QModelIndex index = list_->model()->index(row, 0);
    list_->selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    list_->scrollTo(index);
  }

 private:
  QTreeView* list_;
};

}  // namespace

void setupPanels(PanelHost& host) {
  PanelsState& panels = host.panels();
  for (int side : {kLeft, kRight}) {
    QTreeView* list = host.list(side);
    QAbstractItemModel* placeholder = list->model();
    list->setModel(&panels.model(side));
    if (placeholder != nullptr && placeholder->parent() == list) {
      placeholder->deleteLater();
    }
    SetupPanelList(list);
    QObject::connect(&panels.model(side), &QAbstractItemModel::modelReset, list,
                     [list] { FitSizeColumn(list); });
  }
}

void SortSide(PanelHost& host, int side, int mode) {
  PanelsState& panels = host.panels();
  PanelModel& model = panels.model(side);
  model.Sort(mode, panels.NameComparison(model));
  restoreSelection(host, side, host.panel(side).rememberedRow);
}

void sortPanel(PanelHost& host, int side) {
  SortSide(host, side, host.panels().sort.nameSortMode);
}

void restoreSelection(PanelHost& host, int side, int row) {
  QTreeView* list = host.list(side);
  if (list->selectionModel() == nullptr) {
    return;
  }
  ListSelection selection(list);
  tollhaven::restoreSelection(selection, side, row);
}

void onColumnClick(PanelHost& host, int side, int column) {
  PanelsState& panels = host.panels();
  PanelModel& model = panels.model(side);
  PanelHeader header = model.header();
  const int mode = tollhaven::onColumnClick(panels.sort, header, column);
  if (mode == 0) {
    return;
  }
  model.SetHeader(header);
  SortSide(host, side, mode);
}

void SetColumn2Title(PanelHost& host, int side, std::string_view title) {
  PanelModel& model = host.panels().model(side);
  PanelHeader header = model.header();
  setColumn2Title(header, title);
  model.SetHeader(header);
}

void RefillOtherIfSame(PanelHost& host, int side) {
  const int other = 1 - side;
  const PanelSide& changed = host.panel(side);
  const PanelSide& shown = host.panel(other);
  const bool handset = shown.driveIndex == 0;
  if (handset != (changed.driveIndex == 0)) {
    return;
  }
  if (handset) {
    if (shown.handsetDir == changed.handsetDir) {
      fillHandsetPanel(host, other);
      sortPanel(host, other);
    }
  } else if (QDir(host.pathField(other)->text()) == QDir(host.pathField(side)->text())) {
    fillLocalPanel(host, other);
  }
}

}  // namespace tollhaven
