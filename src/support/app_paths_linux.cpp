#include <unistd.h>

#include <cstdlib>
#include <string_view>
#include <system_error>

#include "support/app_paths.h"

namespace tollhaven {

std::filesystem::path ExecutableDirectory() {
  std::error_code error;
  std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) {
    return {};
  }
  return executable.parent_path();
}

bool IsWritableDirectory(const std::filesystem::path& directory) {
  return access(directory.c_str(), W_OK | X_OK) == 0;
}

std::filesystem::path UserConfigBase() {
  // Relative values are to be ignored, as the XDG rules say.
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && config[0] == '/') {
    return config;
  }
  if (const char* home = std::getenv("HOME"); home && home[0] != '\0') {
    return std::filesystem::path(home) / ".config";
  }
  return {};
}

std::vector<std::filesystem::path> SystemDataDirectories() {
  std::string_view list = "/usr/local/share:/usr/share";
  if (const char* dirs = std::getenv("XDG_DATA_DIRS"); dirs && dirs[0] != '\0') {
    list = dirs;
  }
  std::vector<std::filesystem::path> directories;
  while (!list.empty()) {
    std::size_t colon = list.find(':');
    std::string_view entry = list.substr(0, colon);
    if (!entry.empty() && entry.front() == '/') {
      directories.emplace_back(entry);
    }
    list = colon == std::string_view::npos ? std::string_view{} : list.substr(colon + 1);
  }
  return directories;
}

}  // namespace tollhaven
