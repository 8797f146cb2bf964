// The simulated handset's in-memory file tree as tests and the demo see it from outside.

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

SimFile* SimulatedHandset::OpenFileEntry() {
  if (!openPath_) {
    return nullptr;
  }
  const auto file = files_.find(*openPath_);
  return file == files_.end() ? nullptr : &file->second;
}

}  // namespace p2ksim
