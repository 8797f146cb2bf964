// The file-system sub-commands on the in-memory tree, and restart.

#include <gmock/gmock.h>

#include "tests/emulator/handset_wire.h"

namespace {

using namespace wire;

Bytes Sequence(std::size_t size) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) {
    bytes[i] = uint8_t(i * 7 + 3);
  }
  return bytes;
}

TEST_F(HandsetTest, OpenCreatesTheFileWithTheLowWordAndItsDirectories) {
  EXPECT_TRUE(Done(File(Open(0x00120021, "/a/mobile/new/song.mid"))));
  const auto file = handset.File("/a/mobile/new/song.mid");
  ASSERT_TRUE(file);
  EXPECT_EQ(file->attributes, 0x0021);
  EXPECT_EQ(file->owner, 0x07);
  EXPECT_TRUE(file->contents.empty());
  EXPECT_TRUE(handset.FileOpen());
  EXPECT_TRUE(handset.HasDirectory("/a/mobile/new"));
  EXPECT_TRUE(handset.HasDirectory("/a/mobile"));
}

TEST_F(HandsetTest, OpenOfAnExistingFileSetsOnlyItsAttributeWord) {
  handset.AddFile("/a/x.bin", {1, 2, 3}, 0x0004, 0x2A);
  EXPECT_TRUE(Done(File(Open(0x0141, "/a/x.bin"))));
  EXPECT_TRUE(Done(File(Close())));
  const auto file = handset.File("/a/x.bin");
  EXPECT_EQ(file->attributes, 0x0141);
  EXPECT_EQ(file->owner, 0x2A);
  EXPECT_EQ(file->contents, (Bytes{1, 2, 3}));
}

class OpenRefusalTest : public HandsetTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(OpenRefusalTest, AnswersTheSingleByteOne) {
  handset.AddDirectory("/a/dir");
  EXPECT_TRUE(Refused(File(Open(4, GetParam()))));
  EXPECT_FALSE(handset.FileOpen());
  EXPECT_TRUE(handset.FilePaths().empty());
}

INSTANTIATE_TEST_SUITE_P(Paths, OpenRefusalTest,
                         ::testing::Values("", "/d/x", "a/x", "/a", "/a/", "/a/dir", "/a/dir/",
                                           "/a//x", "/ab/x"));

TEST_F(HandsetTest, WrittenBlocksReadBackAcrossBlockEdges) {
  const Bytes contents = Sequence(2500);
  ASSERT_TRUE(Done(File(Open(4, "/a/data.bin"))));
  for (std::size_t at = 0; at < contents.size(); at += 1024) {
    const auto end = contents.begin() + std::ptrdiff_t(std::min(at + 1024, contents.size()));
    ASSERT_TRUE(Done(File(Write(Bytes(contents.begin() + std::ptrdiff_t(at), end)))));
  }
  ASSERT_TRUE(Done(File(Close())));
  EXPECT_EQ(handset.File("/a/data.bin")->contents, contents);

  ASSERT_TRUE(Done(File(Open(4, "/a/data.bin"))));
  Bytes back;
  for (uint32_t ask : {1024u, 1024u, 1024u}) {
    const Answer answer = File(Read(ask));
    ASSERT_EQ(answer.status, 8);
    back.insert(back.end(), answer.data.begin(), answer.data.end());
  }
  EXPECT_EQ(back, contents);  // the last block carried the 452 bytes left
  const Answer atEnd = File(Read(1024));
  EXPECT_EQ(atEnd.status, 8);
  EXPECT_TRUE(atEnd.data.empty());
  const Answer none = File(Read(0));
  EXPECT_EQ(none.status, 8);
  EXPECT_TRUE(none.data.empty());
}

struct SeekCase {
  uint32_t offset;
  uint8_t origin;
  Bytes readBack;  // the next two bytes after the seek (from position 2)
};

class SeekTest : public HandsetTest, public ::testing::WithParamInterface<SeekCase> {};

TEST_P(SeekTest, MovesThePosition) {
  handset.AddFile("/a/f", {10, 11, 12, 13, 14, 15});
  ASSERT_TRUE(Done(File(Open(0, "/a/f"))));
  ASSERT_EQ(File(Read(2)).data, (Bytes{10, 11}));
  ASSERT_TRUE(Done(File(Seek(GetParam().offset, GetParam().origin))));
  EXPECT_EQ(File(Read(2)).data, GetParam().readBack);
}

