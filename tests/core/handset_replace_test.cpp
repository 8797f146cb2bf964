// Uploads over files that are on the handset: nothing of the old file stays behind the new one,
// a new file that does not arrive whole takes nothing with it and leaves nothing of itself.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "handset/handset_files.h"
#include "handset/patch_executor.h"
#include "handset_files_fixture.h"
#include "support/patch_file.h"

namespace tollhaven {
namespace {

using ::testing::Contains;
using ::testing::IsEmpty;
using testing::Pattern;
using testing::WriteAll;

constexpr int kRead = 0x01, kWrite = 0x02, kDelete = 0x05;
constexpr uint8_t kGenericFailure = 7;

// Stops a list load at its first entry, as the wait dialog's Cancel does.
struct CancelAtFirstStep : ProgressSink {
  explicit CancelAtFirstStep(WorkerSignal& signal) : signal_(signal) {}
  void SetRange(int, int) override {}
  void SetStep(int) override {}
  void SetPosition(int) override {}
  void StepIt() override { signal_.RequestCancel(); }
  WorkerSignal& signal_;
};

class Replace : public testing::HandsetFilesFixture {
 protected:
  Replace() { std::filesystem::create_directories(local); }
  std::vector<std::string> Lines() const { return NewLines(); }
  std::filesystem::path local = root / "local";
};

// The ways the cached list ends up unable to say that a file is not on the handset.
enum class Doubt { FailedCommand, CancelledLoad, FileLimit, PatchRun, CutShort };

class UnprovenAbsence : public Replace, public ::testing::WithParamInterface<Doubt> {};

TEST_P(UnprovenAbsence, AnUploadOverTheFileLeavesExactlyTheNewBytes) {
  // Four small files listed before the one replaced, one per chunk, so a limit or a cut leaves
  // it out of the list.
  for (const char* name : {"/a/aa1", "/a/aa2", "/a/aa3", "/a/aa4"}) {
    s.sim.AddFile(name, {1});
  }
  s.sim.AddFile("/a/zz.bin", Pattern(5000, 9), 0x21);
  s.sim.SetEntriesPerChunk(1);
  WriteAll(local / "zz.bin", Pattern(1000, 3));
  switch (GetParam()) {
    case Doubt::FailedCommand:
      // A failed command in a selection leaves the list marked not loaded.
      Load();
      s.sim.FailNthCommand(1, kGenericFailure);
      EXPECT_EQ(files.Delete("/a/aa1", false), FileOutcome::Failed);
      break;
    case Doubt::CancelledLoad: {
      CancelAtFirstStep cancel(signal);
      Load(cancel);
      signal.ClearCancel();
      break;
    }
    case Doubt::FileLimit:
    case Doubt::PatchRun:
      // The user's limit, or the patch run's own limit of 3.
      settings.fileLimit = GetParam() == Doubt::PatchRun ? 3 : 2;
      Load();
      break;
    case Doubt::CutShort:
      // The count and two chunks arrive; the handset then ends the listing early.
      s.sim.FailNthCommand(4, kGenericFailure);
      Load();
      break;
  }
  ASSERT_FALSE(list.Complete());

  if (GetParam() == Doubt::PatchRun) {
    testing::RecordingProgress progress;
    WriteAll(root / "patch" / "skin.bin", Pattern(1000, 3));
    PatchExecutor executor(files, s.log, progress, root / "patch");
    executor.Run(SplitPatchLines("cp skin.bin\r\nto /a/zz.bin\r\n"));
  } else {
    EXPECT_EQ(files.Upload(local / "zz.bin", "/a/"), FileOutcome::Done);
  }
  ASSERT_TRUE(s.sim.File("/a/zz.bin"));
  EXPECT_EQ(s.sim.File("/a/zz.bin")->contents, Pattern(1000, 3));
}

INSTANTIATE_TEST_SUITE_P(Situations, UnprovenAbsence,
                         ::testing::Values(Doubt::FailedCommand, Doubt::CancelledLoad,
                                           Doubt::FileLimit, Doubt::PatchRun, Doubt::CutShort));

TEST_F(Replace, ANewFileUnderADoubtfulListTakesTheDeclinedDeleteAsNothingToDelete) {
  settings.fileLimit = 0;
  s.sim.AddFile("/a/one", {1});
  s.sim.AddFile("/a/two", {2});
  Load();
  ASSERT_FALSE(list.Complete());
  s.log.AppendLog("--");
  s.sim.ClearReceived();
  WriteAll(local / "new.bin", Pattern(1500, 4));
  EXPECT_EQ(files.Upload(local / "new.bin", "/a/"), FileOutcome::Done);
  EXPECT_EQ(SubCommands().front(), kDelete);
  EXPECT_EQ(s.sim.File("/a/new.bin")->contents, Pattern(1500, 4));
  EXPECT_EQ(files.lastUpload().result, UploadResult::Done);
  EXPECT_FALSE(files.lastUpload().replacedUnkept);
  EXPECT_THAT(Lines(), IsEmpty());
}

TEST_F(Replace, AFailedUploadOverAListedFilePutsTheOldOneBackWithItsWord) {
  const std::vector<uint8_t> old = Pattern(3000, 9);
  LoadWith({{"/a/ring.mp3", old}});  // word 0x21, owner 0x16
  WriteAll(local / "ring.mp3", Pattern(5000, 3));
  s.sim.FailCommand(0x004A, kWrite, kGenericFailure, 1);
  EXPECT_EQ(files.Upload(local / "ring.mp3", "/a/"), FileOutcome::Failed);
  EXPECT_EQ(files.lastUpload().result, UploadResult::OldFileKept);
  EXPECT_FALSE(files.lastUpload().cancelled);
  ASSERT_TRUE(s.sim.File("/a/ring.mp3"));
  EXPECT_EQ(s.sim.File("/a/ring.mp3")->contents, old);
  EXPECT_EQ(s.sim.File("/a/ring.mp3")->attributes, 0x21);
  ASSERT_NE(Entry("/a/ring.mp3"), nullptr);
  EXPECT_EQ(Entry("/a/ring.mp3")->size, old.size());
  EXPECT_EQ(Entry("/a/ring.mp3")->AttributeWord(), 0x21);
  EXPECT_EQ(list.fileListLoaded, 1);
  EXPECT_THAT(Lines(), Contains("Upload failed, the old file was kept: /a/ring.mp3"));
}

TEST_F(Replace, AHandsetGoneHalfwaySaysTheOldFileIsLost) {
  LoadWith({{"/a/ring.mp3", Pattern(3000, 9)}});
  WriteAll(local / "ring.mp3", Pattern(5000, 3));
  // Three transfers a command: the old file's open, seek, three reads and close, the delete,
  // then the new file's open and one block; then the handset is unplugged.
  s.sim.DisconnectAfter((6 + 1 + 2) * 3);
  EXPECT_EQ(files.Upload(local / "ring.mp3", "/a/"), FileOutcome::Failed);
  EXPECT_EQ(files.lastUpload().result, UploadResult::OldFileLost);
  EXPECT_TRUE(files.lastUpload().handsetGone);
  EXPECT_EQ(list.fileListLoaded, 0);
  EXPECT_THAT(Lines(), Contains("Upload failed, the old file is lost: /a/ring.mp3"));
}

TEST_F(Replace, AnOldFileThatCannotBeReadIsAskedAboutOrReplacedWithALine) {
  // The "copying not allowed" bit, and a read the handset refuses.
  s.sim.AddFile("/a/nocopy.bin", Pattern(2000, 5), 0x40);
  LoadWith({{"/a/refused.bin", Pattern(2000, 6)}});
  WriteAll(local / "nocopy.bin", Pattern(100, 1));
  WriteAll(local / "refused.bin", Pattern(100, 2));

  std::vector<std::string> asked;
  files.askReplaceUnkept = [&](std::string_view path) {
    asked.emplace_back(path);
    return false;
  };
  EXPECT_EQ(files.Upload(local / "nocopy.bin", "/a/"), FileOutcome::Skipped);
  EXPECT_EQ(files.lastUpload().result, UploadResult::NotReplaced);
  EXPECT_EQ(s.sim.File("/a/nocopy.bin")->contents, Pattern(2000, 5));
  EXPECT_THAT(SubCommands(), IsEmpty());  // the bit alone says it cannot be read
  s.sim.FailCommand(0x004A, kRead, kGenericFailure, 1);
  EXPECT_EQ(files.Upload(local / "refused.bin", "/a/"), FileOutcome::Skipped);
  EXPECT_EQ(s.sim.File("/a/refused.bin")->contents, Pattern(2000, 6));
  EXPECT_EQ(asked, (std::vector<std::string>{"/a/nocopy.bin", "/a/refused.bin"}));

  // Without a question (the command-line tool, the mount) it goes on, and says so.
  files.askReplaceUnkept = nullptr;
  EXPECT_EQ(files.Upload(local / "nocopy.bin", "/a/"), FileOutcome::Done);
  EXPECT_TRUE(files.lastUpload().replacedUnkept);
  EXPECT_EQ(s.sim.File("/a/nocopy.bin")->contents, Pattern(100, 1));
  EXPECT_THAT(Lines(), Contains("The old file cannot be read and is not kept: /a/nocopy.bin"));
  s.sim.FailCommand(0x004A, kRead, kGenericFailure, 1);
  s.sim.FailCommand(0x004A, kWrite, kGenericFailure, 1);
  EXPECT_EQ(files.Upload(local / "refused.bin", "/a/"), FileOutcome::Failed);
  EXPECT_EQ(files.lastUpload().result, UploadResult::OldFileLost);
  EXPECT_FALSE(s.sim.File("/a/refused.bin"));
  EXPECT_THAT(Lines(), Contains("Upload failed, the old file could not be kept: /a/refused.bin"));
}

TEST_F(Replace, AFailedNewFileOrFolderLeavesNothingListedOrOnTheHandset) {
  LoadWith({});
  WriteAll(local / "new.bin", Pattern(3000));
  s.sim.FailCommand(0x004A, kWrite, kGenericFailure, 1);
  EXPECT_EQ(files.Upload(local / "new.bin", "/a/"), FileOutcome::Failed);
  EXPECT_EQ(files.lastUpload().result, UploadResult::Failed);
  EXPECT_FALSE(files.lastUpload().partialLeft);
  EXPECT_FALSE(s.sim.File("/a/new.bin"));
  EXPECT_EQ(Entry("/a/new.bin"), nullptr);
  EXPECT_TRUE(list.Complete());  // the handset is as the list says

  s.sim.FailCommand(0x004A, kWrite, kGenericFailure, 1);
  EXPECT_EQ(files.MakeDirectory("/a/folder"), FileOutcome::Failed);
  EXPECT_FALSE(s.sim.HasDirectory("/a/folder"));
  EXPECT_TRUE(s.sim.FilePaths().size() == 1);  // /a/keep.txt
  EXPECT_TRUE(list.Complete());
}

}  // namespace
}  // namespace tollhaven
