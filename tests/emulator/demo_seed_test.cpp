// The demo program's handset: a believable tree, the same on every run, served like any other.

#include "emulator/demo_seed.h"

#include <gmock/gmock.h>

#include <set>

#include "tests/emulator/handset_wire.h"

namespace {

using namespace wire;

class DemoSeedTest : public HandsetTest {
 protected:
  void SetUp() override { p2ksim::SeedDemoFileSystem(handset); }
};

TEST_F(DemoSeedTest, HoldsAFewHundredFilesOfEveryKindInAFewMegabytes) {
  const auto paths = handset.FilePaths();
  EXPECT_GE(paths.size(), 200u);
  EXPECT_LE(paths.size(), 1000u);

  std::set<uint8_t> owners;
  std::set<uint16_t> words;
  std::size_t total = 0;
  std::set<std::string> areas;
  for (const std::string& path : paths) {
    const auto file = handset.File(path);
    owners.insert(file->owner);
    words.insert(file->attributes);
    total += file->contents.size();
    areas.insert(path.substr(0, path.find('/', 10)));
  }
  EXPECT_THAT(owners, ::testing::IsSupersetOf({0x07, 0x16, 0x0E, 0x2A}));
  EXPECT_THAT(words, ::testing::IsSupersetOf({0x00, 0x01, 0x04, 0x20, 0x21, 0x40}));
  EXPECT_GT(total, 1'000'000u);
  EXPECT_LT(total, 8'000'000u);
  EXPECT_THAT(areas,
              ::testing::IsSupersetOf({"/a/mobile/audio", "/a/mobile/picture", "/a/mobile/skins",
                                       "/a/mobile/video", "/a/mobile/system"}));
  EXPECT_TRUE(std::any_of(paths.begin(), paths.end(),
                          [](const std::string& p) { return p.rfind("/b/", 0) == 0; }));
}

TEST_F(DemoSeedTest, IsTheSameEveryTime) {
  p2ksim::SimulatedHandset again;
  p2ksim::SeedDemoFileSystem(again);
  const auto paths = handset.FilePaths();
  ASSERT_EQ(again.FilePaths(), paths);
  for (const std::string& path : paths) {
    const auto a = handset.File(path);
    const auto b = again.File(path);
    ASSERT_EQ(a->contents, b->contents) << path;
    ASSERT_EQ(a->attributes, b->attributes) << path;
    ASSERT_EQ(a->owner, b->owner) << path;
  }
}

TEST_F(DemoSeedTest, AnswersVolumesFreeSpaceModelAndTheWholeListing) {
  const Answer volumes = File(Volumes());
  EXPECT_EQ(volumes.data, (Bytes{0x00, 0x2F, 0x00, 0x61, 0xFF, 0xFE, 0x00, 0x2F, 0x00, 0x62, 0xFF,
                                 0xFE, 0x00, 0x00}));
  const Bytes free = File(FreeSpace(Bytes(volumes.data.begin(), volumes.data.end() - 2))).data;
  ASSERT_EQ(free.size(), 4u);
  const uint32_t bytes = uint32_t(free[0]) << 24 | free[1] << 16 | free[2] << 8 | free[3];
  EXPECT_NEAR(bytes / (1024.0 * 1024.0), 12.0, 1.0);
  const Answer model = Transact(kReadSeem, Seem(0x0117, 1, 0, 0));
  EXPECT_EQ(Bytes(model.data.begin(), model.data.begin() + 8),
            (Bytes{0x00, 0x00, 'V', 0x00, '3', 0x00, 0xFF, 0xFF}));

  const Answer count = File(Count('a'));
  const std::size_t files = std::size_t(count.data.at(0)) << 8 | count.data.at(1);
  std::size_t listed = 0;
  for (Answer chunk = File(List()); chunk.status == 8; chunk = File(List())) {
    listed += chunk.data.at(1);
  }
  EXPECT_EQ(listed, files);
  EXPECT_GE(files, 200u);
}

}  // namespace
