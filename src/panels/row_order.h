#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "panels/panel_row.h"

namespace tollhaven {

// Sort modes handed to compareRows. Any value other than the first three sorts by name,
// descending.
inline constexpr int kSizeAscending = 1;
inline constexpr int kSizeDescending = 2;
inline constexpr int kNameAscending = 3;
inline constexpr int kNameDescending = 4;

// Compares two names without regard to letter case: negative, zero or positive. The user
// interface supplies one that follows the user's locale; the core has a plain one.
using NameCompare = std::function<int(std::string_view, std::string_view)>;

// Folds ASCII and Latin-1 capitals to small letters, byte by byte.
std::string FoldCase(std::string_view name);
// Byte order of the case-folded names.
int CompareNamesIgnoringCase(std::string_view a, std::string_view b);

// The value of a "Size" text, digit by digit, over the whole unsigned 32-bit range.
uint32_t SizeTextValue(std::string_view text);

// Negative when `a` goes before `b`, positive when after, 0 when equal. Directories stand before
// files in every mode and ".." heads the directories; the mode orders within directories and
// within files. This is a strict weak ordering, so a standard sort may use it.
int compareRows(const PanelRow& a, const PanelRow& b, int mode, const NameCompare& names);

// Orders the rows by `mode` and renumbers them. Returns, for each new position, the row's
// position before the sort, so that a view can carry its selection along.
std::vector<int> sortPanel(std::vector<PanelRow>& rows, int mode, const NameCompare& names);

// Sets every row's item parameter to its index.
void renumberRows(std::vector<PanelRow>& rows);

}  // namespace tollhaven
