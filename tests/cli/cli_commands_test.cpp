// The commands of tollhaven-cli through the simulated handset, in-process.

#include <gmock/gmock.h>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <chrono>
#include <future>

#include "cli/cli_run.h"
#include "cli/progress_line.h"
#include "cli_fixture.h"
#include "handset/handset_names.h"

namespace tollhaven::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

using CliCommands = CliTest;

TEST_F(CliCommands, UsageErrorsEndWithStatusTwoBeforeTheHandsetIsTouched) {
  const struct {
    std::vector<std::string> args;
    std::string says;
  } cases[] = {
      {{}, "no command given"},
      {{"frobnicate"}, "unknown command: frobnicate"},
      {{"ls", "-z"}, "unknown option: -z"},
      {{"ls", "/a/", "/b/"}, "usage: tollhaven-cli ls"},
      {{"get", "/a/x"}, "usage: tollhaven-cli get"},
      {{"ls", "/x/y"}, "not a handset path"},
      {{"ls", "/a/../b"}, "not a usable handset path"},
      {{"rm", "/a/\xE6\x97\xA5.txt"}, "the handset cannot hold the name"},
      {{"get", "/a/x", (temp / "missing").string()}, "not a local directory"},
      {{"restore", temp.string()}, "no backup in"},
      {{"--log"}, "--log needs a value"},
      {{"attr", "/a/x", "+q"}, "usage: tollhaven-cli attr"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Run(c.args), cli::kExitUsage) << c.says;
    EXPECT_THAT(err.str(), HasSubstr(c.says));
  }
  EXPECT_EQ(discovery.searches, 0);
  EXPECT_TRUE(sim.Received().empty());
}

TEST_F(CliCommands, HelpAndVersionNeedNoHandset) {
  EXPECT_EQ(Run({"--help"}), cli::kExitSuccess);
  EXPECT_THAT(out.str(), HasSubstr("restore DIR [--only PATH]"));
  EXPECT_THAT(out.str(), HasSubstr("3 no handset found"));
  EXPECT_EQ(Run({"get", "--help"}), cli::kExitSuccess);
  EXPECT_THAT(out.str(), HasSubstr("Usage: tollhaven-cli get [-r] PATH... DEST"));
  EXPECT_EQ(Run({"--version"}), cli::kExitSuccess);
  EXPECT_EQ(out.str(), "tollhaven-cli 1.2.3\n");
  EXPECT_EQ(discovery.searches, 0);
}

TEST_F(CliCommands, NoHandsetEndsWithStatusThreeAndTheReason) {
  discovery.plugged = false;
  EXPECT_EQ(Run({"ls"}), cli::kExitNoHandset);
  EXPECT_EQ(err.str(), "tollhaven-cli: No p2k device found, NOT connected !\n");

  discovery.accessDenied = true;
  EXPECT_EQ(Run({"info"}), cli::kExitNoHandset);
  EXPECT_THAT(err.str(), HasSubstr("no permission to open"));
  EXPECT_THAT(err.str(), HasSubstr("70-tollhaven-p2k.rules"));
  EXPECT_THAT(err.str(), HasSubstr("NOT connected"));
}

TEST_F(CliCommands, ModeSwitchOnlyWhenTheInterfaceIsNotThereYet) {
  discovery.modemPort = true;
  discovery.plugged = false;
  discovery.appearsAfterSwitch = true;
  EXPECT_EQ(Run({"ls"}), cli::kExitSuccess);
  EXPECT_EQ(discovery.modeSwitches, 1);
  const uint64_t slept = clock.TotalSlept();
  EXPECT_GE(slept, 5000u);

  // Switched already: the next run finds the interface at once, with no switch and no wait
  // (beyond the few milliseconds between polls for answers).
  EXPECT_EQ(Run({"ls"}), cli::kExitSuccess);
  EXPECT_EQ(discovery.modeSwitches, 1);
  EXPECT_LT(clock.TotalSlept() - slept, 1000u);
}

