#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Bytes with no short period, so a block sent twice or out of order does not compare equal.
inline std::vector<uint8_t> FileBytes(std::size_t size) {
  std::vector<uint8_t> bytes(size);
  uint32_t state = 0x2545F491u;
  for (auto& byte : bytes) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    byte = static_cast<uint8_t>(state >> 11);
  }
  return bytes;
}
