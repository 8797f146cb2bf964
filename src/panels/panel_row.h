#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tollhaven {

// The "Size" text of a directory row. Everything that asks whether a row is a directory looks at
// the first character of the size text alone, so that this one convention serves the sorting,
// the activation and the file operations.
inline constexpr std::string_view kDirectorySizeText = "< DIR >";
inline constexpr std::string_view kParentRowName = "..";

// Titles of the third column, by what a panel shows.
inline constexpr std::string_view kLocalColumn2Title = "Date/Time";
inline constexpr std::string_view kHandsetColumn2Title = "Ownr/Attr";

inline constexpr int kLeftSide = 0;
inline constexpr int kRightSide = 1;

// One row of a file panel: the three column texts, the icon and the item parameter, which is
// kept equal to the row's index after every sort.
struct PanelRow {
  std::string name;     // "Filename": one path component
  std::string size;     // "Size": unsigned decimal, or kDirectorySizeText
  std::string column2;  // "Date/Time" on a local panel, "Ownr/Attr" on a handset panel
  int icon = 0;
  uint32_t itemParameter = 0;

  bool IsDirectory() const { return !size.empty() && size.front() == '<'; }
};

}  // namespace tollhaven
