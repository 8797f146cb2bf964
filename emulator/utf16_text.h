#pragma once

// The UTF-16BE texts in command payloads (search patterns, volume names).

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace p2ksim {

// Decodes the zero-terminated UTF-16BE text that starts at `offset` into `text`. False when
// anything but zero bytes follows the terminator: the host clears its payload area, so stray
// bytes there mean the packet was built wrongly.
bool DecodeUtf16Text(const std::vector<uint8_t>& payload, std::size_t offset, std::u16string& text);

// True when `text` begins with the 8-bit `name`, character for character.
bool StartsWithName(const std::u16string& text, const std::string& name);

}  // namespace p2ksim
