#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "file_list_fixture.h"
#include "panels/handset_view.h"
#include "panels/handset_volume.h"
#include "panels/row_order.h"

namespace tollhaven {
namespace {

using ::testing::ElementsAre;
using testing::FileListFixture;
using testing::RecordingStatus;

constexpr int kFreeSpace = 0x0B;
constexpr int kList = 0x08;
constexpr uint8_t kGenericFailure = 7;
constexpr int kParentIcon = 50;

// Sample entries that exist, with their icons; every lookup is recorded.
struct TemplateTable : HandsetIcons {
  int ParentRowIcon() override { return kParentIcon; }
  int TemplateIcon(std::string_view name) override {
    asked.emplace_back(name);
    const auto found = icons.find(std::string(name));
    return found == icons.end() ? -1 : found->second;
  }
  std::map<std::string, int> icons{{"_.mp3", 11}, {"_.", 12}, {"D.", 13}, {"_.txt", 14}};
  std::vector<std::string> asked;
};

struct Shown {
  std::string name, size, column2;
  bool operator==(const Shown&) const = default;
  friend std::ostream& operator<<(std::ostream& out, const Shown& row) {
    return out << "{" << row.name << " | " << row.size << " | " << row.column2 << "}";
  }
};

std::vector<Shown> Texts(const std::vector<PanelRow>& rows) {
  std::vector<Shown> shown;
  for (const PanelRow& row : rows) {
    shown.push_back({row.name, row.size, row.column2});
  }
  return shown;
}

class HandsetView : public ::testing::Test, protected FileListFixture {
 protected:
  void Add(const std::string& path, std::size_t size = 1, uint16_t word = 0, uint8_t owner = 7) {
    s.sim.AddFile(path, std::vector<uint8_t>(size), word, owner);
  }

  // A fill as the panels run it: the list is fetched when needed, then sorted by name.
  std::vector<PanelRow> Fill(std::string_view dir) {
    std::vector<PanelRow> rows;
    const HandsetFillOutcome outcome = fillHandsetPanel(
        {kLeftSide, dir, true, false}, list, icons,
        [this] {
          ++loads;
          Load();
        },
        rows);
    EXPECT_EQ(outcome, HandsetFillOutcome::Filled);
    sortPanel(rows, kNameAscending, CompareNamesIgnoringCase);
    return rows;
  }

  long ListRequests() const {
    const std::vector<int> sub = SubCommands();
    return std::count(sub.begin(), sub.end(), kList);
  }

