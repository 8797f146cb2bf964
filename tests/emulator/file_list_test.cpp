// Counting and listing files, the volume names, the free space and the model record.

#include <gmock/gmock.h>

#include "tests/emulator/handset_wire.h"

namespace {

using namespace wire;

Bytes Name(const std::string& path, std::size_t field) {
  return Padded(Text(path), field);
}

TEST_F(HandsetTest, CountAnswersThePartitionsFileCount) {
  handset.AddFile("/a/one", {});
  handset.AddFile("/a/dir/two", {});
  handset.AddFile("/b/three", {});
  EXPECT_EQ(File(Count('a')).data, (Bytes{0x00, 0x02}));
  EXPECT_EQ(File(Count('b')).data, (Bytes{0x00, 0x01}));
  const Answer none = File(Count('c'));
  EXPECT_EQ(none.status, 8);
  EXPECT_EQ(none.data, (Bytes{0x00, 0x00}));
}

TEST_F(HandsetTest, CountOfADirectoryPatternCountsBelowIt) {
  handset.AddFile("/a/mobile/one", {});
  handset.AddFile("/a/mobile/sub/two", {});
  handset.AddFile("/a/mobile2/three", {});
  const Bytes pattern = Padded(Cat({Be32(7), {0, '/', 0, 'a', 0, '/', 0, 'm', 0,    'o',  0, 'b',
                                              0, 'i', 0, 'l', 0, 'e', 0, '/', 0xFF, 0xFE, 0, '*'}}),
                               256);
  EXPECT_EQ(File(pattern).data, (Bytes{0x00, 0x02}));
}

struct PatternCase {
  const char* name;
  Bytes text;  // UTF-16BE after the sub-command
};

class BadPatternTest : public HandsetTest, public ::testing::WithParamInterface<PatternCase> {};

TEST_P(BadPatternTest, IsAnUnsupportedParameter) {
  handset.AddFile("/a/x", {});
  EXPECT_EQ(File(Padded(Cat({Be32(7), GetParam().text}), 256)).status, 5);
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, BadPatternTest,
    ::testing::Values(PatternCase{"UnknownPartition", {0, '/', 0, 'd', 0, '/', 0xFF, 0xFE, 0, '*'}},
                      PatternCase{"NoSeparator", {0, '/', 0, 'a', 0, '/', 0, '*'}},
                      PatternCase{"NoStar", {0, '/', 0, 'a', 0, '/', 0xFF, 0xFE}},
                      PatternCase{"NoClosingSlash", {0, '/', 0, 'a', 0xFF, 0xFE, 0, '*'}},
                      PatternCase{"LittleEndian", {'/', 0, 'a', 0, '/', 0, 0xFE, 0xFF, '*', 0}},
                      PatternCase{"BytesAfterTheEnd",
                                  {0, '/', 0, 'a', 0, '/', 0xFF, 0xFE, 0, '*', 0, 0, 0, 1}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HandsetTest, ListChunkOf268ByteEntriesByteForByte) {
  handset.AddFile("/a/mobile/audio/tone.mid", Bytes(300), 0x0121, 0x16);
  ASSERT_EQ(File(Count('a')).data, (Bytes{0, 1}));

  const Answer chunk = File(List());
  EXPECT_EQ(chunk.status, 8);
  const Bytes expected = Cat({{0x00, 0x01, 0x00, 0x00},
                              Name("/a/mobile/audio/tone.mid", 260),
                              {0x00, 0x21, 0x01, 0x16, 0x00, 0x00, 0x01, 0x2C}});
  EXPECT_EQ(chunk.data, expected);
  EXPECT_EQ(chunk.data.size(), 272u);
}

TEST_F(HandsetTest, ListChunkOf44ByteEntriesTruncatesLongNames) {
  handset.SetEntrySize(44);
  const std::string longPath = "/a/mobile/picture/a_rather_long_name_of_a_photo.jpg";
  handset.AddFile(longPath, Bytes(70000), 0x0040, 0x2A);
  ASSERT_EQ(File(Count('a')).status, 8);

  const Answer chunk = File(List());
  const Bytes expected = Cat({{0x00, 0x01, 0x00, 0x00},
                              Name(longPath.substr(0, 35), 36),
                              {0x00, 0x40, 0x00, 0x2A, 0x00, 0x01, 0x11, 0x70}});
  EXPECT_EQ(chunk.data, expected);
  EXPECT_EQ(chunk.data.size(), 48u);
}

TEST_F(HandsetTest, ListGivesChunksOfTwoInPathOrderThenFails) {
  handset.SetEntriesPerChunk(2);
  for (const char* path : {"/a/e", "/a/c", "/a/a", "/a/d", "/a/b"}) {
    handset.AddFile(path, {});
  }
  ASSERT_EQ(File(Count('a')).data, (Bytes{0, 5}));

  std::vector<std::string> names;
  for (uint8_t expected : {2, 2, 1}) {
    const Answer chunk = File(List());
    ASSERT_EQ(chunk.status, 8);
    ASSERT_EQ(chunk.data.size(), 4u + expected * 268u);
    EXPECT_EQ(chunk.data[0], 0);
    EXPECT_EQ(chunk.data[1], expected);
    for (std::size_t i = 0; i < expected; ++i) {
      names.push_back(EntryName(chunk, i));
    }
  }
  EXPECT_THAT(names, ::testing::ElementsAre("/a/a", "/a/b", "/a/c", "/a/d", "/a/e"));
  // The listing ends with an error status, and stays ended.
  EXPECT_EQ(File(List()).status, 7);
  EXPECT_EQ(File(List()).status, 7);
}

TEST_F(HandsetTest, ListBeforeAnyCountFails) {
  handset.AddFile("/a/x", {});
  EXPECT_EQ(File(List()).status, 7);
}

TEST_F(HandsetTest, ListAcceptsAndRecordsTheHandsetTypeByte) {
  handset.AddFile("/a/x", {});
  ASSERT_EQ(File(Count('a')).status, 8);
  EXPECT_EQ(File(Cat({List(), {3}})).status, 8);
  EXPECT_EQ(handset.Received().back().payload, (Bytes{0, 0, 0, 8, 3}));
}

TEST_F(HandsetTest, ListSkipsFilesDeletedSinceTheCount) {
  handset.AddFile("/a/a", {});
  handset.AddFile("/a/b", {});
  ASSERT_EQ(File(Count('a')).data, (Bytes{0, 2}));
  ASSERT_TRUE(Done(File(Delete("/a/a"))));
  EXPECT_EQ(EntryName(File(List()), 0), "/a/b");
  EXPECT_EQ(File(List()).status, 7);
}

TEST_F(HandsetTest, ACountStartsTheListingAgain) {
  handset.AddFile("/a/a", {});
  handset.AddFile("/b/b", {});
  ASSERT_EQ(File(Count('a')).status, 8);
  ASSERT_EQ(File(List()).status, 8);
  ASSERT_EQ(File(Count('b')).status, 8);
  EXPECT_EQ(EntryName(File(List()), 0), "/b/b");
}

TEST_F(HandsetTest, OutOfRangeEntrySizesAndChunkCountsAreClamped) {
  handset.AddFile("/a/abc", {});
  handset.SetEntrySize(0);
  handset.SetEntriesPerChunk(0);
  ASSERT_EQ(File(Count('a')).status, 8);
  const Answer chunk = File(List());
  EXPECT_EQ(chunk.data, (Bytes{0, 1, 0, 0, '/', 0, 0, 0, 0, 0x07, 0, 0, 0, 0}));
}

TEST_F(HandsetTest, VolumesAreSeparatedAndFollowedByFffeThenZero) {
  handset.SetVolumes({"/a", "/b"});
  const Answer answer = File(Volumes());
  EXPECT_EQ(answer.status, 8);
  EXPECT_EQ(answer.data, (Bytes{0x00, 0x2F, 0x00, 0x61, 0xFF, 0xFE, 0x00, 0x2F, 0x00, 0x62, 0xFF,
                                0xFE, 0x00, 0x00}));
  handset.SetVolumes({});
  EXPECT_EQ(File(Volumes()).data, (Bytes{0x00, 0x00}));
}

TEST_F(HandsetTest, FreeSpaceIsFourBigEndianBytesForAKnownVolumeText) {
  handset.SetVolumes({"/a", "/b"});
  handset.SetFreeSpace(0x00C54321);
  const Bytes asReported = {0x00, 0x2F, 0x00, 0x61, 0xFF, 0xFE, 0x00, 0x2F, 0x00, 0x62, 0xFF, 0xFE};
  const Answer answer = File(FreeSpace(asReported));
  EXPECT_EQ(answer.status, 8);
  EXPECT_EQ(answer.data, (Bytes{0x00, 0xC5, 0x43, 0x21}));
  EXPECT_EQ(File(FreeSpace({0x00, 0x2F, 0x00, 0x62})).data, (Bytes{0x00, 0xC5, 0x43, 0x21}));
}

TEST_F(HandsetTest, FreeSpaceForAnUnknownVolumeTextIsRefused) {
  handset.SetVolumes({"/a"});
  EXPECT_EQ(File(FreeSpace({0x00, 0x2F, 0x00, 0x63})).status, 5);              // "/c"
  EXPECT_EQ(File(FreeSpace({0x00, 0x2F, 0x00, 0x61, 0x00, 0x62})).status, 5);  // "/ab"
  EXPECT_EQ(File(FreeSpace({0x2F, 0x00, 0x61, 0x00})).status, 5);              // byte-swapped
  EXPECT_EQ(File(FreeSpace({})).status, 5);
}

TEST_F(HandsetTest, ModelRecordHoldsLittleEndianCharactersPaddedWithFf) {
  handset.SetModel("V3");
  const Answer answer = Transact(kReadSeem, Seem(0x0117, 1, 0, 0));
  EXPECT_EQ(answer.status, 8);
  EXPECT_EQ(answer.data, Cat({{0x00, 0x00, 0x56, 0x00, 0x33, 0x00}, Bytes(58, 0xFF)}));
  EXPECT_EQ(Transact(kReadSeem, Seem(0x0117, 1, 2, 4)).data, (Bytes{0x56, 0x00, 0x33, 0x00}));
}

TEST_F(HandsetTest, ALongModelStillEndsInPadding) {
  handset.SetModel(std::string(40, 'M'));
  const Answer answer = Transact(kReadSeem, Seem(0x0117, 1, 0, 0));
  ASSERT_EQ(answer.data.size(), 64u);
  EXPECT_EQ(answer.data[60], 'M');
  EXPECT_EQ(answer.data[62], 0xFF);
  EXPECT_EQ(answer.data[63], 0xFF);
}

TEST_F(HandsetTest, OtherSeemsAndRecordsAreRefused) {
  EXPECT_EQ(Transact(kReadSeem, Seem(0x0118, 1, 0, 0)).status, 5);
  EXPECT_EQ(Transact(kReadSeem, Seem(0x0117, 2, 0, 0)).status, 5);
  EXPECT_EQ(Transact(kReadSeem, Seem(0x0117, 1, 60, 8)).status, 5);
  EXPECT_EQ(Transact(kReadSeem, Seem(0x0117, 1, 65, 0)).status, 5);
  EXPECT_EQ(Transact(kReadSeem, Cat({Seem(0x0117, 1, 0, 0), {0}})).status, 0);
}

}  // namespace