TEST_F(CliCommands, InfoShowsModelVolumesFreeSpaceAndFilesAsTextAndJson) {
  sim.SetVolumes({"/a", "/b"});
  sim.SetModel("V3x");
  sim.SetFreeSpace(1536 * 1024);
  sim.AddFile("/a/one.txt", Bytes("1"));
  sim.AddFile("/a/audio/two.mp3", Bytes("22"));

  EXPECT_EQ(Run({"info"}), cli::kExitSuccess);
  EXPECT_EQ(out.str(),
            "Model:      V3x\n"
            "Volumes:    /a /b\n"
            "Free space: 1536 KB\n"
            "Files:      /a 2, /b 0\n");
  EXPECT_EQ(Run({"info", "--json"}), cli::kExitSuccess);
  EXPECT_EQ(out.str(),
            "{\"model\": \"V3x\", \"volumes\": [\"/a\", \"/b\"], \"freeSpace\": 1572864, "
            "\"files\": {\"/a\": 2, \"/b\": 0}}\n");
}

TEST_F(CliCommands, LsListsOneDirectoryAsThePanelDoes) {
  sim.AddFile("/a/mobile/ring tone.mp3", Pattern(1000, 1), 0x21, 0x07);
  sim.AddFile("/a/mobile/Alarm.mp3", Pattern(5, 2), 0x04, 0x11);
  sim.AddFile("/a/mobile/skins/x.bin", Pattern(3, 3));
  sim.AddFile("/a/mobile/new/~tollhaven", Bytes("5"));
  sim.AddFile("/a/mobile/caf\xE9.txt", Bytes("c"));

  EXPECT_EQ(Run({"ls", "/a/mobile"}), cli::kExitSuccess);
  EXPECT_EQ(out.str(), "new/\nskins/\nAlarm.mp3\ncaf\xC3\xA9.txt\nring tone.mp3\n");

  EXPECT_EQ(Run({"ls", "-l", "/a/mobile/"}), cli::kExitSuccess);
  EXPECT_THAT(out.str(), HasSubstr("      1000  07    0021  ring tone.mp3\n"));
  EXPECT_THAT(out.str(), HasSubstr("         5  11    0004  Alarm.mp3\n"));
  EXPECT_THAT(out.str(), HasSubstr("   < DIR >"));

  EXPECT_EQ(Run({"ls", "--json", "/a/mobile/Alarm.mp3"}), cli::kExitSuccess);
  EXPECT_EQ(out.str(),
            "{\"path\": \"/a/mobile/Alarm.mp3\", \"entries\": [{\"name\": \"Alarm.mp3\", "
            "\"directory\": false, \"size\": 5, \"owner\": 17, \"attributes\": 4, "
            "\"ownerAttributes\": \"11    0004\"}]}\n");

  EXPECT_EQ(Run({"ls", "/a/nothing"}), cli::kExitFailed);
  EXPECT_THAT(err.str(), HasSubstr("no such file or directory on the handset: /a/nothing"));
}

TEST_F(CliCommands, GetFetchesFilesAndTreesByteExact) {
  const std::vector<uint8_t> big = Pattern(5000, 4);
  sim.AddFile("/a/mobile/audio/ring.mp3", big);
  sim.AddFile("/a/mobile/audio/deep/empty.bin", {});
  sim.AddFile("/a/mobile/made/~tollhaven", Bytes("5"));
  sim.AddFile("/a/mobile/caf\xE9.txt", Bytes("coffee"));

  EXPECT_EQ(Run({"get", "/a/mobile/audio/ring.mp3", temp.string()}), cli::kExitSuccess);
  EXPECT_EQ(ReadLocal(temp / "ring.mp3"), big);

  const fs::path tree = temp / "tree";
  fs::create_directory(tree);
  EXPECT_EQ(Run({"get", "-r", "/a/mobile", tree.string()}), cli::kExitSuccess) << err.str();
  EXPECT_EQ(LocalTree(tree),
            (std::vector<std::string>{"mobile/audio/deep/empty.bin", "mobile/audio/ring.mp3",
                                      "mobile/caf\xC3\xA9.txt"}));
  EXPECT_EQ(ReadLocal(tree / "mobile/audio/ring.mp3"), big);
  EXPECT_TRUE(fs::is_directory(tree / "mobile/made"));

  EXPECT_EQ(Run({"get", "/a/mobile", tree.string()}), cli::kExitFailed);
  EXPECT_THAT(err.str(), HasSubstr("a directory (use -r): /a/mobile"));
}

