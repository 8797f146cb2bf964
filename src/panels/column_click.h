#pragma once

#include <array>
#include <string>
#include <string_view>

#include "panels/panel_row.h"
#include "panels/row_order.h"

namespace tollhaven {

// Images of the header's sort arrows.
inline constexpr int kNoArrow = 0;
inline constexpr int kArrowDown = 1;  // descending
inline constexpr int kArrowUp = 2;    // ascending

// What one list's header shows: an arrow image per column and the title of column 2.
struct PanelHeader {
  std::array<int, 3> arrows{kArrowUp, kNoArrow, kNoArrow};
  std::string column2Title{kLocalColumn2Title};
};

// The sort directions both panels share. Every fill of either panel sorts by nameSortMode.
struct SortState {
  int nameSortMode = kNameAscending;  // 3 or 4
  int sizeSortMode = 0;               // 0 (none yet), 1 or 2
};

// A click on a column header of one list: toggles the shared direction of that column and sets
// the clicked list's arrows. Returns the mode to sort the clicked list with, or 0 when nothing
// is to be sorted (the third column).
int onColumnClick(SortState& state, PanelHeader& header, int column);

// Column 2's title only; the arrows stay.
void setColumn2Title(PanelHeader& header, std::string_view title);

}  // namespace tollhaven
