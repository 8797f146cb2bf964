// Whole operations against a handset that misbehaves at one command: each operation is run once
// cleanly to count its commands, then once per command with a fault armed for that command. The
// operation must end, say that it failed whenever the handset did not end up as a clean run
// leaves it, leave the local files alone when it failed, and keep a cached list that is either
// true to the handset or marked not loaded.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "fault_kinds.h"
#include "file_list_fixture.h"
#include "forwarding_transport.h"
#include "handset/handset_files.h"
#include "handset/patch_executor.h"
#include "handset_files_fixture.h"
#include "support/patch_file.h"

namespace tollhaven {
namespace {

namespace fs = std::filesystem;
using testing::ArmAnswerFault;
using testing::Fault;
using testing::Pattern;
using testing::WriteAll;

enum class Operation {
  ListLoad,
  Download,
  Upload,
  UploadNew,
  Replace,
  Delete,
  DeleteDirectory,
  NewDirectory,
  AttributeChange,
  PatchRun
};
std::string Name(Operation operation) {
  switch (operation) {
    case Operation::ListLoad:
      return "ListLoad";
    case Operation::Download:
      return "Download";
    case Operation::Upload:
      return "Upload";
    case Operation::UploadNew:
      return "UploadNew";
    case Operation::Replace:
      return "Replace";
    case Operation::Delete:
      return "Delete";
    case Operation::DeleteDirectory:
      return "DeleteDirectory";
    case Operation::NewDirectory:
      return "NewDirectory";
    case Operation::AttributeChange:
      return "AttributeChange";
    case Operation::PatchRun:
      return "PatchRun";
  }
  return "?";
}
// Arms the fault for the n-th command sent from Arm on (1 = the next): the handset misbehaves
// on that command's answer, or is unplugged right after the command reached it.
class FaultingTransport : public testing::ForwardingTransport {
 public:
  FaultingTransport(p2ksim::SimulatedHandset& sim, std::unique_ptr<UsbTransport> inner)
      : ForwardingTransport(std::move(inner)), sim_(sim) {}
  void Arm(Fault fault, int step) {
    fault_ = fault;
    step_ = step;
    sends_ = 0;
  }
  int Sends() const { return sends_; }

  int UsbSend(const uint8_t* buffer, uint32_t& size) override {
    const bool target = ++sends_ == step_;
    if (target) {
      ArmAnswerFault(sim_, fault_);
    }
    const int result = ForwardingTransport::UsbSend(buffer, size);
    if (target && fault_ == Fault::Disconnect) {
      sim_.DisconnectAfter(0);
    }
    return result;
  }

 private:
  p2ksim::SimulatedHandset& sim_;
  Fault fault_ = Fault::TimeOut;
  int step_ = 0;
  int sends_ = 0;
};

using FileTree = std::map<std::string, std::vector<uint8_t>>;

FileTree LocalTree(const fs::path& root) {
  FileTree tree;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file()) {
      std::ifstream in(entry.path(), std::ios::binary);
      tree[entry.path().lexically_relative(root).generic_string()] =
          std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
    } else if (entry.is_directory()) {
      tree[entry.path().lexically_relative(root).generic_string() + "/"] = {};
    }
  }
  return tree;
}

// What the handset holds: every file with its contents and attribute word.
using HandsetTree = std::map<std::string, std::pair<std::vector<uint8_t>, uint16_t>>;

struct Result {
  bool failed = false;                     // what the operation reported
  std::vector<std::string> lines;          // the log lines it wrote
  FileTree local;                          // the local directory afterwards
  HandsetTree handset;                     // the handset afterwards
  std::map<std::string, uint32_t> listed;  // the cached list's live entries and sizes
  bool listLoaded = false;
};