TEST_F(CliCommands, GetThatFailsHalfwayLeavesNoPartialFileAndTheOldOneAsItWas) {
  sim.AddFile("/a/big.bin", Pattern(6000, 5));
  sim.AddFile("/a/small.txt", Bytes("small"));
  const std::vector<uint8_t> old = Bytes("the copy from yesterday");
  WriteLocal(temp / "big.bin", old);

  // The third block read of the file is refused.
  int reads = 0;
  discovery.afterSend = [&] {
    const auto received = sim.Received();
    if (!received.empty() && received.back().subCommand() == kRead && ++reads == 2) {
      sim.FailCommand(0x004A, kRead, 0x01, 1);
    }
  };
  EXPECT_EQ(Run({"get", "/a/big.bin", "/a/small.txt", temp.string()}), cli::kExitFailed);
  EXPECT_THAT(err.str(), HasSubstr("Download failed, local file left as it was"));
  EXPECT_EQ(ReadLocal(temp / "big.bin"), old);
  // The rest still ran, and nothing half-written is left beside the files.
  EXPECT_EQ(ReadLocal(temp / "small.txt"), Bytes("small"));
  EXPECT_EQ(LocalTree(temp), (std::vector<std::string>{"big.bin", "small.txt"}));

  fs::remove(temp / "big.bin");
  reads = 0;
  EXPECT_EQ(Run({"get", "/a/big.bin", temp.string()}), cli::kExitFailed);
  EXPECT_EQ(LocalTree(temp), (std::vector<std::string>{"small.txt"}));
}

TEST_F(CliCommands, GetNeverWritesOutsideTheDestination) {
  sim.AddFile("/a/x/../../evil.txt", Bytes("evil"));
  sim.AddFile("/a/x/fine.txt", Bytes("fine"));
  const fs::path destination = temp / "in" / "here";
  fs::create_directories(destination);

  EXPECT_EQ(Run({"get", "-r", "/a/x", destination.string()}), cli::kExitFailed);
  EXPECT_THAT(err.str(), HasSubstr("not a name for a local file: /a/x/../../evil.txt"));
  EXPECT_EQ(LocalTree(temp), (std::vector<std::string>{"in/here/x/fine.txt"}));
}

TEST_F(CliCommands, PutRecursiveCarriesSpacesAndLatin1NamesAndSkipsWhatTheHandsetCannotName) {
  const fs::path tree = temp / "My Music";
  WriteLocal(tree /
                 "\xC3\x9C"
                 "ber Alles \xC3\x9F.mp3",
             Pattern(2500, 6));
  WriteLocal(tree / "sub dir" / "a b.txt", Bytes("a b"));
  WriteLocal(tree / "\xE6\x97\xA5\xE6\x9C\xAC.txt", Bytes("kanji"));
  fs::create_directories(tree / "empty one");
  WriteLocal(temp / "single.txt", Bytes("single"));
  sim.AddFile("/a/audio/old.mp3", Bytes("old"));

  EXPECT_EQ(Run({"put", "-r", tree.string(), (temp / "single.txt").string(), "/a/audio"}),
            cli::kExitFailed);
  EXPECT_THAT(err.str(), HasSubstr("the handset cannot hold this name"));
  EXPECT_EQ(sim.File("/a/audio/My Music/\xDC"
                     "ber Alles \xDF.mp3")
                ->contents,
            Pattern(2500, 6));
  EXPECT_EQ(sim.File("/a/audio/My Music/sub dir/a b.txt")->contents, Bytes("a b"));
  EXPECT_EQ(sim.File("/a/audio/single.txt")->contents, Bytes("single"));
  EXPECT_EQ(sim.File("/a/audio/single.txt")->attributes, 4);
  EXPECT_TRUE(sim.File("/a/audio/My Music/empty one/~tollhaven").has_value());
  EXPECT_TRUE(sim.File("/a/audio/old.mp3").has_value());

  EXPECT_EQ(Run({"ls", "/a/audio/My Music"}), cli::kExitSuccess);
  EXPECT_EQ(out.str(),
            "empty one/\nsub dir/\n\xC3\x9C"
            "ber Alles \xC3\x9F.mp3\n");

  EXPECT_EQ(Run({"put", tree.string(), "/a/audio"}), cli::kExitFailed);
  EXPECT_THAT(err.str(), HasSubstr("a directory (use -r)"));
  EXPECT_EQ(Run({"put", (temp / "single.txt").string(), "/a/nowhere"}), cli::kExitFailed);
  EXPECT_THAT(err.str(), HasSubstr("no such directory on the handset: /a/nowhere"));
}

