// The simulated handset's in-memory file tree as tests and the demo see it from outside.

#include <algorithm>
#include <cstdint>
#include <stdexcept>

#include "emulator/handset_paths.h"
#include "emulator/simulated_handset.h"

namespace p2ksim {

void SimulatedHandset::AddFile(const std::string& path, std::vector<uint8_t> contents,
                               uint16_t attributes, uint8_t owner) {
  if (!IsPathInPartition(path)) {
    throw std::invalid_argument("not a handset file path: " + path);
  }
  std::lock_guard lock(mutex_);
  files_[path] = SimFile{std::move(contents), attributes, owner};
  AddParentsLocked(path);
}

void SimulatedHandset::AddDirectory(const std::string& path) {
  const std::string directory = DirectoryPath(path);
  if (!IsPathInPartition(directory)) {
    throw std::invalid_argument("not a handset directory path: " + path);
  }
  std::lock_guard lock(mutex_);
  AddDirectoryLocked(directory);
}

std::optional<SimFile> SimulatedHandset::File(const std::string& path) const {
  std::lock_guard lock(mutex_);
  const auto file = files_.find(path);
  if (file == files_.end()) {
    return std::nullopt;
  }
  return file->second;
}

bool SimulatedHandset::HasDirectory(const std::string& path) const {
  std::lock_guard lock(mutex_);
  return directories_.count(DirectoryPath(path)) != 0;
}

std::vector<std::string> SimulatedHandset::FilePaths() const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> paths;
  paths.reserve(files_.size());
  for (const auto& [path, file] : files_) {
    paths.push_back(path);
  }
  return paths;
}

int SimulatedHandset::RestartCount() const {
  std::lock_guard lock(mutex_);
  return restarts_;
}

bool SimulatedHandset::FileOpen() const {
  std::lock_guard lock(mutex_);
  return openPath_.has_value();
}

void SimulatedHandset::AddDirectoryLocked(const std::string& path) {
  directories_.insert(path);
  AddParentsLocked(path);
}

void SimulatedHandset::AddParentsLocked(const std::string& path) {
  // Every prefix ending before a '/' after the partition's own is a directory.
  for (std::size_t slash = path.find('/', 3); slash != std::string::npos;
       slash = path.find('/', slash + 1)) {
    directories_.insert(path.substr(0, slash));
  }
}

namespace {

// ASCII and Latin-1 letters folded to lower case; other bytes stay.
char LowerByte(char c) {
  const auto byte = static_cast<unsigned char>(c);
  if ((byte >= 'A' && byte <= 'Z') || (byte >= 0xC0 && byte <= 0xDE && byte != 0xD7)) {
    return static_cast<char>(byte + 0x20);
  }
  return c;
}

bool EqualWithoutCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerByte(a[i]) != LowerByte(b[i])) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::string SimulatedHandset::StoredPathLocked(const std::string& path) const {
  if (!ignoreCase_ || files_.count(path) != 0) {
    return path;
  }
  for (const auto& [stored, file] : files_) {
    if (EqualWithoutCase(stored, path)) {
      return stored;
    }
  }
  return path;
}

void SimulatedHandset::GiveBack(const SimFile& file) {
  const uint64_t total = uint64_t{freeSpace_} + file.contents.size();
  freeSpace_ = static_cast<uint32_t>(std::min<uint64_t>(total, UINT32_MAX));
}

SimFile* SimulatedHandset::OpenFileEntry() {
  if (!openPath_) {
    return nullptr;
  }
  const auto file = files_.find(*openPath_);
  return file == files_.end() ? nullptr : &file->second;
}

}  // namespace p2ksim
