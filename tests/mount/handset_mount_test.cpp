// The mount's logic in-process against the simulated handset, without FUSE: what each operation
// answers and which commands reach the handset.
#include <fcntl.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cli/cli_fixture.h"
#include "handset/handset_connection.h"
#include "mount/handset_mount.h"

namespace tollhaven::testing {
namespace {

using ::testing::AllOf;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr int kOpen = 0x00;
constexpr int kSeek = 0x03;
constexpr int kWrite = 0x02;
constexpr int kClose = 0x04;

std::vector<uint8_t> Bytes(std::string_view text) {
  return std::vector<uint8_t>(text.begin(), text.end());
}

// Bytes with no short period, so a block read twice or out of place does not compare equal.
std::vector<uint8_t> Pattern(std::size_t size, unsigned seed) {
  std::vector<uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) {
    bytes[i] = static_cast<uint8_t>((i * 31 + seed * 7 + i / 253) & 0xFF);
  }
  return bytes;
}

class HandsetMountTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    spool =
        std::filesystem::path(::testing::TempDir()) / (std::string("mount_spool_") + info->name());
    std::filesystem::remove_all(spool);
    std::filesystem::create_directories(spool);
  }
  void TearDown() override {
    mount.reset();
    std::filesystem::remove_all(spool);
  }

  // Connects and mounts; the handset's files must be in place first.
  void Mount() {
    ASSERT_TRUE(handset.Connect(discovery));
    mount = std::make_unique<mount::HandsetMount>(handset, err, spool);
  }

  int Received(int subCommand) const {
    int count = 0;
    for (const auto& command : sim.Received()) {
      count += command.subCommand() == subCommand ? 1 : 0;
    }
    return count;
  }

  std::vector<std::string> Names(std::string_view path) {
    std::vector<mount::MountDirEntry> entries;
    EXPECT_EQ(mount->ReadDir(path, entries), 0) << path;
    std::vector<std::string> names;
    for (const auto& entry : entries) {
      names.push_back(entry.name + (entry.directory ? "/" : ""));
    }
    return names;
  }

  // Reads the whole file through one handle in pieces of `piece` bytes.
  std::vector<uint8_t> ReadAll(std::string_view path, std::size_t piece) {
    uint64_t handle = 0;
    EXPECT_EQ(mount->Open(path, O_RDONLY, handle), 0);
    std::vector<uint8_t> bytes;
    std::vector<char> buffer(piece);
    for (;;) {
      const long got = mount->Read(handle, buffer.data(), piece, static_cast<off_t>(bytes.size()));
      EXPECT_GE(got, 0);
      if (got <= 0) {
        break;
      }
      bytes.insert(bytes.end(), buffer.begin(), buffer.begin() + got);
    }
    EXPECT_EQ(mount->Release(handle), 0);
    return bytes;
  }

  ManualClock clock;
  p2ksim::SimulatedHandset sim;
  SimulatedHandsetDiscovery discovery{sim, clock};
  EventLog log;
  PhoneLink link{log, clock};
  Settings settings{};
  HandsetConnection handset{link, settings};
  std::ostringstream err;
  std::filesystem::path spool;
  std::unique_ptr<mount::HandsetMount> mount;
};

TEST_F(HandsetMountTest, SequentialReadsOpenTheHandsetFileOnce) {
  const std::vector<uint8_t> contents = Pattern(1 << 20, 3);
  sim.AddFile("/a/big.bin", contents, 0x0021);
  Mount();
  sim.ClearReceived();

  EXPECT_EQ(ReadAll("/a/big.bin", 4096), contents);
  EXPECT_EQ(Received(kOpen), 1);
  EXPECT_EQ(Received(kSeek), 1);
  EXPECT_EQ(Received(kClose), 1);
  // Opened with the file's own word: its attributes are as they were.
  EXPECT_EQ(sim.File("/a/big.bin")->attributes, 0x0021);
  EXPECT_FALSE(sim.FileOpen());
}