TEST_F(CliCommands, PutReplacesAFileWholeWithoutItsOldTail) {
  sim.AddFile("/a/notes.txt", Pattern(3000, 7));
  WriteLocal(temp / "notes.txt", Bytes("short"));
  EXPECT_EQ(Run({"put", (temp / "notes.txt").string(), "/a/"}), cli::kExitSuccess);
  EXPECT_EQ(sim.File("/a/notes.txt")->contents, Bytes("short"));
}

TEST_F(CliCommands, PutThatFailsLeavesNothingOfANewFileAndTheOldFileOfAReplacedOne) {
  sim.AddFile("/a/notes.txt", Pattern(3000, 7), 0x20);
  WriteLocal(temp / "new.bin", Pattern(5000, 1));
  WriteLocal(temp / "notes.txt", Pattern(4000, 2));
  // The second block written of each upload is refused; the old file goes back unhindered.
  constexpr int kWrite = 0x02;
  int writes = 0;
  discovery.afterSend = [&] {
    const auto received = sim.Received();
    if (!received.empty() && received.back().subCommand() == kWrite &&
        (++writes == 1 || writes == 3)) {
      sim.FailCommand(0x004A, kWrite, 0x07, 1);
    }
  };
  EXPECT_EQ(Run({"put", (temp / "new.bin").string(), (temp / "notes.txt").string(), "/a/"}),
            cli::kExitFailed);
  EXPECT_THAT(err.str(), HasSubstr("put: Upload failed: /a/new.bin"));
  EXPECT_THAT(err.str(), HasSubstr("put: Upload failed, the old file was kept: /a/notes.txt"));
  EXPECT_FALSE(sim.File("/a/new.bin"));
  EXPECT_EQ(sim.File("/a/notes.txt")->contents, Pattern(3000, 7));
  EXPECT_EQ(sim.File("/a/notes.txt")->attributes, 0x20);

  discovery.afterSend = nullptr;
  EXPECT_EQ(Run({"ls", "/a/"}), cli::kExitSuccess);
  EXPECT_EQ(out.str(), "notes.txt\n");
}

TEST_F(CliCommands, DirectoriesAreMadeAndRemovedTheWayTheWindowDoes) {
  sim.AddFile("/a/full/file.txt", Bytes("x"));
  sim.AddFile("/a/gone.txt", Bytes("x"));

  EXPECT_EQ(Run({"mkdir", "/a/new/deeper"}), cli::kExitSuccess) << err.str();
  EXPECT_EQ(sim.File("/a/new/~tollhaven")->contents, Bytes("5"));
  EXPECT_EQ(sim.File("/a/new/deeper/~tollhaven")->contents, Bytes("5"));

  const struct {
    std::vector<std::string> args;
    int status;
    std::string says;
  } cases[] = {
      {{"mkdir", "/a/full"}, cli::kExitFailed, "already there"},
      {{"mkdir", "/a/gone.txt/x"}, cli::kExitFailed, "a file of that name is in the way"},
      {{"rmdir", "/a/full"}, cli::kExitFailed, "not empty (use rm -r)"},
      {{"rmdir", "/a/gone.txt"}, cli::kExitFailed, "not a directory"},
      {{"rm", "/a/full"}, cli::kExitFailed, "a directory (use rm -r"},
      {{"rm", "/a"}, cli::kExitFailed, "a volume cannot be removed"},
      {{"rm", "/a/nothing"}, cli::kExitFailed, "no such file or directory"},
      {{"rmdir", "/a/new/deeper"}, cli::kExitSuccess, ""},
      {{"rm", "/a/gone.txt"}, cli::kExitSuccess, ""},
      {{"rm", "-r", "/a/full"}, cli::kExitSuccess, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Run(c.args), c.status) << c.args[0] << " " << c.args.back();
    EXPECT_THAT(err.str(), HasSubstr(c.says));
  }
  EXPECT_EQ(sim.FilePaths(), std::vector<std::string>{"/a/new/~tollhaven"});
  EXPECT_FALSE(sim.HasDirectory("/a/full"));
}

