#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "file_list_fixture.h"
#include "handset/handset_files.h"

namespace tollhaven::testing {

// Bytes that differ from block to block, so a block sent twice or lost shows.
inline std::vector<uint8_t> Pattern(std::size_t count, uint8_t seed = 1) {
  std::vector<uint8_t> bytes(count);
  for (std::size_t i = 0; i < count; ++i) {
    bytes[i] = static_cast<uint8_t>(seed + i * 7);
  }
  return bytes;
}

inline void WriteAll(const std::filesystem::path& file, const std::vector<uint8_t>& bytes) {
  std::filesystem::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

// The simulated handset with a loaded list, the file operations over it (each worker on a
// thread of its own, as the window runs them) and a local directory of the test's own.
class HandsetFilesFixture : public ::testing::Test, protected FileListFixture {
 protected:
  static constexpr int kDeleteSubCommand = 0x05;

  HandsetFilesFixture() {
    const ::testing::UnitTest& unit = *::testing::UnitTest::GetInstance();
    root = std::filesystem::temp_directory_path() /
           ("tollhaven-files-" + std::to_string(unit.random_seed()) + "-" +
            unit.current_test_info()->test_suite_name() + "-" + unit.current_test_info()->name());
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root);
  }
  ~HandsetFilesFixture() override { std::filesystem::remove_all(root); }

  // A loaded list over these files and /a/keep.txt, and a clean record of what is sent next.
  void LoadWith(const std::vector<std::pair<std::string, std::vector<uint8_t>>>& files) {
    for (const auto& [path, contents] : files) {
      s.sim.AddFile(path, contents, 0x21, 0x16);
    }
    s.sim.AddFile("/a/keep.txt", {'k'});
    Load();
    s.sim.ClearReceived();
    s.log.AppendLog("--");
  }
  // The log lines written since the last "--".
  std::vector<std::string> NewLines() const {
    std::vector<std::string> lines = s.Lines();
    auto mark = std::find(lines.rbegin(), lines.rend(), "--");
    return std::vector<std::string>(mark.base(), lines.end());
  }
  std::vector<FileListEntry> Live() const {
    std::vector<FileListEntry> entries;
    list.ForEachEntry([&](const FileListEntry& e) {
      if (!e.deleted) {
        entries.push_back(e);
      }
    });
    return entries;
  }
  // The listed entry of that name, or null; valid until the next call.
  const FileListEntry* Entry(std::string_view path) {
    found_.reset();
    list.ForEachEntry([&](const FileListEntry& e) {
      if (!e.deleted && e.name == path) {
        found_ = e;
      }
    });
    return found_ ? &*found_ : nullptr;
  }
  // The handset path the n-th command received carried.
  std::string PathOf(int received) const {
    const std::vector<uint8_t> payload =
        s.sim.Received()[static_cast<std::size_t>(received)].payload;
    const std::size_t at =
        payload.size() >= 8 && SubCommands()[received] != kDeleteSubCommand ? 8 : 4;
    return std::string(payload.begin() + static_cast<std::ptrdiff_t>(at), payload.end());
  }

  // The file operations over the fixture's list, their transfers and loads followed by
  // `progress` (each worker on a thread of its own, as the window runs them).
  HandsetFiles FilesWith(ProgressSink& progress) {
    return HandsetFiles(
        list, s.log, signal,
        [](WorkerSignal& worker, std::function<void()> job) {
          std::thread thread(std::move(job));
          thread.join();
          return worker.outcome.load();
        },
        progress);
  }

  std::filesystem::path root;
  HandsetFiles files = FilesWith(s.progress);

 private:
  std::optional<FileListEntry> found_;
};

}  // namespace tollhaven::testing