TEST_F(HandsetMountTest, ReadsAtAnyOffsetSeekThere) {
  const std::vector<uint8_t> contents = Pattern(10000, 5);
  sim.AddFile("/a/f.bin", contents);
  Mount();
  uint64_t handle = 0;
  ASSERT_EQ(mount->Open("/a/f.bin", O_RDONLY, handle), 0);
  struct Case {
    off_t offset;
    std::size_t size;
    long expected;
  };
  // Backwards, forwards, past the end, and a piece cut by the end of the file.
  for (const Case& c : {Case{5000, 100, 100}, Case{0, 10, 10}, Case{9990, 100, 10},
                        Case{10000, 100, 0}, Case{20000, 5, 0}}) {
    std::vector<char> buffer(c.size);
    ASSERT_EQ(mount->Read(handle, buffer.data(), c.size, c.offset), c.expected) << c.offset;
    const std::size_t from = static_cast<std::size_t>(std::min<off_t>(c.offset, 10000));
    EXPECT_EQ(
        std::memcmp(buffer.data(), contents.data() + from, static_cast<std::size_t>(c.expected)), 0)
        << c.offset;
  }
  EXPECT_EQ(mount->Release(handle), 0);
  EXPECT_FALSE(sim.FileOpen());
}

TEST_F(HandsetMountTest, ListingsShowNoNameThatLeavesItsDirectory) {
  sim.AddFile("/a/x/../evil", Bytes("e"));
  sim.AddFile("/a/x/./dot", Bytes("d"));
  sim.AddFile("/a/x/ok", Bytes("o"));
  sim.AddFile("/a/made/~tollhaven", Bytes("5"));
  sim.AddFile("/a/caf\xE9", Bytes("latin"));
  Mount();

  EXPECT_THAT(Names("/"), ElementsAre("a/"));
  EXPECT_THAT(Names("/a"), ElementsAre("caf\xC3\xA9", "made/", "x/"));
  EXPECT_THAT(Names("/a/x"), ElementsAre("ok"));
  // A directory the program made shows empty: its placeholder stays hidden.
  EXPECT_THAT(Names("/a/made"), ElementsAre());
  mount::MountNode node;
  EXPECT_EQ(mount->GetAttr("/a/made/~tollhaven", node), -ENOENT);
  EXPECT_EQ(mount->GetAttr("/b", node), -ENOENT);
  // The Latin-1 name opens by its UTF-8 form and reads the handset's file.
  EXPECT_EQ(ReadAll("/a/caf\xC3\xA9", 4096), Bytes("latin"));
}

TEST_F(HandsetMountTest, NamesWithoutALatin1FormCannotBeCreated) {
  Mount();
  uint64_t handle = 0;
  EXPECT_EQ(mount->Create("/a/\xE2\x82\xAC.txt", handle), -EILSEQ);  // U+20AC
  EXPECT_EQ(mount->Create("/a/bad\xFF", handle), -EILSEQ);           // not UTF-8
  EXPECT_EQ(mount->MakeDirectory("/a/\xE2\x82\xAC"), -EILSEQ);
  EXPECT_EQ(mount->Create("/a/~tollhaven", handle), -EPERM);
  EXPECT_EQ(mount->Rename("/a/x", "/a/y"), -EXDEV);
}

TEST_F(HandsetMountTest, AWrittenFileIsUploadedAtItsFlush) {
  Mount();
  uint64_t handle = 0;
  ASSERT_EQ(mount->Create("/a/d\xC3\xA9j\xC3\xA0.txt", handle), 0);
  const std::string text = "written through the mount";
  ASSERT_EQ(mount->Write(handle, text.data(), text.size(), 0), static_cast<long>(text.size()));
  // Not on the handset before the close, but shown already.
  EXPECT_TRUE(sim.FilePaths().empty());
  mount::MountNode node;
  ASSERT_EQ(mount->GetAttr("/a/d\xC3\xA9j\xC3\xA0.txt", node), 0);
  EXPECT_EQ(node.size, text.size());

  EXPECT_EQ(mount->Flush(handle), 0);
  EXPECT_EQ(mount->Release(handle), 0);
  const auto file = sim.File("/a/d\xE9j\xE0.txt");
  ASSERT_TRUE(file);
  EXPECT_EQ(file->contents, Bytes(text));
  EXPECT_EQ(file->attributes, 4);
  EXPECT_THAT(Names("/a"), ElementsAre("d\xC3\xA9j\xC3\xA0.txt"));
  EXPECT_TRUE(std::filesystem::is_empty(spool));
}

