#include "panels/row_order.h"

#include <algorithm>
#include <numeric>

#include "support/text_helpers.h"

namespace tollhaven {

namespace {

// Where a directory stands among the directories: ".." first, then other names that begin with
// two dots, then the rest. Files have no such rank.
int DirectoryRank(std::string_view name) {
  if (name == kParentRowName) {
    return 0;
  }
  return name.starts_with(kParentRowName) ? 1 : 2;
}

int Sign(int64_t value) {
  return (value > 0) - (value < 0);
}

}  // namespace

std::string FoldCase(std::string_view name) {
  std::string folded(name);
  for (char& c : folded) {
    const auto byte = static_cast<unsigned char>(c);
    // A-Z, and the Latin-1 capitals À..Þ except the multiplication sign.
    if ((byte >= 'A' && byte <= 'Z') || (byte >= 0xC0 && byte <= 0xDE && byte != 0xD7)) {
      c = static_cast<char>(byte + 0x20);
    }
  }
  return folded;
}

int CompareNamesIgnoringCase(std::string_view a, std::string_view b) {
  const int result = FoldCase(a).compare(FoldCase(b));
  return (result > 0) - (result < 0);
}

uint32_t SizeTextValue(std::string_view text) {
  // Each character adds (c - '0') * 10^k in 32-bit arithmetic, digit or not; this is the same
  // sum accumulated from the left.
  return ParseDecimal(text);
}

int compareRows(const PanelRow& a, const PanelRow& b, int mode, const NameCompare& names) {
  const bool aDirectory = a.IsDirectory();
  const bool bDirectory = b.IsDirectory();
  if (aDirectory != bDirectory) {
    return aDirectory ? -1 : 1;
  }
  if (aDirectory) {
    // Both names beginning with ".." used to make each row go before the other, which no sort
    // can honour. ".." itself heads the directories; two other dotted names follow the mode.
    const int rank = DirectoryRank(a.name) - DirectoryRank(b.name);
    if (rank != 0) {
      return rank < 0 ? -1 : 1;
    }
  }
  switch (mode) {
    case kSizeAscending:
      return Sign(int64_t{SizeTextValue(a.size)} - int64_t{SizeTextValue(b.size)});
    case kSizeDescending:
      return Sign(int64_t{SizeTextValue(b.size)} - int64_t{SizeTextValue(a.size)});
    case kNameAscending:
      return names(a.name, b.name);
    default:
      return names(b.name, a.name);
  }
}

std::vector<int> sortPanel(std::vector<PanelRow>& rows, int mode, const NameCompare& names) {
  std::vector<int> order(rows.size());
  std::iota(order.begin(), order.end(), 0);
  // Stable, so rows that compare equal (two directories under a size sort) keep their order.
  std::stable_sort(order.begin(), order.end(), [&](int x, int y) {
    return compareRows(rows[static_cast<std::size_t>(x)], rows[static_cast<std::size_t>(y)], mode,
                       names) < 0;
  });
  std::vector<PanelRow> sorted;
  sorted.reserve(rows.size());
  for (int old : order) {
    sorted.push_back(std::move(rows[static_cast<std::size_t>(old)]));
  }
  rows = std::move(sorted);
  renumberRows(rows);
  return order;
}

void renumberRows(std::vector<PanelRow>& rows) {
  for (std::size_t i = 0; i < rows.size(); ++i) {
    rows[i].itemParameter = static_cast<uint32_t>(i);
  }
}

}  // namespace tollhaven
