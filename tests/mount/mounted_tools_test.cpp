// The mount program itself (its test build, wired to the simulated handset) mounted in a
// temporary directory and used with ordinary tools. Every child process runs under timeout(1),
// and the mount is always taken down, whatever the test did.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "mount/mount_point.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr std::chrono::seconds kMountWait{10};

struct Ran {
  int status = -1;     // exit status, or -1 when it did not exit
  std::string output;  // standard output and error
};

std::string ReadText(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const fs::path& file, const std::string& bytes) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << bytes;
}

std::string Pattern(std::size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) {
    bytes[i] = static_cast<char>((i * 31 + seed * 7 + i / 253) & 0xFF);
  }
  return bytes;
}

pid_t Spawn(const std::vector<std::string>& args, const fs::path& output) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  std::vector<char*> argv;
  for (const std::string& arg : args) {
    argv.push_back(const_cast<char*>(arg.c_str()));
  }
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
    pid = -1;
  }
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

// Waits for a child at most `limit`; its exit status, or -1 when it did not exit in time or
// ended by a signal.
int WaitFor(pid_t pid, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  for (;;) {
    int status = 0;
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) {
      return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    if (done < 0 || std::chrono::steady_clock::now() > end) {
      return -2;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

// One run of the mount program on a mount point of its own. The destructor always unmounts and
// reaps it.
class MountedHandset {
 public:
  explicit MountedHandset(fs::path mountPoint, fs::path errFile)
      : mountPoint_(std::move(mountPoint)), errFile_(std::move(errFile)) {}
  ~MountedHandset() { Stop(); }

  ::testing::AssertionResult Start(std::vector<std::string> options) {
    std::vector<std::string> args{TOLLHAVEN_MOUNT_SIM_PATH};
    args.insert(args.end(), options.begin(), options.end());
    args.push_back(mountPoint_.string());
    args.push_back("-f");
    pid_ = Spawn(args, errFile_);
    if (pid_ < 0) {
      return ::testing::AssertionFailure() << "cannot start " << TOLLHAVEN_MOUNT_SIM_PATH;
    }
    const auto end = std::chrono::steady_clock::now() + kMountWait;
    while (std::chrono::steady_clock::now() < end) {
      if (IsMountPoint(mountPoint_)) {
        return ::testing::AssertionSuccess();
      }
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return ::testing::AssertionFailure()
               << "the mount program ended before mounting (is /dev/fuse usable here?): "
               << ReadText(errFile_);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return ::testing::AssertionFailure()
           << "no FUSE mount on " << mountPoint_ << " after " << kMountWait.count()
           << " s (is /dev/fuse usable here?): " << ReadText(errFile_);
  }

  // Sends a signal to the mount program.
  void Signal(int number) const {
    if (pid_ > 0) {
      kill(pid_, number);
    }
  }

  // Waits for the program to end by itself; its exit status, or -2 when it did not.
  int WaitForExit(std::chrono::milliseconds limit) {
    const int status = pid_ > 0 ? WaitFor(pid_, limit) : -2;
    if (status != -2) {
      pid_ = -1;
    }
    return status;
  }

  void Stop() {
    if (IsMountPoint(mountPoint_)) {
      const fs::path out = errFile_.string() + ".umount";
      const pid_t umount = Spawn(
          {"/usr/bin/timeout", "-k", "5", "20", "fusermount3", "-u", mountPoint_.string()}, out);
      if (umount > 0 && WaitFor(umount, std::chrono::seconds(30)) != 0) {
        // Busy or hung: detach it so that nothing is left mounted.
        const pid_t lazy = Spawn(
            {"/usr/bin/timeout", "-k", "5", "20", "fusermount3", "-u", "-z", mountPoint_.string()},
            out);
        WaitFor(lazy, std::chrono::seconds(30));
      }
    }
    if (pid_ > 0) {
      if (WaitFor(pid_, std::chrono::seconds(10)) == -2) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
      }
      pid_ = -1;
    }
  }

  std::string Errors() const { return ReadText(errFile_); }

 private:
  fs::path mountPoint_;
  fs::path errFile_;
  pid_t pid_ = -1;
};

class MountedToolsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::path(::testing::TempDir()) / "mount_tools_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir = pattern;
    fs::create_directories(dir / "mnt");
    fs::create_directories(dir / "local");
    WriteBytes(dir / "seed/a/mobile/audio/tune.mp3", Pattern(5000, 1));
    WriteBytes(dir / "seed/a/big.bin", Pattern(3 << 20, 2));
    WriteBytes(dir / "seed/a/caf\xC3\xA9.txt", "Latin-1 on the handset\n");
    WriteBytes(dir / "seed/a/ro.txt", "read only\n");
    WriteBytes(dir / "seed/a/made/~tollhaven", "5");
    WriteBytes(dir / "seed/b/notes/x.txt", "on b\n");
    handset = std::make_unique<MountedHandset>(dir / "mnt", dir / "mount.err");
  }

  void TearDown() override {
    handset.reset();
    std::error_code ignored;
    fs::remove_all(dir, ignored);
  }

  ::testing::AssertionResult Mount(std::vector<std::string> extra = {}) {
    std::vector<std::string> options{"--seed", (dir / "seed").string(), "--volumes",
                                     "a,b",    "--attribute",           "/a/ro.txt=0021:05"};
    options.insert(options.end(), extra.begin(), extra.end());
    return handset->Start(options);
  }

  // Runs a shell command in the test's directory, under a time limit.
  Ran Run(const std::string& command) {
    const fs::path out = dir / "run.out";
    const pid_t pid = Spawn({"/usr/bin/timeout", "-k", "5", "60", "/bin/sh", "-c",
                             "cd '" + dir.string() + "' && " + command},
                            out);
    Ran ran;
    if (pid > 0) {
      ran.status = WaitFor(pid, std::chrono::seconds(70));
    }
    ran.output = ReadText(out);
    return ran;
  }

  fs::path dir;
  std::unique_ptr<MountedHandset> handset;
};

TEST_F(MountedToolsTest, ListsVolumesSizesAndPermissions) {
  ASSERT_TRUE(Mount());
  Ran ls = Run("ls mnt");
  EXPECT_EQ(ls.status, 0);
  EXPECT_EQ(ls.output, "a\nb\n");

  ls = Run("ls -l mnt/a");
  ASSERT_EQ(ls.status, 0) << ls.output;
  EXPECT_THAT(ls.output, HasSubstr(" 3145728 "));
  EXPECT_THAT(ls.output, ::testing::ContainsRegex("-r--r--r-- .* ro.txt"));
  EXPECT_THAT(ls.output, ::testing::ContainsRegex("-rw-r--r-- .* caf\xC3\xA9.txt"));
  EXPECT_THAT(ls.output, ::testing::ContainsRegex("drwxr-xr-x .* mobile"));
  // A directory the program made shows empty: its placeholder is not listed.
  ls = Run("ls -A mnt/a/made");
  EXPECT_EQ(ls.status, 0);
  EXPECT_EQ(ls.output, "");
  EXPECT_NE(Run("ls mnt/c").status, 0);
}

TEST_F(MountedToolsTest, ReadsEveryFileByteForByte) {
  ASSERT_TRUE(Mount());
  for (const std::string name :
       {"a/mobile/audio/tune.mp3", "a/big.bin", "a/caf\xC3\xA9.txt", "b/notes/x.txt"}) {
    const Ran cat =
        Run("cat 'mnt/" + name + "' > local/out && cmp local/out 'seed/" + name + "' && cp 'mnt/" +
            name + "' local/copy && cmp local/copy 'seed/" + name + "'");
    EXPECT_EQ(cat.status, 0) << name << ": " << cat.output;
  }
}

TEST_F(MountedToolsTest, TheAttributeWordIsAnExtendedAttribute) {
  ASSERT_TRUE(Mount());
  Ran get = Run("getfattr -d mnt/a/ro.txt");
  ASSERT_EQ(get.status, 0) << get.output;
  EXPECT_THAT(get.output, HasSubstr("user.tollhaven.attributes=\"0021\""));
  EXPECT_THAT(get.output, HasSubstr("user.tollhaven.owner=\"05\""));

  Ran set = Run("setfattr -n user.tollhaven.attributes -v 0001 mnt/a/caf\xC3\xA9.txt");
  ASSERT_EQ(set.status, 0) << set.output;
  get = Run("getfattr --only-values -n user.tollhaven.attributes mnt/a/caf\xC3\xA9.txt");
  EXPECT_EQ(get.output, "0001");
  EXPECT_THAT(Run("ls -l mnt/a").output, ::testing::ContainsRegex("-r--r--r-- .* caf\xC3\xA9.txt"));
  // Not a word, and an owner the handset cannot give.
  EXPECT_NE(Run("setfattr -n user.tollhaven.attributes -v nonsense mnt/a/ro.txt").status, 0);
  EXPECT_NE(Run("setfattr -n user.tollhaven.owner -v 01 mnt/a/ro.txt").status, 0);
  // A read-only file is not written.
  EXPECT_NE(Run("echo more >> mnt/a/ro.txt").status, 0);
  EXPECT_EQ(Run("cat mnt/a/ro.txt").output, "read only\n");
}

TEST_F(MountedToolsTest, CopiesFilesInAndBack) {
  ASSERT_TRUE(Mount());
  WriteBytes(dir / "local/up.bin", Pattern(3 << 20, 9));
  WriteBytes(dir / "local/\xC3\xA9t\xC3\xA9.txt", "summer\n");
  WriteBytes(dir / "local/empty", "");
  for (const std::string name : {"up.bin", "\xC3\xA9t\xC3\xA9.txt", "empty"}) {
    const Ran copy =
        Run("cp 'local/" + name + "' mnt/a/ && cmp 'local/" + name + "' 'mnt/a/" + name +
            "' && cp 'mnt/a/" + name + "' 'local/back' && cmp 'local/" + name + "' local/back");
    EXPECT_EQ(copy.status, 0) << name << ": " << copy.output;
    EXPECT_THAT(Run("ls mnt/a").output, HasSubstr(name + "\n"));
  }
  // Over a file that is there: nothing of the longer old one is left.
  const Ran over = Run("cp local/empty mnt/a/big.bin && stat -c %s mnt/a/big.bin");
  EXPECT_EQ(over.output, "0\n");
  // A name the handset cannot hold.
  EXPECT_NE(Run("echo x > 'mnt/a/\xE2\x82\xAC.txt'").status, 0);
}

TEST_F(MountedToolsTest, DirectoriesAreMadeAndRemoved) {
  ASSERT_TRUE(Mount());
  WriteBytes(dir / "local/f.txt", "f\n");
  Ran made = Run("mkdir mnt/a/new && cp local/f.txt mnt/a/new/ && ls mnt/a/new");
  ASSERT_EQ(made.status, 0) << made.output;
  EXPECT_EQ(made.output, "f.txt\n");
  EXPECT_NE(Run("rmdir mnt/a/new").status, 0);  // not empty
  Ran removed = Run("rm mnt/a/new/f.txt && rmdir mnt/a/new && ls mnt/a");
  ASSERT_EQ(removed.status, 0) << removed.output;
  EXPECT_THAT(removed.output, Not(HasSubstr("new")));
  // A whole tree the handset came with.
  removed = Run("rm -r mnt/a/mobile && ls mnt/a");
  ASSERT_EQ(removed.status, 0) << removed.output;
  EXPECT_THAT(removed.output, Not(HasSubstr("mobile")));
  EXPECT_NE(Run("mkdir mnt/a/big.bin").status, 0);
}

TEST_F(MountedToolsTest, MovesAcrossTheMount) {
  ASSERT_TRUE(Mount());
  WriteBytes(dir / "local/in.txt", "moved in\n");
  const Ran in = Run("mv local/in.txt mnt/b/ && cat mnt/b/in.txt && ls local");
  ASSERT_EQ(in.status, 0) << in.output;
  EXPECT_EQ(in.output, "moved in\n");
  // Within the mount the handset has no rename: mv copies and deletes, attributes included.
  const Ran within =
      Run("mv mnt/a/ro.txt mnt/b/notes/ && ls mnt/a && getfattr --only-values -n "
          "user.tollhaven.attributes mnt/b/notes/ro.txt");
  ASSERT_EQ(within.status, 0) << within.output;
  EXPECT_THAT(within.output, Not(HasSubstr("ro.txt")));
  EXPECT_THAT(within.output, HasSubstr("0021"));
  const Ran out =
      Run("mv mnt/a/mobile/audio/tune.mp3 local/ && cmp local/tune.mp3 "
          "seed/a/mobile/audio/tune.mp3 && ls -A mnt/a/mobile/audio");
  ASSERT_EQ(out.status, 0) << out.output;
  EXPECT_EQ(out.output, "");
}

TEST_F(MountedToolsTest, AFailedUploadFailsTheCopyAndLeavesNothingNewOnTheHandset) {
  ASSERT_TRUE(Mount({"--fail-writes"}));
  WriteBytes(dir / "local/new.bin", Pattern(4000, 4));
  const Ran copy = Run("cp local/new.bin mnt/a/");
  EXPECT_NE(copy.status, 0);
  EXPECT_THAT(copy.output, HasSubstr("Input/output error"));
  // What the open made is removed again: nothing is listed.
  const Ran listed = Run("ls -A mnt/a");
  ASSERT_EQ(listed.status, 0) << listed.output;
  EXPECT_THAT(listed.output, Not(HasSubstr("new.bin")));
  EXPECT_NE(Run("stat mnt/a/new.bin").status, 0);
  EXPECT_THAT(handset->Errors(), HasSubstr("upload failed: /a/new.bin"));
}

TEST_F(MountedToolsTest, WhatTheHandsetCannotTakeFailsTheToolWithItsOwnError) {
  ASSERT_TRUE(Mount({"--free-space", "100000", "--ignore-case"}));
  WriteBytes(dir / "local/huge.bin", Pattern(200000, 5));
  WriteBytes(dir / "local/small.bin", "small\n");
  const Ran full = Run("cp local/huge.bin mnt/a/");
  EXPECT_NE(full.status, 0);
  EXPECT_THAT(full.output, HasSubstr("No space left on device"));
  EXPECT_THAT(Run("ls mnt/a").output, Not(HasSubstr("huge.bin")));

  // 203 bytes of directory fit, with its folder file; 80 more for a file's name do not.
  const std::string deep = "mnt/a/" + std::string(200, 'd');
  ASSERT_EQ(Run("mkdir " + deep).status, 0);
  const Ran tooLong = Run("cp local/small.bin " + deep + "/" + std::string(80, 'f'));
  EXPECT_NE(tooLong.status, 0);
  EXPECT_THAT(tooLong.output, HasSubstr("File name too long"));
  EXPECT_EQ(Run("ls -A " + deep).output, "");

  // This handset would write into big.bin and keep its tail.
  const Ran twin = Run("cp local/small.bin mnt/a/BIG.BIN");
  EXPECT_NE(twin.status, 0);
  EXPECT_THAT(twin.output, HasSubstr("File exists"));
  EXPECT_EQ(Run("stat -c %s mnt/a/big.bin").output, std::to_string(3 << 20) + "\n");
}

TEST_F(MountedToolsTest, AnUnpluggedHandsetAnswersEio) {
  ASSERT_TRUE(Mount());
  ASSERT_EQ(Run("ls mnt/a > /dev/null").status, 0);
  handset->Signal(SIGUSR1);
  const Ran cat = Run("cat mnt/a/big.bin > /dev/null");
  EXPECT_NE(cat.status, 0);
  EXPECT_THAT(cat.output, HasSubstr("Input/output error"));
  EXPECT_THAT(handset->Errors(), HasSubstr("tollhaven-mount: cannot open /a/big.bin"));
}

TEST_F(MountedToolsTest, EndsCleanlyOnSignalsAndUnmount) {
  for (const int number : {SIGINT, SIGTERM, 0}) {
    ASSERT_TRUE(Mount()) << number;
    if (number != 0) {
      handset->Signal(number);
    } else {
      ASSERT_EQ(Run("fusermount3 -u mnt").status, 0);
    }
    EXPECT_EQ(handset->WaitForExit(std::chrono::seconds(20)), 0) << number;
    EXPECT_FALSE(IsMountPoint(dir / "mnt")) << number;
  }
}

}  // namespace
