#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "file_list_fixture.h"

namespace tollhaven {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using testing::FileListFixture;
using ::testing::MatchesRegex;

constexpr int kCount = 0x07;
constexpr int kList = 0x08;
constexpr uint8_t kGenericFailure = 7;

std::string FileName(int i) {
  return "/a/f" + std::to_string(100 + i) + ".txt";
}

class FileListLoad : public ::testing::Test, protected FileListFixture {
 protected:
  void AddFiles(int count) {
    for (int i = 0; i < count; ++i) {
      s.sim.AddFile(FileName(i), std::vector<uint8_t>(static_cast<std::size_t>(i * 10)),
                    static_cast<uint16_t>(i), 0x07);
    }
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    list.ForEachEntry([&](const FileListEntry& e) { names.emplace_back(e.name); });
    return names;
  }
  long ListRequests() const {
    auto sub = SubCommands();
    return std::count(sub.begin(), sub.end(), kList);
  }
};

TEST_F(FileListLoad, LoadsEveryFileWithItsFieldsAndLogsTheProgressInOneLine) {
  AddFiles(3);
  std::vector<std::string> inserted;
  s.log.SetListener([&](const LogChange& change) {
    if (change.kind == LogChange::Kind::Inserted) {
      inserted.push_back(change.text);
    }
  });
  Load();

  EXPECT_TRUE(signal.Done());
  EXPECT_TRUE(signal.Succeeded());
  EXPECT_EQ(list.fileCount, 3u);
  EXPECT_EQ(list.handsetFileCount, 3u);
  EXPECT_EQ(list.fileListLoaded, 1);
  EXPECT_EQ(list.entrySize, 268u);
  EXPECT_EQ(list.fileListSize(), 5u * 272);
  EXPECT_EQ(list.writePosition, 3u * 272);
  EXPECT_THAT(Names(), ElementsAre(FileName(0), FileName(1), FileName(2)));
  std::vector<uint32_t> sizes, words;
  list.ForEachEntry([&](const FileListEntry& e) {
    sizes.push_back(e.size);
    words.push_back(e.AttributeWord());
    EXPECT_EQ(e.Owner(), 0x07);
  });
  EXPECT_THAT(sizes, ElementsAre(0u, 10u, 20u));
  EXPECT_THAT(words, ElementsAre(0u, 1u, 2u));

  // Each name replaced the line before it; the handset's closing error stayed muted.
  ASSERT_FALSE(inserted.empty());
  EXPECT_THAT(inserted, ElementsAre(FileName(0), FileName(1), FileName(2),
                                    MatchesRegex("3 filenames loaded in [0-9]+ milliseconds\\.")));
  EXPECT_THAT(s.Lines(), ElementsAre("3 files found.", inserted.back()));
  EXPECT_EQ(s.log.logMuted.load(), 0);
  EXPECT_EQ(s.progress.rangeLow, 0);
  EXPECT_EQ(s.progress.rangeHigh, 4);
  EXPECT_EQ(s.progress.step, 1);
  EXPECT_EQ(s.progress.position, 0);
  EXPECT_EQ(s.progress.steps, 3);
}

TEST_F(FileListLoad, ElapsedTimeComesFromTheClock) {
  AddFiles(1);
  s.clock.Advance(5000);
  Load();
  // Every transaction waits 1 ms at least, so the load took some time on the manual clock.
  ASSERT_FALSE(s.Lines().empty());
  const std::string last = s.Lines().back();
  const int ms = std::stoi(last.substr(last.find(" in ") + 4));
  EXPECT_GT(ms, 0);
  EXPECT_LT(ms, 100);
}

TEST_F(FileListLoad, ListRequestCarriesTheHandsetTypeAsAFifthByte) {
  struct Case {
    int32_t handsetType;
    std::vector<uint8_t> payload;
  };
  const Case cases[] = {{0, {0, 0, 0, 8}}, {1, {0, 0, 0, 8, 1}}, {3, {0, 0, 0, 8, 3}}};
  AddFiles(2);
  for (const Case& c : cases) {
    s.sim.ClearReceived();
    settings.handsetType = c.handsetType;
    Load();
    EXPECT_EQ(list.fileCount, 2u);
    for (const auto& command : s.sim.Received()) {
      if (command.subCommand() == kList) {
        EXPECT_THAT(command.payload, ElementsAreArray(c.payload)) << "type " << c.handsetType;
      }
    }
  }
}

TEST_F(FileListLoad, CountRequestNamesThePartitionInUtf16) {
  AddFiles(1);
  s.sim.AddFile("/b/card.txt", {1});
  list.partitionLetter = 'b';
  ASSERT_EQ(list.CountFiles(false), 0);
  EXPECT_EQ(list.handsetFileCount, 1u);
  EXPECT_TRUE(list.phoneFileList.empty());
  std::vector<uint8_t> expected(256, 0);
  const uint8_t start[] = {0, 0, 0, 7, 0x00, 0x2F, 0x00, 0x62, 0x00, 0x2F, 0xFF, 0xFE, 0x00, 0x2A};
  std::copy(std::begin(start), std::end(start), expected.begin());
  ASSERT_EQ(s.sim.Received().size(), 1u);
  EXPECT_THAT(s.sim.Received()[0].payload, ElementsAreArray(expected));
}

TEST_F(FileListLoad, FileLimitStopsTheLoadOnceItIsPassed) {
  AddFiles(20);
  settings.fileLimit = 10;
  Load();
  EXPECT_EQ(list.fileCount, 11u);
  EXPECT_EQ(ListRequests(), 11);
  EXPECT_EQ(list.writePosition, 11u * 272);  // the eleventh chunk is kept
  ASSERT_EQ(Names().size(), 11u);
  EXPECT_EQ(Names()[10], FileName(10));

  s.sim.ClearReceived();
  settings.fileLimit = -1;
  Load();
  EXPECT_EQ(list.fileCount, 20u);
  EXPECT_EQ(ListRequests(), 21);  // until the handset answers with an error
}

TEST_F(FileListLoad, EntrySizeComesFromTheFirstChunk) {
  for (std::size_t size : {44u, 268u}) {
    s.sim.SetEntrySize(size);
    AddFiles(3);
    Load();
    EXPECT_EQ(list.entrySize, size);
    EXPECT_EQ(list.fileCount, 3u);
    EXPECT_THAT(Names(), ElementsAre(FileName(0), FileName(1), FileName(2)));
  }
}

TEST_F(FileListLoad, ChunksOfSeveralEntriesAreWalkedInOrder) {
  s.sim.SetEntrySize(44);
  s.sim.SetEntriesPerChunk(3);
  AddFiles(7);
  Load();
  EXPECT_EQ(list.fileCount, 7u);
  EXPECT_EQ(ListRequests(), 4);
  EXPECT_EQ(list.writePosition, 3u * 4 + 7u * 44);
  std::vector<std::string> expected;
  for (int i = 0; i < 7; ++i) {
    expected.push_back(FileName(i));
  }
  EXPECT_EQ(Names(), expected);
  EXPECT_EQ(s.progress.steps, 7);
}

TEST_F(FileListLoad, FirstRequestFailingGivesAnEmptyLoadedList) {
  AddFiles(3);
  s.sim.FailCommand(0x004A, kList, kGenericFailure);
  Load();
  EXPECT_TRUE(signal.Done());
  EXPECT_EQ(list.fileCount, 0u);
  EXPECT_EQ(list.handsetFileCount, 0u);
  EXPECT_EQ(list.fileListLoaded, 1);
  EXPECT_THAT(Names(), ElementsAre());
  EXPECT_EQ(signal.outcome.load(), -1);
  EXPECT_THAT(s.Lines(), ElementsAre("3 files found.",
                                     MatchesRegex("0 filenames loaded in [0-9]+ milliseconds\\."),
                                     "File list incomplete: 0 of 3 files."));
}

// A listing cut short keeps what arrived and says that it is not the whole list.
TEST_F(FileListLoad, AListingCutShortIsReportedAsIncomplete) {
  const struct {
    const char* what;
    std::function<void(FileListFixture&)> fault;
  } cases[] = {
      {"time-out", [](FileListFixture& f) { f.s.sim.TimeOutTransfer(5 * 3 + 2); }},
      {"error status in the middle",
       [](FileListFixture& f) { f.s.sim.FailNthCommand(6, kGenericFailure); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FileListFixture f;
    for (int i = 0; i < 10; ++i) {
      f.s.sim.AddFile(FileName(i), {1, 2, 3});
    }
    f.list.CountFiles(false);  // a count the handset carries out, before the load's own
    f.s.sim.ClearReceived();
    c.fault(f);
    f.Load();
    EXPECT_EQ(f.signal.outcome.load(), -1);
    EXPECT_EQ(f.list.fileListLoaded, 1);
    EXPECT_LT(f.list.fileCount, 10u);
    EXPECT_EQ(f.s.Lines().back(),
              "File list incomplete: " + std::to_string(f.list.fileCount) + " of 10 files.");
  }
}

TEST_F(FileListLoad, InvalidCountsAreRefusedWithoutAllocating) {
  struct Case {
    std::vector<uint8_t> answer;
    bool logged;
  };
  const Case cases[] = {{{0x00, 0x00}, true}, {{0xFF, 0xFF}, true}, {{0x05}, false}};
  int command = 0;
  for (const Case& c : cases) {
    list.handsetFileCount = 42;
    Script(++command, c.answer);
    std::size_t linesBefore = s.log.Count();
    EXPECT_EQ(list.CountFiles(true), -1);
    EXPECT_EQ(list.handsetFileCount, 42u);
    EXPECT_TRUE(list.phoneFileList.empty());
    if (c.logged) {
      EXPECT_THAT(s.Lines(), ::testing::Contains("Invalid files count!"));
      EXPECT_EQ(s.log.Count(), linesBefore + 1);
    } else {
      EXPECT_EQ(s.log.Count(), linesBefore);
    }
  }
}

TEST_F(FileListLoad, AllocatingCountSizesTheBlockForOneLargestEntryPerFile) {
  AddFiles(4);
  ASSERT_EQ(list.CountFiles(true), 0);
  EXPECT_EQ(list.fileListSize(), (4u + 2) * 272);
  EXPECT_TRUE(std::all_of(list.phoneFileList.begin(), list.phoneFileList.end(),
                          [](uint8_t b) { return b == 0; }));
}

// A chunk of `count` entries as a handset would send it, `bytes` long in all.
std::vector<uint8_t> Chunk(uint16_t count, std::size_t bytes, const std::string& name = "/a/z") {
  std::vector<uint8_t> chunk(bytes, 0);
  chunk[0] = static_cast<uint8_t>(count >> 8);
  chunk[1] = static_cast<uint8_t>(count);
  std::copy(name.begin(), name.end(), chunk.begin() + 4);
  return chunk;
}

// Whatever the handset answers, the load ends with what it got so far, inside the block, and
// the worker always reports that it is done. Run under the sanitizer build too.
TEST_F(FileListLoad, HostileAnswersEndTheLoadCleanly) {
  struct Case {
    const char* what;
    std::function<void(FileListFixture&)> arrange;
    uint32_t fileCount;
    int outcome;
  };
  // Commands: 1 the count, 2 the first list request, 3 the second ...
  const Case cases[] = {
      {"first chunk with a count of 0", [](FileListFixture& f) { f.Script(2, Chunk(0, 4 + 268)); },
       0, -1},
      {"entry size that does not divide the answer",
       [](FileListFixture& f) { f.Script(2, Chunk(2, 4 + 2 * 44 + 3)); }, 0, -1},
      {"entry size too small for the fields",
       [](FileListFixture& f) { f.Script(2, Chunk(1, 4 + 8)); }, 0, -1},
      {"first chunk shorter than its header",
       [](FileListFixture& f) { f.Script(2, std::vector<uint8_t>{0x00}); }, 0, -1},
      {"first chunk without data", [](FileListFixture& f) { f.Script(2, std::nullopt); }, 0, -1},
      {"later chunk longer than the entry size",
       [](FileListFixture& f) { f.Script(3, Chunk(1, 4 + 300)); }, 1, -1},
      {"later chunk announcing more entries than it carries",
       [](FileListFixture& f) { f.Script(3, Chunk(5, 4 + 268)); }, 1, -1},
      {"later chunk with a count of 0", [](FileListFixture& f) { f.Script(3, Chunk(0, 4 + 268)); },
       1, -1},
      // A count the handset carries out starts its listing of all ten files; the worker's own
      // count is then answered with 1, so its block holds three chunks of 268-byte entries.
      {"more chunks than the block holds",
       [](FileListFixture& f) {
         f.list.CountFiles(false);
         f.Script(2, std::vector<uint8_t>{0x00, 0x01});
       },
       3, 0},
      {"a chunk longer than the whole block",
       [](FileListFixture& f) {
         f.list.CountFiles(false);
         f.Script(2, std::vector<uint8_t>{0x00, 0x01});
         f.s.sim.SetEntriesPerChunk(4);
       },
       0, -1},
      {"a failed count",
       [](FileListFixture& f) { f.s.sim.FailCommand(0x004A, kCount, kGenericFailure); }, 0, -1},
      {"a count of 00 00",
       [](FileListFixture& f) {
         f.Script(1, std::vector<uint8_t>{0, 0});
       },
       0, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FileListFixture f;
    for (int i = 0; i < 10; ++i) {
      f.s.sim.AddFile(FileName(i), {1, 2, 3});
    }
    c.arrange(f);
    f.Load();
    EXPECT_TRUE(f.signal.Done());
    EXPECT_EQ(f.signal.outcome.load(), c.outcome);
    EXPECT_EQ(f.list.fileCount, c.fileCount);
    EXPECT_EQ(f.list.handsetFileCount, c.fileCount);
    EXPECT_EQ(f.list.fileListLoaded, 1);
    EXPECT_LE(f.list.writePosition, f.list.fileListSize());
    EXPECT_EQ(f.s.log.logMuted.load(), 0);
    // The loaded line, followed by a word that the list is incomplete when it is.
    const std::vector<std::string> lines = f.s.Lines();
    ASSERT_FALSE(lines.empty());
    const bool incomplete = lines.back().starts_with("File list incomplete");
    ASSERT_GE(lines.size(), incomplete ? 2u : 1u);
    EXPECT_THAT(lines[lines.size() - (incomplete ? 2 : 1)],
                MatchesRegex(std::to_string(c.fileCount) + " filenames loaded in [0-9]+ .*"));
    std::size_t visited = 0;
    f.list.ForEachEntry([&](const FileListEntry& e) {
      EXPECT_EQ(e.name, FileName(static_cast<int>(visited)));
      ++visited;
    });
    EXPECT_EQ(visited, c.fileCount);
  }
}

TEST_F(FileListLoad, FailedCountKeepsItsReasonVisible) {
  AddFiles(2);
  s.sim.FailCommand(0x004A, kCount, kGenericFailure);
  Load();
  EXPECT_TRUE(list.phoneFileList.empty());
  EXPECT_THAT(SubCommands(), ElementsAre(kCount));
  EXPECT_THAT(s.Lines(), ElementsAre("GENERIC FAILURE.",
                                     MatchesRegex("0 filenames loaded in [0-9]+ milliseconds\\.")));
}

TEST_F(FileListLoad, UnterminatedNameStaysInsideItsField) {
  std::vector<uint8_t> chunk = Chunk(1, 4 + 44);
  std::fill(chunk.begin() + 4, chunk.begin() + 4 + 36, 'n');
  std::fill(chunk.begin() + 4 + 36, chunk.end(), 0xEE);
  s.sim.AddFile(FileName(0), {});
  Script(2, chunk);
  Load();
  ASSERT_EQ(list.fileCount, 1u);
  EXPECT_THAT(Names(), ElementsAre(std::string(36, 'n')));
}

TEST_F(FileListLoad, NewLoadReplacesTheOldList) {
  AddFiles(5);
  Load();
  ASSERT_EQ(list.fileCount, 5u);
  s.sim.AddFile("/a/late.txt", {});
  Load();
  EXPECT_EQ(list.fileCount, 6u);
  EXPECT_EQ(list.fileListSize(), 8u * 272);
  EXPECT_THAT(Names(), ::testing::Contains("/a/late.txt"));
}

}  // namespace
}  // namespace tollhaven
