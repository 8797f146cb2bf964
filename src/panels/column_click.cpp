#include "panels/column_click.h"

namespace tollhaven {

int onColumnClick(SortState& state, PanelHeader& header, int column) {
  switch (column) {
    case 0: {
      const bool ascending = state.nameSortMode == 0 || state.nameSortMode == kNameDescending;
      state.nameSortMode = ascending ? kNameAscending : kNameDescending;
      header.arrows[0] = ascending ? kArrowUp : kArrowDown;
      header.arrows[1] = kNoArrow;
      return state.nameSortMode;
    }
    case 1: {
      const bool ascending = state.sizeSortMode == 0 || state.sizeSortMode == kSizeDescending;
      state.sizeSortMode = ascending ? kSizeAscending : kSizeDescending;
      header.arrows[1] = ascending ? kArrowUp : kArrowDown;
      header.arrows[0] = kNoArrow;
      return state.sizeSortMode;
    }
    default:
      return 0;
  }
}

void setColumn2Title(PanelHeader& header, std::string_view title) {
  header.column2Title = std::string(title);
}

}  // namespace tollhaven
