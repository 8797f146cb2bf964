#include "support/app_paths.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace tollhaven {
namespace {

#ifdef _WIN32
// Where each system keeps per-user configuration and installed data, and the test program.
constexpr char kConfigVariable[] = "APPDATA";
constexpr char kDataVariable[] = "ProgramData";
constexpr char kTestProgram[] = "core_tests.exe";
void SetVariable(const char* name, const char* value) {
  _putenv_s(name, value);
}
void UnsetVariable(const char* name) {
  _putenv_s(name, "");
}
#else
constexpr char kConfigVariable[] = "XDG_CONFIG_HOME";
constexpr char kDataVariable[] = "XDG_DATA_DIRS";
constexpr char kTestProgram[] = "core_tests";
void SetVariable(const char* name, const char* value) {
  setenv(name, value, 1);
}
void UnsetVariable(const char* name) {
  unsetenv(name);
}
#endif

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) {
      old_ = old;
    }
    SetVariable(name, value.c_str());
  }
  ~ScopedEnv() {
    if (old_) {
      SetVariable(name_, old_->c_str());
    } else {
      UnsetVariable(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

class AppPaths : public ::testing::Test {
 protected:
  void SetUp() override {
    root = std::filesystem::temp_directory_path() /
           ("tollhaven-paths-" +
            std::to_string(::testing::UnitTest::GetInstance()->current_test_info()->line()));
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root / "prefix" / "bin");
  }
  void TearDown() override { std::filesystem::remove_all(root); }
  std::filesystem::path root;
};

TEST_F(AppPaths, ExecutableDirectoryHoldsTheRunningProgram) {
  std::filesystem::path exeDir = ExecutableDirectory();
  ASSERT_FALSE(exeDir.empty());
  EXPECT_TRUE(std::filesystem::exists(exeDir / kTestProgram));
#ifdef _WIN32
  // A drive letter and backslashes, as Windows writes paths.
  EXPECT_FALSE(exeDir.root_name().empty());
  EXPECT_NE(exeDir.native().find(L'\\'), std::wstring::npos);
  EXPECT_EQ(exeDir.native().find(L'/'), std::wstring::npos);
#endif
}

TEST_F(AppPaths, ConfigDirectoryIsExeDirWhenWritable) {
  EXPECT_EQ(ConfigDirectory(root / "prefix" / "bin"), root / "prefix" / "bin");
}

TEST_F(AppPaths, ConfigDirectoryFallsBackToTheUsersConfigDirectoryAndCreatesIt) {
  // A directory that does not exist cannot be written, whoever runs the test.
  std::filesystem::path exeDir = root / "absent" / "bin";
  {
    ScopedEnv config(kConfigVariable, (root / "xdg").string());
    std::filesystem::path directory = ConfigDirectory(exeDir);
    EXPECT_EQ(directory, root / "xdg" / "tollhaven");
    EXPECT_TRUE(std::filesystem::is_directory(directory));
  }
#ifndef _WIN32
  {
    ScopedEnv config(kConfigVariable, "relative/ignored");
    ScopedEnv home("HOME", (root / "home").string());
    EXPECT_EQ(ConfigDirectory(exeDir), root / "home" / ".config" / "tollhaven");
  }
#endif
}

TEST_F(AppPaths, AnInstalledCopyKeepsItsConfigurationOutOfBinEvenWhenItMayWriteThere) {
  const std::filesystem::path exeDir = root / "prefix" / "bin";
  ScopedEnv config(kConfigVariable, (root / "xdg").string());
  std::filesystem::create_directories(root / "prefix" / "share" / "tollhaven" / "Templates");
  ASSERT_TRUE(IsWritableDirectory(exeDir));
  EXPECT_EQ(ConfigDirectory(exeDir), root / "xdg" / "tollhaven");

  // Templates beside the program make it a copy run from its own folder again.
  std::filesystem::create_directories(exeDir / "Templates");
  EXPECT_EQ(ConfigDirectory(exeDir), exeDir);
}

TEST_F(AppPaths, TemplatesBesideTheExecutableComeFirstThenTheInstalledCopy) {
  std::filesystem::path exeDir = root / "prefix" / "bin";
  ScopedEnv dataDirs(kDataVariable, (root / "system").string());

  // Nothing installed: the path beside the executable, where lookups find nothing.
  EXPECT_EQ(TemplatesDirectory(exeDir), exeDir / "Templates");

  std::filesystem::create_directories(root / "system" / "tollhaven" / "Templates");
  EXPECT_EQ(TemplatesDirectory(exeDir), root / "system" / "tollhaven" / "Templates");

  std::filesystem::create_directories(root / "prefix" / "share" / "tollhaven" / "Templates");
  EXPECT_EQ(TemplatesDirectory(exeDir), root / "prefix" / "share" / "tollhaven" / "Templates");

  std::filesystem::create_directories(exeDir / "Templates");
  EXPECT_EQ(TemplatesDirectory(exeDir), exeDir / "Templates");
}

}  // namespace
}  // namespace tollhaven
