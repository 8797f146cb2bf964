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

}  // namespace tollhaven
