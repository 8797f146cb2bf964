// Counting a partition's files (sub-command 0x07) and handing out the file list chunk by chunk
// (sub-command 0x08), with the entries built from the handset's side.

#include <algorithm>
#include <cstring>

#include "emulator/handset_answer.h"
#include "emulator/handset_paths.h"
#include "emulator/simulated_handset.h"
#include "emulator/utf16_text.h"
#include "emulator/wire_bytes.h"

namespace p2ksim {
namespace {

constexpr std::size_t kCountPayloadSize = 256;
constexpr std::size_t kChunkHeaderSize = 4;
// A chunk must fit the answer's 16-bit packet length: 8 header bytes plus the chunk.
constexpr std::size_t kMaxChunkSize = 0xFFFF - 8;

// The search pattern: a directory text ending in '/', U+FFFE, then '*'. Gives the directory
// prefix ("/a/"), or an empty text when the pattern is not one the handset understands.
std::string PatternPrefix(const std::u16string& pattern) {
  const std::size_t mark = pattern.find(u'\uFFFE');
  if (mark == std::u16string::npos || pattern.substr(mark + 1) != u"*") {
    return {};
  }
  std::string prefix;
  for (std::size_t i = 0; i < mark; ++i) {
    if (pattern[i] > 0x7F) {
      return {};
    }
    prefix.push_back(static_cast<char>(pattern[i]));
  }
  const bool partitionRoot = prefix.size() == 3 && IsPathInPartition(prefix + "x");
  const bool directory =
      prefix.size() > 3 && prefix.back() == '/' && IsPathInPartition(DirectoryPath(prefix));
  return partitionRoot || directory ? prefix : std::string{};
}

// One entry: the name zero-terminated and zero-filled, then an unused byte, the attribute word
// low byte first, the owner and the size (big-endian).
void WriteEntry(uint8_t* entry, std::size_t entrySize, const std::string& path,
                const SimFile& file) {
  const std::size_t nameChars = std::min(path.size(), entrySize - 9);
  std::memcpy(entry, path.data(), nameChars);
  uint8_t* tail = entry + entrySize - 8;
  tail[1] = static_cast<uint8_t>(file.attributes);
  tail[2] = static_cast<uint8_t>(file.attributes >> 8);
  tail[3] = file.owner;
  const std::size_t size = file.contents.size();
  PutBe32(tail + 4, size > 0xFFFFFFFF ? 0xFFFFFFFF : static_cast<uint32_t>(size));
}

}  // namespace

HandsetAnswer SimulatedHandset::CountFiles(const std::vector<uint8_t>& payload) {
  if (payload.size() != kCountPayloadSize) {
    return HandsetAnswer::Status(kStatusBadLength);
  }
  std::u16string pattern;
  if (!DecodeUtf16Text(payload, 4, pattern)) {
    return HandsetAnswer::Status(kStatusBadParameter);
  }
  const std::string prefix = PatternPrefix(pattern);
  if (prefix.empty()) {
    return HandsetAnswer::Status(kStatusBadParameter);
  }

  // The count also starts a new listing of the same files, in path order.
  listing_.clear();
  for (auto it = files_.lower_bound(prefix); it != files_.end() && IsBelow(it->first, prefix);
       ++it) {
    listing_.push_back(it->first);
  }
  const std::size_t count = std::min<std::size_t>(listing_.size(), 0xFFFF);
  HandsetAnswer answer{kStatusData, {}};
  AppendBe16(answer.data, static_cast<uint16_t>(count));
  return answer;
}

HandsetAnswer SimulatedHandset::NextListChunk(const std::vector<uint8_t>& payload) {
  // The optional fifth byte names the host's handset type; any value is accepted.
  if (payload.size() != 4 && payload.size() != 5) {
    return HandsetAnswer::Status(kStatusBadLength);
  }
  const std::size_t perChunk =
      std::min(entriesPerChunk_, (kMaxChunkSize - kChunkHeaderSize) / entrySize_);

  HandsetAnswer answer{kStatusData, std::vector<uint8_t>(kChunkHeaderSize)};
  std::size_t entries = 0;
  while (entries < perChunk && !listing_.empty()) {
    const std::string path = std::move(listing_.front());
    listing_.pop_front();
    const auto file = files_.find(path);
    if (file == files_.end()) {
      continue;  // deleted since the count
    }
    answer.data.resize(answer.data.size() + entrySize_);
    WriteEntry(answer.data.data() + answer.data.size() - entrySize_, entrySize_, path,
               file->second);
    ++entries;
  }
  // The handset ends a listing by failing the request after the last entry.
  if (entries == 0) {
    return HandsetAnswer::Status(kStatusFailure);
  }
  PutBe16(answer.data.data(), static_cast<uint16_t>(entries));
  return answer;
}

}  // namespace p2ksim
