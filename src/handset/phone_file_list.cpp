#include "handset/phone_file_list.h"

#include <algorithm>

namespace tollhaven {

std::vector<std::size_t> PhoneFileList::EntryOffsets() const {
  std::vector<std::size_t> offsets;
  if (entrySize <= kEntryFieldsSize) {
    return offsets;
  }
  const std::size_t end = std::min(writePosition, phoneFileList.size());
  offsets.reserve(fileCount);
  std::size_t chunk = 0;
  while (offsets.size() < fileCount && chunk + kChunkHeaderSize <= end) {
    const std::size_t count = (std::size_t{phoneFileList[chunk]} << 8) | phoneFileList[chunk + 1];
    if (count == 0) {
      break;  // never stored; a walk must not spin on it
    }
    std::size_t entry = chunk + kChunkHeaderSize;
    for (std::size_t i = 0; i < count && offsets.size() < fileCount; ++i, entry += entrySize) {
      if (entry + entrySize > end) {
        return offsets;
      }
      offsets.push_back(entry);
    }
    chunk += kChunkHeaderSize + count * entrySize;
  }
  return offsets;
}

void PhoneFileList::ForEachEntry(const std::function<void(const FileListEntry&)>& visit) const {
  for (std::size_t offset : EntryOffsets()) {
    visit(ReadEntry(phoneFileList.data() + offset, entrySize));
  }
}

}  // namespace tollhaven
