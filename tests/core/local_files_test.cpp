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

}  // namespace
}  // namespace tollhaven
