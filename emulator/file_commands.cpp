// The file-system sub-commands of opcode 0x004A, carried out on the in-memory tree. Listing and
// counting live in file_list_entries.cpp.

#include <algorithm>

#include "emulator/handset_answer.h"
#include "emulator/handset_paths.h"
#include "emulator/simulated_handset.h"
#include "emulator/utf16_text.h"
#include "emulator/wire_bytes.h"

namespace p2ksim {
namespace {

constexpr uint32_t kMaxBlock = 1024;

enum SubCommand : uint32_t {
  kOpen = 0x00,
  kRead = 0x01,
  kWrite = 0x02,
  kSeek = 0x03,
  kClose = 0x04,
  kDelete = 0x05,
  kCount = 0x07,
  kList = 0x08,
  kVolumes = 0x0A,
  kFreeSpace = 0x0B,
  kMakeDir = 0x0E,
  kRemoveDir = 0x0F,
};

using Answer = HandsetAnswer;
constexpr auto Refused = &HandsetAnswer::Refused;
constexpr auto Status = &HandsetAnswer::Status;

std::string PathAt(const std::vector<uint8_t>& payload, std::size_t offset) {
  return std::string(payload.begin() + static_cast<std::ptrdiff_t>(offset), payload.end());
}

}  // namespace

Answer SimulatedHandset::ExecuteFileCommand(const ReceivedCommand& command) {
  const std::vector<uint8_t>& payload = command.payload;
  if (payload.size() < 4) {
    return Status(kStatusBadLength);
  }
  switch (GetBe32(payload.data())) {
    case kOpen:
      return OpenFile(payload);
    case kRead:
      return ReadFile(payload);
    case kWrite:
      return WriteFile(payload);
    case kSeek:
      return SeekFile(payload);
    case kClose:
      return CloseFile(payload);
    case kDelete:
      return DeleteFile(payload);
    case kCount:
      return CountFiles(payload);
    case kList:
      return NextListChunk(payload);
    case kVolumes:
      return ReportVolumes(payload);
    case kFreeSpace:
      return ReportFreeSpace(payload);
    case kMakeDir:
      return MakeDirectory(payload);
    case kRemoveDir:
      return RemoveDirectory(payload);
    default:
      return Status(kStatusBadParameter);
  }
}

Answer SimulatedHandset::OpenFile(const std::vector<uint8_t>& payload) {
  if (payload.size() < 8) {
    return Status(kStatusBadLength);
  }
  const std::string path = StoredPathLocked(PathAt(payload, 8));
  if (!IsPathInPartition(path) || directories_.count(path) != 0) {
    return Refused();
  }
  const auto attributes = static_cast<uint16_t>(GetBe32(payload.data() + 4));
  // Opening never truncates: the attribute dialog re-opens a file only to set its word.
  auto [file, created] = files_.try_emplace(path);
  file->second.attributes = attributes;
  if (created) {
    AddParentsLocked(path);
  }
  openPath_ = path;
  position_ = 0;
  return Status(kStatusDone);
}

Answer SimulatedHandset::ReadFile(const std::vector<uint8_t>& payload) {
  if (payload.size() != 8) {
    return Status(kStatusBadLength);
  }
  const uint32_t count = GetBe32(payload.data() + 4);
  if (count > kMaxBlock) {
    return Status(kStatusBadParameter);
  }
  SimFile* file = OpenFileEntry();
  if (file == nullptr) {
    return Refused();
  }
  const std::size_t size = file->contents.size();
  const std::size_t available = position_ < size ? size - position_ : 0;
  const std::size_t taken = std::min<std::size_t>(count, available);
  const auto first =
      file->contents.begin() + static_cast<std::ptrdiff_t>(std::min(position_, size));
  Answer answer{kStatusData,
                std::vector<uint8_t>(first, first + static_cast<std::ptrdiff_t>(taken))};
  position_ += taken;
  return answer;
}

Answer SimulatedHandset::WriteFile(const std::vector<uint8_t>& payload) {
  if (payload.size() < 8) {
    return Status(kStatusBadLength);
  }
  const uint32_t count = GetBe32(payload.data() + 4);
  if (count > kMaxBlock) {
    return Status(kStatusBadParameter);
  }
  if (payload.size() != 8 + std::size_t{count}) {
    return Status(kStatusBadLength);
  }
  SimFile* file = OpenFileEntry();
  if (file == nullptr) {
    return Refused();
  }
  std::vector<uint8_t>& contents = file->contents;
  if (contents.size() < position_ + count) {
    // Only what lies past the file's end takes new room.
    const std::size_t growth = position_ + count - contents.size();
    if (growth > freeSpace_) {
      return Status(kStatusFailure);
    }
    freeSpace_ -= static_cast<uint32_t>(growth);
    contents.resize(position_ + count);
  }
  std::copy(payload.begin() + 8, payload.end(),
            contents.begin() + static_cast<std::ptrdiff_t>(position_));
  position_ += count;
  return Status(kStatusDone);
}

Answer SimulatedHandset::SeekFile(const std::vector<uint8_t>& payload) {
  if (payload.size() != 9) {
    return Status(kStatusBadLength);
  }
  const auto offset = static_cast<int32_t>(GetBe32(payload.data() + 4));
  const uint8_t origin = payload[8];
  if (origin > 2) {
    return Status(kStatusBadParameter);
  }
  SimFile* file = OpenFileEntry();
  if (file == nullptr) {
    return Refused();
  }
  const int64_t base = origin == 0   ? 0
                       : origin == 1 ? static_cast<int64_t>(position_)
                                     : static_cast<int64_t>(file->contents.size());
  const int64_t target = base + offset;
  if (target < 0) {
    return Refused();
  }
  position_ = static_cast<std::size_t>(target);
  return Status(kStatusDone);
}

Answer SimulatedHandset::CloseFile(const std::vector<uint8_t>& payload) {
  if (payload.size() != 4) {
    return Status(kStatusBadLength);
  }
  if (!openPath_) {
    return Refused();
  }
  openPath_.reset();
  position_ = 0;
  return Status(kStatusDone);
}

Answer SimulatedHandset::DeleteFile(const std::vector<uint8_t>& payload) {
  const std::string path = StoredPathLocked(PathAt(payload, 4));
  const auto file = files_.find(path);
  if (file == files_.end()) {
    return Refused();
  }
  if (openPath_ == path) {
    openPath_.reset();
    position_ = 0;
  }
  GiveBack(file->second);
  files_.erase(file);
  return Status(kStatusDone);
}

Answer SimulatedHandset::MakeDirectory(const std::vector<uint8_t>& payload) {
  if (payload.size() < 8) {
    return Status(kStatusBadLength);
  }
  const std::string path = DirectoryPath(PathAt(payload, 8));
  if (!IsPathInPartition(path) || files_.count(path) != 0) {
    return Refused();
  }
  AddDirectoryLocked(path);
  return Status(kStatusDone);
}

Answer SimulatedHandset::RemoveDirectory(const std::vector<uint8_t>& payload) {
  if (payload.size() < 8) {
    return Status(kStatusBadLength);
  }
  const std::string path = DirectoryPath(PathAt(payload, 8));
  // The partitions themselves cannot be removed.
  if (!IsPathInPartition(path) || directories_.count(path) == 0) {
    return Refused();
  }
  const std::string below = path + "/";
  if (openPath_ && IsBelow(*openPath_, below)) {
    openPath_.reset();
    position_ = 0;
  }
  for (auto it = files_.lower_bound(below); it != files_.end() && IsBelow(it->first, below);) {
    GiveBack(it->second);
    it = files_.erase(it);
  }
  for (auto it = directories_.lower_bound(below);
       it != directories_.end() && IsBelow(*it, below);) {
    it = directories_.erase(it);
  }
  directories_.erase(path);
  return Status(kStatusDone);
}

Answer SimulatedHandset::ReportVolumes(const std::vector<uint8_t>& payload) const {
  if (payload.size() != 4) {
    return Status(kStatusBadLength);
  }
  // Each name in UTF-16BE followed by U+FFFE, then a zero character.
  Answer answer{kStatusData, {}};
  for (const std::string& volume : volumes_) {
    for (char c : volume) {
      AppendBe16(answer.data, static_cast<uint8_t>(c));
    }
    AppendBe16(answer.data, 0xFFFE);
  }
  AppendBe16(answer.data, 0x0000);
  return answer;
}

Answer SimulatedHandset::ReportFreeSpace(const std::vector<uint8_t>& payload) const {
  if (payload.size() != 512) {
    return Status(kStatusBadLength);
  }
  std::u16string text;
  if (!DecodeUtf16Text(payload, 4, text)) {
    return Status(kStatusBadParameter);
  }
  // The host passes the volume text it was given; it must name one of our volumes first.
  const bool known = std::any_of(volumes_.begin(), volumes_.end(), [&text](const std::string& v) {
    return !v.empty() && StartsWithName(text, v) &&
           (text.size() == v.size() || text[v.size()] == 0xFFFE);
  });
  if (!known) {
    return Status(kStatusBadParameter);
  }
  Answer answer{kStatusData, std::vector<uint8_t>(4)};
  PutBe32(answer.data.data(), freeSpace_);
  return answer;
}

}  // namespace p2ksim
