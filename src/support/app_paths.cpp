#include "support/app_paths.h"

#include <system_error>

namespace tollhaven {

namespace {
constexpr const char* kProgramDirectory = "tollhaven";
constexpr const char* kTemplatesDirectory = "Templates";

bool IsDirectory(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::is_directory(path, error);
}
}  // namespace

std::filesystem::path ConfigDirectory(const std::filesystem::path& exeDir) {
  if (!exeDir.empty() && IsWritableDirectory(exeDir)) {
    return exeDir;
  }
  std::filesystem::path base = UserConfigBase();
  if (base.empty()) {
    // Nowhere better to go; writing will fail quietly, as it would beside the executable.
    return exeDir;
  }
  std::filesystem::path directory = base / kProgramDirectory;
  std::error_code error;
  std::filesystem::create_directories(directory, error);
  return directory;
}

std::filesystem::path TemplatesDirectory(const std::filesystem::path& exeDir) {
  std::filesystem::path beside = exeDir / kTemplatesDirectory;
  if (IsDirectory(beside)) {
    return beside;
  }
  // An installed copy: bin/ and share/ under one prefix, whatever that prefix is.
  std::vector<std::filesystem::path> candidates;
  candidates.push_back(exeDir.parent_path() / "share" / kProgramDirectory / kTemplatesDirectory);
  for (const std::filesystem::path& data : SystemDataDirectories()) {
    candidates.push_back(data / kProgramDirectory / kTemplatesDirectory);
  }
  for (const std::filesystem::path& candidate : candidates) {
    if (IsDirectory(candidate)) {
      return candidate;
    }
  }
  return beside;
}

}  // namespace tollhaven