  TemplateTable icons;
  int loads = 0;
};

TEST_F(HandsetView, ShowsFilesAndOneRowPerSubdirectory) {
  Add("/a/x/1.txt", 10, 0x0001, 0x07);
  Add("/a/x/2.txt", 20, 0x0020, 0x01);
  Add("/a/y.txt", 3000, 0x0302, 0x04);
  Add("/a/x/deeper/3.txt");
  Add("/b/card.mp3");

  EXPECT_THAT(
      Texts(Fill("/a/")),
      ElementsAre(Shown{"..", "< DIR >", ""},
                  // The directory row shows the entry that made it: 1.txt.
                  Shown{"x", "< DIR >", "07    0001"}, Shown{"y.txt", "3000", "04    0302"}));
  EXPECT_EQ(loads, 1);
  EXPECT_EQ(list.fileListLoaded, 1);
}

TEST_F(HandsetView, RootHasNoParentRowAndOneLevelDownItComesFirst) {
  Add("/a/mobile/audio/ring.mp3");
  Add("/a/mobile/..hidden/x");
  Add("/a/mobile/Audio2/x");
  Add("/a/mobile/a.mp3");

  const std::vector<PanelRow> root = Fill("/");
  ASSERT_EQ(root.size(), 1u);
  EXPECT_EQ(root[0].name, "a");

  const std::vector<PanelRow> mobile = Fill("/a/mobile/");
  ASSERT_EQ(mobile.size(), 5u);
  EXPECT_EQ(mobile[0].name, "..");
  EXPECT_EQ(mobile[0].icon, kParentIcon);
  EXPECT_EQ(mobile[1].name, "..hidden");
  EXPECT_EQ(mobile[4].name, "a.mp3");
  for (uint32_t i = 0; i < mobile.size(); ++i) {
    EXPECT_EQ(mobile[i].itemParameter, i);
  }
  EXPECT_EQ(loads, 1) << "the second directory comes from the same list";
}

TEST_F(HandsetView, NamesDifferingOnlyInCaseGiveOneRowTheFirstInListOrder) {
  Add("/a/X/1.txt");
  Add("/a/x/2.txt");
  Add("/a/Song.MP3", 5);
  Add("/a/song.mp3", 6);
  EXPECT_THAT(Texts(Fill("/a/")),
              ElementsAre(Shown{"..", "< DIR >", ""}, Shown{"X", "< DIR >", "07    0000"},
                          Shown{"Song.MP3", "5", "07    0000"}));
}

TEST_F(HandsetView, DirectoryPrefixMatchesLetterCaseExactly) {
  Add("/a/Mobile/x.txt");
  EXPECT_THAT(Texts(Fill("/a/mobile/")), ElementsAre(Shown{"..", "< DIR >", ""}));
}

TEST_F(HandsetView, IconsComeFromTheTemplatesOrTheFallback) {
  Add("/a/ring.mp3");
  Add("/a/Readme");
  Add("/a/audio/x");
  Add("/a/my.dir/x");
  Add("/a/clip.3gp");
  std::map<std::string, int> iconOf;
  for (const PanelRow& row : Fill("/a/")) {
    iconOf[row.name] = row.icon;
  }
  EXPECT_EQ(iconOf["ring.mp3"], 11);
  EXPECT_EQ(iconOf["Readme"], 12);
  EXPECT_EQ(iconOf["audio"], 13);
  EXPECT_EQ(iconOf["my.dir"], kMissingTemplateIcon);
  EXPECT_EQ(iconOf["clip.3gp"], kMissingTemplateIcon);
  EXPECT_THAT(icons.asked, ::testing::UnorderedElementsAre("_.mp3", "_.", "D.", "D.dir", "_.3gp"));
}

struct TemplateCase {
  const char* name;
  bool directory;
  const char* expected;
};

class TemplateNames : public ::testing::TestWithParam<TemplateCase> {};

TEST_P(TemplateNames, MarkThenExtension) {
  EXPECT_EQ(HandsetTemplateName(GetParam().name, GetParam().directory), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Names, TemplateNames,
                         ::testing::Values(TemplateCase{"x.mp3", false, "_.mp3"},
                                           TemplateCase{"notes", false, "_."},
                                           TemplateCase{"audio", true, "D."},
                                           TemplateCase{"my.dir", true, "D.dir"},
                                           TemplateCase{"a.b.JPG", false, "_.JPG"},
                                           TemplateCase{"trailing.", false, "_."}));

TEST_F(HandsetView, RecordsAddedOrDeletedAfterTheLoadShowWithoutAFetch) {
  Add("/a/x/1.txt");
  Add("/a/y.txt");
  Add("/a/z.txt");
  Fill("/a/");
  const long requests = ListRequests();

  list.AddCachedFileRecord("/a/uploaded.mp3", 77);
  list.AddCachedFileRecord("/a/new dir/inside.txt", 1);
  list.MarkCachedRecordDeleted("/a/y.txt");
  list.MarkCachedRecordDeleted("/a/x");

  EXPECT_THAT(
      Texts(Fill("/a/")),
      ElementsAre(Shown{"..", "< DIR >", ""}, Shown{"new dir", "< DIR >", "07    0004"},
                  Shown{"uploaded.mp3", "77", "07    0004"}, Shown{"z.txt", "1", "07    0000"}));
  EXPECT_EQ(ListRequests(), requests);
  EXPECT_EQ(loads, 1);
}

TEST_F(HandsetView, AListMarkedStaleIsFetchedAgain) {
  Add("/a/one.txt");
  Fill("/a/");
  list.fileListLoaded = 0;
  Add("/a/two.txt");
  EXPECT_EQ(Fill("/a/").size(), 3u);
  EXPECT_EQ(loads, 2);
}

// A list as the block holds it, written byte by byte: one chunk per entry, like the edits add.
struct RawList {
  static constexpr uint32_t kEntrySize = 44;
  void Entry(std::string_view name, const uint8_t field[4], uint32_t size) {
    std::vector<uint8_t> bytes(4 + kEntrySize, 0);
    bytes[1] = 1;
    std::memcpy(&bytes[4], name.data(), std::min<std::size_t>(name.size(), kEntrySize - 8));
    std::memcpy(&bytes[4 + kEntrySize - 8], field, 4);
    bytes[4 + kEntrySize - 4] = static_cast<uint8_t>(size >> 24);
    bytes[4 + kEntrySize - 1] = static_cast<uint8_t>(size);
    block.insert(block.end(), bytes.begin(), bytes.end());
    ++count;
  }
  void InstallInto(PhoneFileList& list) const {
    list.phoneFileList = block;
    list.writePosition = block.size();
    list.entrySize = kEntrySize;
    list.fileCount = count;
    list.fileListLoaded = 1;
  }
  std::vector<uint8_t> block;
  uint32_t count = 0;
};

TEST_F(HandsetView, AttributeBytesShowOwnerThenWordHighThenLow) {
  RawList raw;
  const uint8_t field[4] = {0x01, 0x02, 0x03, 0x04};
  raw.Entry("/a/f.txt", field, 0x01000005);
  raw.InstallInto(list);
  EXPECT_THAT(Texts(Fill("/a/")),
              ElementsAre(Shown{"..", "< DIR >", ""}, Shown{"f.txt", "16777221", "04    0302"}));
  EXPECT_EQ(OwnerAttributeText(0xFFEEDDCC), "FF    EEDD");
}

TEST_F(HandsetView, NamesThatWouldWalkElsewhereAreNotListed) {
  RawList raw;
  const uint8_t field[4] = {};
  for (const char* name : {"/a/../../etc/passwd", "/a//double", "/a/./here", "/a/", "/a/..",
                           "/a/ok.txt", "\xFF/a/deleted.txt"}) {
    raw.Entry(name, field, 1);
  }
  raw.InstallInto(list);
  EXPECT_THAT(Texts(Fill("/a/")),
              ElementsAre(Shown{"..", "< DIR >", ""}, Shown{"ok.txt", "1", "00    0000"}));
}

TEST_F(HandsetView, WithoutAHandsetTheSideFallsBackUnlessTheRightSideRunsAPatch) {
  struct Case {
    int side;
    bool patchRunning;
    HandsetFillOutcome expected;
  } cases[] = {{kLeftSide, false, HandsetFillOutcome::FallBackToLocal},
               {kLeftSide, true, HandsetFillOutcome::FallBackToLocal},
               {kRightSide, false, HandsetFillOutcome::FallBackToLocal},
               {kRightSide, true, HandsetFillOutcome::NothingDone}};
  for (const Case& c : cases) {
    std::vector<PanelRow> rows(2);
    EXPECT_EQ(fillHandsetPanel(
                  {c.side, "/a/", false, c.patchRunning}, list, icons, [this] { ++loads; }, rows),
              c.expected);
    EXPECT_EQ(rows.size(), 2u) << "the rows are left alone";
  }
  EXPECT_EQ(loads, 0);
}

struct ActivationCase {
  const char* what;
  PanelRow row;
  const char* path;
  std::optional<std::string> expected;
};

class HandsetActivation : public ::testing::TestWithParam<ActivationCase> {};

TEST_P(HandsetActivation, WalksDirectoriesAndLeavesFilesAlone) {
  const ActivationCase& c = GetParam();
  EXPECT_EQ(activateHandsetRow(c.row, c.path), c.expected);
}

PanelRow Row(std::string name, std::string size) {
  PanelRow row;
  row.name = std::move(name);
  row.size = std::move(size);
  return row;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HandsetActivation,
    ::testing::Values(
        ActivationCase{"into", Row("audio", "< DIR >"), "P2k:/a/", "P2k:/a/audio/"},
        ActivationCase{"up", Row("..", "< DIR >"), "P2k:/a/audio/", "P2k:/a/"},
        ActivationCase{"up to the root", Row("..", "< DIR >"), "P2k:/a/", "P2k:/"},
        ActivationCase{"up at the root stays", Row("..", "< DIR >"), "P2k:/", "P2k:/"},
        ActivationCase{"a file", Row("ring.mp3", "1024"), "P2k:/a/", std::nullopt},
        ActivationCase{"a file named like a directory", Row("..", "12"), "P2k:/a/", std::nullopt}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(HandsetDir, IsThePathFieldFromItsFirstSlash) {
  EXPECT_EQ(HandsetDirOf("P2k:/"), "/");
  EXPECT_EQ(HandsetDirOf("P2k:/a/audio/"), "/a/audio/");
  EXPECT_EQ(HandsetDirOf("P2k:"), "/");
}

class HandsetVolume : public ::testing::Test, protected FileListFixture {
 protected:
  HandsetVolume() {
    s.sim.SetVolumes({"/a", "/b"});
    s.sim.SetFreeSpace(5 * 1024 * 1024 + 1023);
    s.sim.AddFile("/a/one", {});
    s.sim.AddFile("/a/two", {});
    RecordingStatus connectTime;
    list.LoadVolumeInfo(connectTime);
  }
  RecordingStatus status;
};

TEST_F(HandsetVolume, ShowsFreeSpaceAndCountButKeepsTheCount) {
  s.sim.AddFile("/a/three", {});
  list.handsetFileCount = 41;
  showHandsetVolume(list, status);
  EXPECT_EQ(status.parts, (std::map<int, std::string>{{0, "Space:5120 Kb"}, {2, "Files:3"}}));
  EXPECT_EQ(list.handsetFileCount, 41u);
  EXPECT_TRUE(list.phoneFileList.empty()) << "no list block is allocated";
}

TEST_F(HandsetVolume, FailedFreeSpaceLogsAndLeavesTheTexts) {
  s.sim.FailCommand(0x004A, kFreeSpace, kGenericFailure);
  showHandsetVolume(list, status);
  EXPECT_TRUE(status.parts.empty());
  EXPECT_EQ(s.Lines().back(), "Volume size fail!");
}

}  // namespace
}  // namespace tollhaven
