// Patch files run on the simulated handset: the seven commands, the cases worth a look, the
// rules for "cp" and "to", and hostile files.
#include "handset/patch_executor.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <future>
#include <thread>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "handset/handset_names.h"
#include "handset_files_fixture.h"
#include "panels/handset_view.h"
#include "support/patch_file.h"

namespace tollhaven {
namespace {

namespace fs = std::filesystem;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using testing::Pattern;
using testing::WriteAll;

constexpr int kOpen = 0x00, kWrite = 0x02, kClose = 0x04, kDelete = 0x05, kMakeDir = 0x0E,
              kRemoveDir = 0x0F;
constexpr uint8_t kGenericFailure = 7;

class PatchExecutorTest : public testing::HandsetFilesFixture {
 protected:
  PatchExecutorTest() { fs::create_directories(patchDir); }

  // The patch file's text run as the patch dialog runs it: split, then every line.
  void RunText(std::string_view text, const fs::path& directory) {
    PatchExecutor executor(files, s.log, progress, directory);
    executor.handsetChanged = [this] { ++changes; };
    executor.Run(SplitPatchLines(text));
    failed = executor.failedLines();
    stopped = executor.stopped();
  }
  void RunText(std::string_view text) { RunText(text, patchDir); }

  uint32_t WordOf(int received) const {
    const std::vector<uint8_t> p = s.sim.Received()[static_cast<std::size_t>(received)].payload;
    return uint32_t{p[4]} << 24 | uint32_t{p[5]} << 16 | uint32_t{p[6]} << 8 | uint32_t{p[7]};
  }
  std::string Shown(const fs::path& path) const {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
  }

  fs::path patchDir = root / "skin";
  testing::RecordingProgress progress;
  int changes = 0;
  int failed = -1;
  bool stopped = false;
};

// Presses the wait dialog's Cancel at the first block of an upload.
struct CancelAtFirstBlock : ProgressSink {
  explicit CancelAtFirstBlock(WorkerSignal& signal) : signal_(signal) {}
  void SetRange(int, int) override {}
  void SetStep(int) override {}
  void SetPosition(int) override {}
  void StepIt() override { signal_.RequestCancel(); }

