#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "file_list_fixture.h"

namespace tollhaven {
namespace {

using ::testing::ElementsAre;
using testing::FileListFixture;
using ::testing::IsEmpty;
using ::testing::Pair;
using testing::RecordingStatus;

constexpr int kVolumes = 0x0A;
constexpr int kFreeSpace = 0x0B;
constexpr uint8_t kGenericFailure = 7;

class VolumeInfo : public ::testing::Test, protected FileListFixture {
 protected:
  VolumeInfo() {
    s.sim.SetVolumes({"/a", "/b"});
    s.sim.SetFreeSpace(1536);
    s.sim.SetModel("V3x");
    s.sim.AddFile("/a/one.txt", {1});
    s.sim.AddFile("/a/two.txt", {2});
    s.sim.AddFile("/b/card.txt", {3});
  }
  RecordingStatus status;
};

TEST_F(VolumeInfo, LogsAndShowsVolumesFreeSpaceModelAndFileCount) {
  list.LoadVolumeInfo(status);
  EXPECT_THAT(s.Lines(),
              ElementsAre("Volume information -->  Name: /a /b ", "Free space: 1 KBytes"));
  EXPECT_THAT(status.parts, ElementsAre(Pair(0, "Space:1 Kb"), Pair(1, "Vols: /a /b "),
                                        Pair(2, "Files:2"), Pair(3, "Model:V3x")));
  EXPECT_EQ(list.partitionLetter, 'a');
  EXPECT_EQ(list.handsetFileCount, 2u);
  EXPECT_TRUE(list.phoneFileList.empty());  // the count does not allocate here
}

TEST_F(VolumeInfo, ChoosesTheLastEnabledPartitionTheHandsetHas) {
  struct Case {
    std::vector<std::string> volumes;
    int32_t a, b, c;
    char expected;
  };
  const Case cases[] = {
      {{"/a", "/b"}, 0, 1, 0, 'b'},
      {{"/a", "/b"}, 1, 1, 0, 'b'},  // a later match overrides an earlier one
      {{"/a", "/b"}, 1, 0, 0, 'a'},
      {{"/a", "/b"}, 0, 0, 1, 'x'},  // no match: unchanged
      {{"/a", "/b"}, 0, 0, 0, 'x'},
      {{"/b"}, 0, 1, 0, 'b'},
      // One volume alone is no reason to take a partition the handset does not have.
      {{"/a"}, 0, 1, 0, 'x'},
  };
  for (const Case& c : cases) {
    FileListFixture f;
    f.s.sim.SetVolumes(c.volumes);
    f.settings.partitionA = c.a;
    f.settings.partitionB = c.b;
    f.settings.partitionC = c.c;
    f.list.partitionLetter = 'x';
    RecordingStatus ignored;
    f.list.LoadVolumeInfo(ignored);
    EXPECT_EQ(f.list.partitionLetter, c.expected)
        << c.volumes.size() << " volumes, flags " << c.a << c.b << c.c;
  }
}

TEST_F(VolumeInfo, FileCountFollowsTheChosenPartition) {
  settings.partitionA = 0;
  settings.partitionB = 1;
  list.LoadVolumeInfo(status);
  EXPECT_EQ(status.parts[2], "Files:1");
}

TEST_F(VolumeInfo, FreeSpaceQueryPassesTheVolumeNamesAsReceived) {
  list.LoadVolumeInfo(status);
  for (const auto& command : s.sim.Received()) {
    if (command.subCommand() == kFreeSpace) {
      ASSERT_EQ(command.payload.size(), 512u);
      const std::vector<uint8_t> text(command.payload.begin() + 4, command.payload.begin() + 16);
      EXPECT_THAT(text, ElementsAre(0, '/', 0, 'a', 0xFF, 0xFE, 0, '/', 0, 'b', 0xFF, 0xFE));
      EXPECT_EQ(command.payload[16], 0);
      return;
    }
  }
  FAIL() << "no free-space query";
}

TEST_F(VolumeInfo, ModelEndsAtItsPadding) {
  struct Case {
    std::vector<uint8_t> record;
    std::string model;
  };
  const Case cases[] = {
      {{0, 0, 'V', 0, '3', 0, 0xFF, 0xFF, 'X', 0}, "V3"},
      {{0, 0, 'V', 0, '3', 0, 0xFF, 0x00, 'X', 0}, "V3"},
      {{0, 0, 'V', 0, '3', 0, 0x00, 0xFF, 'X', 0}, "V3"},
      {{0, 0, 'V', 0, '3', 0, 0x00, 0x00, 'X', 0}, "V3"},
      {{0, 0, 'E', 0x01, '8'}, "E"},  // high bytes dropped; a half character is not read
      {{0, 0}, ""},
  };
  for (const Case& c : cases) {
    FileListFixture f;
    // Commands: volumes, free space, then the model record.
    f.Script(3, c.record);
    RecordingStatus recorded;
    f.list.LoadVolumeInfo(recorded);
    EXPECT_EQ(recorded.parts[3], "Model:" + c.model);
  }
}

TEST_F(VolumeInfo, SimulatedModelPaddedWithFFEndsAtFFFF) {
  s.sim.SetModel("RAZR V3");
  list.LoadVolumeInfo(status);
  EXPECT_EQ(status.parts[3], "Model:RAZR V3");
}

TEST_F(VolumeInfo, FreeSpaceIsShownInWholeKilobytes) {
  const std::pair<uint32_t, const char*> cases[] = {{1023u, "Space:0 Kb"},
                                                    {1024u, "Space:1 Kb"},
                                                    {1536u, "Space:1 Kb"},
                                                    {4294967295u, "Space:4194303 Kb"}};
  for (const auto& [bytes, shown] : cases) {
    FileListFixture f;
    f.s.sim.SetFreeSpace(bytes);
    RecordingStatus recorded;
    f.list.LoadVolumeInfo(recorded);
    EXPECT_EQ(recorded.parts[0], shown) << bytes;
  }
}

TEST_F(VolumeInfo, FailedVolumeNamesStopEverything) {
  s.sim.FailCommand(0x004A, kVolumes, kGenericFailure);
  list.LoadVolumeInfo(status);
  EXPECT_THAT(s.Lines(), ElementsAre("GENERIC FAILURE.", "Volume name fail!"));
  EXPECT_THAT(status.parts, IsEmpty());
  EXPECT_EQ(s.sim.Received().size(), 1u);
}

TEST_F(VolumeInfo, ZeroFreeSpaceStopsAfterTheVolumeText) {
  s.sim.SetFreeSpace(0);
  list.LoadVolumeInfo(status);
  EXPECT_THAT(s.Lines(), ElementsAre("Volume information -->  Name: /a /b ",
                                     "Zero free space recv'd!", "Volume size fail!"));
  EXPECT_THAT(status.parts, ElementsAre(Pair(1, "Vols: /a /b ")));
}

TEST_F(VolumeInfo, SeparatorsAndOtherHighCharactersBecomeBlanks) {
  // "/a", U+00F5, U+FFFE, "/c", then a character whose low byte is zero ends the text.
  Script(1, std::vector<uint8_t>{0, '/', 0, 'a', 0, 0xF5, 0xFF, 0xFE, 0, '/', 0, 'c', 0x01, 0x00, 0,
                                 'z'});
  s.sim.SetVolumes({"/a"});
  s.sim.SetFreeSpace(2048);
  list.LoadVolumeInfo(status);
  EXPECT_EQ(status.parts[1], "Vols: /a  /c");
}

}  // namespace
}  // namespace tollhaven
