#include "support/event_log.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

namespace tollhaven {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::string ReadFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

TEST(EventLog, AppendSelectsTheNewLineAndMutingSilencesBothWriters) {
  EventLog log;
  log.AppendLog("one");
  log.AppendLog("two");
  EXPECT_THAT(log.Lines(), ElementsAre("one", "two"));
  EXPECT_EQ(log.Selection(), 1);

  log.logMuted = 1;
  log.AppendLog("muted");
  log.ReplaceLogLine("muted too");
  EXPECT_THAT(log.Lines(), ElementsAre("one", "two"));
  EXPECT_EQ(log.Selection(), 1);
}

TEST(EventLog, ReplaceLogLineDeletesTheSelectedLineAndInsertsAtTheEnd) {
  EventLog log;
  log.ReplaceLogLine("first");  // nothing selected: added at the end and selected
  EXPECT_THAT(log.Lines(), ElementsAre("first"));
  EXPECT_EQ(log.Selection(), 0);

  log.AppendLog("a");
  log.AppendLog("b");
  log.ReplaceLogLine("progress 1");
  log.ReplaceLogLine("progress 2");
  EXPECT_THAT(log.Lines(), ElementsAre("first", "a", "progress 2"));

  // A line the user clicked is the one that goes.
  log.SetSelection(0);
  log.ReplaceLogLine("moved");
  EXPECT_THAT(log.Lines(), ElementsAre("a", "progress 2", "moved"));
  EXPECT_EQ(log.Selection(), 2);
}

TEST(EventLog, DirectAddIgnoresMutingAndLeavesTheSelection) {
  EventLog log;
  log.AppendLog("start");
  log.logMuted = 1;
  log.AddDirect("No p2k device found, NOT connected !");
  EXPECT_THAT(log.Lines(), ElementsAre("start", "No p2k device found, NOT connected !"));
  EXPECT_EQ(log.Selection(), 0);
}

TEST(EventLog, ListenerSeesEveryChangeInOrder) {
  EventLog log;
  std::vector<std::string> seen;
  log.SetListener([&](const LogChange& change) {
    static const char* kNames[] = {"add", "remove", "insert", "select"};
    seen.push_back(std::string(kNames[static_cast<int>(change.kind)]) + " " +
                   std::to_string(change.index) + " " + change.text);
  });
  log.AppendLog("x");
  log.ReplaceLogLine("y");
  EXPECT_THAT(seen, ElementsAre("add 0 x", "select 0 ", "remove 0 ", "insert 0 y", "select 0 "));
}

TEST(EventLog, WorkerLinesAreInTheListWhenTheCallsReturn) {
  EventLog log;
  // The worker waits after each of its calls until the main thread has looked at the list, so
  // every look happens right after a call returned and before the next one.
  std::atomic<int> returned{0};
  std::atomic<int> seen{0};
  constexpr int kCalls = 500;
  std::thread worker([&] {
    for (int i = 0; i < kCalls; ++i) {
      log.AppendLog("worker " + std::to_string(i));
      returned.store(i + 1, std::memory_order_release);
      while (seen.load(std::memory_order_acquire) != i + 1) {
        std::this_thread::yield();
      }
    }
  });
  for (int i = 0; i < kCalls; ++i) {
    while (returned.load(std::memory_order_acquire) != i + 1) {
      std::this_thread::yield();
    }
    const std::vector<std::string> lines = log.Lines();
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(i + 1));
    EXPECT_EQ(lines.back(), "worker " + std::to_string(i));
    EXPECT_EQ(log.Selection(), i);
    seen.store(i + 1, std::memory_order_release);
  }
  worker.join();
}

class EventLogFile : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("tollhaven-log-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::filesystem::path dir_;
};

TEST_F(EventLogFile, EveryLineEndsWithCrLfAndTheOldFileIsReplaced) {
  auto file = dir_ / ".log";
  std::ofstream(file) << "previous run\r\nmore\r\n";
  EventLog log;
  log.AppendLog("C:/tollhaven");
  log.AppendLog("Tollhaven launched.");
  log.AppendLog("");
  ASSERT_TRUE(log.WriteLogFile(file));
  EXPECT_EQ(ReadFile(file), "C:/tollhaven\r\nTollhaven launched.\r\n\r\n");
}

TEST_F(EventLogFile, EmptyLogGivesAnExistingEmptyFile) {
  auto file = dir_ / ".log";
  std::ofstream(file) << "previous";
  EventLog log;
  ASSERT_TRUE(log.WriteLogFile(file));
  EXPECT_TRUE(std::filesystem::exists(file));
  EXPECT_THAT(ReadFile(file), IsEmpty());
}

TEST_F(EventLogFile, AFailedWriteKeepsThePreviousFile) {
  auto file = dir_ / ".log";
  std::ofstream(file) << "previous run\r\n";
  // The temporary file cannot be created where a directory of that name stands.
  std::filesystem::create_directory(dir_ / ".log.new");
  EventLog log;
  log.AppendLog("new run");
  EXPECT_FALSE(log.WriteLogFile(file));
  EXPECT_EQ(ReadFile(file), "previous run\r\n");
}

}  // namespace
}  // namespace tollhaven
