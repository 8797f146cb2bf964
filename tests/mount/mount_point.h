#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

// True while a file system is mounted on `directory` (as this process sees the mounts).
inline bool IsMountPoint(const std::filesystem::path& directory) {
  std::ifstream mounts("/proc/self/mountinfo");
  std::string line;
  while (std::getline(mounts, line)) {
    // Field 5 is the mount point.
    std::istringstream fields(line);
    std::string field;
    for (int i = 0; i < 5 && fields >> field; ++i) {
    }
    if (field == directory.string()) {
      return true;
    }
  }
  return false;
}
