// Edits that keep the cached file list in step with what the program itself changes on the
// handset, so that the panels can be rebuilt without fetching the list again.

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "handset/phone_file_list.h"

namespace tollhaven {

namespace {

// Offset of the attribute word's low byte within the attribute field.
constexpr uint32_t kAttributeLowByte = 1;

std::string_view WithoutTrailingSlashes(std::string_view path) {
  while (!path.empty() && path.back() == '/') {
    path.remove_suffix(1);
  }
  return path;
}

}  // namespace

void PhoneFileList::AddCachedFileRecord(std::string_view path, uint32_t size,
                                        uint32_t attributeField) {
  if (phoneFileList.empty() || entrySize <= kEntryFieldsSize) {
    // Nothing loaded to keep in step: the next fill fetches the list anyway.
    MarkNotLoaded();
    return;
  }
  if (path.empty() || path.size() >= entrySize - kEntryFieldsSize ||
      path.find('\0') != std::string_view::npos) {
    // A name that the entry cannot hold whole would show as another file; fetch instead.
    MarkNotLoaded();
    return;
  }

  // The block grows in place when it has room and geometrically when it has not, so many adds
  // cost no more than one copy each on average. Offsets stay valid: they count from the start.
  const std::size_t needed = writePosition + kChunkHeaderSize + entrySize;
  if (needed > phoneFileList.size()) {
    try {
      phoneFileList.resize(needed);
    } catch (const std::bad_alloc&) {
      // The old block stays in use, but it lacks this file now.
      MarkNotLoaded();
      return;
    }
  }

  // The new record replaces an older one of the same file (an upload over it), which the panels
  // would otherwise keep showing with its old size.
  bool replaced = false;
  ForEachEntryOffset([&](std::size_t offset) {
    uint8_t* entry = phoneFileList.data() + offset;
    if (EntryNameEquals(entry, entrySize, path)) {
      entry[0] = kDeletedMarker;
      replaced = true;
    }
  });

  uint8_t* chunk = phoneFileList.data() + writePosition;
  const uint8_t header[kChunkHeaderSize] = {0x00, 0x01, 0x00, 0x00};  // one entry
  std::memcpy(chunk, header, sizeof header);
  uint8_t* entry = chunk + kChunkHeaderSize;
  std::fill(entry, entry + entrySize, 0);
  std::memcpy(entry, path.data(), path.size());
  WriteEntryAttributeField(entry, entrySize, attributeField);
  WriteEntryFileSize(entry, entrySize, size);

  writePosition = needed;
  ++fileCount;
  if (!replaced) {
    ++handsetFileCount;
  }
  // A limit already at the largest value stays there instead of overflowing.
  if (settings_.fileLimit != -1 && settings_.fileLimit < std::numeric_limits<int32_t>::max()) {
    ++settings_.fileLimit;
  }
}

void PhoneFileList::MarkCachedRecordDeleted(std::string_view path) {
  // A file's own entry, or, for a directory, every entry below it: the handset removes a
  // directory with its contents. A longer name that merely begins with the path is another file.
  path = WithoutTrailingSlashes(path);
  if (path.empty()) {
    return;
  }
  ForEachEntryOffset([&](std::size_t offset) {
    uint8_t* entry = phoneFileList.data() + offset;
    if (EntryDeleted(entry)) {
      return;
    }
    std::string_view name = EntryName(entry, entrySize);
    const bool below =
        name.size() > path.size() && name.starts_with(path) && name[path.size()] == '/';
    if (name == path || below) {
      entry[0] = kDeletedMarker;
    }
  });
}

void PhoneFileList::SetCachedAttribute(std::string_view path, uint32_t attributeValue) {
  // Only the attribute bits change: the entry keeps its own owner and high byte.
  ForEachEntryOffset([&](std::size_t offset) {
    uint8_t* entry = phoneFileList.data() + offset;
    if (EntryNameEquals(entry, entrySize, path)) {
      entry[entrySize - kEntryFieldsSize + kAttributeLowByte] =
          static_cast<uint8_t>(attributeValue);
    }
  });
}

}  // namespace tollhaven
