// A backup against a handset that misbehaves at one command: run once cleanly to count its
// commands, then once per command with a fault armed for it. The run must end, fail with a line
// and a failed exit status whenever the backup did not come out as a clean run's, never leave a
// local file that is neither the old one nor the handset's, and leave a manifest that lets the
// next backup fetch what this one missed.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <map>
#include <string>
#include <tuple>

#include "cli/backup_manifest.h"
#include "cli_fixture.h"
#include "fault_kinds.h"

namespace tollhaven::testing {
namespace {

namespace fs = std::filesystem;

using FileTree = std::map<std::string, std::vector<uint8_t>>;

class CliFaultInjection : public CliTest, public ::testing::WithParamInterface<Fault> {
 protected:
  // A handset whose files were backed up once, and changed since: one file grew, one is new.
  void SetUp() override {
    CliTest::SetUp();
    sim.SetVolumes({"/a", "/b"});
    sim.AddFile("/a/mobile/audio/ring.mp3", Pattern(2500, 1), 0x0021, 0x07);
    sim.AddFile("/a/mobile/system/boot.cfg", Pattern(10, 3), 0x0107, 0x01);
    sim.AddFile("/b/notes.txt", Bytes("notes"), 0x0040, 0x07);
    ASSERT_EQ(Run({"backup", Backup().string()}), cli::kExitSuccess) << err.str();
    fs::copy(Backup(), temp / "first", fs::copy_options::recursive);
    sim.AddFile("/a/mobile/system/boot.cfg", Pattern(1500, 9), 0x0107, 0x01);
    sim.AddFile("/b/new.txt", Pattern(700, 5), 0x0004, 0x07);
  }
  // The backup directory as the first backup left it; the handset is only read.
  void Prepare() {
    sim.ClearFaults();
    fs::remove_all(Backup());
    fs::copy(temp / "first", Backup(), fs::copy_options::recursive);
  }
  fs::path Backup() const { return temp / "backup"; }

  FileTree Tree() const {
    FileTree tree;
    for (const std::string& file : LocalTree(Backup())) {
      tree[file] = ReadLocal(Backup() / file);
    }
    return tree;
  }

  // Runs the backup with the fault armed for the step-th command it sends (0: no fault); gives
  // the exit status and the number of commands sent.
  std::pair<int, int> Backup(Fault fault, int step) {
    int sends = 0;
    auto arm = [this, fault, step] {
      // Unplugged once the answer before has been polled and read, so that no answer is
      // left queued: a handset plugged in again starts afresh.
      if (fault == Fault::Disconnect) {
        sim.DisconnectAfter(step == 1 ? 0 : 2);
      } else {
        ArmAnswerFault(sim, fault);
      }
    };
    // The hook runs after each command went out: what it arms applies to the next one.
    if (step == 1) {
      arm();
    }
    discovery.afterSend = [&, fault, step] {
      if (++sends + 1 == step) {
        arm();
      }
    };
    // A hang would block the test for good: give up on the whole program instead.
    auto done = std::async(std::launch::async, [&] { return Run({"backup", Backup().string()}); });
    if (done.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
      std::fprintf(stderr, "the backup hangs\n");
      std::abort();
    }
    const int status = done.get();
    discovery.afterSend = nullptr;
    return {status, sends};
  }
};

TEST_P(CliFaultInjection, BackupEndsFailsWithALineAndKeepsEveryLocalFileWhole) {
  const Fault fault = GetParam();
  const FileTree before = Tree();
  const auto [cleanStatus, commands] = Backup(fault, 0);
  ASSERT_EQ(cleanStatus, cli::kExitSuccess) << err.str();
  const FileTree clean = Tree();
  ASSERT_NE(clean, before);
  RecordProperty("commands", commands);

  int failedSteps = 0;
  for (int step = 1; step <= commands; ++step) {
    SCOPED_TRACE("fault at command " + std::to_string(step) + " of " + std::to_string(commands));
    Prepare();
    const int status = Backup(fault, step).first;
    failedSteps += status != cli::kExitSuccess ? 1 : 0;
    const FileTree after = Tree();
    if (after != clean) {
      EXPECT_NE(status, cli::kExitSuccess) << "a backup that missed files, yet success";
    }
    if (status != cli::kExitSuccess) {
      EXPECT_FALSE(err.str().empty()) << "a failure without a line";
    }
    // The manifest lists what this run fetched; the run after this one checks it.
    for (const auto& [file, bytes] : after) {
      if (file == cli::kManifestName) {
        continue;
      }
      const bool old = before.count(file) != 0 && before.at(file) == bytes;
      const bool fetched = clean.count(file) != 0 && clean.at(file) == bytes;
      EXPECT_TRUE(old || fetched) << file << " is neither the old file nor the handset's";
    }
    // What this run missed, the next one fetches: the manifest must not claim it.
    sim.ClearFaults();
    EXPECT_EQ(Run({"backup", Backup().string()}), cli::kExitSuccess) << err.str();
    EXPECT_EQ(Tree(), clean) << "the next backup does not catch up";
  }
  // A fault that no step notices was never injected.
  EXPECT_GT(failedSteps, 0);
}

INSTANTIATE_TEST_SUITE_P(Operations, CliFaultInjection, ::testing::ValuesIn(kEveryFault),
                         [](const auto& info) { return "Backup_" + Name(info.param); });

}  // namespace
}  // namespace tollhaven::testing
