// Setting up the two lists, sorting them, the column clicks and the selection restore.

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTreeView>

#include "app/main_window.h"
#include "app/pending_commands.h"
#include "panels/selection_restore.h"
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

void setupPanels(MainWindow& window) {
  PanelsState& panels = PanelsState::Of(window);
  for (int side : {kLeft, kRight}) {
    QTreeView* list = window.list(side);
    QAbstractItemModel* placeholder = list->model();
    list->setModel(&panels.model(side));
    if (placeholder != nullptr && placeholder->parent() == list) {
      placeholder->deleteLater();
    }
    SetupPanelList(list);
  }
}

void SortSide(MainWindow& window, int side, int mode) {
  PanelsState& panels = PanelsState::Of(window);
  PanelModel& model = panels.model(side);
  model.Sort(mode, panels.NameComparison(model));
  restoreSelection(window, side, window.panel(side).rememberedRow);
}

void sortPanel(MainWindow& window, int side) {
  SortSide(window, side, PanelsState::Of(window).sort.nameSortMode);
}

void restoreSelection(MainWindow& window, int side, int row) {
  QTreeView* list = window.list(side);
  if (list->selectionModel() == nullptr) {
    return;
  }
  ListSelection selection(list);
  tollhaven::restoreSelection(selection, side, row);
}

void onColumnClick(MainWindow& window, int side, int column) {
  PanelsState& panels = PanelsState::Of(window);
  PanelModel& model = panels.model(side);
  PanelHeader header = model.header();
  const int mode = tollhaven::onColumnClick(panels.sort, header, column);
  if (mode == 0) {
    return;
  }
  model.SetHeader(header);
  SortSide(window, side, mode);
}

void SetColumn2Title(MainWindow& window, int side, std::string_view title) {
  PanelModel& model = PanelsState::Of(window).model(side);
  PanelHeader header = model.header();
  setColumn2Title(header, title);
  model.SetHeader(header);
}

}  // namespace tollhaven