// One handset with its files, a loaded list and a local directory, and one operation on them.
class World : public testing::FileListFixture {
 public:
  explicit World(const fs::path& rootDirectory) : root(rootDirectory) {
    auto faulting = std::make_unique<FaultingTransport>(
        s.sim, std::make_unique<EmulatedTransport>(s.sim, s.log, s.clock));
    transport = faulting.get();
    s.link.SetTransport(std::move(faulting));

    fs::remove_all(root);
    s.sim.AddFile("/a/pic.jpg", Pattern(2500, 3), 0x21, 0x16);
    s.sim.AddFile("/a/up.bin", Pattern(700, 5), 0x20, 0x16);
    s.sim.AddFile("/a/del.txt", Pattern(40, 7));
    s.sim.AddFile("/a/attr.txt", Pattern(30, 9), 0x20);
    s.sim.AddFile("/a/d/one.txt", Pattern(20, 11));
    s.sim.AddFile("/a/d/two.txt", Pattern(25, 13));
    WriteAll(root / "local" / "pic.jpg", Pattern(100, 17));
    WriteAll(root / "local" / "other.txt", Pattern(10, 19));
    WriteAll(root / "local" / "up.bin", Pattern(1800, 23));
    WriteAll(root / "patch" / "p.bin", Pattern(600, 29));
    Load();
    if (!signal.Succeeded()) {
      ADD_FAILURE() << "the list did not load";
    }
    s.log.AppendLog("--");
  }
  ~World() { fs::remove_all(root); }

  Result Run(Operation operation, std::optional<std::pair<Fault, int>> fault) {
    if (fault) {
      transport->Arm(fault->first, fault->second);
    } else {
      transport->Arm(Fault::TimeOut, 0);
    }
    // A hang would block the test for good: give up on the whole program instead.
    auto done = std::async(std::launch::async, [&] { return Perform(operation); });
    if (done.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
      std::fprintf(stderr, "%s hangs\n", Name(operation).c_str());
      std::abort();
    }
    Result result;
    result.failed = done.get();
    const std::vector<std::string> lines = s.Lines();
    auto mark = std::find(lines.rbegin(), lines.rend(), "--");
    result.lines.assign(mark.base(), lines.end());
    result.local = LocalTree(root);
    for (const std::string& path : s.sim.FilePaths()) {
      const std::optional<p2ksim::SimFile> file = s.sim.File(path);
      result.handset[path] = {file->contents, file->attributes};
    }
    result.listLoaded = list.fileListLoaded != 0;
    list.ForEachEntry([&](const FileListEntry& entry) {
      if (!entry.deleted) {
        result.listed[std::string(entry.name)] = entry.size;
      }
    });
    return result;
  }

  FaultingTransport* transport = nullptr;
  fs::path root;

 private:
  // True when the operation reported a failure.
  bool Perform(Operation operation) {
    switch (operation) {
      case Operation::ListLoad:
        Load();
        return !signal.Succeeded();
      case Operation::Download:
        return files.Download("/a/", {"pic.jpg", false, 2500, 0x21}, root / "local") !=
               FileOutcome::Done;
      case Operation::Upload:
      case Operation::Replace:
        return files.Upload(root / "local" / "up.bin", "/a/") != FileOutcome::Done;
      case Operation::UploadNew:
        return files.Upload(root / "local" / "other.txt", "/a/") != FileOutcome::Done;
      case Operation::Delete:
        return files.Delete("/a/del.txt", false) != FileOutcome::Done;
      case Operation::DeleteDirectory:
        return files.Delete("/a/d", true) != FileOutcome::Done;
      case Operation::NewDirectory:
        return files.MakeDirectory("/a/new") != FileOutcome::Done;
      case Operation::AttributeChange:
        return files.SetAttributes("/a/attr.txt", 0x23) != FileOutcome::Done;
      case Operation::PatchRun: {
        // A patch reports a failing line only by its log line; what it did is judged by the
        // handset's state and the lines a clean run does not write.
        testing::RecordingProgress progress;
        PatchExecutor executor(files, s.log, progress, root / "patch");
        executor.Run(
            SplitPatchLines("cp p.bin\r\nto /a/p/p.bin\r\nmd /a/pd\r\nrm /a/del.txt\r\nat 35\r\nsa "
                            "/a/attr.txt\r\n"));
        return false;
      }
    }
    return true;
  }

  HandsetFiles files{list, s.log, signal, [](WorkerSignal& worker, std::function<void()> job) {
                       std::thread thread(std::move(job));
                       thread.join();
                       return worker.outcome.load();
                     }};
};

// Lines that differ from run to run whatever happened (the load's time) say nothing here.
std::set<std::string> Meaningful(const std::vector<std::string>& lines) {
  std::set<std::string> kept;
  for (const std::string& line : lines) {
    if (line.find("milliseconds") == std::string::npos) {
      kept.insert(line);
    }
  }
  return kept;
}

