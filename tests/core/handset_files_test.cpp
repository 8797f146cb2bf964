// The operations every front end moves files with, against the simulated handset.
#include "handset/handset_files.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "handset/handset_names.h"
#include "handset_files_fixture.h"
#include "panels/handset_view.h"

namespace tollhaven {
namespace {

namespace fs = std::filesystem;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using testing::Pattern;
using testing::WriteAll;

constexpr int kOpen = 0x00, kRead = 0x01, kWrite = 0x02, kSeek = 0x03, kClose = 0x04,
              kDelete = 0x05, kMakeDir = 0x0E, kRemoveDir = 0x0F;
constexpr uint8_t kGenericFailure = 7;

std::string ReadAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The directory's entries, by UTF-8 name.
std::vector<std::string> DirectoryNames(const fs::path& directory) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(directory)) {
    names.push_back(Utf8FileName(entry.path()));
  }
  std::sort(names.begin(), names.end());
  return names;
}

class HandsetFilesTest : public testing::HandsetFilesFixture {
 protected:
  HandsetFilesTest() { std::filesystem::create_directories(local); }

  std::filesystem::path local = root / "local";
};

TEST_F(HandsetFilesTest, UploadsAreListedWithTheirSizeWordFourAndOwnerSeven) {
  LoadWith({});
  const std::vector<std::vector<uint8_t>> contents = {Pattern(2500), Pattern(1), {}};
  const char* names[] = {"one.bin", "two.bin", "empty.bin"};
  for (std::size_t i = 0; i < 3; ++i) {
    WriteAll(local / names[i], contents[i]);
    EXPECT_EQ(files.Upload(local / names[i], "/a/mobile/"), FileOutcome::Done);
  }
  for (std::size_t i = 0; i < 3; ++i) {
    const std::string path = std::string("/a/mobile/") + names[i];
    const auto onHandset = s.sim.File(path);
    ASSERT_TRUE(onHandset) << path;
    EXPECT_EQ(onHandset->contents, contents[i]);
    EXPECT_EQ(onHandset->attributes, 4);
    const FileListEntry* entry = Entry(path);
    ASSERT_NE(entry, nullptr) << path;
    EXPECT_EQ(entry->size, contents[i].size());
    EXPECT_EQ(OwnerAttributeText(entry->attributeField), "07    0004");
  }
  // The empty file: open and close, nothing written.
  const auto sub = SubCommands();
  EXPECT_THAT(std::vector<int>(sub.end() - 2, sub.end()), ElementsAre(kOpen, kClose));
  EXPECT_THAT(NewLines(), IsEmpty());
}

TEST_F(HandsetFilesTest, UploadOverAListedFileDeletesItFirstAndLeavesNoOldTail) {
  LoadWith({{"/a/ring.mp3", Pattern(3000, 9)}});
  WriteAll(local / "ring.mp3", Pattern(1000, 3));
  EXPECT_EQ(files.Upload(local / "ring.mp3", "/a/"), FileOutcome::Done);
  // The old file is read first, to be put back should the new one not arrive.
  const std::vector<int> sent = SubCommands();
  const auto deleted = std::find(sent.begin(), sent.end(), kDelete);
  ASSERT_NE(deleted, sent.end());
  EXPECT_THAT(std::vector<int>(sent.begin(), sent.begin() + 3), ElementsAre(kOpen, kSeek, kRead));
  EXPECT_EQ(PathOf(static_cast<int>(deleted - sent.begin())), "/a/ring.mp3");
  EXPECT_EQ(*(deleted + 1), kOpen);
  EXPECT_EQ(s.sim.File("/a/ring.mp3")->contents, Pattern(1000, 3));
  int rows = 0;
  for (const FileListEntry& e : Live()) {
    rows += e.name == "/a/ring.mp3";
  }
  EXPECT_EQ(rows, 1);
  EXPECT_EQ(Entry("/a/ring.mp3")->size, 1000u);
}

