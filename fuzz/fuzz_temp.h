#pragma once

#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

namespace tollhaven::fuzz {

// A directory of this process's own under the temporary directory, made on first use and
// emptied by the caller as it needs: inputs that are files are written nowhere else.
inline const std::filesystem::path& TempDirectory() {
  static const std::filesystem::path directory = [] {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "tollhaven-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
      abort();
    }
    return std::filesystem::path(pattern);
  }();
  return directory;
}

inline void WriteFile(const std::filesystem::path& file, const uint8_t* data, std::size_t size) {
  std::ofstream(file, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

}  // namespace tollhaven::fuzz
