#include "handset/transfer_workers.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <numeric>
#include <thread>
#include <vector>

#include "simulated_link.h"

namespace tollhaven {
namespace {

using ::testing::ElementsAre;
using testing::SimulatedLink;

constexpr int kOpen = 0x00, kRead = 0x01, kWrite = 0x02, kSeek = 0x03, kClose = 0x04;
constexpr uint8_t kGenericFailure = 7;

std::vector<uint8_t> Bytes(std::size_t count) {
  std::vector<uint8_t> bytes(count);
  std::iota(bytes.begin(), bytes.end(), uint8_t{1});
  return bytes;
}

class TransferWorkers : public ::testing::Test {
 protected:
  // Runs a worker on its own thread, as the transfers do, and waits for it.
  template <typename Worker>
  void Run(Worker worker) {
    std::thread thread([&] { worker(s.handset, job, signal, s.progress); });
    thread.join();
    ASSERT_TRUE(signal.Done());
  }
  std::vector<int> SubCommands() const {
    std::vector<int> result;
    for (const auto& command : s.sim.Received()) {
      result.push_back(command.subCommand());
    }
    return result;
  }
  void PrepareDownload(const std::vector<uint8_t>& contents, uint16_t attributes = 0x21) {
    s.sim.AddFile("/a/in.bin", contents, attributes, 0x16);
    job.transferPath = "/a/in.bin";
    job.transferAttr = attributes;
    job.downloadSize = static_cast<uint32_t>(contents.size());
    job.transferBuffer.assign(contents.size() + 10, 0);
  }
  void PrepareUpload(std::vector<uint8_t> contents) {
    job.transferPath = "/a/out.bin";
    job.uploadSize = static_cast<uint32_t>(contents.size());
    contents.push_back(0);  // the extra byte the local read leaves
    job.transferBuffer = std::move(contents);
  }

