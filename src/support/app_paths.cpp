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

// bin/ and share/ under one prefix, whatever that prefix is.
std::filesystem::path PrefixTemplates(const std::filesystem::path& exeDir) {
  return exeDir.parent_path() / "share" / kProgramDirectory / kTemplatesDirectory;
}

// Installed under a prefix rather than run from a folder of its own (a build, an unpacked copy).
bool IsInstalledCopy(const std::filesystem::path& exeDir) {
  return !IsDirectory(exeDir / kTemplatesDirectory) && IsDirectory(PrefixTemplates(exeDir));
}
}  // namespace

std::filesystem::path ConfigDirectory(const std::filesystem::path& exeDir) {
  // An installed copy never writes beside itself, even where it could (run as root): what it left
  // in bin/ would outlive the package that put it there.
  if (!exeDir.empty() && IsWritableDirectory(exeDir) && !IsInstalledCopy(exeDir)) {
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
  // An installed copy, under the executable's own prefix first.
  std::vector<std::filesystem::path> candidates;
  candidates.push_back(PrefixTemplates(exeDir));
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