TEST_F(HandsetMountTest, AFailedUploadFailsTheFlushAndLeavesNothingListed) {
  Mount();
  sim.FailCommand(0x004A, kWrite, 0x0B);
  uint64_t handle = 0;
  ASSERT_EQ(mount->Create("/a/new.bin", handle), 0);
  ASSERT_EQ(mount->Write(handle, "abc", 3, 0), 3);
  EXPECT_EQ(mount->Flush(handle), -EIO);
  // Reported once, to the close that asked.
  EXPECT_EQ(mount->Release(handle), 0);
  EXPECT_THAT(err.str(), HasSubstr("upload failed: /a/new.bin"));
  // What the open made is removed again: neither the handset nor the listing has the file.
  EXPECT_FALSE(sim.File("/a/new.bin"));
  mount::MountNode node;
  EXPECT_EQ(mount->GetAttr("/a/new.bin", node), -ENOENT);
  EXPECT_THAT(Names("/a"), Not(Contains("new.bin")));
}

TEST_F(HandsetMountTest, TheAttributeWordIsWrittenByOpeningAndClosing) {
  sim.AddFile("/a/f.txt", Bytes("f"), 0x0120, 0x05);
  Mount();
  std::string value;
  ASSERT_EQ(mount->GetXattr("/a/f.txt", mount::kOwnerAttribute, value), 0);
  EXPECT_EQ(value, "05");
  ASSERT_EQ(mount->GetXattr("/a/f.txt", mount::kAttributesAttribute, value), 0);
  EXPECT_EQ(value, "0120");

  struct Case {
    std::string text;
    int result;
    uint16_t word;  // on the handset afterwards
  };
  for (const Case& c :
       {Case{"0121", 0, 0x0121}, Case{"0x0120\n", 0, 0x0120}, Case{"121", 0, 0x0121},
        Case{"0021", -EINVAL, 0x0121}, Case{"zz", -EINVAL, 0x0121}, Case{"10121", -EINVAL, 0x0121},
        Case{"", -EINVAL, 0x0121}}) {
    EXPECT_EQ(mount->SetXattr("/a/f.txt", mount::kAttributesAttribute, c.text), c.result) << c.text;
    EXPECT_EQ(sim.File("/a/f.txt")->attributes, c.word) << c.text;
  }
  mount::MountNode node;
  ASSERT_EQ(mount->GetAttr("/a/f.txt", node), 0);
  EXPECT_TRUE(node.readOnly);
  // No command gives a file another owner; the same owner is no change.
  EXPECT_EQ(mount->SetXattr("/a/f.txt", mount::kOwnerAttribute, "07"), -EPERM);
  EXPECT_EQ(mount->SetXattr("/a/f.txt", mount::kOwnerAttribute, "05"), 0);
  // Read-only: not for writing.
  uint64_t handle = 0;
  EXPECT_EQ(mount->Open("/a/f.txt", O_WRONLY, handle), -EACCES);
}

TEST_F(HandsetMountTest, DirectoriesComeAndGoWithTheirPlaceholder) {
  sim.AddFile("/a/dir/only", Bytes("1"));
  Mount();
  EXPECT_EQ(mount->MakeDirectory("/a/new"), 0);
  EXPECT_TRUE(sim.File("/a/new/~tollhaven"));
  EXPECT_EQ(mount->MakeDirectory("/a/new"), -EEXIST);
  EXPECT_EQ(mount->MakeDirectory("/a/none/sub"), -ENOENT);
  EXPECT_EQ(mount->RemoveDirectory("/a/dir"), -ENOTEMPTY);
  EXPECT_EQ(mount->Unlink("/a/dir"), -EISDIR);
  // The last file goes: the directory stays, as it does on the handset, until rmdir.
  EXPECT_EQ(mount->Unlink("/a/dir/only"), 0);
  EXPECT_THAT(Names("/a"), ElementsAre("dir/", "new/"));
  EXPECT_EQ(mount->RemoveDirectory("/a/dir"), 0);
  EXPECT_EQ(mount->RemoveDirectory("/a/new"), 0);
  EXPECT_FALSE(sim.HasDirectory("/a/dir"));
  EXPECT_FALSE(sim.HasDirectory("/a/new"));
  EXPECT_THAT(Names("/a"), ElementsAre());
  EXPECT_EQ(mount->RemoveDirectory("/a"), -EBUSY);
}

TEST_F(HandsetMountTest, AnUnpluggedHandsetFailsWithEio) {
  sim.AddFile("/a/f.bin", Pattern(3000, 1));
  Mount();
  uint64_t handle = 0;
  ASSERT_EQ(mount->Open("/a/f.bin", O_RDONLY, handle), 0);
  sim.DisconnectAfter(0);
  char buffer[100];
  EXPECT_EQ(mount->Read(handle, buffer, sizeof buffer, 0), -EIO);
  EXPECT_THAT(err.str(), HasSubstr("cannot open /a/f.bin on the handset"));
  EXPECT_EQ(mount->Unlink("/a/f.bin"), -EIO);
  EXPECT_EQ(mount->Release(handle), 0);
}

