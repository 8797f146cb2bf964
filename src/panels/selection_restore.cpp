#include "panels/selection_restore.h"

#include "panels/panel_row.h"

namespace tollhaven {

void restoreSelection(RowSelection& selection, int side, int row) {
  selection.GiveKeyboardFocus();
  if (side == kLeftSide) {
    selection.ClearAll();
  }
  if (row >= 0 && row < selection.RowCount()) {
    selection.SelectAndFocus(row);
  }
}

namespace {

// A row whose delete would remove a directory and everything in it.
bool RemovesATree(const PanelRow& row) {
  return row.IsDirectory() && row.name != kParentRowName;
}

}  // namespace

int RowAfterDelete(const std::vector<PanelRow>& rows, int firstDeleted) {
  const int count = static_cast<int>(rows.size());
  const int before = firstDeleted - 1;
  if (before >= 0 && before < count && !RemovesATree(rows[static_cast<std::size_t>(before)])) {
    return before;
  }
  if (firstDeleted >= 0 && firstDeleted < count &&
      !RemovesATree(rows[static_cast<std::size_t>(firstDeleted)])) {
    return firstDeleted;
  }
  return 0;
}

}  // namespace tollhaven