 private:
  WorkerSignal& signal_;
};

TEST_F(PatchExecutorTest, CpAndToUploadTheFileBesideThePatchAndLogBothPaths) {
  LoadWith({});
  WriteAll(patchDir / "a.bin", Pattern(2500));
  const int filesStepsBefore = s.progress.steps;
  RunText("cp a.bin\r\nto /a/mobile/a.bin\r\n");

  const auto file = s.sim.File("/a/mobile/a.bin");
  ASSERT_TRUE(file);
  EXPECT_EQ(file->contents, Pattern(2500));
  EXPECT_EQ(file->attributes, 4);
  EXPECT_THAT(NewLines(), ElementsAre(Shown(patchDir / "a.bin"), "/a/mobile/a.bin"));
  ASSERT_NE(Entry("/a/mobile/a.bin"), nullptr);
  EXPECT_EQ(Entry("/a/mobile/a.bin")->size, 2500u);
  EXPECT_EQ(OwnerAttributeText(Entry("/a/mobile/a.bin")->attributeField), "07    0004");
  EXPECT_EQ(changes, 1);
  // The upload stepped the progress sink the executor was given.
  EXPECT_EQ(progress.rangeHigh, 3);
  EXPECT_GT(progress.steps, 0);
  EXPECT_EQ(s.progress.steps, filesStepsBefore);
  // The sink was the run's only: the next upload outside it steps the files' own.
  const int runSteps = progress.steps;
  WriteAll(root / "b.bin", Pattern(10));
  ASSERT_EQ(files.Upload(root / "b.bin", "/a/"), FileOutcome::Done);
  EXPECT_EQ(progress.steps, runSteps);
  EXPECT_GT(s.progress.steps, filesStepsBefore);
}

TEST_F(PatchExecutorTest, LinesThatAreNoCommandAreNeverRun) {
  LoadWith({{"/a/x", Pattern(3)}});
  WriteAll(patchDir / "a.bin", Pattern(10));
  RunText(
      "CP a.bin\r\nTO /a/b.bin\r\ncp\ta.bin\r\nto\t/a/b.bin\r\nRM /a/x\r\nrm\t/a/x\r\n"
      "xx /a/x\r\nrm/a/x\r\n");
  EXPECT_THAT(s.sim.Received(), IsEmpty());
  EXPECT_THAT(NewLines(), IsEmpty());
  EXPECT_TRUE(s.sim.File("/a/x"));
  EXPECT_EQ(changes, 0);
}

TEST_F(PatchExecutorTest, NothingAfterAnEmptyLineAndNothingOfAnLfOnlyFile) {
  LoadWith({});
  RunText("md /a/one\r\n\r\nmd /a/two\r\n");
  EXPECT_TRUE(s.sim.HasDirectory("/a/one"));
  EXPECT_FALSE(s.sim.HasDirectory("/a/two"));
  s.sim.ClearReceived();
  RunText("md /a/three\nmd /a/four\n");
  EXPECT_THAT(s.sim.Received(), IsEmpty());
  EXPECT_FALSE(s.sim.HasDirectory("/a/three"));
}

TEST_F(PatchExecutorTest, AtSetsTheValueThatSaOpensTheFileWith) {
  s.sim.AddFile("/a/x", {'x'}, 0x20, 0x07);
  LoadWith({});
  RunText("at 5\r\nsa /a/x\r\n");
  EXPECT_THAT(SubCommands(), ElementsAre(kOpen, kClose));
  EXPECT_EQ(PathOf(0), "/a/x");
  EXPECT_EQ(WordOf(0), 5u);
  EXPECT_EQ(s.sim.File("/a/x")->attributes, 5);
  EXPECT_EQ(Entry("/a/x")->attributeField >> 8 & 0xFF, 5u);
  EXPECT_THAT(NewLines(), IsEmpty());
  EXPECT_EQ(changes, 1);

  // The value stays for later "sa" lines, and before any "at" it is 0.
  s.sim.AddFile("/a/y", {'y'}, 0x20, 0x07);
  s.sim.ClearReceived();
  PatchExecutor executor(files, s.log, progress, patchDir);
  executor.RunLine("sa /a/y");
  EXPECT_EQ(WordOf(0), 0u);
  executor.RunLine("at 35");
  executor.RunLine("sa /a/y");
  executor.RunLine("sa /a/x");
  EXPECT_EQ(WordOf(2), 35u);
  EXPECT_EQ(WordOf(4), 35u);
  EXPECT_EQ(executor.attributeValue, 35u);
}

TEST_F(PatchExecutorTest, RdAndRmLogDeletingFileAndThePath) {
  LoadWith({{"/a/dir/1.txt", Pattern(3)}, {"/a/dir/2.txt", Pattern(3)}, {"/a/f.txt", Pattern(3)}});
  RunText("rd /a/dir\r\nrm /a/f.txt\r\n");
  EXPECT_THAT(NewLines(), ElementsAre("Deleting file ", "/a/dir", "Deleting file ", "/a/f.txt"));
  EXPECT_THAT(SubCommands(), ElementsAre(kRemoveDir, kDelete));
  EXPECT_EQ(PathOf(0), "/a/dir");
  EXPECT_EQ(WordOf(0), 4u);
  EXPECT_EQ(PathOf(1), "/a/f.txt");
  EXPECT_FALSE(s.sim.File("/a/dir/1.txt"));
  EXPECT_FALSE(s.sim.File("/a/f.txt"));
  EXPECT_EQ(Entry("/a/dir/1.txt"), nullptr);
  EXPECT_EQ(Entry("/a/dir/2.txt"), nullptr);
  EXPECT_EQ(Entry("/a/f.txt"), nullptr);
  EXPECT_EQ(changes, 2);
}

TEST_F(PatchExecutorTest, MdCreatesTheDirectoryAndItsPlaceholder) {
  LoadWith({});
  RunText("md /a/mobile/skins\r\n");
  EXPECT_THAT(NewLines(), ElementsAre("/a/mobile/skins"));
  EXPECT_THAT(SubCommands(), ElementsAre(kMakeDir, kOpen, kWrite, kClose));
  EXPECT_EQ(WordOf(0), 4u);
  const std::string placeholder = "/a/mobile/skins/" + std::string(kPlaceholderName);
  const auto file = s.sim.File(placeholder);
  ASSERT_TRUE(file);
  EXPECT_EQ(file->contents, std::vector<uint8_t>{'5'});
  EXPECT_EQ(file->attributes, 4);
  ASSERT_NE(Entry(placeholder), nullptr);
  EXPECT_EQ(Entry(placeholder)->size, 1u);
  EXPECT_EQ(changes, 1);
}

TEST_F(PatchExecutorTest, ToAndMdThatTheHandsetCannotTakeSendNothing) {
  LoadWith({{"/a/mobile/skin.bin", Pattern(100, 9)}});
  s.sim.SetFreeSpace(2000);
  const uint8_t volumes[] = {0, '/', 0, 'a', 0xFF, 0xFE, 0, 0};
  ASSERT_EQ(s.handset.PhoneFreeSpace(volumes, sizeof volumes), 0);
  s.sim.ClearReceived();
  WriteAll(patchDir / "big.bin", Pattern(2500));
  const std::string longDirectory = "/a/" + std::string(250, 'm');
  RunText("cp big.bin\r\nto /a/mobile/skin.bin\r\nmd " + longDirectory + "\r\n");

  EXPECT_THAT(SubCommands(), ElementsAre());
  EXPECT_EQ(s.sim.File("/a/mobile/skin.bin")->contents, Pattern(100, 9));
  const std::vector<std::string> lines = NewLines();
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_THAT(lines[2], HasSubstr("2500 bytes, 2000 bytes free"));
  EXPECT_THAT(lines[4], HasSubstr("name too long for the handset"));
}

TEST_F(PatchExecutorTest, AToWithoutItsOwnCpUploadsNothingAndSaysSo) {
  LoadWith({});
  WriteAll(patchDir / "a.bin", Pattern(100));
  RunText("to /a/none.bin\r\ncp a.bin\r\nto /a/one.bin\r\nto /a/two.bin\r\n");
  EXPECT_FALSE(s.sim.File("/a/none.bin"));
  EXPECT_TRUE(s.sim.File("/a/one.bin"));
  EXPECT_FALSE(s.sim.File("/a/two.bin"));
  EXPECT_THAT(NewLines(), ElementsAre("Skipped, no cp line loaded a file for /a/none.bin",
                                      Shown(patchDir / "a.bin"), "/a/one.bin",
                                      "Skipped, no cp line loaded a file for /a/two.bin"));
  EXPECT_EQ(changes, 1);
}

TEST_F(PatchExecutorTest, CpStaysInsideThePatchFilesDirectory) {
  LoadWith({});
  WriteAll(root / "secret.bin", Pattern(10));
  WriteAll(patchDir / "sub" / "b.bin", Pattern(20));
  const char* refused[] = {
      "/etc/passwd",
      "\\secret.bin",
      "..\\secret.bin",
      "../secret.bin",
      "sub\\..\\..\\secret.bin",
      "c:\\secret.bin",
      "C:secret.bin",
      "sub\\..",
      ".",
      "",
  };
  for (const char* argument : refused) {
    s.log.AppendLog("--");
    s.sim.ClearReceived();
    RunText("cp " + std::string(argument) + "\r\nto /a/stolen.bin\r\n");
    EXPECT_THAT(NewLines(), ElementsAre("Refused, not a file in the patch file's directory: " +
                                        std::string(argument)))
        << argument;
    EXPECT_THAT(s.sim.Received(), IsEmpty()) << argument;
  }
  EXPECT_FALSE(s.sim.File("/a/stolen.bin"));

  // Backslashes are directory separators; ".." that stays inside is fine.
  s.log.AppendLog("--");
  RunText("cp sub\\b.bin\r\nto /a/b.bin\r\ncp sub\\..\\sub\\.\\b.bin\r\nto /a/c.bin\r\n");
  EXPECT_EQ(s.sim.File("/a/b.bin")->contents, Pattern(20));
  EXPECT_EQ(s.sim.File("/a/c.bin")->contents, Pattern(20));
  EXPECT_THAT(NewLines(), ElementsAre(Shown(patchDir / "sub" / "b.bin"), "/a/b.bin",
                                      Shown(patchDir / "sub" / "b.bin"), "/a/c.bin"));
}

TEST_F(PatchExecutorTest, ASymbolicLinkOutOfTheDirectoryIsRefused) {
  LoadWith({});
  WriteAll(root / "secret.bin", Pattern(10));
  std::error_code error;
  fs::create_symlink(root / "secret.bin", patchDir / "link.bin", error);
  if (error) {
    GTEST_SKIP() << "no symbolic links here: " << error.message();
  }
  fs::create_directory_symlink(root, patchDir / "up", error);
  RunText("cp link.bin\r\nto /a/stolen.bin\r\ncp up\\secret.bin\r\nto /a/stolen.bin\r\n");
  EXPECT_FALSE(s.sim.File("/a/stolen.bin"));
  EXPECT_THAT(NewLines(), ElementsAre(Shown(patchDir / "link.bin"),
                                      "Refused, leads out of the patch file's directory: " +
                                          Shown(patchDir / "link.bin"),
                                      Shown(patchDir / "up" / "secret.bin"),
                                      "Refused, leads out of the patch file's directory: " +
                                          Shown(patchDir / "up" / "secret.bin")));
  EXPECT_THAT(s.sim.Received(), IsEmpty());

  // A link that stays inside is followed.
  WriteAll(patchDir / "real.bin", Pattern(7));
  fs::create_symlink(patchDir / "real.bin", patchDir / "alias.bin");
  RunText("cp alias.bin\r\nto /a/alias.bin\r\n");
  EXPECT_EQ(s.sim.File("/a/alias.bin")->contents, Pattern(7));
}

TEST_F(PatchExecutorTest, ACpThatCannotBeReadMakesItsToLinesDoNothingUntilOneSucceeds) {
  LoadWith({});
  WriteAll(patchDir / "good.bin", Pattern(30));
  fs::create_directory(patchDir / "folder");
  RunText(
      "cp missing.bin\r\nto /a/m1.bin\r\nto /a/m2.bin\r\ncp folder\r\nto /a/f.bin\r\n"
      "cp good.bin\r\nto /a/good.bin\r\n");
  EXPECT_FALSE(s.sim.File("/a/m1.bin"));
  EXPECT_FALSE(s.sim.File("/a/m2.bin"));
  EXPECT_FALSE(s.sim.File("/a/f.bin"));
  EXPECT_EQ(s.sim.File("/a/good.bin")->contents, Pattern(30));
  const std::vector<std::string> lines = NewLines();
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0], Shown(patchDir / "missing.bin"));
  EXPECT_THAT(lines[1], ::testing::StartsWith("Skipped, cannot read " +
                                              Shown(patchDir / "missing.bin") + ": "));
  EXPECT_EQ(lines[2], Shown(patchDir / "folder"));
  EXPECT_THAT(lines[3],
              ::testing::StartsWith("Skipped, cannot read " + Shown(patchDir / "folder") + ": "));
  EXPECT_EQ(lines[4], Shown(patchDir / "good.bin"));
  EXPECT_EQ(lines[5], "/a/good.bin");
}