TEST_F(HandsetMountTest, APathTheHandsetWouldCutIsRefusedWithEnametoolong) {
  sim.AddFile("/a/keep.txt", Bytes("k"));
  Mount();
  const std::string directory = "/a/" + std::string(200, 'd');
  ASSERT_EQ(mount->MakeDirectory(directory), 0);
  // 259 bytes fit the handset's 268-byte entries; one more is cut by it.
  uint64_t handle = 0;
  const std::string fits = directory + "/" + std::string(259 - directory.size() - 1, 'f');
  ASSERT_EQ(mount->Create(fits, handle), 0);
  ASSERT_EQ(mount->Write(handle, "abc", 3, 0), 3);
  EXPECT_EQ(mount->Release(handle), 0);
  EXPECT_TRUE(sim.File(fits));
  EXPECT_EQ(mount->Create(fits + "g", handle), -ENAMETOOLONG);
  EXPECT_THAT(err.str(), HasSubstr("name too long for the handset"));
  // A directory whose placeholder would not fit either.
  EXPECT_EQ(mount->MakeDirectory(directory + "/" + std::string(50, 'e')), -ENAMETOOLONG);
  EXPECT_FALSE(sim.HasDirectory(directory + "/" + std::string(50, 'e')));
  EXPECT_EQ(sim.FilePaths().size(), 3u);  // keep.txt, the placeholder, the file that fit
}

TEST_F(HandsetMountTest, AFileLargerThanTheFreeSpaceFailsItsCloseWithEnospc) {
  sim.AddFile("/a/old.bin", Pattern(500, 2));
  sim.SetFreeSpace(3000);
  Mount();
  uint64_t handle = 0;
  ASSERT_EQ(mount->Create("/a/big.bin", handle), 0);
  const std::vector<uint8_t> big = Pattern(3001, 4);
  ASSERT_EQ(mount->Write(handle, reinterpret_cast<const char*>(big.data()), big.size(), 0), 3001);
  EXPECT_EQ(mount->Flush(handle), -ENOSPC);
  EXPECT_EQ(mount->Release(handle), 0);
  EXPECT_THAT(err.str(), HasSubstr("3001 bytes, 3000 bytes free"));
  EXPECT_FALSE(sim.File("/a/big.bin"));
  EXPECT_EQ(Received(kWrite), 0);
  // Asked afresh for each file: what was deleted meanwhile is room again.
  sim.SetFreeSpace(4000);
  ASSERT_EQ(mount->Create("/a/big.bin", handle), 0);
  ASSERT_EQ(mount->Write(handle, reinterpret_cast<const char*>(big.data()), big.size(), 0), 3001);
  EXPECT_EQ(mount->Release(handle), 0);
  EXPECT_EQ(sim.File("/a/big.bin")->contents, big);
}

class MountCaseTest : public HandsetMountTest, public ::testing::WithParamInterface<bool> {};

TEST_P(MountCaseTest, ACreateOfANameAListedFileHasButForCaseIsEexist) {
  sim.SetCaseInsensitiveNames(GetParam());
  sim.AddFile("/a/Ring.MP3", Pattern(5000, 3));
  Mount();
  uint64_t handle = 0;
  EXPECT_EQ(mount->Create("/a/ring.mp3", handle), -EEXIST);
  EXPECT_THAT(err.str(), AllOf(HasSubstr("/a/Ring.MP3"), HasSubstr("/a/ring.mp3")));
  EXPECT_EQ(sim.FilePaths(), (std::vector<std::string>{"/a/Ring.MP3"}));
  EXPECT_EQ(sim.File("/a/Ring.MP3")->contents, Pattern(5000, 3));
  // The listed name itself is opened and written as ever.
  ASSERT_EQ(mount->Open("/a/Ring.MP3", O_WRONLY | O_TRUNC, handle), 0);
  ASSERT_EQ(mount->Write(handle, "new", 3, 0), 3);
  EXPECT_EQ(mount->Release(handle), 0);
  EXPECT_EQ(sim.File("/a/Ring.MP3")->contents, Bytes("new"));
}

INSTANTIATE_TEST_SUITE_P(Handsets, MountCaseTest, ::testing::Bool(), [](const auto& info) {
  return info.param ? "IgnoringCase" : "ExactCase";
});

}  // namespace
}  // namespace tollhaven::testing
