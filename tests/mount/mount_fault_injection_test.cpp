// A copy through the mount (a handset file read and written back under another name, as cp does)
// against a handset that misbehaves at one command: run once cleanly to count its commands, then
// once per command with a fault armed for it. The copy must end, fail a call with a line whenever
// the handset did not end up as a clean copy leaves it, leave no spooled file behind, and list
// afterwards what the handset really holds.
#include <fcntl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <map>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "cli/cli_fixture.h"
#include "fault_kinds.h"
#include "handset/handset_connection.h"
#include "mount/handset_mount.h"

namespace tollhaven::testing {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> Pattern(std::size_t size, unsigned seed) {
  std::vector<uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) {
    bytes[i] = static_cast<uint8_t>((i * 31 + seed * 7 + i / 253) & 0xFF);
  }
  return bytes;
}

using HandsetTree = std::map<std::string, std::vector<uint8_t>>;

// One mounted handset with two files.
struct MountedHandset {
  explicit MountedHandset(const fs::path& spoolDirectory) : spool(spoolDirectory) {
    fs::remove_all(spool);
    fs::create_directories(spool);
    sim.AddFile("/a/src.bin", Pattern(2500, 3), 0x0021);
    sim.AddFile("/a/keep.txt", Pattern(10, 5));
    if (!handset.Connect(discovery)) {
      ADD_FAILURE() << "no handset";
    }
    mount = std::make_unique<mount::HandsetMount>(handset, err, spool);
    std::vector<mount::MountDirEntry> entries;
    EXPECT_EQ(mount->ReadDir("/a", entries), 0);  // the list is loaded before the fault
  }
  ~MountedHandset() {
    mount.reset();
    fs::remove_all(spool);
  }

  // cp /a/src.bin /a/copy.bin; true when every call succeeded.
  bool Copy() {
    uint64_t from = 0, to = 0;
    if (mount->Open("/a/src.bin", O_RDONLY, from) != 0) {
      return false;
    }
    bool ok = mount->Create("/a/copy.bin", to) == 0;
    std::vector<char> buffer(1000);
    for (off_t offset = 0; ok;) {
      const long got = mount->Read(from, buffer.data(), buffer.size(), offset);
      if (got <= 0) {
        ok = got == 0;
        break;
      }
      ok = mount->Write(to, buffer.data(), static_cast<std::size_t>(got), offset) == got;
      offset += got;
    }
    if (to != 0) {
      ok = mount->Flush(to) == 0 && ok;
      ok = mount->Release(to) == 0 && ok;
    }
    ok = mount->Release(from) == 0 && ok;
    return ok;
  }

  HandsetTree Held() const {
    HandsetTree tree;
    for (const std::string& path : sim.FilePaths()) {
      tree[path] = sim.File(path)->contents;
    }
    return tree;
  }
  // What the mount lists in /a, with sizes.
  std::map<std::string, uint32_t> Listed() {
    std::map<std::string, uint32_t> listed;
    std::vector<mount::MountDirEntry> entries;
    EXPECT_EQ(mount->ReadDir("/a", entries), 0);
    for (const auto& entry : entries) {
      mount::MountNode node;
      EXPECT_EQ(mount->GetAttr("/a/" + entry.name, node), 0) << entry.name;
      listed["/a/" + entry.name] = static_cast<uint32_t>(node.size);
    }
    return listed;
  }

  ManualClock clock;
  p2ksim::SimulatedHandset sim;
  SimulatedHandsetDiscovery discovery{sim, clock};
  EventLog log;
  PhoneLink link{log, clock};
  Settings settings{};
  HandsetConnection handset{link, settings};
  std::ostringstream err;
  fs::path spool;
  std::unique_ptr<mount::HandsetMount> mount;
};

class MountFaultInjection : public ::testing::TestWithParam<Fault> {
 protected:
  fs::path Spool() const {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string("mount_faults_") + info->name();
    std::replace(name.begin(), name.end(), '/', '_');
    return fs::path(::testing::TempDir()) / name;
  }

  // The copy with the fault armed for the step-th command it sends (0: none); gives whether it
  // succeeded and the commands it sent.
  static std::pair<bool, int> Copy(MountedHandset& world, Fault fault, int step) {
    p2ksim::SimulatedHandset& sim = world.sim;
    int sends = 0;
    auto arm = [&sim, fault, step] {
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
    world.discovery.afterSend = [&] {
      if (++sends + 1 == step) {
        arm();
      }
    };
    // A hang would block the test for good: give up on the whole program instead.
    auto done = std::async(std::launch::async, [&] { return world.Copy(); });
    if (done.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
      std::fprintf(stderr, "the copy hangs\n");
      std::abort();
    }
    const bool ok = done.get();
    world.discovery.afterSend = nullptr;
    return {ok, sends};
  }
};

TEST_P(MountFaultInjection, CopyEndsFailsWithALineAndListsWhatTheHandsetHolds) {
  const Fault fault = GetParam();
  int commands = 0;
  HandsetTree clean;
  {
    MountedHandset world(Spool());
    bool ok = false;
    std::tie(ok, commands) = Copy(world, fault, 0);
    ASSERT_TRUE(ok) << world.err.str();
    clean = world.Held();
  }
  ASSERT_GT(commands, 0);
  RecordProperty("commands", commands);

  int failedSteps = 0;
  for (int step = 1; step <= commands; ++step) {
    SCOPED_TRACE("fault at command " + std::to_string(step) + " of " + std::to_string(commands));
    MountedHandset world(Spool());
    const bool ok = Copy(world, fault, step).first;
    failedSteps += ok ? 0 : 1;
    const HandsetTree held = world.Held();
    if (held != clean) {
      EXPECT_FALSE(ok) << "the handset differs, yet the copy succeeded";
    }
    if (!ok) {
      EXPECT_FALSE(world.err.str().empty()) << "a failure without a line";
    }
    EXPECT_TRUE(fs::is_empty(world.spool)) << "a spooled file is left behind";
    world.sim.ClearFaults();
    std::map<std::string, uint32_t> sizes;
    for (const auto& [path, contents] : held) {
      sizes[path] = static_cast<uint32_t>(contents.size());
    }
    EXPECT_EQ(world.Listed(), sizes) << "the mount lists what the handset does not hold";
  }
  // A fault that no step notices was never injected.
  EXPECT_GT(failedSteps, 0);
}

INSTANTIATE_TEST_SUITE_P(Operations, MountFaultInjection, ::testing::ValuesIn(kEveryFault),
                         [](const auto& info) { return "Copy_" + Name(info.param); });

}  // namespace
}  // namespace tollhaven::testing