TEST_F(PatchExecutorTest, ABarePatchFileNameLooksInTheCurrentDirectory) {
  LoadWith({});
  WriteAll(patchDir / "here.bin", Pattern(12));
  const fs::path before = fs::current_path();
  fs::current_path(patchDir);
  RunText("cp here.bin\r\nto /a/here.bin\r\ncp ..\\x.bin\r\n", fs::path());
  fs::current_path(before);
  EXPECT_EQ(s.sim.File("/a/here.bin")->contents, Pattern(12));
  EXPECT_THAT(NewLines(),
              ElementsAre("here.bin", "/a/here.bin",
                          "Refused, not a file in the patch file's directory: ..\\x.bin"));
}

TEST_F(PatchExecutorTest, HandsetPathsAreTheFilesBytesUnchanged) {
  LoadWith({});
  WriteAll(patchDir / "a.bin", Pattern(5));
  RunText("cp a.bin\r\nto /a/caf\xE9.bin\r\nmd /a/d\xFC r\r\n");
  EXPECT_TRUE(s.sim.File("/a/caf\xE9.bin"));
  EXPECT_TRUE(s.sim.HasDirectory("/a/d\xFC r"));
  // Shown in the log as the program shows handset names.
  EXPECT_THAT(NewLines(), Contains("/a/caf\xC3\xA9.bin"));
  EXPECT_NE(Entry("/a/caf\xE9.bin"), nullptr);
}