TEST_F(CliCommands, AttrShowsAndChangesTheBits) {
  sim.AddFile("/a/ring.mp3", Bytes("r"), 0x0104, 0x11);
  EXPECT_EQ(Run({"attr", "/a/ring.mp3"}), cli::kExitSuccess);
  EXPECT_EQ(out.str(), "11    0104  --s--  /a/ring.mp3\n");

  EXPECT_EQ(Run({"attr", "/a/ring.mp3", "+r", "-s", "+a", "+h", "-h"}), cli::kExitSuccess);
  EXPECT_EQ(out.str(), "11    0121  r--a-  /a/ring.mp3\n");
  EXPECT_EQ(sim.File("/a/ring.mp3")->attributes, 0x0121);

  EXPECT_EQ(Run({"attr", "/a/none.mp3", "+r"}), cli::kExitFailed);
  EXPECT_THAT(err.str(), HasSubstr("no such file on the handset"));
}

TEST_F(CliCommands, RestartAsksTheHandset) {
  EXPECT_EQ(Run({"restart"}), cli::kExitSuccess);
  EXPECT_EQ(sim.RestartCount(), 1);
  sim.FailCommand(0x0022, -1, 0x01);
  EXPECT_EQ(Run({"restart"}), cli::kExitFailed);
  EXPECT_THAT(err.str(), HasSubstr("the handset did not take the command"));
}

// The line that tells why a patch line failed, the handset's own failure included, goes to
// standard error; the lines of the work done go to standard output.
TEST_F(CliCommands, PatchTellsFailuresOnStandardErrorAndTheRestOnStandardOutput) {
  sim.AddFile("/a/keep.txt", Bytes("keep"));
  constexpr int kDeleteSubCommand = 0x05;
  sim.FailCommand(0x004A, kDeleteSubCommand, 0x07);
  WriteLocal(temp / "patch" / "skin.tlhv", Bytes("md /a/newdir\r\nrm /a/keep.txt\r\nto /a/x\r\n"));
  EXPECT_EQ(Run({"patch", (temp / "patch" / "skin.tlhv").string(), "--yes"}), cli::kExitFailed);
  EXPECT_THAT(out.str(), HasSubstr("/a/newdir\n"));
  EXPECT_THAT(err.str(), Not(HasSubstr("/a/newdir\n")));
  EXPECT_THAT(err.str(), HasSubstr("patch: Delete failed: /a/keep.txt"));
  EXPECT_THAT(err.str(), HasSubstr("patch: Skipped, no cp line loaded a file for /a/x"));
  EXPECT_THAT(out.str(), Not(HasSubstr("Delete failed")));
}

