#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tollhaven {

// A file-list chunk: a 4-byte header whose first two bytes are the big-endian entry count,
// followed by that many entries of `entrySize` bytes each.
inline constexpr uint32_t kChunkHeaderSize = 4;
// An entry ends in 8 bytes of fields: an unused byte, the attribute word (low byte first), the
// owner code, then the file size (32 bits, big-endian). The name fills the bytes before them.
inline constexpr uint32_t kEntryFieldsSize = 8;
// The largest entry the handsets send; the list block is sized for one such entry per chunk.
inline constexpr uint32_t kLargestEntrySize = 268;
// First name byte of an entry the program has deleted since the load.
inline constexpr uint8_t kDeletedMarker = 0xFF;
// The attribute field of a file the program creates: attribute word 4, owner 0x07.
inline constexpr uint32_t kCreatedFileAttributeField = 0x07000400;

// One entry as the readers of the list see it.
struct FileListEntry {
  std::string_view name;    // the full handset path, without its terminating zero
  uint32_t attributeField;  // the four field bytes as a little-endian word
  uint32_t size;
  bool deleted;

  uint16_t AttributeWord() const { return static_cast<uint16_t>(attributeField >> 8); }
  uint8_t Owner() const { return static_cast<uint8_t>(attributeField >> 24); }
};

// Accessors on an entry of `entrySize` bytes (more than kEntryFieldsSize). The name never
// reaches past the name field, terminated or not.
std::string_view EntryName(const uint8_t* entry, uint32_t entrySize);
bool EntryDeleted(const uint8_t* entry);
uint32_t ReadEntryFileSize(const uint8_t* entry, uint32_t entrySize);
void WriteEntryFileSize(uint8_t* entry, uint32_t entrySize, uint32_t size);
uint32_t ReadEntryAttributeField(const uint8_t* entry, uint32_t entrySize);
void WriteEntryAttributeField(uint8_t* entry, uint32_t entrySize, uint32_t field);
FileListEntry ReadEntry(const uint8_t* entry, uint32_t entrySize);

// True when the entry's name, as EntryName reads it, is exactly `path`.
bool EntryNameEquals(const uint8_t* entry, uint32_t entrySize, std::string_view path);

}  // namespace tollhaven
