#include "support/local_files.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace tollhaven {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;

class LocalFiles : public ::testing::Test {
 protected:
  LocalFiles() {
    dir = fs::temp_directory_path() /
          ("tollhaven-local-" +
           std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir);
    fs::create_directories(dir / "to");
  }
  ~LocalFiles() override { fs::remove_all(dir); }

  static void Write(const fs::path& file, const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
  }
  static std::string Read(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::vector<std::string> Names(const fs::path& directory) const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(directory)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path dir;
  std::error_code error;
};

TEST_F(LocalFiles, CopyNeverOverwritesUnlessToldAndThenReplacesWhole) {
  Write(dir / "a.txt", "new contents");
  Write(dir / "to" / "a.txt", "old");
  EXPECT_EQ(CopyLocalFile(dir / "a.txt", dir / "to" / "a.txt", false, error),
            LocalCopy::DestinationExists);
  EXPECT_EQ(Read(dir / "to" / "a.txt"), "old");
  EXPECT_EQ(CopyLocalFile(dir / "a.txt", dir / "to" / "a.txt", true, error), LocalCopy::Copied);
  EXPECT_EQ(Read(dir / "to" / "a.txt"), "new contents");
  EXPECT_EQ(CopyLocalFile(dir / "a.txt", dir / "to" / "b.txt", false, error), LocalCopy::Copied);
  EXPECT_THAT(Names(dir / "to"), ElementsAre("a.txt", "b.txt"));
}

TEST_F(LocalFiles, CopyFailuresSayWhyAndLeaveNothingBehind) {
  Write(dir / "a.txt", "x");
  const struct {
    fs::path from, to;
    std::errc why;
  } cases[] = {
      {dir / "missing", dir / "to" / "m", std::errc::no_such_file_or_directory},
      {dir / "to", dir / "to2", std::errc::is_a_directory},
      {dir / "a.txt", dir / "a.txt", std::errc::file_exists},
      {dir / "a.txt", dir / "nowhere" / "a.txt", std::errc::no_such_file_or_directory},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CopyLocalFile(c.from, c.to, true, error), LocalCopy::Failed) << c.to;
    EXPECT_EQ(error, std::make_error_code(c.why)) << c.to << ": " << error.message();
  }
  EXPECT_EQ(Read(dir / "a.txt"), "x");
  EXPECT_THAT(Names(dir), ElementsAre("a.txt", "to"));
  EXPECT_THAT(Names(dir / "to"), ElementsAre());
}

TEST_F(LocalFiles, DeleteRemovesFilesButNoDirectory) {
  Write(dir / "a.txt", "x");
  EXPECT_TRUE(DeleteLocalFile(dir / "a.txt", error));
  EXPECT_FALSE(DeleteLocalFile(dir / "a.txt", error));
  EXPECT_EQ(error, std::make_error_code(std::errc::no_such_file_or_directory));
  EXPECT_FALSE(DeleteLocalFile(dir / "to", error));
  EXPECT_EQ(error, std::make_error_code(std::errc::is_a_directory));
  EXPECT_TRUE(fs::is_directory(dir / "to"));
}

TEST_F(LocalFiles, NewDirectoryThatExistsFails) {
  EXPECT_TRUE(MakeLocalDirectory(dir / "new", error));
  EXPECT_FALSE(MakeLocalDirectory(dir / "new", error));
  EXPECT_EQ(error, std::make_error_code(std::errc::file_exists));
}

TEST_F(LocalFiles, AFailedReplaceKeepsTheTargetAndLeavesNoTemporaryFile) {
  // A directory of the target's name cannot be replaced by a file.
  fs::create_directory(dir / "to" / "x");
  EXPECT_FALSE(WriteFileReplacing(dir / "to" / "x", "data", error));
  EXPECT_TRUE(error);
  EXPECT_THAT(Names(dir / "to"), ElementsAre("x"));
  // A file beside the target with the old way's temporary name is not touched.
  Write(dir / "to" / "y.new", "user file");
  EXPECT_TRUE(WriteFileReplacing(dir / "to" / "y", "data", error));
  EXPECT_EQ(Read(dir / "to" / "y"), "data");
  EXPECT_EQ(Read(dir / "to" / "y.new"), "user file");
  EXPECT_THAT(Names(dir / "to"), ElementsAre("x", "y", "y.new"));
}