class FaultInjection : public ::testing::TestWithParam<std::tuple<Operation, Fault>> {
 protected:
  fs::path Root() const {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string("tollhaven-faults-") + info->name();
    std::replace(name.begin(), name.end(), '/', '-');
    return fs::temp_directory_path() / name;
  }
};

TEST_P(FaultInjection, EndsReportsAndKeepsLocalFilesAndTheListTrue) {
  const auto [operation, fault] = GetParam();
  int commands = 0;
  Result clean;
  FileTree before;
  {
    World world(Root());
    before = LocalTree(world.root);
    clean = world.Run(operation, std::nullopt);
    commands = world.transport->Sends();
  }
  ASSERT_FALSE(clean.failed);
  ASSERT_GT(commands, 0);
  RecordProperty("commands", commands);
  const std::set<std::string> cleanLines = Meaningful(clean.lines);

  int failedSteps = 0;
  for (int step = 1; step <= commands; ++step) {
    SCOPED_TRACE("fault at command " + std::to_string(step) + " of " + std::to_string(commands));
    World world(Root());
    const Result result = world.Run(operation, std::make_pair(fault, step));

    bool newLine = false;
    for (const std::string& line : Meaningful(result.lines)) {
      newLine = newLine || cleanLines.count(line) == 0;
    }
    const bool failed = operation == Operation::PatchRun ? newLine : result.failed;
    failedSteps += failed ? 1 : 0;
    EXPECT_TRUE(!failed || newLine) << "a failure without a log line";
    if (failed) {
      EXPECT_EQ(result.local, before) << "a failed operation changed local files";
    } else {
      EXPECT_EQ(result.handset, clean.handset) << "the handset differs, yet success";
      EXPECT_EQ(result.local, clean.local) << "the local files differ, yet success";
    }
    bool lost = false;
    bool partialLeft = false;
    for (const std::string& line : result.lines) {
      // Only a handset that is gone may cost the old file.
      lost = lost ||
             (fault == Fault::Disconnect && line.find("the old file is lost") != std::string::npos);
      partialLeft = partialLeft || line.find("could not be removed") != std::string::npos;
    }
    if (operation == Operation::Replace) {
      // The old file or the new one, whole, never a mix; nothing only with a line that says so.
      const auto file = result.handset.find("/a/up.bin");
      const bool old = file != result.handset.end() && file->second.first == Pattern(700, 5) &&
                       file->second.second == 0x20;
      const bool fresh = file != result.handset.end() && file->second.first == Pattern(1800, 23);
      EXPECT_TRUE(old || fresh || lost) << "the replaced file is neither the old nor the new one";
      EXPECT_TRUE(!result.failed || old || lost) << "a failed replace did not keep the old file";
    }
    if (operation == Operation::UploadNew && result.failed) {
      EXPECT_TRUE(result.handset.count("/a/other.txt") == 0 || partialLeft)
          << "a failed new file was left on the handset";
    }
    if (operation == Operation::ListLoad && !result.failed) {
      EXPECT_TRUE(result.listLoaded);
    }
    if (result.listLoaded) {
      std::map<std::string, uint32_t> held;
      for (const auto& [path, file] : result.handset) {
        held[path] = static_cast<uint32_t>(file.first.size());
      }
      if (operation != Operation::ListLoad || !result.failed) {
        EXPECT_EQ(result.listed, held) << "the cached list does not match the handset";
      }
    }
  }
  // A fault that no step notices was never injected.
  EXPECT_GT(failedSteps, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Operations, FaultInjection,
    ::testing::Combine(::testing::Values(Operation::ListLoad, Operation::Download,
                                         Operation::Upload, Operation::UploadNew,
                                         Operation::Replace, Operation::Delete,
                                         Operation::DeleteDirectory, Operation::NewDirectory,
                                         Operation::AttributeChange, Operation::PatchRun),
                       ::testing::ValuesIn(testing::kEveryFault)),
    [](const auto& info) {
      return Name(std::get<0>(info.param)) + "_" + Name(std::get<1>(info.param));
    });

}  // namespace
}  // namespace tollhaven