TEST_F(HandsetFilesTest, UploadToWritesTheLocalFileUnderTheHandsetPathItIsGiven) {
  LoadWith({{"/a/mobile/skin.bin", Pattern(4000, 9)}});
  WriteAll(local / "local name.dat", Pattern(1500, 2));
  // The name on the handset is the path's, bytes unchanged; a listed file is replaced whole.
  EXPECT_EQ(files.UploadTo(local / "local name.dat", "/a/mobile/skin.bin"), FileOutcome::Done);
  EXPECT_THAT(SubCommands(), Contains(kDelete));
  EXPECT_EQ(s.sim.File("/a/mobile/skin.bin")->contents, Pattern(1500, 2));
  EXPECT_EQ(s.sim.File("/a/mobile/skin.bin")->attributes, 4);
  EXPECT_EQ(Entry("/a/mobile/skin.bin")->size, 1500u);
  EXPECT_FALSE(s.sim.File("/a/mobile/local name.dat"));

  EXPECT_EQ(files.UploadTo(local / "local name.dat", "/a/caf\xE9.bin"), FileOutcome::Done);
  EXPECT_TRUE(s.sim.File("/a/caf\xE9.bin"));
  EXPECT_NE(Entry("/a/caf\xE9.bin"), nullptr);
  EXPECT_THAT(NewLines(), IsEmpty());

  // What must not be sent is skipped with one line each, and nothing reaches the handset.
  fs::create_directory(local / "folder");
  s.sim.ClearReceived();
  const struct {
    fs::path file;
    const char* handsetPath;
    const char* line;
  } cases[] = {
      {local / "missing.bin", "/a/m.bin", "Skipped, cannot read missing.bin: "},
      {local / "folder", "/a/f.bin", "Skipped, a directory: folder"},
      {local / "local name.dat", "", "Skipped, no handset path for local name.dat"},
  };
  for (const auto& c : cases) {
    s.log.AppendLog("--");
    EXPECT_EQ(files.UploadTo(c.file, c.handsetPath), FileOutcome::Skipped) << c.line;
    ASSERT_EQ(NewLines().size(), 1u);
    EXPECT_THAT(NewLines()[0], HasSubstr(c.line));
  }
  EXPECT_THAT(s.sim.Received(), IsEmpty());

  // A path the handset refuses is a failed upload without a row.
  s.log.AppendLog("--");
  EXPECT_EQ(files.UploadTo(local / "local name.dat", "/z/out.bin"), FileOutcome::Failed);
  EXPECT_EQ(Entry("/z/out.bin"), nullptr);
  EXPECT_THAT(NewLines(), ElementsAre("Upload failed: /z/out.bin"));
}

TEST_F(HandsetFilesTest, LocalFilesThatMustNotReachTheHandsetAreSkippedWithALine) {
  LoadWith({{"/a/x.txt", Pattern(10)}});
  fs::create_directory(local / "folder");
  WriteAll(local / "price\xE2\x82\xAC.txt", Pattern(5));  // the euro sign has no 8-bit form
  const struct {
    fs::path file;
    const char* line;
  } cases[] = {
      {local / "missing.txt", "Skipped, cannot read missing.txt: "},
      {local / "folder", "Skipped, a directory: folder"},
      {local / "price\xE2\x82\xAC.txt", "Skipped, the handset cannot hold this name: price"},
  };
  for (const auto& c : cases) {
    s.log.AppendLog("--");
    EXPECT_EQ(files.Upload(c.file, "/a/"), FileOutcome::Skipped) << c.line;
    ASSERT_EQ(NewLines().size(), 1u);
    EXPECT_THAT(NewLines()[0], HasSubstr(c.line));
  }
  EXPECT_THAT(s.sim.Received(), IsEmpty());
  EXPECT_EQ(s.sim.File("/a/x.txt")->contents, Pattern(10));
}

TEST_F(HandsetFilesTest, AFailedUploadAddsNoRow) {
  LoadWith({});
  WriteAll(local / "new.bin", Pattern(3000));
  s.sim.FailCommand(0x004A, kWrite, kGenericFailure);
  const std::size_t before = Live().size();
  EXPECT_EQ(files.Upload(local / "new.bin", "/a/"), FileOutcome::Failed);
  EXPECT_EQ(Live().size(), before);
  EXPECT_EQ(Entry("/a/new.bin"), nullptr);
  EXPECT_THAT(NewLines(), Contains("Upload failed: /a/new.bin"));
  EXPECT_FALSE(s.sim.FileOpen());
}

TEST_F(HandsetFilesTest, DownloadsReplaceAnExistingLocalFileAndEmptyFilesNeedNoRead) {
  LoadWith({{"/a/pic.jpg", Pattern(2500)}, {"/a/empty", {}}});
  WriteAll(local / "pic.jpg", Pattern(9000, 5));
  EXPECT_EQ(files.Download("/a/", {"pic.jpg", false, 2500, 0x21}, local), FileOutcome::Done);
  const std::vector<uint8_t> expected = Pattern(2500);
  EXPECT_EQ(ReadAll(local / "pic.jpg"), std::string(expected.begin(), expected.end()));
  // Its attributes stay: the file is opened with its own word.
  EXPECT_EQ(s.sim.File("/a/pic.jpg")->attributes, 0x21);

  s.sim.ClearReceived();
  EXPECT_EQ(files.Download("/a/", {"empty", false, 0, 0x21}, local), FileOutcome::Done);
  EXPECT_TRUE(fs::exists(local / "empty"));
  EXPECT_EQ(fs::file_size(local / "empty"), 0u);
  EXPECT_THAT(SubCommands(), ElementsAre(kOpen, kSeek, kClose));
  EXPECT_THAT(DirectoryNames(local), ElementsAre("empty", "pic.jpg"));
  EXPECT_THAT(NewLines(), IsEmpty());
}