TEST_F(CliCommands, PatchRunsItsLinesAndReportsRefusalsOnStandardError) {
  sim.AddFile("/a/old.txt", Bytes("old"));
  WriteLocal(temp / "patch" / "skin.bin", Pattern(3000, 9));
  WriteLocal(temp / "escape.bin", Bytes("outside"));
  WriteLocal(temp / "patch" / "skin.tlhv",
             Bytes("cp skin.bin\r\nto /a/mobile/skin.bin\r\nmd /a/newdir\r\nat 33\r\n"
                   "sa /a/mobile/skin.bin\r\nrm /a/old.txt\r\ncp ../escape.bin\r\n"
                   "to /a/bad.bin\r\n"));
  const std::string patch = (temp / "patch" / "skin.tlhv").string();

  // Without --yes the lines are shown and a confirmation is asked for.
  input.str("n\n");
  EXPECT_EQ(Run({"patch", patch}), cli::kExitFailed);
  EXPECT_THAT(out.str(), HasSubstr("  to /a/mobile/skin.bin\n"));
  EXPECT_THAT(err.str(), HasSubstr("not confirmed; nothing was run"));
  EXPECT_TRUE(sim.Received().empty());

  input.str("y\n");
  input.clear();
  EXPECT_EQ(Run({"patch", patch}), cli::kExitFailed);
  EXPECT_THAT(err.str(),
              HasSubstr("patch: Refused, not a file in the patch file's directory: ../escape.bin"));
  EXPECT_EQ(sim.File("/a/mobile/skin.bin")->contents, Pattern(3000, 9));
  EXPECT_EQ(sim.File("/a/mobile/skin.bin")->attributes, 33);
  EXPECT_TRUE(sim.File("/a/newdir/~tollhaven").has_value());
  EXPECT_FALSE(sim.File("/a/old.txt").has_value());
  EXPECT_FALSE(sim.File("/a/bad.bin").has_value());

  EXPECT_EQ(Run({"patch", (temp / "none.tlhv").string(), "--yes"}), cli::kExitUsage);
  EXPECT_THAT(err.str(), HasSubstr("patch: cannot read"));
}

#ifndef _WIN32  // Windows has no FIFOs in its file system
// A "cp" of a FIFO would wait for a writer for ever: it is refused, and the run goes on.
TEST_F(CliCommands, PatchRefusesAFifoWithoutWaiting) {
  const fs::path fifo = temp / "patch" / "pipe";
  fs::create_directories(fifo.parent_path());
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  WriteLocal(temp / "patch" / "skin.tlhv", Bytes("cp pipe\r\nto /a/p.bin\r\nmd /a/after\r\n"));
  auto run = std::async(std::launch::async, [&] {
    return Run({"patch", (temp / "patch" / "skin.tlhv").string(), "--yes"});
  });
  if (run.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
    const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    run.wait();
    ::close(writer);
    FAIL() << "the cp of a FIFO waited";
  }
  EXPECT_EQ(run.get(), cli::kExitFailed);
  EXPECT_THAT(err.str(), HasSubstr("patch: Refused, not a regular file: "));
  EXPECT_FALSE(sim.File("/a/p.bin").has_value());
  EXPECT_TRUE(sim.HasDirectory("/a/after"));
}
#endif

TEST_F(CliCommands, ProgressLineOnlyOnATerminalAndNotWithQuiet) {
  sim.AddFile("/a/big.bin", Pattern(300000, 8));
  EXPECT_EQ(Run({"get", "/a/big.bin", temp.string()}, true), cli::kExitSuccess);
  EXPECT_THAT(err.str(), HasSubstr("\r"));
  EXPECT_THAT(err.str(), HasSubstr("0/1 files"));
  EXPECT_EQ(Run({"get", "-q", "/a/big.bin", temp.string()}, true), cli::kExitSuccess);
  EXPECT_EQ(err.str(), "");
  EXPECT_EQ(Run({"get", "/a/big.bin", temp.string()}, false), cli::kExitSuccess);
  EXPECT_EQ(err.str(), "");
}

TEST(HandsetPathArgument, GivesTheHandsetBytesOrRefuses) {
  const struct {
    std::string given;
    std::optional<std::string> path;
  } cases[] = {
      {"/a", "/a"},
      {"/a/", "/a"},
      {"/c/mobile/audio/", "/c/mobile/audio"},
      {"/b/caf\xC3\xA9 au lait.mp3", "/b/caf\xE9 au lait.mp3"},
      {"/", std::nullopt},
      {"a/x", std::nullopt},
      {"/d/x", std::nullopt},
      {"/ab", std::nullopt},
      {"/a//x", std::nullopt},
      {"/a/x//", std::nullopt},
      {"/a/./x", std::nullopt},
      {"/a/x/..", std::nullopt},
      {"/a/\xE2\x82\xAC", std::nullopt},  // the euro sign has no Latin-1 byte
  };
  for (const auto& c : cases) {
    std::string error;
    const std::optional<HandsetPath> arg = cli::ParseHandsetPath(c.given, error);
    ASSERT_EQ(arg.has_value(), c.path.has_value()) << c.given;
    if (arg) {
      EXPECT_EQ(arg->bytes(), *c.path);
      EXPECT_EQ(arg->volume(), c.path->at(1));
    } else {
      EXPECT_FALSE(error.empty());
    }
  }
}