INSTANTIATE_TEST_SUITE_P(Origins, SeekTest,
                         ::testing::Values(SeekCase{1, 0, {11, 12}}, SeekCase{1, 1, {13, 14}},
                                           SeekCase{0xFFFFFFFE, 2, {14, 15}},
                                           SeekCase{0xFFFFFFFF, 1, {11, 12}}, SeekCase{9, 0, {}}));

TEST_F(HandsetTest, SeekBeforeTheStartOrFromAnUnknownOriginIsRefused) {
  handset.AddFile("/a/f", {1, 2, 3});
  ASSERT_TRUE(Done(File(Open(0, "/a/f"))));
  EXPECT_TRUE(Refused(File(Seek(0xFFFFFFFF, 0))));
  EXPECT_TRUE(Refused(File(Seek(0xFFFFFFFC, 2))));
  EXPECT_EQ(File(Seek(0, 3)).status, 5);
}

TEST_F(HandsetTest, WritingPastTheEndFillsTheGapWithZeros) {
  handset.AddFile("/a/f", {1, 2});
  ASSERT_TRUE(Done(File(Open(0, "/a/f"))));
  ASSERT_TRUE(Done(File(Seek(4, 0))));
  ASSERT_TRUE(Done(File(Write({9}))));
  EXPECT_EQ(handset.File("/a/f")->contents, (Bytes{1, 2, 0, 0, 9}));
}

TEST_F(HandsetTest, OverwritingInsideTheFileKeepsItsTail) {
  handset.AddFile("/a/f", {1, 2, 3, 4});
  ASSERT_TRUE(Done(File(Open(0, "/a/f"))));
  ASSERT_TRUE(Done(File(Write({8, 9}))));
  EXPECT_EQ(handset.File("/a/f")->contents, (Bytes{8, 9, 3, 4}));
}

TEST_F(HandsetTest, CommandsOnAnOpenFileWithoutOneAreRefused) {
  EXPECT_TRUE(Refused(File(Read(4))));
  EXPECT_TRUE(Refused(File(Write({1}))));
  EXPECT_TRUE(Refused(File(Seek(0, 0))));
  EXPECT_TRUE(Refused(File(Close())));
}

TEST_F(HandsetTest, CloseEndsTheOpenFile) {
  ASSERT_TRUE(Done(File(Open(4, "/b/f"))));
  EXPECT_TRUE(Done(File(Close())));
  EXPECT_FALSE(handset.FileOpen());
  EXPECT_TRUE(Refused(File(Read(4))));
}

struct BadPayloadCase {
  const char* name;
  Bytes payload;
  uint8_t status;
};

class BadPayloadTest : public HandsetTest, public ::testing::WithParamInterface<BadPayloadCase> {};

TEST_P(BadPayloadTest, GetsAnErrorStatusAndChangesNothing) {
  handset.AddFile("/a/f", {1, 2, 3});
  ASSERT_TRUE(Done(File(Open(0, "/a/f"))));
  const Answer answer = File(GetParam().payload);
  EXPECT_EQ(answer.status, GetParam().status);
  EXPECT_TRUE(answer.data.empty());
  EXPECT_EQ(handset.File("/a/f")->contents, (Bytes{1, 2, 3}));
  EXPECT_EQ(File(Read(3)).data, (Bytes{1, 2, 3}));  // the position did not move either
}