TEST_F(HandsetFilesTest, AHandsetThatStopsAnsweringHalfwayLeavesTheLocalFileAsItWas) {
  LoadWith({{"/a/big.bin", Pattern(10000)}});
  const std::vector<uint8_t> old = Pattern(4000, 77);
  WriteAll(local / "big.bin", old);
  // Open, seek and three blocks come through; then the handset is gone.
  s.sim.DisconnectAfter(5 * 3);
  EXPECT_EQ(files.Download("/a/", {"big.bin", false, 10000, 0x21}, local), FileOutcome::Failed);
  EXPECT_EQ(ReadAll(local / "big.bin"), std::string(old.begin(), old.end()));
  EXPECT_THAT(DirectoryNames(local), ElementsAre("big.bin"));
  // The reason is the one the user can do something about.
  EXPECT_THAT(NewLines(),
              Contains("Download failed, the handset is gone; local file left as it was: big.bin"));
}

TEST_F(HandsetFilesTest, AFileEndingEarlyOnTheHandsetIsNoDownload) {
  // The row says 3000 bytes; the handset has 1500.
  LoadWith({{"/a/cut.bin", Pattern(1500)}});
  EXPECT_EQ(files.Download("/a/", {"cut.bin", false, 3000, 0}, local), FileOutcome::Failed);
  EXPECT_THAT(NewLines(), Contains("Download failed, local file left as it was: cut.bin"));
  EXPECT_FALSE(fs::exists(local / "cut.bin"));
  EXPECT_THAT(DirectoryNames(local), IsEmpty());
}

TEST_F(HandsetFilesTest, NamesThatWouldLeaveTheDirectoryAndDirectoriesAreNotDownloaded) {
  LoadWith({});
  const HandsetItem items[] = {
      {"", false, 1, 0},     {".", false, 1, 0},     {"..", false, 1, 0},
      {"a/b", false, 1, 0},  {"../up", false, 1, 0}, {std::string("a\0b", 3), false, 1, 0},
      {"audio", true, 0, 0},
  };
  for (const HandsetItem& item : items) {
    s.log.AppendLog("--");
    EXPECT_EQ(files.Download("/a/", item, local / "sub"), FileOutcome::Skipped) << item.name;
    EXPECT_EQ(NewLines().size(), 1u) << item.name;
  }
  EXPECT_THAT(s.sim.Received(), IsEmpty());
  EXPECT_THAT(DirectoryNames(local), IsEmpty());
}

TEST_F(HandsetFilesTest, ANameWithAnEightBitByteRoundTripsUnchanged) {
  const std::string handsetName = "caf\xE9.txt";  // é as the handset's one byte
  LoadWith({{"/a/" + handsetName, Pattern(100)}});
  EXPECT_EQ(files.Download("/a/", {handsetName, false, 100, 0x21}, local), FileOutcome::Done);
  EXPECT_THAT(DirectoryNames(local), ElementsAre("caf\xC3\xA9.txt"));  // UTF-8 locally

  EXPECT_EQ(files.SetAttributes("/a/" + handsetName, 0x23), FileOutcome::Done);
  EXPECT_EQ(s.sim.File("/a/" + handsetName)->attributes, 0x23);

  EXPECT_EQ(files.Upload(local / "caf\xC3\xA9.txt", "/b/"), FileOutcome::Done);
  EXPECT_TRUE(s.sim.File("/b/" + handsetName));

  EXPECT_EQ(files.Delete("/a/" + handsetName, false), FileOutcome::Done);
  EXPECT_FALSE(s.sim.File("/a/" + handsetName));
  EXPECT_EQ(Entry("/a/" + handsetName), nullptr);
}