TEST(ProgressLine, TellsBytesFilesRateAndTimeLeft) {
  ManualClock clock;
  std::ostringstream err;
  cli::ProgressLine line(err, clock, true);
  line.BeginJob(4 * 1024 * 1024, 2);
  line.BeginFile(2 * 1024 * 1024);
  for (int block = 0; block < 1024; ++block) {
    line.StepIt();
  }
  clock.Advance(1000);
  EXPECT_EQ(line.Text(), "1.0 MiB / 4.0 MiB  0/2 files  1.0 MiB/s  0:03 left");
  line.EndFile();
  EXPECT_EQ(line.bytesDone(), 2u * 1024 * 1024);
  // Blocks stepped outside a file (the list load) are not bytes of it.
  line.StepIt();
  EXPECT_EQ(line.bytesDone(), 2u * 1024 * 1024);
  line.Finish();
  const std::string shown = err.str();
  EXPECT_EQ(shown.substr(shown.rfind('\r')), "\r");
}

TEST_F(CliCommands, LogFileHoldsTheEventLog) {
  sim.AddFile("/a/x.txt", Bytes("x"));
  const fs::path logFile = temp / "run.log";
  EXPECT_EQ(Run({"--log", logFile.string(), "rm", "/a/x.txt", "/a/y.txt"}), cli::kExitFailed);
  const std::vector<uint8_t> bytes = ReadLocal(logFile);
  const std::string text(bytes.begin(), bytes.end());
  EXPECT_THAT(text, HasSubstr("Usb p2k device found, phone connected !\r\n"));
  EXPECT_THAT(text, HasSubstr("rm: no such file or directory on the handset: /a/y.txt\r\n"));
}

TEST_F(CliCommands, PutRefusesWhatTheHandsetCannotTakeWithStatusOne) {
  sim.AddFile("/a/keep.txt", Bytes("k"));
  sim.SetFreeSpace(4000);
  WriteLocal(temp / "big.bin", Pattern(4001, 1));
  WriteLocal(temp / "small.bin", Pattern(100, 2));
  EXPECT_EQ(Run({"put", (temp / "big.bin").string(), (temp / "small.bin").string(), "/a/"}),
            cli::kExitFailed);
  EXPECT_THAT(err.str(), HasSubstr("/a/big.bin: 4001 bytes, 4000 bytes free"));
  EXPECT_FALSE(sim.File("/a/big.bin"));
  EXPECT_EQ(sim.File("/a/small.bin")->contents, Pattern(100, 2));

  const std::string deep = "/a/" + std::string(250, 'd');
  EXPECT_EQ(Run({"mkdir", deep}), cli::kExitFailed);
  EXPECT_THAT(err.str(), HasSubstr("name too long for the handset"));
  EXPECT_FALSE(sim.HasDirectory(deep));
}

class CliCaseClash : public CliTest, public ::testing::WithParamInterface<bool> {};

TEST_P(CliCaseClash, PutOfANameAListedFileHasButForCaseFailsNamingBoth) {
  sim.SetCaseInsensitiveNames(GetParam());
  sim.AddFile("/a/Ring.MP3", Pattern(5000, 3));
  WriteLocal(temp / "ring.mp3", Pattern(1000, 4));
  EXPECT_EQ(Run({"put", (temp / "ring.mp3").string(), "/a/"}), cli::kExitFailed);
  EXPECT_THAT(err.str(), HasSubstr("/a/Ring.MP3"));
  EXPECT_THAT(err.str(), HasSubstr("/a/ring.mp3"));
  EXPECT_EQ(sim.FilePaths(), (std::vector<std::string>{"/a/Ring.MP3"}));
  EXPECT_EQ(sim.File("/a/Ring.MP3")->contents, Pattern(5000, 3));
}

INSTANTIATE_TEST_SUITE_P(Handsets, CliCaseClash, ::testing::Bool(), [](const auto& info) {
  return info.param ? "IgnoringCase" : "ExactCase";
});

}  // namespace
}  // namespace tollhaven::testing
