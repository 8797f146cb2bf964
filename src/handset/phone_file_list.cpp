#include "handset/phone_file_list.h"

#include <algorithm>

#include "link/byte_order.h"

namespace tollhaven {

void PhoneFileList::Release() {
  phoneFileList = {};
  writePosition = 0;
  fileCount = 0;
  entrySize = 0;
  fileListLoaded = 0;
  fileListComplete = false;
}

void PhoneFileList::ForEachEntryOffset(const std::function<void(std::size_t)>& visit) const {
  if (entrySize <= kEntryFieldsSize) {
    return;
  }
  const std::size_t end = std::min(writePosition, phoneFileList.size());
  uint32_t visited = 0;
  std::size_t chunk = 0;
  while (visited < fileCount && chunk + kChunkHeaderSize <= end) {
    const std::size_t count = Big16(phoneFileList.data() + chunk);
    if (count == 0) {
      return;  // never stored; a walk must not spin on it
    }
    std::size_t entry = chunk + kChunkHeaderSize;
    for (std::size_t i = 0; i < count && visited < fileCount; ++i, entry += entrySize) {
      if (entry + entrySize > end) {
        return;
      }
      visit(entry);
      ++visited;
    }
    chunk += kChunkHeaderSize + count * entrySize;
  }
}

void PhoneFileList::ForEachEntry(const std::function<void(const FileListEntry&)>& visit) const {
  ForEachEntryOffset(
      [&](std::size_t offset) { visit(ReadEntry(phoneFileList.data() + offset, entrySize)); });
}

bool PhoneFileList::HoldsFile(std::string_view path) const {
  bool held = false;
  if (fileListLoaded != 0) {
    ForEachEntryOffset([&](std::size_t offset) {
      const uint8_t* entry = phoneFileList.data() + offset;
      held = held || (!EntryDeleted(entry) && EntryNameEquals(entry, entrySize, path));
    });
  }
  return held;
}

std::optional<PhoneFileList::ListedFile> PhoneFileList::FindListedFile(
    std::string_view path) const {
  std::optional<ListedFile> found;
  ForEachEntryOffset([&](std::size_t offset) {
    const uint8_t* entry = phoneFileList.data() + offset;
    if (!EntryDeleted(entry) && EntryNameEquals(entry, entrySize, path)) {
      found = ListedFile{ReadEntryFileSize(entry, entrySize),
                         ReadEntryAttributeField(entry, entrySize)};
    }
  });
  return found;
}

}  // namespace tollhaven
