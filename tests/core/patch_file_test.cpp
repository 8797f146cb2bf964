// The patch file reader: the line rules of the ".tlhv" format and the seven commands.
#include "support/patch_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace tollhaven {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

using Lines = std::vector<std::string>;

std::string Bytes(const char* text, std::size_t length) {
  return std::string(text, length);
}

TEST(PatchFileTest, SplitsLinesByTheFormatsRules) {
  const struct {
    const char* what;
    std::string text;
    Lines lines;
  } cases[] = {
      {"CR LF after each line",
       "cp a.bin\r\nto /a/mobile/a.bin\r\n",
       {"cp a.bin", "to /a/mobile/a.bin"}},
      {"the text after the last CR LF is a line",
       "cp a.bin\r\nto /a/mobile/a.bin",
       {"cp a.bin", "to /a/mobile/a.bin"}},
      {"nothing after an empty line", "md /a/x\r\n\r\nmd /a/y\r\n", {"md /a/x"}},
      {"an empty first line ends the lines", "\r\nmd /a/y\r\n", {}},
      {"LF-only line ends: no lines", "md /a/x\nmd /a/y\n", {}},
      {"no CR at all: no lines", "md /a/x", {}},
      {"an empty file", "", {}},
      {"the byte after a CR is dropped whatever it is",
       "md /a/x\rXmd /a/y\r\n",
       {"md /a/x", "md /a/y"}},
      {"a CR as the last byte ends the text", "md /a/x\r", {"md /a/x"}},
      {"a CR as the byte after a CR is dropped too",
       "md /a/x\r\rmd /a/y\r\n",
       {"md /a/x", "md /a/y"}},
      {"a lone CR LF", "\r\n", {}},
      {"a text of one CR", "\r", {}},
      {"an LF inside a line stays", "md /a/x\nmd /a/y\r\n", {"md /a/x\nmd /a/y"}},
      {"upper case and tabs are listed", "CP a.bin\r\ncp\ta.bin\r\n", {"CP a.bin", "cp\ta.bin"}},
      {"8-bit bytes stay", "md /a/caf\xE9\r\n", {"md /a/caf\xE9"}},
      {"a zero byte ends the line's text",
       Bytes("rm /a/x\0/more\r\nmd /a/y\r\n", 23),
       {"rm /a/x", "md /a/y"}},
      {"a line that begins with a zero byte is an empty line",
       Bytes("md /a/x\r\n\0rm /a\r\nmd /a/y\r\n", 26),
       {"md /a/x"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SplitPatchLines(c.text), c.lines) << c.what;
  }
}

TEST(PatchFileTest, ACommandIsTwoKnownLowerCaseLettersAndOneSpace) {
  const struct {
    std::string_view line;
    PatchCommand command;
    std::string_view argument;
  } cases[] = {
      {"cp a.bin", PatchCommand::Load, "a.bin"},
      {"to /a/mobile/a.bin", PatchCommand::Upload, "/a/mobile/a.bin"},
      {"md /a/x", PatchCommand::MakeDirectory, "/a/x"},
      {"rd /a/dir", PatchCommand::RemoveDirectory, "/a/dir"},
      {"rm /a/f", PatchCommand::RemoveFile, "/a/f"},
      {"at 5", PatchCommand::AttributeValue, "5"},
      {"sa /a/x", PatchCommand::SetAttributes, "/a/x"},
      // The argument is everything after the third character, blanks included.
      {"cp  two blanks ", PatchCommand::Load, " two blanks "},
      {"rm ", PatchCommand::RemoveFile, ""},
      {"CP a.bin", PatchCommand::Ignored, ""},
      {"Cp a.bin", PatchCommand::Ignored, ""},
      {"cp\ta.bin", PatchCommand::Ignored, ""},
      {"cpa.bin", PatchCommand::Ignored, ""},
      {"cp", PatchCommand::Ignored, ""},
      {"c", PatchCommand::Ignored, ""},
      {"", PatchCommand::Ignored, ""},
      {"xx /a/x", PatchCommand::Ignored, ""},
      {"mv /a/x", PatchCommand::Ignored, ""},
      {" cp a.bin", PatchCommand::Ignored, ""},
  };
  for (const auto& c : cases) {
    const PatchLine parsed = ParsePatchLine(c.line);
    EXPECT_EQ(parsed.command, c.command) << c.line;
    if (c.command != PatchCommand::Ignored) {
      EXPECT_EQ(parsed.argument, c.argument) << c.line;
    }
  }
}

class PatchFileReadTest : public ::testing::Test {
 protected:
  PatchFileReadTest() {
    dir = fs::temp_directory_path() /
          ("tollhaven-patch-read-" +
           std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  ~PatchFileReadTest() override { fs::remove_all(dir); }

  fs::path Write(const std::string& name, const std::string& bytes) {
    std::ofstream(dir / name, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return dir / name;
  }

  fs::path dir;
};

TEST_F(PatchFileReadTest, ReadsAFileWhole) {
  std::error_code error;
  const auto lines = ReadPatchFile(Write("skin.tlhv", "cp a.bin\r\nto /a/a.bin\r\n"), error);
  ASSERT_TRUE(lines);
  EXPECT_FALSE(error);
  EXPECT_THAT(*lines, ElementsAre("cp a.bin", "to /a/a.bin"));
}

TEST_F(PatchFileReadTest, WhatCannotBeAPatchFileIsNotRead) {
  std::error_code error;
  EXPECT_FALSE(ReadPatchFile(dir / "missing.tlhv", error));
  EXPECT_TRUE(error);
  fs::create_directory(dir / "folder.tlhv");
  EXPECT_FALSE(ReadPatchFile(dir / "folder.tlhv", error));
  EXPECT_TRUE(error);
#ifndef _WIN32
  // A device is no regular file, however much it would give.
  EXPECT_FALSE(ReadPatchFile("/dev/zero", error));
  EXPECT_TRUE(error);
#endif
  // One byte over the limit.
  std::string big(kMaxPatchFileSize + 1, 'x');
  big[0] = '\r';
  EXPECT_FALSE(ReadPatchFile(Write("big.tlhv", big), error));
  EXPECT_EQ(error, std::make_error_code(std::errc::file_too_large));
  // At the limit it is read.
  big.pop_back();
  const auto lines = ReadPatchFile(Write("limit.tlhv", big), error);
  ASSERT_TRUE(lines);
  EXPECT_THAT(*lines, IsEmpty());  // its first line is empty
}

TEST_F(PatchFileReadTest, HostileFilesAreReadWithoutHarm) {
  std::error_code error;
  // One line of 8 MiB, then a command.
  std::string huge(8u << 20, 'x');
  huge += "\r\nmd /a/x\r\n";
  auto lines = ReadPatchFile(Write("huge.tlhv", huge), error);
  ASSERT_TRUE(lines);
  ASSERT_EQ(lines->size(), 2u);
  EXPECT_EQ((*lines)[0].size(), 8u << 20);
  EXPECT_EQ((*lines)[1], "md /a/x");

  // 1 MiB without a CR: no lines.
  lines = ReadPatchFile(Write("flat.tlhv", std::string(1u << 20, 'a')), error);
  ASSERT_TRUE(lines);
  EXPECT_THAT(*lines, IsEmpty());

  // 1 MiB of short lines.
  std::string many;
  while (many.size() < (1u << 20)) {
    many += "at 7\r\n";
  }
  lines = ReadPatchFile(Write("many.tlhv", many), error);
  ASSERT_TRUE(lines);
  EXPECT_EQ(lines->size(), many.size() / 6);
  EXPECT_EQ(lines->back(), "at 7");

  // 1 MiB of bytes of every value, zero bytes and CRs among them.
  std::string noise(1u << 20, '\0');
  uint32_t state = 12345;
  for (char& c : noise) {
    state = state * 1103515245u + 12345u;
    c = static_cast<char>(state >> 24);
  }
  noise[0] = 'x';  // a first line that is not empty
  lines = ReadPatchFile(Write("noise.tlhv", noise), error);
  ASSERT_TRUE(lines);
  for (const std::string& line : *lines) {
    EXPECT_FALSE(line.empty());
    EXPECT_EQ(line.find('\0'), std::string::npos);
    EXPECT_EQ(line.find('\r'), std::string::npos);
  }
}

}  // namespace
}  // namespace tollhaven
