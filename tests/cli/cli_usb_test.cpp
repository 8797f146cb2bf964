// The built tollhaven-cli program against a fake USB handset (umockdev): the test sets up the
// device and runs the program as a child process, which inherits the preload and the testbed
// through its environment. Runs under umockdev-wrapper.

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "emulator/simulated_handset.h"
#include "tests/usb/fake_usb_handset.h"

extern char** environ;

namespace tollhaven {
namespace {

namespace fs = std::filesystem;
using testing::FakeUsbHandset;

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

std::string ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class CliOverUsb : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* preload = std::getenv("LD_PRELOAD");
    ASSERT_TRUE(preload != nullptr && std::string(preload).find("umockdev") != std::string::npos)
        << "run under umockdev-wrapper";
    temp =
        fs::path(::testing::TempDir()) /
        (std::string("cli_usb_") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(temp);
    fs::create_directories(temp);
    sim.SetVolumes({"/a", "/b"});
    sim.SetModel("V3x");
    fake = std::make_unique<FakeUsbHandset>(sim, FakeUsbHandset::Layout{});
  }
  void TearDown() override {
    fake.reset();
    fs::remove_all(temp);
  }

  // Runs the program with `args` and waits for it; the device keeps answering meanwhile, from
  // the testbed's own thread.
  Outcome RunProgram(const std::vector<std::string>& args) {
    std::vector<std::string> words{TOLLHAVEN_CLI_PATH};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
      argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    const std::string outFile = (temp / "out.txt").string();
    const std::string errFile = (temp / "err.txt").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    Outcome outcome;
    pid_t child = 0;
    const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
      ADD_FAILURE() << "cannot start " << argv[0];
      return outcome;
    }
    int status = 0;
    waitpid(child, &status, 0);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    outcome.out = ReadFile(outFile);
    outcome.err = ReadFile(errFile);
    return outcome;
  }

  p2ksim::SimulatedHandset sim;
  std::unique_ptr<FakeUsbHandset> fake;
  fs::path temp;
};

TEST_F(CliOverUsb, InfoReadsTheHandsetThroughLibusb) {
  sim.AddFile("/a/mobile/ring.mp3", std::vector<uint8_t>(100, 7));
  sim.AddFile("/a/mobile/skin.bin", std::vector<uint8_t>(10, 1));
  sim.AddFile("/b/notes.txt", std::vector<uint8_t>(3, 2));

  const Outcome outcome = RunProgram({"info"});
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_EQ(outcome.out,
            "Model:      V3x\n"
            "Volumes:    /a /b\n"
            "Free space: 1024 KB\n"
            "Files:      /a 2, /b 1\n");
  // The interface was there already: found at once, so no mode switch went to the modem port.
  EXPECT_EQ(fake->ModemBytes(), "");
  EXPECT_GE(fake->Claims(), 1);
}

TEST_F(CliOverUsb, GetFetchesAFileByteExact) {
  std::vector<uint8_t> contents(5000);
  for (std::size_t i = 0; i < contents.size(); ++i) {
    contents[i] = static_cast<uint8_t>((i * 13 + i / 256) & 0xFF);
  }
  sim.AddFile("/a/mobile/audio/ring tone.mp3", contents);

  const Outcome outcome = RunProgram({"get", "/a/mobile/audio/ring tone.mp3", temp.string()});
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_EQ(outcome.err, "");  // standard error is no terminal here: no progress line
  const std::string fetched = ReadFile(temp / "ring tone.mp3");
  EXPECT_EQ(std::vector<uint8_t>(fetched.begin(), fetched.end()), contents);

  const Outcome missing = RunProgram({"get", "/a/none.mp3", temp.string()});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err,
            "tollhaven-cli: get: no such file or directory on the handset: "
            "/a/none.mp3\n");
}

}  // namespace
}  // namespace tollhaven