// Names up to the longest a directory takes are written and copied: the temporary file beside
// them fits as well, and is cut between characters.
TEST_F(LocalFiles, NamesUpToTheLongestAreWrittenAndCopied) {
  Write(dir / "a.txt", "copied");
  const std::string twoByte = "\xC3\xA4";  // one character, two bytes
  std::string wide = "x";  // 1 + 127 * 2 = 255 bytes: a cut in the middle would split a character
  for (int i = 0; i < 127; ++i) {
    wide += twoByte;
  }
  for (const std::string& name : {std::string(236, 'n'), std::string(255, 'm'), wide}) {
    ASSERT_LE(name.size(), 255u);
    EXPECT_TRUE(WriteFileReplacing(dir / "to" / name, "data", error)) << error.message();
    EXPECT_TRUE(WriteFileReplacing(dir / "to" / name, "again", error)) << error.message();
    EXPECT_EQ(Read(dir / "to" / name), "again");
    EXPECT_EQ(CopyLocalFile(dir / "a.txt", dir / "to" / name, true, error), LocalCopy::Copied)
        << error.message();
    EXPECT_EQ(Read(dir / "to" / name), "copied");

    const fs::path temporary = CreateFileBeside(dir / "to" / name, error);
    ASSERT_FALSE(temporary.empty()) << error.message();
    const std::string made = temporary.filename().string();
    EXPECT_LE(made.size(), 255u);
    // Whole characters only: no byte of a character's tail right after its head was dropped.
    const std::string kept = made.substr(1, made.find(".tollhaven-") - 1);
    EXPECT_EQ(name.compare(0, kept.size(), kept), 0);
    EXPECT_TRUE(kept.size() == name.size() ||
                (static_cast<unsigned char>(name[kept.size()]) & 0xC0) != 0x80)
        << kept.size();
    fs::remove(temporary);
  }
  EXPECT_EQ(Names(dir / "to").size(), 3u);
}

// A replaced file keeps its permissions, whichever way it is replaced; a new copy gets the
// source's, as a copy does.
TEST_F(LocalFiles, AReplacedFileKeepsItsPermissions) {
  constexpr fs::perms kOwnerOnly = fs::perms::owner_read | fs::perms::owner_write;
  constexpr fs::perms kRunnable = fs::perms::owner_all | fs::perms::group_read |
                                  fs::perms::group_exec | fs::perms::others_read |
                                  fs::perms::others_exec;
  Write(dir / "a.txt", "new");
  for (fs::perms mode : {kOwnerOnly, kRunnable}) {
    Write(dir / "to" / "w", "old");
    Write(dir / "to" / "c", "old");
    fs::permissions(dir / "to" / "w", mode);
    fs::permissions(dir / "to" / "c", mode);
    ASSERT_TRUE(WriteFileReplacing(dir / "to" / "w", "new", error));
    ASSERT_EQ(CopyLocalFile(dir / "a.txt", dir / "to" / "c", true, error), LocalCopy::Copied);
    EXPECT_EQ(fs::status(dir / "to" / "w").permissions(), mode);
    EXPECT_EQ(fs::status(dir / "to" / "c").permissions(), mode);
    EXPECT_EQ(Read(dir / "to" / "w"), "new");
    EXPECT_EQ(Read(dir / "to" / "c"), "new");
  }
  fs::permissions(dir / "a.txt", kOwnerOnly);
  ASSERT_EQ(CopyLocalFile(dir / "a.txt", dir / "to" / "fresh", false, error), LocalCopy::Copied);
  EXPECT_EQ(fs::status(dir / "to" / "fresh").permissions(), kOwnerOnly);
}

// Writing to a symbolic link writes to the file it leads to, through a chain of links, relative
// or absolute; the links stay links. A loop of links fails and changes nothing.
TEST_F(LocalFiles, ASymbolicLinkIsWrittenThrough) {
  fs::create_directories(dir / "real");
  Write(dir / "real" / "target", "old");
  Write(dir / "a.txt", "copied");
  fs::create_symlink("../real/target", dir / "to" / "relative");
  fs::create_symlink(dir / "to" / "relative", dir / "to" / "chain");
  ASSERT_TRUE(WriteFileReplacing(dir / "to" / "chain", "written", error)) << error.message();
  EXPECT_EQ(Read(dir / "real" / "target"), "written");
  ASSERT_EQ(CopyLocalFile(dir / "a.txt", dir / "to" / "relative", true, error), LocalCopy::Copied);
  EXPECT_EQ(Read(dir / "real" / "target"), "copied");
  EXPECT_TRUE(fs::is_symlink(fs::symlink_status(dir / "to" / "relative")));
  EXPECT_TRUE(fs::is_symlink(fs::symlink_status(dir / "to" / "chain")));
  EXPECT_THAT(Names(dir / "real"), ElementsAre("target"));
  EXPECT_THAT(Names(dir / "to"), ElementsAre("chain", "relative"));

  fs::create_symlink("loop2", dir / "to" / "loop1");
  fs::create_symlink("loop1", dir / "to" / "loop2");
  EXPECT_FALSE(WriteFileReplacing(dir / "to" / "loop1", "x", error));
  EXPECT_EQ(error, std::make_error_code(std::errc::too_many_symbolic_link_levels));
  EXPECT_THAT(Names(dir / "to"), ElementsAre("chain", "loop1", "loop2", "relative"));
}

}  // namespace
}  // namespace tollhaven