TEST_F(PatchExecutorTest, AFailingLineDoesNotStopTheOnesAfterIt) {
  LoadWith({{"/a/f.txt", Pattern(3)}});
  WriteAll(patchDir / "a.bin", Pattern(50));
  s.sim.FailCommand(0x004A, kDelete, kGenericFailure);
  RunText("rm /a/f.txt\r\nmd /a/new\r\ncp a.bin\r\nto /a/a.bin\r\n");
  EXPECT_TRUE(s.sim.File("/a/f.txt"));
  EXPECT_NE(Entry("/a/f.txt"), nullptr);
  EXPECT_TRUE(s.sim.HasDirectory("/a/new"));
  EXPECT_TRUE(s.sim.File("/a/a.bin"));
  EXPECT_THAT(NewLines(), Contains("Delete failed: /a/f.txt"));
  EXPECT_EQ(changes, 3);
}

TEST_F(PatchExecutorTest, AFailedUploadIsLoggedAndNotListed) {
  LoadWith({});
  WriteAll(patchDir / "a.bin", Pattern(3000));
  s.sim.FailCommand(0x004A, kWrite, kGenericFailure);
  RunText("cp a.bin\r\nto /a/a.bin\r\n");
  EXPECT_EQ(Entry("/a/a.bin"), nullptr);
  EXPECT_THAT(NewLines(), Contains("Upload failed: /a/a.bin"));
  EXPECT_FALSE(s.sim.FileOpen());
}

