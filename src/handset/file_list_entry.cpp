#include "handset/file_list_entry.h"

#include <cstring>

#include "link/byte_order.h"

namespace tollhaven {

std::string_view EntryName(const uint8_t* entry, uint32_t entrySize) {
  const std::size_t field = entrySize - kEntryFieldsSize;
  const void* end = std::memchr(entry, 0, field);
  const std::size_t length =
      end ? static_cast<std::size_t>(static_cast<const uint8_t*>(end) - entry) : field;
  return {reinterpret_cast<const char*>(entry), length};
}

bool EntryDeleted(const uint8_t* entry) {
  return entry[0] == kDeletedMarker;
}

uint32_t ReadEntryFileSize(const uint8_t* entry, uint32_t entrySize) {
  return Big32(entry + entrySize - 4);
}

void WriteEntryFileSize(uint8_t* entry, uint32_t entrySize, uint32_t size) {
  PutBig32(entry + entrySize - 4, size);
}

uint32_t ReadEntryAttributeField(const uint8_t* entry, uint32_t entrySize) {
  const uint8_t* at = entry + entrySize - kEntryFieldsSize;
  return uint32_t{at[0]} | (uint32_t{at[1]} << 8) | (uint32_t{at[2]} << 16) |
         (uint32_t{at[3]} << 24);
}

void WriteEntryAttributeField(uint8_t* entry, uint32_t entrySize, uint32_t field) {
  uint8_t* at = entry + entrySize - kEntryFieldsSize;
  at[0] = static_cast<uint8_t>(field);
  at[1] = static_cast<uint8_t>(field >> 8);
  at[2] = static_cast<uint8_t>(field >> 16);
  at[3] = static_cast<uint8_t>(field >> 24);
}

FileListEntry ReadEntry(const uint8_t* entry, uint32_t entrySize) {
  return {EntryName(entry, entrySize), ReadEntryAttributeField(entry, entrySize),
          ReadEntryFileSize(entry, entrySize), EntryDeleted(entry)};
}

bool EntryNameEquals(const uint8_t* entry, uint32_t entrySize, std::string_view path) {
  const std::size_t field = entrySize - kEntryFieldsSize;
  if (path.size() > field) {
    return false;
  }
  // The terminator first: a name of another length is told apart by one byte, which keeps a
  // search over tens of thousands of entries cheap. A name that fills the whole field has no
  // terminator, and is the same name EntryName shows.
  return (path.size() == field || entry[path.size()] == 0) &&
         std::memcmp(entry, path.data(), path.size()) == 0;
}

}  // namespace tollhaven
