// What every upload and new folder is checked against before anything goes to the handset: the
// length its list entries carry, the free space it reported, and names that differ only in
// letter case. Through HandsetFiles against the simulated handset.
#include "handset/upload_checks.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "handset/handset_files.h"
#include "handset_files_fixture.h"

namespace tollhaven {
namespace {

using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using testing::Pattern;
using testing::WriteAll;

constexpr int kOpen = 0x00, kWrite = 0x02, kClose = 0x04, kDelete = 0x05, kCount = 0x07,
              kList = 0x08;

class UploadChecksTest : public testing::HandsetFilesFixture {
 protected:
  UploadChecksTest() { std::filesystem::create_directories(local); }

  // The free space as the status bar asks for it, so that the checks have a figure.
  void ReportFreeSpace(uint32_t bytes) {
    s.sim.SetFreeSpace(bytes);
    const uint8_t volumes[] = {0, '/', 0, 'a', 0xFF, 0xFE, 0, 0};
    ASSERT_EQ(s.handset.PhoneFreeSpace(volumes, sizeof volumes), 0);
    s.sim.ClearReceived();
  }
  std::filesystem::path LocalFile(const std::string& name, std::size_t size, uint8_t seed = 3) {
    WriteAll(local / name, Pattern(size, seed));
    return local / name;
  }

