// Cancel at every stage of a list load, a download and an upload. The cancel is requested from
// the progress bar at a chosen step, on the worker's own thread, so where it lands is exact.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "handset_files_fixture.h"

namespace tollhaven::testing {
namespace {

constexpr int kReadSubCommand = 0x01;
constexpr int kWriteSubCommand = 0x02;
constexpr int kCloseSubCommand = 0x04;
constexpr int kListSubCommand = 0x08;

// Asks the worker to stop at the n-th StepIt (0: at SetRange, before the first block or chunk).
struct CancellingProgress : ProgressSink {
  CancellingProgress(WorkerSignal& signal, int atStep) : signal_(signal), atStep_(atStep) {}
  void SetRange(int, int) override {
    if (atStep_ == 0) {
      signal_.RequestCancel();
    }
  }
  void SetStep(int) override {}
  void SetPosition(int) override {}
  void StepIt() override {
    if (++steps_ == atStep_) {
      signal_.RequestCancel();
    }
  }

 private:
  WorkerSignal& signal_;
  int atStep_;
  int steps_ = 0;
};

class Cancel : public HandsetFilesFixture, public ::testing::WithParamInterface<int> {
 protected:
  int Count(int subCommand) const {
    const std::vector<int> sent = SubCommands();
    return static_cast<int>(std::count(sent.begin(), sent.end(), subCommand));
  }
  bool Logged(const std::string& line) const {
    const std::vector<std::string> lines = NewLines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
  std::vector<std::filesystem::path> LocalFiles() const {
    return {std::filesystem::directory_iterator(root), std::filesystem::directory_iterator()};
  }
  std::string ReadLocal(const std::filesystem::path& file) const {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
};

// Three full blocks and a remainder: four reads, four writes.
const std::vector<uint8_t> kContents = Pattern(3 * kFileBlockSize + 500);

// ---- List load: five files, one per chunk, one progress step per entry ----

using CancelLoad = Cancel;

TEST_P(CancelLoad, StopsBeforeTheNextChunkAndKeepsNoList) {
  const int atStep = GetParam();
  for (int i = 0; i < 5; ++i) {
    s.sim.AddFile("/a/f" + std::to_string(i), {1});
  }
  s.sim.ClearReceived();
  s.log.AppendLog("--");
  CancellingProgress progress(signal, atStep);
  Load(progress);

  EXPECT_FALSE(signal.Succeeded());
  EXPECT_EQ(list.fileListLoaded, 0);
  EXPECT_EQ(list.fileCount, 0u);
  EXPECT_EQ(list.fileListSize(), 0u);
  // The chunk under way when the cancel came is the last one asked for.
  EXPECT_EQ(Count(kListSubCommand), atStep);
  EXPECT_TRUE(Logged("File list load cancelled.")) << ::testing::PrintToString(NewLines());
}

INSTANTIATE_TEST_SUITE_P(AtEveryChunk, CancelLoad, ::testing::Values(0, 1, 2, 3, 4, 5));

TEST_F(Cancel, LoadCancelledBeforeItStartsAsksNothing) {
  s.sim.AddFile("/a/f", {1});
  s.sim.ClearReceived();
  s.log.AppendLog("--");
  signal.RequestCancel();
  Load();

  EXPECT_FALSE(signal.Succeeded());
  EXPECT_EQ(list.fileListLoaded, 0);
  EXPECT_TRUE(s.sim.Received().empty());
  EXPECT_TRUE(Logged("File list load cancelled."));
}

// ---- Download: cancel at SetRange (0) or after read n (1..3) ----

using CancelDownload = Cancel;

TEST_P(CancelDownload, LeavesNoFileAndTheLocalOneAsItWas) {
  const int atStep = GetParam();
  LoadWith({{"/a/x.bin", kContents}});
  WriteAll(root / "x.bin", {'o', 'l', 'd'});
  CancellingProgress progress(signal, atStep);
  HandsetFiles cancelling = FilesWith(progress);
  const FileOutcome outcome =
      cancelling.Download("/a/", {"x.bin", false, 3 * kFileBlockSize + 500, 0x21}, root);

  EXPECT_EQ(outcome, FileOutcome::Failed);
  EXPECT_TRUE(cancelling.lastCancelled());
  EXPECT_EQ(ReadLocal(root / "x.bin"), "old");
  EXPECT_EQ(LocalFiles(), std::vector<std::filesystem::path>{root / "x.bin"});
  EXPECT_EQ(Count(kReadSubCommand), atStep);
  EXPECT_EQ(SubCommands().back(), kCloseSubCommand);
  EXPECT_FALSE(s.sim.FileOpen());
  EXPECT_TRUE(Logged("Cancelled: /a/x.bin")) << ::testing::PrintToString(NewLines());
}

INSTANTIATE_TEST_SUITE_P(AtEveryBlock, CancelDownload, ::testing::Values(0, 1, 2, 3));

// A cancel during the last read comes too late: the whole file has arrived and is kept.
TEST_F(Cancel, DownloadCancelledDuringItsLastBlockIsKept) {
  LoadWith({{"/a/x.bin", kContents}});
  CancellingProgress progress(signal, 4);
  HandsetFiles cancelling = FilesWith(progress);
  const FileOutcome outcome =
      cancelling.Download("/a/", {"x.bin", false, 3 * kFileBlockSize + 500, 0x21}, root);

  EXPECT_EQ(outcome, FileOutcome::Done);
  EXPECT_FALSE(cancelling.lastCancelled());
  EXPECT_EQ(ReadLocal(root / "x.bin"), std::string(kContents.begin(), kContents.end()));
}

// ---- Upload: the n-th step comes before block n, so n-1 blocks go out ----

using CancelUpload = Cancel;

TEST_P(CancelUpload, RemovesThePartialFileAndAddsNoRow) {
  const int atStep = GetParam();
  LoadWith({});
  WriteAll(root / "up.bin", kContents);
  CancellingProgress progress(signal, atStep);
  HandsetFiles cancelling = FilesWith(progress);
  const FileOutcome outcome = cancelling.Upload(root / "up.bin", "/a/");

  EXPECT_EQ(outcome, FileOutcome::Failed);
  EXPECT_TRUE(cancelling.lastCancelled());
  EXPECT_TRUE(cancelling.lastUpload().cancelled);
  EXPECT_EQ(cancelling.lastUpload().result, UploadResult::Failed);
  EXPECT_EQ(Count(kWriteSubCommand), std::max(atStep - 1, 0));
  EXPECT_FALSE(s.sim.File("/a/up.bin").has_value());
  EXPECT_FALSE(s.sim.FileOpen());
  EXPECT_EQ(Entry("/a/up.bin"), nullptr);
  EXPECT_EQ(list.fileListLoaded, 1);
  EXPECT_NE(Entry("/a/keep.txt"), nullptr);
  EXPECT_TRUE(Logged("Cancelled: /a/up.bin")) << ::testing::PrintToString(NewLines());
}

// Over a listed file, the old one is read first (one step per block too): a cancel while it is
// read changes nothing, a cancel after it puts the old file back in place of the partial one.
TEST_P(CancelUpload, OverAListedFilePutsTheOldOneBack) {
  const int atStep = GetParam();
  const std::vector<uint8_t> old = Pattern(kFileBlockSize + 10, 40);  // two steps to read
  LoadWith({{"/a/up.bin", old}});
  WriteAll(root / "up.bin", kContents);
  CancellingProgress progress(signal, atStep);
  HandsetFiles cancelling = FilesWith(progress);
  const FileOutcome outcome = cancelling.Upload(root / "up.bin", "/a/");

  EXPECT_EQ(outcome, FileOutcome::Failed);
  EXPECT_TRUE(cancelling.lastUpload().cancelled);
  ASSERT_TRUE(s.sim.File("/a/up.bin").has_value());
  EXPECT_EQ(s.sim.File("/a/up.bin")->contents, old);
  EXPECT_EQ(s.sim.File("/a/up.bin")->attributes, 0x21);
  EXPECT_FALSE(s.sim.FileOpen());
  ASSERT_NE(Entry("/a/up.bin"), nullptr);
  EXPECT_EQ(Entry("/a/up.bin")->size, old.size());
  EXPECT_EQ(list.fileListLoaded, 1);
  const bool duringTheRead = atStep <= 2;
  EXPECT_EQ(cancelling.lastUpload().result,
            duringTheRead ? UploadResult::NotReplaced : UploadResult::OldFileKept);
  EXPECT_TRUE(Logged(duringTheRead ? "Cancelled: /a/up.bin"
                                   : "Cancelled, the old file was kept: /a/up.bin"))
      << ::testing::PrintToString(NewLines());
}

INSTANTIATE_TEST_SUITE_P(AtEveryBlock, CancelUpload, ::testing::Values(0, 1, 2, 3, 4));

// A partial file the handset will not delete is reported, and the list is fetched afresh.
TEST_F(Cancel, UploadWhosePartialFileStaysMarksTheListNotLoaded) {
  LoadWith({});
  WriteAll(root / "up.bin", kContents);
  s.sim.FailCommand(kFileSystemOpcode, kDeleteSubCommand, 0x01);
  CancellingProgress progress(signal, 2);
  EXPECT_EQ(FilesWith(progress).Upload(root / "up.bin", "/a/"), FileOutcome::Failed);

  EXPECT_TRUE(s.sim.File("/a/up.bin").has_value());
  EXPECT_EQ(list.fileListLoaded, 0);
  EXPECT_TRUE(Logged("Cancelled, the partial file could not be removed: /a/up.bin"));
}

// A cancel left over from an earlier job does not stop the next one.
TEST_F(Cancel, AnEarlierCancelIsForgottenByTheNextTransfer) {
  LoadWith({{"/a/x.bin", kContents}});
  signal.RequestCancel();
  EXPECT_EQ(files.Download("/a/", {"x.bin", false, 3 * kFileBlockSize + 500, 0x21}, root),
            FileOutcome::Done);
  EXPECT_FALSE(files.lastCancelled());
}

// Every operation starts clear of the cancel before it, one that skips its file before any
// transfer too: a walk over a selection would otherwise stop at its first folder.
TEST_F(Cancel, EveryOperationForgetsTheCancelBeforeIt) {
  LoadWith({{"/a/x.bin", {1}}});
  WriteAll(root / "up.bin", kContents);
  std::filesystem::create_directories(root / "folder");
  const std::filesystem::path cjk = root / "\xE4\xB8\xAD.txt";  // no 8-bit handset name for it
  WriteAll(cjk, {1});
  using Operation = std::function<FileOutcome(HandsetFiles&)>;
  const std::vector<std::pair<const char*, Operation>> operations{
      {"upload of a folder", [&](HandsetFiles& f) { return f.Upload(root / "folder", "/a/"); }},
      {"upload of a name the handset cannot hold",
       [&](HandsetFiles& f) { return f.Upload(cjk, "/a/"); }},
      {"delete", [](HandsetFiles& f) { return f.Delete("/a/x.bin", false); }},
      {"new folder", [](HandsetFiles& f) { return f.MakeDirectory("/a/new"); }},
      {"attributes", [](HandsetFiles& f) { return f.SetAttributes("/a/keep.txt", 0x21); }},
  };
  for (const auto& [name, operation] : operations) {
    CancellingProgress progress(signal, 1);
    HandsetFiles cancelling = FilesWith(progress);
    ASSERT_EQ(cancelling.Upload(root / "up.bin", "/a/"), FileOutcome::Failed);
    ASSERT_TRUE(cancelling.lastCancelled());
    operation(cancelling);
    EXPECT_FALSE(cancelling.lastCancelled()) << name;
  }
}

}  // namespace
}  // namespace tollhaven::testing
