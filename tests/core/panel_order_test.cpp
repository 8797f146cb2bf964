#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "panels/column_click.h"
#include "panels/row_order.h"
#include "panels/selection_restore.h"

namespace tollhaven {
namespace {

PanelRow Row(std::string name, std::string size) {
  PanelRow row;
  row.name = std::move(name);
  row.size = std::move(size);
  return row;
}
PanelRow Dir(std::string name) {
  return Row(std::move(name), "< DIR >");
}

int Compare(const PanelRow& a, const PanelRow& b, int mode) {
  const int result = compareRows(a, b, mode, CompareNamesIgnoringCase);
  return (result > 0) - (result < 0);
}

struct CompareCase {
  const char* what;
  PanelRow a;
  PanelRow b;
  std::vector<int> modes;
  int expected;  // sign of compareRows(a, b); compareRows(b, a) must give the opposite
};

class RowComparison : public ::testing::TestWithParam<CompareCase> {};

TEST_P(RowComparison, OrdersBothWays) {
  const CompareCase& c = GetParam();
  for (int mode : c.modes) {
    SCOPED_TRACE("mode " + std::to_string(mode));
    EXPECT_EQ(Compare(c.a, c.b, mode), c.expected);
    EXPECT_EQ(Compare(c.b, c.a, mode), -c.expected);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rules, RowComparison,
    ::testing::Values(
        CompareCase{"a directory before a file", Dir("zz"), Row("a", "0"), {1, 2, 3, 4}, -1},
        CompareCase{
            "a file of size 0 after every directory", Dir("big"), Row("empty", "0"), {1, 2}, -1},
        CompareCase{"'..' heads the directories", Dir(".."), Dir("..hidden"), {1, 2, 3, 4}, -1},
        CompareCase{
            "a dotted directory before the others", Dir("..cache"), Dir("Alpha"), {3, 4}, -1},
        CompareCase{
            "two dotted directories follow the mode (asc)", Dir("..a"), Dir("..b"), {3}, -1},
        CompareCase{
            "two dotted directories follow the mode (desc)", Dir("..a"), Dir("..b"), {4, 99}, 1},
        CompareCase{"'..' against itself", Dir(".."), Dir(".."), {1, 2, 3, 4}, 0},
        CompareCase{"directories are equal under size sorts", Dir("a"), Dir("b"), {1, 2}, 0},
        CompareCase{"3 000 000 000 bytes after 10 ascending",
                    Row("big", "3000000000"),
                    Row("small", "10"),
                    {1},
                    1},
        CompareCase{"3 000 000 000 bytes before 10 descending",
                    Row("big", "3000000000"),
                    Row("small", "10"),
                    {2},
                    -1},
        CompareCase{"the largest 32-bit size", Row("a", "4294967295"), Row("b", "0"), {1}, 1},
        CompareCase{
            "names ignore letter case", Row("ABC.txt", "1"), Row("abc.TXT", "2"), {3, 4}, 0},
        CompareCase{"name ascending", Row("alpha", "9"), Row("Beta", "1"), {3}, -1},
        CompareCase{"name descending, also for unknown modes",
                    Row("alpha", "9"),
                    Row("Beta", "1"),
                    {4, 0, 5, -1},
                    1},
        CompareCase{"a file beginning with '..' is an ordinary file",
                    Row("..x", "5"),
                    Row("a", "1"),
                    {4},
                    1}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

// A standard sort relies on these; rows whose names begin with ".." broke them once.
TEST(RowComparison, IsAStrictWeakOrderingInEveryMode) {
  const std::vector<PanelRow> rows = {
      Dir(".."),     Dir("..b"),      Dir("..A"),         Dir("music"),
      Dir("Music"),  Row("..c", "3"), Row("a.mp3", "10"), Row("B.jpg", "3000000000"),
      Row("c", "0"), Row("C", "10")};
  for (int mode : {1, 2, 3, 4}) {
    SCOPED_TRACE("mode " + std::to_string(mode));
    for (const PanelRow& a : rows) {
      EXPECT_EQ(Compare(a, a, mode), 0) << a.name;
      for (const PanelRow& b : rows) {
        EXPECT_EQ(Compare(a, b, mode), -Compare(b, a, mode)) << a.name << " / " << b.name;
        for (const PanelRow& c : rows) {
          if (Compare(a, b, mode) < 0 && Compare(b, c, mode) < 0) {
            EXPECT_LT(Compare(a, c, mode), 0) << a.name << " < " << b.name << " < " << c.name;
          }
          if (Compare(a, b, mode) == 0 && Compare(b, c, mode) == 0) {
            EXPECT_EQ(Compare(a, c, mode), 0) << a.name << " = " << b.name << " = " << c.name;
          }
        }
      }
    }
  }
}

std::vector<std::string> Names(const std::vector<PanelRow>& rows) {
  std::vector<std::string> names;
  for (const PanelRow& row : rows) {
    names.push_back(row.name);
  }
  return names;
}

TEST(SortPanel, OrdersRenumbersAndTellsWhereEachRowCameFrom) {
  std::vector<PanelRow> rows = {Row("b.txt", "5"), Dir("music"), Row("A.txt", "7"), Dir("..")};
  for (uint32_t i = 0; i < rows.size(); ++i) {
    rows[i].itemParameter = 40 + i;
  }

  const std::vector<int> from = sortPanel(rows, kNameAscending, CompareNamesIgnoringCase);

  EXPECT_EQ(Names(rows), (std::vector<std::string>{"..", "music", "A.txt", "b.txt"}));
  EXPECT_EQ(from, (std::vector<int>{3, 1, 2, 0}));
  for (uint32_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i].itemParameter, i);
  }

  sortPanel(rows, kSizeDescending, CompareNamesIgnoringCase);
  EXPECT_EQ(Names(rows), (std::vector<std::string>{"..", "music", "A.txt", "b.txt"}));
  sortPanel(rows, kNameDescending, CompareNamesIgnoringCase);
  EXPECT_EQ(Names(rows), (std::vector<std::string>{"..", "music", "b.txt", "A.txt"}));
}

TEST(SortPanel, UsesTheNameComparisonItIsGiven) {
  std::vector<PanelRow> rows = {Row("b", "1"), Row("a", "1"), Row("c", "1")};
  // A comparison that ranks "c" first, to show that the panel does not compare names itself.
  const NameCompare cFirst = [](std::string_view x, std::string_view y) {
    if ((x == "c") != (y == "c")) {
      return x == "c" ? -1 : 1;
    }
    return x.compare(y);
  };
  sortPanel(rows, kNameAscending, cFirst);
  EXPECT_EQ(Names(rows), (std::vector<std::string>{"c", "a", "b"}));
}

struct Click {
  int side;
  int column;
  int sortedWith;  // 0: the list is not sorted
};

struct ClickCase {
  const char* what;
  SortState start;
  std::vector<Click> clicks;
  int nameSortMode;
  int sizeSortMode;
  std::array<int, 3> leftArrows;
  std::array<int, 3> rightArrows;
};

class ColumnClicks : public ::testing::TestWithParam<ClickCase> {};

TEST_P(ColumnClicks, ShareTheDirectionsAndSetOnlyTheClickedHeader) {
  const ClickCase& c = GetParam();
  SortState state = c.start;
  std::array<PanelHeader, 2> headers;
  for (const Click& click : c.clicks) {
    EXPECT_EQ(onColumnClick(state, headers[click.side], click.column), click.sortedWith)
        << "side " << click.side << " column " << click.column;
  }
  EXPECT_EQ(state.nameSortMode, c.nameSortMode);
  EXPECT_EQ(state.sizeSortMode, c.sizeSortMode);
  EXPECT_EQ(headers[0].arrows, c.leftArrows);
  EXPECT_EQ(headers[1].arrows, c.rightArrows);
}

constexpr std::array<int, 3> kStartArrows{kArrowUp, kNoArrow, kNoArrow};

INSTANTIATE_TEST_SUITE_P(
    Sequences, ColumnClicks,
    ::testing::Values(ClickCase{"name on the left, then on the right, from descending",
                                {kNameDescending, 0},
                                {{0, 0, kNameAscending}, {1, 0, kNameDescending}},
                                kNameDescending,
                                0,
                                {kArrowUp, kNoArrow, kNoArrow},
                                {kArrowDown, kNoArrow, kNoArrow}},
                      ClickCase{"name on the left, then on the right, from the start",
                                {},
                                {{0, 0, kNameDescending}, {1, 0, kNameAscending}},
                                kNameAscending,
                                0,
                                {kArrowDown, kNoArrow, kNoArrow},
                                {kArrowUp, kNoArrow, kNoArrow}},
                      ClickCase{
                          "size toggles and takes the arrow from the name",
                          {},
                          {{0, 1, kSizeAscending}, {0, 1, kSizeDescending}, {0, 1, kSizeAscending}},
                          kNameAscending,
                          kSizeAscending,
                          {kNoArrow, kArrowUp, kNoArrow},
                          kStartArrows},
                      ClickCase{"the third column changes nothing",
                                {kNameDescending, kSizeDescending},
                                {{1, 2, 0}, {0, 2, 0}},
                                kNameDescending,
                                kSizeDescending,
                                kStartArrows,
                                kStartArrows},
                      ClickCase{"a name mode of 0 sorts ascending",
                                {0, 0},
                                {{1, 0, kNameAscending}},
                                kNameAscending,
                                0,
                                kStartArrows,
                                {kArrowUp, kNoArrow, kNoArrow}}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(ColumnTitle, ChangesOnlyTheTitle) {
  PanelHeader header;
  header.arrows = {kNoArrow, kArrowDown, kNoArrow};
  setColumn2Title(header, kHandsetColumn2Title);
  EXPECT_EQ(header.column2Title, "Ownr/Attr");
  EXPECT_EQ(header.arrows, (std::array<int, 3>{kNoArrow, kArrowDown, kNoArrow}));
}

// A list's selection as plain flags.
struct RecordedSelection : RowSelection {
  explicit RecordedSelection(std::vector<bool> initial, int focusedRow = -1)
      : selected(std::move(initial)), focused(focusedRow) {}
  int RowCount() const override { return static_cast<int>(selected.size()); }
  void GiveKeyboardFocus() override { hasFocus = true; }
  void ClearAll() override {
    selected.assign(selected.size(), false);
    focused = -1;
  }
  void SelectAndFocus(int row) override {
    selected.at(static_cast<std::size_t>(row)) = true;
    focused = row;
  }
  std::vector<bool> selected;
  int focused;
  bool hasFocus = false;
};

struct RestoreCase {
  const char* what;
  int side;
  int row;
  std::vector<bool> expectedSelected;
  int expectedFocused;
};

class SelectionRestore : public ::testing::TestWithParam<RestoreCase> {};

TEST_P(SelectionRestore, KeepsOrDropsTheOtherRowsBySide) {
  const RestoreCase& c = GetParam();
  // Rows 1 and 3 were picked by the user, row 3 has the focus.
  RecordedSelection selection({false, true, false, true}, 3);
  restoreSelection(selection, c.side, c.row);
  EXPECT_TRUE(selection.hasFocus);
  EXPECT_EQ(selection.selected, c.expectedSelected);
  EXPECT_EQ(selection.focused, c.expectedFocused);
}

INSTANTIATE_TEST_SUITE_P(
    Sides, SelectionRestore,
    ::testing::Values(
        RestoreCase{"left drops the others", kLeftSide, 2, {false, false, true, false}, 2},
        RestoreCase{"right keeps the others", kRightSide, 0, {true, true, false, true}, 0},
        RestoreCase{
            "left, row past the end: nothing", kLeftSide, 4, {false, false, false, false}, -1},
        RestoreCase{
            "right, row past the end: as it was", kRightSide, 9, {false, true, false, true}, 3},
        RestoreCase{"negative row", kLeftSide, -1, {false, false, false, false}, -1}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(SelectionRestore, AnEmptyListIsFine) {
  RecordedSelection selection({});
  restoreSelection(selection, kLeftSide, 0);
  restoreSelection(selection, kRightSide, 0);
  EXPECT_TRUE(selection.hasFocus);
  EXPECT_EQ(selection.focused, -1);
}

// Where the cursor goes after a delete, in lists as they are filled again afterwards.
TEST(RowAfterDelete, NeverLandsOnADirectoryTheNextDeleteWouldTakeWhole) {
  const PanelRow parent{"..", "< DIR >", "", 0, 0};
  const PanelRow dirA{"dirA", "< DIR >", "", 0, 0};
  const PanelRow dirB{"dirB", "< DIR >", "", 0, 0};
  const PanelRow file1{"f1", "5", "", 0, 0};
  const PanelRow file2{"f2", "5", "", 0, 0};
  struct Case {
    const char* what;
    std::vector<PanelRow> rows;
    int firstDeleted;
    int expected;
  };
  const std::vector<Case> cases{
      {"a file after files: the file before", {parent, dirA, file1, file2}, 3, 2},
      {"the first file: the next file, not the directory", {parent, dirA, file2}, 2, 2},
      {"a directory: the parent row, not the next directory", {parent, dirB, file1}, 1, 0},
      {"the last file after directories: the first row", {parent, dirA, dirB}, 3, 0},
      {"at the root, directories only", {dirA, dirB}, 1, 0},
      {"everything", {}, 0, 0},
      {"the first row", {file1, file2}, 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RowAfterDelete(c.rows, c.firstDeleted), c.expected) << c.what;
  }
}

}  // namespace
}  // namespace tollhaven
