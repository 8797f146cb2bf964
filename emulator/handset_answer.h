#pragma once

// An answer as a command's execution produces it, before it is framed for the read transfer.

#include <cstdint>
#include <vector>

namespace p2ksim {

// Answer status values the handset uses.
inline constexpr uint8_t kStatusBadLength = 0;     // invalid data length for the command
inline constexpr uint8_t kStatusBadOpcode = 4;     // unsupported opcode
inline constexpr uint8_t kStatusBadParameter = 5;  // unsupported parameter for the opcode
inline constexpr uint8_t kStatusDone = 6;          // done, no data
inline constexpr uint8_t kStatusFailure = 7;       // generic failure
inline constexpr uint8_t kStatusData = 8;          // done, data follows
inline constexpr uint8_t kStatusInternal = 11;     // internal task error

struct HandsetAnswer {
  uint8_t status = kStatusDone;
  std::vector<uint8_t> data;

  static HandsetAnswer Status(uint8_t status) { return {status, {}}; }
  // The handset's "no" to a file-system request: status 8 with the single byte 1.
  static HandsetAnswer Refused() { return {kStatusData, {1}}; }
};

}  // namespace p2ksim