  SimulatedLink s;
  TransferJob job;
  WorkerSignal signal;
};

TEST_F(TransferWorkers, DownloadReadsTheFileInBlocksAndStepsOncePerBlock) {
  const std::vector<uint8_t> contents = Bytes(2500);
  PrepareDownload(contents);
  Run(DownloadWorker);
  EXPECT_TRUE(signal.Succeeded());
  EXPECT_THAT(SubCommands(), ElementsAre(kOpen, kSeek, kRead, kRead, kRead, kClose));
  EXPECT_EQ(s.progress.rangeLow, 0);
  EXPECT_EQ(s.progress.rangeHigh, 3);
  EXPECT_EQ(s.progress.step, 1);
  EXPECT_EQ(s.progress.position, 0);
  EXPECT_EQ(s.progress.steps, 3);
  EXPECT_TRUE(std::equal(contents.begin(), contents.end(), job.transferBuffer.begin()));
  // The file is opened with its own word, so its attributes stay as they were.
  const auto open = s.sim.Received().front().payload;
  EXPECT_THAT(std::vector<uint8_t>(open.begin() + 4, open.begin() + 8),
              ElementsAre(0x00, 0x00, 0x00, 0x21));
  EXPECT_EQ(s.sim.File("/a/in.bin")->attributes, 0x21);
  EXPECT_FALSE(s.sim.FileOpen());
}

TEST_F(TransferWorkers, DownloadOfAnEmptyFileSendsNoReadAndSucceeds) {
  PrepareDownload({});
  Run(DownloadWorker);
  EXPECT_TRUE(signal.Succeeded());
  EXPECT_THAT(SubCommands(), ElementsAre(kOpen, kSeek, kClose));
  EXPECT_EQ(s.progress.rangeHigh, 1);
  EXPECT_FALSE(s.sim.FileOpen());
}

TEST_F(TransferWorkers, UploadWritesTheBufferWithWordFourAndCloses) {
  const std::vector<uint8_t> contents = Bytes(3000);
  PrepareUpload(contents);
  Run(UploadWorker);
  EXPECT_TRUE(signal.Succeeded());
  EXPECT_THAT(SubCommands(), ElementsAre(kOpen, kWrite, kWrite, kWrite, kClose));
  EXPECT_EQ(s.progress.rangeHigh, 4);
  EXPECT_EQ(s.progress.steps, 3);
  const auto file = s.sim.File("/a/out.bin");
  ASSERT_TRUE(file);
  EXPECT_EQ(file->contents, contents);
  EXPECT_EQ(file->attributes, kUploadAttributeWord);
}

TEST_F(TransferWorkers, UploadOfAnEmptyBufferSendsOpenAndCloseOnly) {
  PrepareUpload({});
  Run(UploadWorker);
  EXPECT_TRUE(signal.Succeeded());
  EXPECT_THAT(SubCommands(), ElementsAre(kOpen, kClose));
  EXPECT_EQ(s.progress.rangeHigh, 1);
  ASSERT_TRUE(s.sim.File("/a/out.bin"));
  EXPECT_TRUE(s.sim.File("/a/out.bin")->contents.empty());
}

// A failing command never stops a worker: the rest still runs, the file is closed, the worker
// reports done, and the outcome tells the caller that something failed.
TEST_F(TransferWorkers, EveryCommandRunsAfterAFailureAndTheOutcomeTellsIt) {
  struct Case {
    const char* what;
    bool download;
    int failing;
    std::vector<int> commands;
  };
  // Without an open file the handset refuses the first read or write block.
  const Case cases[] = {
      {"download, open fails", true, kOpen, {kOpen, kSeek, kRead, kClose}},
      {"download, seek fails", true, kSeek, {kOpen, kSeek, kRead, kRead, kClose}},
      {"download, read fails", true, kRead, {kOpen, kSeek, kRead, kClose}},
      {"download, close fails", true, kClose, {kOpen, kSeek, kRead, kRead, kClose}},
      {"upload, open fails", false, kOpen, {kOpen, kWrite, kClose}},
      {"upload, write fails", false, kWrite, {kOpen, kWrite, kClose}},
      {"upload, close fails", false, kClose, {kOpen, kWrite, kWrite, kClose}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SimulatedLink link;
    TransferJob work;
    WorkerSignal done;
    link.sim.AddFile("/a/f", Bytes(1500));
    work.transferPath = "/a/f";
    work.downloadSize = work.uploadSize = 1500;
    work.transferBuffer = Bytes(1510);
    link.sim.FailCommand(0x004A, c.failing, kGenericFailure, 1);
    std::thread thread([&] {
      if (c.download) {
        DownloadWorker(link.handset, work, done);
      } else {
        UploadWorker(link.handset, work, done);
      }
    });
    thread.join();
    EXPECT_TRUE(done.Done());
    EXPECT_FALSE(done.Succeeded());
    std::vector<int> commands;
    for (const auto& command : link.sim.Received()) {
      commands.push_back(command.subCommand());
    }
    EXPECT_EQ(commands, c.commands);
    EXPECT_THAT(link.Lines(), ::testing::Contains("GENERIC FAILURE."));
  }
}

TEST_F(TransferWorkers, BufferTooSmallForTheSizeIsAFailedTransferNotAnOverrun) {
  PrepareDownload(Bytes(3000));
  job.transferBuffer.assign(100, 0);
  Run(DownloadWorker);
  EXPECT_FALSE(signal.Succeeded());
  EXPECT_THAT(SubCommands(), ElementsAre(kOpen, kSeek, kClose));

  s.sim.ClearReceived();
  PrepareUpload(Bytes(10));
  job.uploadSize = 5000;
  Run(UploadWorker);
  EXPECT_FALSE(signal.Succeeded());
  EXPECT_THAT(SubCommands(), ElementsAre(kOpen, kClose));
}

TEST_F(TransferWorkers, UnansweredOpenTimesOutOnTheClockAndTheWorkerStillFinishes) {
  signal.Finish(0);  // a previous worker's success must not show through
  PrepareUpload(Bytes(10));
  s.sim.DropNextAnswer();  // the open gets no answer: the worker waits on the clock
  Run(UploadWorker);
  EXPECT_FALSE(signal.Succeeded());
  EXPECT_THAT(s.Lines(), ::testing::Contains("CMD: Answer wait timeout!"));
  EXPECT_THAT(SubCommands(), ElementsAre(kOpen, kWrite, kClose));
}

}  // namespace
}  // namespace tollhaven