TEST_F(PatchExecutorTest, HostilePatchFilesRunWithoutHarm) {
  LoadWith({{"/a/t.txt", Pattern(3)}});
  // A command with a path far longer than any packet: refused before it is sent.
  RunText("rm /a/" + std::string(1u << 20, 'x') + "\r\nmd /a/" + std::string(1u << 20, 'y') +
          "\r\nsa /a/" + std::string(5000, 'z') + "\r\nmd /a/after\r\n");
  EXPECT_TRUE(s.sim.HasDirectory("/a/after"));

  // 1 MiB of lines, a few of them commands.
  std::string many;
  for (int i = 0; many.size() < (1u << 20); ++i) {
    many += i % 5000 == 0 ? "sa /a/t.txt\r\n" : "at 7\r\nxx junk\r\n";
  }
  s.sim.ClearReceived();
  RunText(many);
  EXPECT_EQ(s.sim.File("/a/t.txt")->attributes, 7);
  EXPECT_FALSE(s.sim.Received().empty());

  // 1 MiB of bytes of every value.
  std::string noise(1u << 20, '\0');
  uint32_t state = 99;
  for (char& c : noise) {
    state = state * 1103515245u + 12345u;
    c = static_cast<char>(state >> 24);
  }
  noise[0] = 'x';
  RunText(noise);
  // No CR at all.
  RunText("md /a/never" + std::string(1u << 20, 'q'));
  EXPECT_FALSE(s.sim.HasDirectory("/a/never"));
  EXPECT_FALSE(s.sim.FileOpen());
}

// Only plain decimal digits up to 65535 are an attribute value. Anything else is refused with a
// line that shows it as written, and the "sa" lines after it send nothing until a valid "at".
TEST_F(PatchExecutorTest, AtTakesPlainDigitsUpTo65535AndRefusesTheRest) {
  s.sim.AddFile("/a/x", {'x'}, 0x20, 0x07);
  LoadWith({});
  for (const std::string_view value : {"5 ", "5\t", " 5", "65536", "4294967301",
                                       "99999999999999999999", "-1", "+5", "0x10", "", "5a"}) {
    s.sim.ClearReceived();
    s.log.AppendLog("--");
    RunText("at 3\r\nat " + std::string(value) + "\r\nsa /a/x\r\nsa /a/keep.txt\r\n");
    EXPECT_THAT(s.sim.Received(), IsEmpty()) << value;
    EXPECT_THAT(NewLines(),
                ElementsAre("Refused, not an attribute value: \"" + std::string(value) + "\""))
        << value;
    EXPECT_EQ(failed, 3) << value;
  }
  EXPECT_EQ(s.sim.File("/a/x")->attributes, 0x20);

  for (const auto& [value, word] : std::vector<std::pair<std::string, uint32_t>>{
           {"65535", 0xFFFF}, {"007", 7}, {"0", 0}, {"33", 33}}) {
    s.sim.ClearReceived();
    s.log.AppendLog("--");
    RunText("at x\r\nat " + value + "\r\nsa /a/x\r\n");
    ASSERT_THAT(SubCommands(), ElementsAre(kOpen, kClose)) << value;
    EXPECT_EQ(WordOf(0), word) << value;
    EXPECT_EQ(failed, 1) << value;  // the "at x"
  }
}

#ifndef _WIN32
// A FIFO beside the patch file would hold the run (and the program) until something writes to
// it: it is refused with a line, without waiting, and its "to" uploads nothing.
TEST_F(PatchExecutorTest, ACpOfAFifoIsRefusedWithoutWaiting) {
  LoadWith({});
  const fs::path fifo = patchDir / "pipe";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  auto run = std::async(std::launch::async, [this] { RunText("cp pipe\r\nto /a/p.bin\r\n"); });
  if (run.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
    // Let the blocked open go, so the test can end.
    const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    run.wait();
    ::close(writer);
    FAIL() << "the cp of a FIFO waited";
  }
  EXPECT_FALSE(s.sim.File("/a/p.bin"));
  EXPECT_THAT(NewLines(), ElementsAre(Shown(fifo), "Refused, not a regular file: " + Shown(fifo)));
  EXPECT_EQ(failed, 2);
}
#endif

