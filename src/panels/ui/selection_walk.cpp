#include "panels/ui/selection_walk.h"

#include <QItemSelectionModel>
#include <QLineEdit>
#include <QTreeView>

#include "handset/handset_names.h"
#include "panels/handset_view.h"
#include "panels/ui/panel_host.h"
#include "panels/ui/panels_state.h"
#include "support/text_helpers.h"

namespace tollhaven {

SelectionWalk::SelectionWalk(PanelHost& host, int side) : host_(host), side_(side) {}

int SelectionWalk::Next(int start) {
  const PanelModel& model = host_.panels().model(side_);
  const QItemSelectionModel* selection = host_.list(side_)->selectionModel();
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
    host_.panel(side_).rememberedRow = r;
    row = candidate;
    return r;
  }
  return -1;
}

int SelectionWalk::Count() const {
  const PanelModel& model = host_.panels().model(side_);
  const QItemSelectionModel* selection = host_.list(side_)->selectionModel();
  int count = 0;
  for (int r = 0; selection != nullptr && r < model.rowCount(); ++r) {
    count += selection->isRowSelected(r) &&
                     model.rows()[static_cast<std::size_t>(r)].name != kParentRowName
                 ? 1
                 : 0;
  }
  return count;
}

bool SelectionWalk::handset() const {
  return host_.panel(side_).driveIndex == 0;
}

bool SelectionWalk::otherHandset() const {
  return host_.panel(other()).driveIndex == 0;
}

QString SelectionWalk::shownName() const {
  return host_.panels().model(side_).Text(row.name);
}

QString SelectionWalk::localDirectory() const {
  return host_.pathField(side_)->text();
}

QString SelectionWalk::otherLocalDirectory() const {
  return host_.pathField(other())->text();
}

std::string SelectionWalk::handsetDirectory() const {
  return host_.panel(side_).handsetDir;
}

std::string SelectionWalk::otherHandsetDirectory() const {
  return host_.panel(other()).handsetDir;
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