INSTANTIATE_TEST_SUITE_P(
    Payloads, BadPayloadTest,
    ::testing::Values(BadPayloadCase{"ReadOverOneBlock", Read(1025), 5},
                      BadPayloadCase{"ReadShort", Cat({Be32(1), {0, 4}}), 0},
                      BadPayloadCase{"ReadLong", Cat({Read(4), {0}}), 0},
                      BadPayloadCase{"WriteOverOneBlock", Write(Bytes(1025)), 5},
                      BadPayloadCase{"WriteCountOverBytes", Cat({Be32(2), Be32(3), {7, 7}}), 0},
                      BadPayloadCase{"WriteCountUnderBytes", Cat({Be32(2), Be32(1), {7, 7}}), 0},
                      BadPayloadCase{"WriteNoCount", Be32(2), 0},
                      BadPayloadCase{"SeekWithoutOrigin", Cat({Be32(3), Be32(1)}), 0},
                      BadPayloadCase{"OpenWithoutWord", Cat({Be32(0), {0, 4}}), 0},
                      BadPayloadCase{"CountShort", Cat({Be32(7), {0, '/', 0, 'a'}}), 0},
                      BadPayloadCase{"ListLong", Cat({List(), {1, 2}}), 0},
                      BadPayloadCase{"VolumesLong", Cat({Volumes(), {0}}), 0},
                      BadPayloadCase{"FreeSpaceShort", Cat({Be32(0x0B), {0, '/', 0, 'a'}}), 0},
                      BadPayloadCase{"MakeDirWithoutWord", Cat({Be32(0x0E), {0}}), 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HandsetTest, CloseWithAPayloadIsRefusedAndTheFileStaysOpen) {
  ASSERT_TRUE(Done(File(Open(0, "/a/f"))));
  EXPECT_EQ(File(Cat({Close(), {0}})).status, 0);
  EXPECT_TRUE(handset.FileOpen());
}

TEST_F(HandsetTest, DeleteRemovesTheFileAndClosesItIfOpen) {
  handset.AddFile("/a/keep", {1});
  handset.AddFile("/a/gone", {2});
  ASSERT_TRUE(Done(File(Open(0, "/a/gone"))));
  EXPECT_TRUE(Done(File(Delete("/a/gone"))));
  EXPECT_FALSE(handset.File("/a/gone"));
  EXPECT_FALSE(handset.FileOpen());
  EXPECT_THAT(handset.FilePaths(), ::testing::ElementsAre("/a/keep"));
}

TEST_F(HandsetTest, DeleteOfAMissingFileOrADirectoryIsRefused) {
  handset.AddDirectory("/a/dir");
  EXPECT_TRUE(Refused(File(Delete("/a/none"))));
  EXPECT_TRUE(Refused(File(Delete("/a/dir"))));
  EXPECT_TRUE(Refused(File(Delete(""))));
  EXPECT_TRUE(handset.HasDirectory("/a/dir"));
}

TEST_F(HandsetTest, MakeDirCreatesTheDirectoryAndItsParents) {
  EXPECT_TRUE(Done(File(MakeDir("/b/one/two"))));
  EXPECT_TRUE(Done(File(MakeDir("/b/three/"))));
  EXPECT_TRUE(Done(File(MakeDir("/b/one/two"))));  // already there
  EXPECT_TRUE(handset.HasDirectory("/b/one"));
  EXPECT_TRUE(handset.HasDirectory("/b/one/two"));
  EXPECT_TRUE(handset.HasDirectory("/b/three"));
}

TEST_F(HandsetTest, MakeDirOutsideThePartitionsOrOverAFileIsRefused) {
  handset.AddFile("/a/file", {});
  EXPECT_TRUE(Refused(File(MakeDir("/a/file"))));
  EXPECT_TRUE(Refused(File(MakeDir("/q/dir"))));
  EXPECT_TRUE(Refused(File(MakeDir(""))));
  EXPECT_FALSE(handset.HasDirectory("/q/dir"));
}

TEST_F(HandsetTest, RemoveDirRemovesEverythingBelowItAndNothingElse) {
  handset.AddFile("/a/music/x.mp3", {1});
  handset.AddFile("/a/music/old/y.mp3", {2});
  handset.AddDirectory("/a/music/empty");
  handset.AddFile("/a/music2/z.mp3", {3});
  handset.AddFile("/a/musical", {4});
  ASSERT_TRUE(Done(File(Open(0, "/a/music/old/y.mp3"))));

  EXPECT_TRUE(Done(File(RemoveDir("/a/music"))));
  EXPECT_THAT(handset.FilePaths(), ::testing::ElementsAre("/a/music2/z.mp3", "/a/musical"));
  EXPECT_FALSE(handset.HasDirectory("/a/music"));
  EXPECT_FALSE(handset.HasDirectory("/a/music/old"));
  EXPECT_FALSE(handset.HasDirectory("/a/music/empty"));
  EXPECT_TRUE(handset.HasDirectory("/a/music2"));
  EXPECT_FALSE(handset.FileOpen());
}

TEST_F(HandsetTest, RemoveDirOfAPartitionOrAMissingDirectoryIsRefused) {
  handset.AddFile("/a/x", {1});
  EXPECT_TRUE(Refused(File(RemoveDir("/a"))));
  EXPECT_TRUE(Refused(File(RemoveDir("/a/"))));
  EXPECT_TRUE(Refused(File(RemoveDir("/a/none"))));
  EXPECT_TRUE(Refused(File(RemoveDir("/a/x"))));
  EXPECT_TRUE(handset.File("/a/x"));
  EXPECT_TRUE(handset.HasDirectory("/a"));
}

TEST_F(HandsetTest, RestartClosesTheOpenFileAndIsCounted) {
  ASSERT_TRUE(Done(File(Open(4, "/a/f"))));
  EXPECT_TRUE(Done(Transact(kRestart, {})));
  EXPECT_EQ(handset.RestartCount(), 1);
  EXPECT_FALSE(handset.FileOpen());
}

TEST_F(HandsetTest, AddFileOutsideThePartitionsThrows) {
  EXPECT_THROW(handset.AddFile("/d/x", {}), std::invalid_argument);
  EXPECT_THROW(handset.AddFile("/a/", {}), std::invalid_argument);
  EXPECT_THROW(handset.AddDirectory("x"), std::invalid_argument);
  EXPECT_TRUE(handset.HasDirectory("/a"));
  EXPECT_TRUE(handset.HasDirectory("/b/"));
  EXPECT_TRUE(handset.HasDirectory("/c"));
}

}  // namespace

namespace {

TEST_F(HandsetTest, FreeSpaceShrinksByWhatIsWrittenAndGrowsByWhatIsDeleted) {
  handset.SetFreeSpace(10);
  handset.AddFile("/a/old", {1, 2, 3, 4});
  ASSERT_TRUE(Done(File(Open(4, "/a/old"))));
  // Bytes written inside the file take no room; only those past its end do.
  ASSERT_TRUE(Done(File(Write({9, 9, 9, 9, 9, 9}))));
  EXPECT_EQ(handset.FreeSpace(), 8u);
  ASSERT_TRUE(Done(File(Close())));
  ASSERT_TRUE(Done(File(Open(4, "/a/dir/new"))));
  ASSERT_TRUE(Done(File(Write(Bytes(8, 5)))));
  EXPECT_EQ(handset.FreeSpace(), 0u);
  ASSERT_TRUE(Done(File(Close())));
  ASSERT_TRUE(Done(File(Delete("/a/old"))));
  EXPECT_EQ(handset.FreeSpace(), 6u);
  ASSERT_TRUE(Done(File(RemoveDir("/a/dir"))));
  EXPECT_EQ(handset.FreeSpace(), 14u);
}

TEST_F(HandsetTest, AWriteBlockPastTheFreeSpaceIsRefusedWithAnErrorAndWritesNothing) {
  handset.SetFreeSpace(5);
  ASSERT_TRUE(Done(File(Open(4, "/a/full"))));
  ASSERT_TRUE(Done(File(Write({1, 2, 3}))));
  const Answer refused = File(Write({4, 5, 6}));
  EXPECT_EQ(refused.status, 7);
  EXPECT_EQ(handset.File("/a/full")->contents, (Bytes{1, 2, 3}));
  EXPECT_EQ(handset.FreeSpace(), 2u);
  EXPECT_TRUE(Done(File(Write({4, 5}))));
  EXPECT_EQ(handset.FreeSpace(), 0u);
}

class CaseMatchTest : public HandsetTest, public ::testing::WithParamInterface<bool> {};

TEST_P(CaseMatchTest, OpenAndDeleteFindANameOfOtherCaseOnlyWhenSwitchedOn) {
  const bool ignoreCase = GetParam();
  handset.SetCaseInsensitiveNames(ignoreCase);
  handset.AddFile("/a/Ring\xC9.MP3", {1, 2, 3, 4});
  ASSERT_TRUE(Done(File(Open(4, "/a/ring\xE9.mp3"))));
  ASSERT_TRUE(Done(File(Write({7}))));
  ASSERT_TRUE(Done(File(Close())));
  if (ignoreCase) {
    // Written into the old file under its old name, tail and all.
    EXPECT_EQ(handset.FilePaths(), (std::vector<std::string>{"/a/Ring\xC9.MP3"}));
    EXPECT_EQ(handset.File("/a/Ring\xC9.MP3")->contents, (Bytes{7, 2, 3, 4}));
  } else {
    EXPECT_EQ(handset.FilePaths(),
              (std::vector<std::string>{"/a/Ring\xC9.MP3", "/a/ring\xE9.mp3"}));
  }
  ASSERT_TRUE(Done(File(Delete("/a/RING\xC9.mp3"))) == ignoreCase);
  EXPECT_EQ(handset.File("/a/Ring\xC9.MP3").has_value(), !ignoreCase);
}

INSTANTIATE_TEST_SUITE_P(Both, CaseMatchTest, ::testing::Bool(), [](const auto& info) {
  return info.param ? "IgnoringCase" : "ExactCase";
});

}  // namespace