TEST_F(HandsetFilesTest, DeletesFollowWhatTheHandsetDid) {
  LoadWith({{"/a/d/1.txt", Pattern(3)}, {"/a/d/2.txt", Pattern(3)}, {"/a/f.txt", Pattern(3)}});
  EXPECT_EQ(files.Delete("/a/d", true), FileOutcome::Done);
  EXPECT_THAT(SubCommands(), ElementsAre(kRemoveDir));
  const auto payload = s.sim.Received()[0].payload;
  EXPECT_THAT(std::vector<uint8_t>(payload.begin() + 4, payload.begin() + 8),
              ElementsAre(0, 0, 0, 4));
  EXPECT_EQ(PathOf(0), "/a/d");
  EXPECT_EQ(Entry("/a/d/1.txt"), nullptr);
  EXPECT_EQ(Entry("/a/d/2.txt"), nullptr);

  // A refused delete leaves the file listed, as it is still there.
  s.sim.FailCommand(0x004A, kDelete, kGenericFailure);
  EXPECT_EQ(files.Delete("/a/f.txt", false), FileOutcome::Failed);
  EXPECT_NE(Entry("/a/f.txt"), nullptr);
  EXPECT_THAT(NewLines(), Contains("Delete failed: /a/f.txt"));
}

TEST_F(HandsetFilesTest, ANewDirectoryGetsItsPlaceholderAndShowsWithoutARead) {
  LoadWith({});
  EXPECT_EQ(files.MakeDirectory("/a/x"), FileOutcome::Done);
  EXPECT_THAT(SubCommands(), ElementsAre(kMakeDir, kOpen, kWrite, kClose));
  EXPECT_EQ(PathOf(0), "/a/x");
  const std::string placeholder = "/a/x/" + std::string(kPlaceholderName);
  EXPECT_EQ(PathOf(1), placeholder);
  const auto file = s.sim.File(placeholder);
  ASSERT_TRUE(file);
  EXPECT_EQ(file->contents, std::vector<uint8_t>{'5'});
  EXPECT_EQ(file->attributes, 4);
  ASSERT_NE(Entry(placeholder), nullptr);
  EXPECT_EQ(Entry(placeholder)->size, 1u);

  // The directory shows; its placeholder does not.
  struct NoIcons : HandsetIcons {
    int ParentRowIcon() override { return 0; }
    int TemplateIcon(std::string_view) override { return 0; }
  } icons;
  std::vector<PanelRow> rows;
  ASSERT_EQ(fillHandsetPanel(
                {kLeftSide, "/a/", true, false}, list, icons, [] {}, rows),
            HandsetFillOutcome::Filled);
  std::vector<std::string> names;
  for (const PanelRow& row : rows) {
    names.push_back(row.name);
  }
  EXPECT_THAT(names, Contains("x"));
  rows.clear();
  ASSERT_EQ(fillHandsetPanel(
                {kLeftSide, "/a/x/", true, false}, list, icons, [] {}, rows),
            HandsetFillOutcome::Filled);
  for (const PanelRow& row : rows) {
    EXPECT_EQ(row.name, "..");
  }
}

TEST_F(HandsetFilesTest, ANewDirectoryTheHandsetRefusesIsNotListed) {
  LoadWith({});
  s.sim.FailCommand(0x004A, kMakeDir, kGenericFailure);
  EXPECT_EQ(files.MakeDirectory("/a/x"), FileOutcome::Failed);
  EXPECT_THAT(SubCommands(), ElementsAre(kMakeDir));
  s.sim.ClearFaults();
  s.sim.FailCommand(0x004A, kWrite, kGenericFailure);
  EXPECT_EQ(files.MakeDirectory("/a/y"), FileOutcome::Failed);
  EXPECT_FALSE(s.sim.FileOpen());
  for (const FileListEntry& e : Live()) {
    EXPECT_FALSE(e.name.starts_with("/a/x") || e.name.starts_with("/a/y")) << e.name;
  }
  EXPECT_THAT(NewLines(), Contains("New folder failed: /a/y"));
}

TEST_F(HandsetFilesTest, AttributesChangeOnTheHandsetAndInTheListOnlyWhenItTookThem) {
  s.sim.AddFile("/a/t.txt", {'t'}, 0x1221, 0x07);
  LoadWith({});
  EXPECT_EQ(files.SetAttributes("/a/t.txt", 0x1223), FileOutcome::Done);
  EXPECT_THAT(SubCommands(), ElementsAre(kOpen, kClose));
  const auto open = s.sim.Received()[0].payload;
  EXPECT_THAT(std::vector<uint8_t>(open.begin() + 4, open.begin() + 8),
              ElementsAre(0, 0, 0x12, 0x23));
  // Entry bytes 00 23 12 07: the new low byte, the high byte and owner kept.
  EXPECT_EQ(Entry("/a/t.txt")->attributeField, 0x07122300u);

  s.sim.FailCommand(0x004A, kOpen, kGenericFailure);
  EXPECT_EQ(files.SetAttributes("/a/t.txt", 0x1201), FileOutcome::Failed);
  EXPECT_EQ(Entry("/a/t.txt")->attributeField, 0x07122300u);
  EXPECT_THAT(NewLines(), Contains("Attributes not changed: /a/t.txt"));
}

}  // namespace
}  // namespace tollhaven
