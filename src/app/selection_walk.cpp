#include "app/selection_walk.h"

#include <QItemSelectionModel>
#include <QLineEdit>
#include <QTreeView>

#include "app/main_window.h"
#include "handset/handset_names.h"
#include "panels/handset_view.h"
#include "panels/ui/panels_state.h"
#include "support/text_helpers.h"

namespace tollhaven {

SelectionWalk::SelectionWalk(MainWindow& window, int side) : window_(window), side_(side) {}

int SelectionWalk::Next(int start) {
  const PanelModel& model = PanelsState::Of(window_).model(side_);
  const QItemSelectionModel* selection = window_.list(side_)->selectionModel();
  if (selection == nullptr) {
    return -1;
  }
  const int rows = model.rowCount();
  for (int r = std::max(start + 1, 0); r < rows; ++r) {
    const PanelRow& candidate = model.rows()[static_cast<std::size_t>(r)];
    if (!selection->isRowSelected(r) || candidate.name == kParentRowName) {
      continue;
    }
    currentRow = r;
    window_.panel(side_).rememberedRow = r;
    row = candidate;
    return r;
  }
  return -1;
}

bool SelectionWalk::handset() const {
  return window_.panel(side_).driveIndex == 0;
}

bool SelectionWalk::otherHandset() const {
  return window_.panel(other()).driveIndex == 0;
}

QString SelectionWalk::shownName() const {
  return PanelsState::Of(window_).model(side_).Text(row.name);
}

QString SelectionWalk::localDirectory() const {
  return window_.pathField(side_)->text();
}

QString SelectionWalk::otherLocalDirectory() const {
  return window_.pathField(other())->text();
}

std::string SelectionWalk::handsetDirectory() const {
  return window_.panel(side_).handsetDir;
}

std::string SelectionWalk::otherHandsetDirectory() const {
  return window_.panel(other()).handsetDir;
}

std::string SelectionWalk::handsetPath() const {
  return JoinHandsetPath(handsetDirectory(), row.name);
}

HandsetItem SelectionWalk::handsetItem() const {
  HandsetItem item;
  item.name = row.name;
  item.directory = itemIsDirectory();
  item.size = item.directory ? 0 : ParseDecimal(row.size);
  item.attributeWord = AttributeWordOfText(row.column2);
  return item;
}

}  // namespace tollhaven
