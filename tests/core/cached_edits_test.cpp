#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "file_list_fixture.h"

namespace tollhaven {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using testing::FileListFixture;

struct SimEntry {
  std::string path;
  uint16_t attributes = 0;
  uint8_t owner = 0x07;
  std::size_t size = 0;
};

// A list loaded from the simulated handset, then edited in memory.
class CachedEdits : public ::testing::Test, protected FileListFixture {
 protected:
  void LoadFiles(const std::vector<SimEntry>& files) {
    for (const SimEntry& file : files) {
      s.sim.AddFile(file.path, std::vector<uint8_t>(file.size), file.attributes, file.owner);
    }
    Load();
    ASSERT_EQ(list.fileCount, files.size());
  }
  void LoadPaths(const std::vector<std::string>& paths) {
    std::vector<SimEntry> files;
    for (const std::string& path : paths) {
      files.push_back({path});
    }
    LoadFiles(files);
  }
  std::vector<FileListEntry> Entries() const {
    std::vector<FileListEntry> entries;
    list.ForEachEntry([&](const FileListEntry& e) { entries.push_back(e); });
    return entries;
  }
  std::set<std::string> Deleted() const {
    std::set<std::string> deleted;
    list.ForEachEntry([&](const FileListEntry& e) {
      if (e.deleted) {
        deleted.insert(std::string(e.name.substr(1)));
      }
    });
    return deleted;
  }
  const FileListEntry* Find(const std::vector<FileListEntry>& entries, std::string_view name) {
    for (const FileListEntry& e : entries) {
      if (e.name == name) {
        return &e;
      }
    }
    return nullptr;
  }
};

TEST_F(CachedEdits, AddedRecordIsAOneEntryChunkWithTheCreatedFilesFields) {
  LoadPaths({"/a/1.txt", "/a/2.txt", "/a/3.txt", "/a/4.txt", "/a/5.txt"});
  const std::size_t at = list.writePosition;
  const std::vector<uint8_t> before(list.phoneFileList.begin(),
                                    list.phoneFileList.begin() + static_cast<std::ptrdiff_t>(at));

  list.AddCachedFileRecord("/a/x.bin", 1000, kCreatedFileAttributeField);

  EXPECT_EQ(list.fileCount, 6u);
  EXPECT_EQ(list.handsetFileCount, 6u);
  EXPECT_EQ(list.writePosition, at + 272);
  ASSERT_GE(list.fileListSize(), at + 272);
  std::vector<uint8_t> expected(272, 0);
  const uint8_t header[] = {0x00, 0x01, 0x00, 0x00, '/', 'a', '/', 'x', '.', 'b', 'i', 'n'};
  std::copy(std::begin(header), std::end(header), expected.begin());
  const uint8_t fields[] = {0x00, 0x04, 0x00, 0x07, 0x00, 0x00, 0x03, 0xE8};
  std::copy(std::begin(fields), std::end(fields), expected.end() - 8);
  const std::vector<uint8_t> chunk(
      list.phoneFileList.begin() + static_cast<std::ptrdiff_t>(at),
      list.phoneFileList.begin() + static_cast<std::ptrdiff_t>(at) + 272);
  EXPECT_THAT(chunk, ElementsAreArray(expected));
  EXPECT_TRUE(std::equal(before.begin(), before.end(), list.phoneFileList.begin()));

  const FileListEntry last = Entries().back();
  EXPECT_EQ(last.name, "/a/x.bin");
  EXPECT_EQ(last.size, 1000u);
  EXPECT_EQ(last.AttributeWord(), 4);
  EXPECT_EQ(last.Owner(), 0x07);
  EXPECT_FALSE(last.deleted);
}

TEST_F(CachedEdits, AddingRaisesTheFileLimitUnlessUnlimited) {
  LoadPaths({"/a/1.txt"});
  // The largest limit stays where it is rather than overflow.
  for (auto [limit, raised] : {std::pair{10, 11}, {-1, -1}, {0, 1}, {2147483647, 2147483647}}) {
    settings.fileLimit = limit;
    list.AddCachedFileRecord("/a/n" + std::to_string(limit), 1);
    EXPECT_EQ(settings.fileLimit, raised);
  }
}

TEST_F(CachedEdits, ManyAddsKeepEveryEarlierByteAndOffset) {
  s.sim.SetEntrySize(44);
  s.sim.SetEntriesPerChunk(3);
  LoadPaths({"/a/1", "/a/2", "/a/3", "/a/4"});
  const std::vector<uint8_t> loaded(
      list.phoneFileList.begin(),
      list.phoneFileList.begin() + static_cast<std::ptrdiff_t>(list.writePosition));
  for (int i = 0; i < 300; ++i) {
    list.AddCachedFileRecord("/a/new" + std::to_string(i), static_cast<uint32_t>(i));
  }
  EXPECT_TRUE(std::equal(loaded.begin(), loaded.end(), list.phoneFileList.begin()));
  EXPECT_EQ(list.writePosition, loaded.size() + 300u * 48);
  const std::vector<FileListEntry> entries = Entries();
  ASSERT_EQ(entries.size(), 304u);
  EXPECT_EQ(entries[3].name, "/a/4");
  EXPECT_EQ(entries[303].name, "/a/new299");
  EXPECT_EQ(entries[303].size, 299u);
}

TEST_F(CachedEdits, AddingOverAnExistingFileReplacesItsEntry) {
  LoadFiles({{"/a/x.bin", 0x21, 0x16, 5}, {"/a/y.bin"}});
  list.AddCachedFileRecord("/a/x.bin", 1000);
  EXPECT_EQ(list.fileCount, 3u);
  EXPECT_EQ(list.handsetFileCount, 2u);  // still two files on the handset
  std::vector<uint32_t> liveSizes;
  for (const FileListEntry& e : Entries()) {
    if (!e.deleted && e.name == "/a/x.bin") {
      liveSizes.push_back(e.size);
    }
  }
  EXPECT_THAT(liveSizes, ElementsAre(1000u));
}

TEST_F(CachedEdits, RecordsTheListCannotHoldMakeTheNextFillFetchTheList) {
  s.sim.SetEntrySize(44);  // a name field of 36 bytes
  LoadPaths({"/a/1"});
  const std::vector<uint8_t> block = list.phoneFileList;
  for (std::string path : {std::string(36, 'n'), std::string(), std::string("/a/z\0q", 6)}) {
    list.fileListLoaded = 1;
    list.AddCachedFileRecord(path, 1);
    EXPECT_EQ(list.fileListLoaded, 0) << path.size();
    EXPECT_EQ(list.fileCount, 1u);
    EXPECT_EQ(list.phoneFileList, block);
  }
  list.fileListLoaded = 1;
  list.AddCachedFileRecord(std::string(35, 'n'), 1);  // just fits with its terminator
  EXPECT_EQ(list.fileListLoaded, 1);
  EXPECT_EQ(Entries().back().name, std::string(35, 'n'));
}

TEST_F(CachedEdits, AddingWithoutALoadedListWritesNothing) {
  list.AddCachedFileRecord("/a/x.bin", 1000);
  EXPECT_TRUE(list.phoneFileList.empty());
  EXPECT_EQ(list.fileCount, 0u);
  EXPECT_EQ(list.fileListLoaded, 0);

  // A load whose first request failed has a block but no entry size.
  s.sim.AddFile("/a/1", {});
  s.sim.FailCommand(0x004A, 0x08, 7);
  Load();
  ASSERT_FALSE(list.phoneFileList.empty());
  list.AddCachedFileRecord("/a/x.bin", 1000);
  EXPECT_EQ(list.fileCount, 0u);
  EXPECT_EQ(list.fileListLoaded, 0);
}

TEST_F(CachedEdits, MarkDeletedHitsExactNamesAndEverythingBelowADirectory) {
  struct Case {
    std::vector<std::string> files;
    std::string path;
    std::set<std::string> deleted;  // names without their first byte
  };
  const Case cases[] = {
      {{"/a/x.bin", "/a/x"}, "/a/x", {"a/x"}},
      {{"/a/x.bin", "/a/b/x"}, "/a/x", {}},
      {{"/a/d.txt", "/a/d/1.txt", "/a/d/2.txt", "/a/d/e/3.txt", "/a/dx/4.txt"},
       "/a/d",
       {"a/d/1.txt", "a/d/2.txt", "a/d/e/3.txt"}},
      {{"/a/d/1.txt", "/a/d.txt"}, "/a/d/", {"a/d/1.txt"}},
      {{"/a/x"}, "", {}},
      {{"/a/x"}, "/", {}},
  };
  for (const Case& c : cases) {
    FileListFixture f;
    for (const std::string& path : c.files) {
      f.s.sim.AddFile(path, {});
    }
    f.Load();
    f.list.MarkCachedRecordDeleted(c.path);
    std::set<std::string> deleted;
    std::size_t markers = 0;
    f.list.ForEachEntry([&](const FileListEntry& e) {
      if (e.deleted) {
        deleted.insert(std::string(e.name.substr(1)));
      }
    });
    // The marker only ever replaces the first byte of a name.
    markers = static_cast<std::size_t>(
        std::count(f.list.phoneFileList.begin(), f.list.phoneFileList.end(), kDeletedMarker));
    EXPECT_EQ(deleted, c.deleted) << c.path;
    EXPECT_EQ(markers, c.deleted.size()) << c.path;
  }
}

TEST_F(CachedEdits, MarkDeletedReachesRecordsAddedAfterTheLoad) {
  LoadPaths({"/a/1.txt"});
  list.AddCachedFileRecord("/a/new/one.txt", 3);
  list.AddCachedFileRecord("/a/new/two.txt", 3);
  list.MarkCachedRecordDeleted("/a/new");
  EXPECT_EQ(Deleted(), (std::set<std::string>{"a/new/one.txt", "a/new/two.txt"}));
}

TEST_F(CachedEdits, SetAttributeChangesOnlyTheLowByteOfThatFilesWord) {
  LoadFiles({{"/a/x.bin", 0x0321, 0x16, 7}, {"/a/x", 0x0000, 0x0E, 8}});
  const std::vector<uint8_t> before = list.phoneFileList;

  list.SetCachedAttribute("/a/x", 0x1223);
  const std::vector<FileListEntry> entries = Entries();
  const FileListEntry* x = Find(entries, "/a/x");
  const FileListEntry* bin = Find(entries, "/a/x.bin");
  ASSERT_TRUE(x && bin);
  EXPECT_EQ(x->attributeField, 0x0E002300u);  // owner 0E, high byte 00, low byte 23
  EXPECT_EQ(x->size, 8u);
  EXPECT_EQ(bin->attributeField, 0x16032100u);

  // Exactly one byte of the block changed.
  std::size_t changed = 0;
  for (std::size_t i = 0; i < before.size(); ++i) {
    changed += before[i] != list.phoneFileList[i];
  }
  EXPECT_EQ(changed, 1u);

  list.SetCachedAttribute("/a/missing", 0x01);
  list.SetCachedAttribute("/a/x.bi", 0x01);
  EXPECT_EQ(Find(Entries(), "/a/x.bin")->attributeField, 0x16032100u);
}

// A name that fills its field has no terminator; every edit finds it by the name it shows.
TEST(FileListEntryFields, ANameFillingItsFieldMatchesAsItIsShown) {
  uint8_t entry[20] = {};
  const std::string_view full = "/a/abcdefghi";  // 12 bytes: the whole name field
  std::copy(full.begin(), full.end(), entry);
  entry[12] = 0x21;
  EXPECT_EQ(EntryName(entry, 20), full);
  EXPECT_TRUE(EntryNameEquals(entry, 20, full));
  EXPECT_FALSE(EntryNameEquals(entry, 20, "/a/abcdefgh"));
  EXPECT_FALSE(EntryNameEquals(entry, 20, "/a/abcdefghij"));
  uint8_t shorter[20] = {'/', 'a', '/', 'x'};
  EXPECT_TRUE(EntryNameEquals(shorter, 20, "/a/x"));
  EXPECT_FALSE(EntryNameEquals(shorter, 20, "/a/"));
}

TEST(FileListEntryFields, AttributeFieldIsLittleEndianAndSizeBigEndian) {
  uint8_t entry[44] = {'/', 'a', '/', 'q'};
  const uint8_t fields[] = {0x01, 0x02, 0x03, 0x04, 0x00, 0x00, 0x10, 0x20};
  std::copy(std::begin(fields), std::end(fields), entry + 36);
  const FileListEntry read = ReadEntry(entry, 44);
  EXPECT_EQ(read.name, "/a/q");
  EXPECT_EQ(read.attributeField, 0x04030201u);
  EXPECT_EQ(read.AttributeWord(), 0x0302);
  EXPECT_EQ(read.Owner(), 0x04);
  EXPECT_EQ(read.size, 0x1020u);

  WriteEntryAttributeField(entry, 44, 0x07000400);
  WriteEntryFileSize(entry, 44, 0xA1B2C3D4);
  EXPECT_THAT(std::vector<uint8_t>(entry + 36, entry + 44),
              ElementsAre(0x00, 0x04, 0x00, 0x07, 0xA1, 0xB2, 0xC3, 0xD4));
}

}  // namespace
}  // namespace tollhaven