// Each line that could not do its work is counted, whatever the reason; a run without failures
// counts none.
TEST_F(PatchExecutorTest, FailedLinesAreCounted) {
  LoadWith({{"/a/f.txt", Pattern(3)}});
  WriteAll(patchDir / "a.bin", Pattern(50));
  RunText("md /a/ok\r\ncp a.bin\r\nto /a/a.bin\r\nat 1\r\nsa /a/a.bin\r\nrm /a/f.txt\r\n");
  EXPECT_EQ(failed, 0);
  EXPECT_FALSE(stopped);

  s.sim.FailCommand(0x004A, kDelete, kGenericFailure);
  RunText(
      "rm /a/keep.txt\r\n"  // the handset refuses it
      "cp missing.bin\r\n"  // cannot be read
      "to /a/m.bin\r\n"     // its "cp" failed
      "to /a/n.bin\r\n"     // no "cp" at all (still the failed one)
      "cp a.bin\r\n"        // fine
      "to /a/b.bin\r\n"     // fine
      "to /a/c.bin\r\n"     // its data went with the last "to"
      "at 70000\r\n"        // too large
      "sa /a/b.bin\r\n"     // after a refused "at"
      "md /a/fine\r\n");    // fine
  EXPECT_EQ(failed, 7);
  EXPECT_FALSE(stopped);
  EXPECT_TRUE(s.sim.HasDirectory("/a/fine"));
}

// Cancel in the wait dialog of a "to" stops the whole run: the lines after it are not run, the
// removals included.
TEST_F(PatchExecutorTest, CancelDuringAnUploadStopsTheRun) {
  LoadWith({{"/a/f.txt", Pattern(3)}});
  WriteAll(patchDir / "a.bin", Pattern(5000));
  WriteAll(patchDir / "b.bin", Pattern(10));
  CancelAtFirstBlock cancel(signal);
  PatchExecutor executor(files, s.log, cancel, patchDir);
  executor.Run(SplitPatchLines(
      "cp a.bin\r\nto /a/a.bin\r\nrm /a/f.txt\r\nrd /a/audio\r\ncp b.bin\r\nto /a/b.bin\r\n"
      "md /a/later\r\n"));
  EXPECT_TRUE(executor.stopped());
  EXPECT_EQ(executor.failedLines(), 1);
  EXPECT_FALSE(s.sim.File("/a/a.bin"));
  EXPECT_TRUE(s.sim.File("/a/f.txt"));
  EXPECT_FALSE(s.sim.File("/a/b.bin"));
  EXPECT_FALSE(s.sim.HasDirectory("/a/later"));
  EXPECT_EQ(NewLines().back(), "Cancelled: /a/a.bin");
  // A stopped run stays stopped for lines given one at a time too.
  const std::size_t sent = s.sim.Received().size();
  executor.RunLine("md /a/one");
  EXPECT_EQ(s.sim.Received().size(), sent);
}

TEST(PatchLocalFileTest, NamesInsideTheDirectoryOnly) {
  const fs::path dir = "/skins/blue";
  const struct {
    std::string_view argument;
    std::optional<fs::path> file;
  } cases[] = {
      {"a.bin", dir / "a.bin"},
      {"sub\\a.bin", dir / "sub" / "a.bin"},
      {"sub/a.bin", dir / "sub" / "a.bin"},
      {"sub\\\\.\\a.bin", dir / "sub" / "a.bin"},
      {"sub\\..\\a.bin", dir / "a.bin"},
      {"a b.bin", dir / "a b.bin"},
      {"caf\xE9.bin", dir / "caf\xE9.bin"},
      {"..\\a.bin", std::nullopt},
      {"sub\\..\\..\\a.bin", std::nullopt},
      {"\\a.bin", std::nullopt},
      {"/a.bin", std::nullopt},
      {"c:\\a.bin", std::nullopt},
      {"Z:a.bin", std::nullopt},
      {"", std::nullopt},
      {".", std::nullopt},
      {"sub\\..", std::nullopt},
      {"\\\\server\\share\\a.bin", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PatchLocalFile(dir, c.argument), c.file) << c.argument;
  }
}

}  // namespace
}  // namespace tollhaven
