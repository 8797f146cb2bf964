#include "support/settings.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <vector>

namespace tollhaven {
namespace {

using ::testing::ElementsAreArray;

class SettingsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    directory = std::filesystem::temp_directory_path() /
                ("tollhaven-settings-" +
                 std::to_string(::testing::UnitTest::GetInstance()->current_test_info()->line()));
    std::filesystem::remove_all(directory);
    std::filesystem::create_directories(directory);
    file = directory / kSettingsFileName;
  }
  void TearDown() override { std::filesystem::remove_all(directory); }

  void WriteBytes(const std::vector<uint8_t>& bytes) {
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
  }
  std::vector<uint8_t> ReadBytes() {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  // Little-endian bytes of the values, in order.
  static std::vector<uint8_t> Words(std::initializer_list<int32_t> values) {
    std::vector<uint8_t> bytes;
    for (int32_t value : values) {
      for (int shift = 0; shift < 32; shift += 8) {
        bytes.push_back(static_cast<uint8_t>(static_cast<uint32_t>(value) >> shift));
      }
    }
    return bytes;
  }
  static std::vector<int32_t> Fields(const Settings& s) {
    return {s.fileLimit,    s.fadeIn,       s.handsetType, s.windowLeft, s.windowRight,
            s.windowTop,    s.windowBottom, s.partitionA,  s.partitionB, s.partitionC,
            s.showReminder, s.checkUpdate,  s.autoStart};
  }

  std::filesystem::path directory;
  std::filesystem::path file;
};

const std::vector<int32_t> kDefaults = {-1, 1, 1, 0, 624, 0, 446, 1, 0, 0, 1, 1, 1};

TEST_F(SettingsFile, MissingFileKeepsEveryDefault) {
  Settings settings;
  LoadSettings(settings, file);
  EXPECT_EQ(Fields(settings), kDefaults);
}

TEST_F(SettingsFile, SaveWritesFiftyTwoLittleEndianBytesWithTheRectangleLeftRightTopBottom) {
  Settings settings;
  settings.fileLimit = 509;
  settings.handsetType = 3;
  settings.windowLeft = 10;
  settings.windowRight = 700;
  settings.windowTop = -20;
  settings.windowBottom = 500;
  settings.partitionA = 0;
  settings.partitionB = 1;
  settings.autoStart = 0;
  ASSERT_TRUE(SaveSettings(settings, file));
  EXPECT_THAT(ReadBytes(),
              ElementsAreArray(Words({509, 1, 3, 10, 700, -20, 500, 0, 1, 0, 1, 1, 0})));

  Settings loaded;
  LoadSettings(loaded, file);
  EXPECT_EQ(Fields(loaded), Fields(settings));
  EXPECT_FALSE(std::filesystem::exists(directory / ".config.new"));
}

TEST_F(SettingsFile, ShortFileReplacesOnlyTheLeadingBytes) {
  struct Case {
    std::vector<uint8_t> bytes;
    std::vector<int32_t> expected;
  };
  const Case cases[] = {
      // Eight bytes: fileLimit and fadeIn only.
      {Words({200, 0}), {200, 0, 1, 0, 624, 0, 446, 1, 0, 0, 1, 1, 1}},
      // A file ending inside a field replaces that field's low bytes only (624 = 0x270).
      {{0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x71},
       {-1, 0, 0, 0, 0x271, 0, 446, 1, 0, 0, 1, 1, 1}},
  };
  for (const Case& c : cases) {
    WriteBytes(c.bytes);
    Settings settings;
    LoadSettings(settings, file);
    EXPECT_EQ(Fields(settings), c.expected) << c.bytes.size() << " bytes";
  }
}

TEST_F(SettingsFile, LongFileIsReadForFiftyTwoBytesAndTheRestIsGoneAfterTheNextSave) {
  std::vector<uint8_t> bytes = Words({12, 0, 0, 1, 2, 3, 4, 0, 0, 1, 0, 0, 0, 77, 88});
  ASSERT_EQ(bytes.size(), 60u);
  WriteBytes(bytes);
  Settings settings;
  LoadSettings(settings, file);
  EXPECT_EQ(Fields(settings), (std::vector<int32_t>{12, 0, 0, 1, 2, 3, 4, 0, 0, 1, 0, 0, 0}));

  ASSERT_TRUE(SaveSettings(settings, file));
  EXPECT_THAT(ReadBytes(),
              ElementsAreArray(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 52)));
}

TEST_F(SettingsFile, FailedSaveKeepsThePreviousFile) {
  Settings old;
  old.fileLimit = 42;
  ASSERT_TRUE(SaveSettings(old, file));
  std::vector<uint8_t> before = ReadBytes();

  // The temporary file cannot be created where a directory of that name stands.
  std::filesystem::create_directory(directory / ".config.new");
  Settings changed;
  changed.fileLimit = 7;
  EXPECT_FALSE(SaveSettings(changed, file));
  EXPECT_EQ(ReadBytes(), before);
}

TEST_F(SettingsFile, SaveIntoAMissingDirectoryFailsWithoutCreatingAnything) {
  EXPECT_FALSE(SaveSettings(Settings{}, directory / "missing" / kSettingsFileName));
  EXPECT_FALSE(std::filesystem::exists(directory / "missing"));
}

}  // namespace
}  // namespace tollhaven
