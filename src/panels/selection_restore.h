#pragma once

#include <vector>

#include "panels/panel_row.h"

namespace tollhaven {

// The selection of one list as restoreSelection sees it; the user interface implements it over
// its list view, the tests over a plain record.
class RowSelection {
 public:
  virtual ~RowSelection() = default;
  virtual int RowCount() const = 0;
  virtual void GiveKeyboardFocus() = 0;
  // Clears the selected and the focused state of every row.
  virtual void ClearAll() = 0;
  // Makes `row` (a valid row) selected and focused.
  virtual void SelectAndFocus(int row) = 0;
};

// After a sort or a fill: the list gets the keyboard focus and `row` becomes selected and
// focused. The left list drops its other selected rows first; the right keeps them, so that
// rows picked there stay picked. A row past the end selects nothing.
void restoreSelection(RowSelection& selection, int side, int row);

// The row the cursor goes to once the rows from `firstDeleted` on were deleted and the list was
// filled again (`rows`): never a directory that the next delete would take with everything in
// it. The row before the deleted ones, unless that is a directory; else the file now in the
// first deleted row's place; else the first row.
int RowAfterDelete(const std::vector<PanelRow>& rows, int firstDeleted);

}  // namespace tollhaven