  std::filesystem::path local = root / "local";
};

// ---- Names the handset cannot hold ----

struct LengthCase {
  const char* name;
  std::size_t entrySize;
  std::size_t pathLength;
  bool fits;
};

class PathLengthTest : public UploadChecksTest, public ::testing::WithParamInterface<LengthCase> {};

TEST_P(PathLengthTest, APathLongerThanTheEntryCarriesIsRefusedBeforeAnythingIsSent) {
  const LengthCase& c = GetParam();
  s.sim.SetEntrySize(c.entrySize);
  LoadWith({});
  const std::string path = "/a/" + std::string(c.pathLength - 3, 'n');
  const FileOutcome outcome = files.UploadTo(LocalFile("x.bin", 100), path);
  if (c.fits) {
    EXPECT_EQ(outcome, FileOutcome::Done);
    EXPECT_EQ(s.sim.File(path)->contents, Pattern(100, 3));
    EXPECT_EQ(files.lastRefusal(), UploadRefusal::None);
    return;
  }
  EXPECT_EQ(outcome, FileOutcome::Skipped);
  EXPECT_EQ(files.lastRefusal(), UploadRefusal::NameTooLong);
  EXPECT_THAT(SubCommands(), IsEmpty());
  EXPECT_THAT(NewLines(),
              ElementsAre(AllOf(HasSubstr("name too long for the handset"), HasSubstr(path))));
}

INSTANTIATE_TEST_SUITE_P(Entries, PathLengthTest,
                         ::testing::Values(LengthCase{"Large259", 268, 259, true},
                                           LengthCase{"Large260", 268, 260, false},
                                           LengthCase{"Large300", 268, 300, false},
                                           LengthCase{"Small35", 44, 35, true},
                                           LengthCase{"Small36", 44, 36, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(UploadChecksTest, ANewDirectoryWhosePlaceholderPathWouldNotFitIsNotMade) {
  s.sim.SetEntrySize(44);
  LoadWith({});
  // 35 bytes for the directory itself, but "/~tollhaven" makes its placeholder 46.
  const std::string directory = "/a/" + std::string(32, 'd');
  EXPECT_EQ(files.MakeDirectory(directory), FileOutcome::Skipped);
  EXPECT_EQ(files.lastRefusal(), UploadRefusal::NameTooLong);
  EXPECT_THAT(SubCommands(), IsEmpty());
  EXPECT_FALSE(s.sim.HasDirectory(directory));
  EXPECT_THAT(NewLines(),
              ElementsAre(AllOf(HasSubstr("name too long for the handset"), HasSubstr(directory))));
  // One that leaves room for it is made.
  const std::string fitting = "/a/" + std::string(21, 'd');
  EXPECT_EQ(files.MakeDirectory(fitting), FileOutcome::Done);
  EXPECT_TRUE(s.sim.File(fitting + "/~tollhaven"));
}

TEST_F(UploadChecksTest, WithNoListLoadedTheListComesFirstForItsEntrySize) {
  s.sim.SetEntrySize(44);
  s.sim.AddFile("/a/keep.txt", {'k'});
  const std::string tooLong = "/a/" + std::string(40, 'n');
  EXPECT_EQ(files.UploadTo(LocalFile("x.bin", 10), tooLong), FileOutcome::Skipped);
  EXPECT_EQ(files.lastRefusal(), UploadRefusal::NameTooLong);
  EXPECT_EQ(list.fileListLoaded, 1);
  EXPECT_EQ(list.entrySize, 44u);
  EXPECT_THAT(SubCommands(), ElementsAre(kCount, kList, kList));
  EXPECT_FALSE(s.sim.File(tooLong));
}

// ---- Free space ----

struct SpaceCase {
  const char* name;
  uint32_t freeSpace;
  std::size_t upload;
  std::size_t listedOld;  // 0: nothing at the path yet
  bool fits;
};

class FreeSpaceTest : public UploadChecksTest, public ::testing::WithParamInterface<SpaceCase> {};

TEST_P(FreeSpaceTest, AnUploadLargerThanTheReportedSpaceIsRefusedBeforeAnyDelete) {
  const SpaceCase& c = GetParam();
  if (c.listedOld != 0) {
    LoadWith({{"/a/song.mp3", Pattern(c.listedOld, 9)}});
  } else {
    LoadWith({});
  }
  ReportFreeSpace(c.freeSpace);
  const FileOutcome outcome = files.Upload(LocalFile("song.mp3", c.upload), "/a/");
  if (c.fits) {
    ASSERT_EQ(outcome, FileOutcome::Done);
    EXPECT_EQ(s.sim.File("/a/song.mp3")->contents, Pattern(c.upload, 3));
    // Kept in step with what the handset now has, without asking it again.
    EXPECT_EQ(s.handset.freeSpace, s.sim.FreeSpace());
    return;
  }
  EXPECT_EQ(outcome, FileOutcome::Skipped);
  EXPECT_EQ(files.lastRefusal(), UploadRefusal::NoSpace);
  EXPECT_THAT(SubCommands(), IsEmpty());
  EXPECT_THAT(NewLines(), ElementsAre(AllOf(HasSubstr("/a/song.mp3"),
                                            HasSubstr(std::to_string(c.upload) + " bytes"),
                                            HasSubstr(std::to_string(c.freeSpace) + " bytes"))));
  if (c.listedOld != 0) {
    EXPECT_EQ(s.sim.File("/a/song.mp3")->contents, Pattern(c.listedOld, 9));
  } else {
    EXPECT_FALSE(s.sim.File("/a/song.mp3"));
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, FreeSpaceTest,
                         ::testing::Values(SpaceCase{"Exactly", 3000, 3000, 0, true},
                                           SpaceCase{"OneByteOver", 3000, 3001, 0, false},
                                           SpaceCase{"TwentyOfTwelveMiB", 12u << 20, 20u << 20, 0,
                                                     false},
                                           SpaceCase{"OldFileMakesRoom", 3000, 4000, 1500, true},
                                           SpaceCase{"OldFileNotEnough", 3000, 5000, 1500, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(UploadChecksTest, UploadsAndDeletesKeepTheFreeSpaceInStepForTheNextCheck) {
  LoadWith({{"/a/old/one.bin", Pattern(1000)}, {"/a/old/two.bin", Pattern(500)}});
  ReportFreeSpace(3000);
  EXPECT_EQ(files.Upload(LocalFile("a.bin", 2000), "/a/"), FileOutcome::Done);
  // 1000 left: the handset is not asked again, and the second one does not go.
  EXPECT_EQ(files.Upload(LocalFile("b.bin", 2000), "/a/"), FileOutcome::Skipped);
  EXPECT_EQ(files.lastRefusal(), UploadRefusal::NoSpace);
  EXPECT_EQ(files.Delete("/a/old", true), FileOutcome::Done);
  EXPECT_EQ(s.handset.freeSpace, 2500u);
  EXPECT_EQ(files.Upload(LocalFile("b.bin", 2000), "/a/"), FileOutcome::Done);
  EXPECT_EQ(files.Delete("/a/a.bin", false), FileOutcome::Done);
  EXPECT_EQ(files.MakeDirectory("/a/new"), FileOutcome::Done);
  EXPECT_EQ(s.handset.freeSpace, s.sim.FreeSpace());
  EXPECT_EQ(s.sim.FreeSpace(), 3000u - 2000 + 1500 - 2000 + 2000 - 1);
}

TEST_F(UploadChecksTest, WithoutAReportedFreeSpaceTheHandsetsOwnRefusalStopsTheUpload) {
  LoadWith({});
  s.sim.SetFreeSpace(1500);  // never asked for
  EXPECT_EQ(files.Upload(LocalFile("big.bin", 4000), "/a/"), FileOutcome::Failed);
  EXPECT_EQ(files.lastRefusal(), UploadRefusal::None);
  // The first block went and the second was refused; the partial file is removed again, and
  // its space with it.
  EXPECT_FALSE(s.sim.File("/a/big.bin").has_value());
  EXPECT_EQ(s.sim.FreeSpace(), 1500u);
}

// ---- Names that differ only in letter case, on handsets that match them either way ----

class CaseClashTest : public UploadChecksTest, public ::testing::WithParamInterface<bool> {
 protected:
  CaseClashTest() { s.sim.SetCaseInsensitiveNames(GetParam()); }
};

TEST_P(CaseClashTest, AnUploadWhoseNameAListedFileHasButForCaseIsNotSent) {
  LoadWith({{"/a/Ring\xC9.MP3", Pattern(5000, 9)}});
  EXPECT_EQ(files.Upload(LocalFile("ring\xC3\xA9.mp3", 1000), "/a/"), FileOutcome::Skipped);
  EXPECT_EQ(files.lastRefusal(), UploadRefusal::CaseClash);
  EXPECT_THAT(SubCommands(), IsEmpty());
  EXPECT_THAT(NewLines(), ElementsAre(AllOf(HasSubstr("/a/Ring\xC3\x89.MP3"),
                                            HasSubstr("/a/ring\xC3\xA9.mp3"))));
  EXPECT_EQ(s.sim.FilePaths(), (std::vector<std::string>{"/a/Ring\xC9.MP3", "/a/keep.txt"}));
  EXPECT_EQ(s.sim.File("/a/Ring\xC9.MP3")->contents, Pattern(5000, 9));
}

TEST_P(CaseClashTest, ReplacingTheListedFileFirstLeavesExactlyTheNewOne) {
  // What the window does when the user says to replace the listed file.
  LoadWith({{"/a/Ring.MP3", Pattern(5000, 9)}});
  const std::optional<std::string> twin = ListedCaseTwin(list, "/a/ring.mp3");
  ASSERT_EQ(twin, "/a/Ring.MP3");
  ASSERT_EQ(files.Delete(*twin, false), FileOutcome::Done);
  EXPECT_EQ(files.Upload(LocalFile("ring.mp3", 1000), "/a/"), FileOutcome::Done);
  EXPECT_EQ(s.sim.FilePaths(), (std::vector<std::string>{"/a/keep.txt", "/a/ring.mp3"}));
  EXPECT_EQ(s.sim.File("/a/ring.mp3")->contents, Pattern(1000, 3));
}

TEST_P(CaseClashTest, TheSameNameAndOtherNamesAreNoClash) {
  LoadWith({{"/a/ring.mp3", Pattern(50, 9)}, {"/a/Ring.MP3.bak", Pattern(5)}});
  EXPECT_EQ(files.Upload(LocalFile("ring.mp3", 10), "/a/"), FileOutcome::Done);
  EXPECT_EQ(files.Upload(LocalFile("ring.mp", 10), "/a/"), FileOutcome::Done);
  EXPECT_EQ(files.lastRefusal(), UploadRefusal::None);
  EXPECT_EQ(s.sim.File("/a/ring.mp3")->contents, Pattern(10, 3));
}

INSTANTIATE_TEST_SUITE_P(Handsets, CaseClashTest, ::testing::Bool(), [](const auto& info) {
  return info.param ? "IgnoringCase" : "ExactCase";
});

}  // namespace
}  // namespace tollhaven
