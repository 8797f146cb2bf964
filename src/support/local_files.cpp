#include "support/local_files.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <random>
#include <string>

namespace tollhaven {

namespace fs = std::filesystem;

namespace {

std::FILE* OpenFile(const fs::path& path, bool exclusive) {
  // "x": fail rather than open a file that is already there.
#ifdef _WIN32
  return _wfopen(path.c_str(), exclusive ? L"wbx" : L"wb");
#else
  return std::fopen(path.c_str(), exclusive ? "wbx" : "wb");
#endif
}

std::string UniqueSuffix() {
  static std::atomic<uint32_t> next{std::random_device{}()};
  char text[16];
  std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(next.fetch_add(0x9E3779B1u)));
  return text;
}

std::error_code LastError() {
  return std::error_code(errno, std::generic_category());
}

// Renames `temporary` over `file`, or removes it when that fails or `error` is already set.
bool Commit(const fs::path& temporary, const fs::path& file, std::error_code& error) {
  if (!error) {
    fs::rename(temporary, file, error);
  }
  if (error) {
    std::error_code ignored;
    fs::remove(temporary, ignored);
    return false;
  }
  return true;
}

}  // namespace

std::FILE* OpenLocalFileForReading(const fs::path& file) {
#ifdef _WIN32
  return _wfopen(file.c_str(), L"rb");
#else
  return std::fopen(file.c_str(), "rb");
#endif
}

fs::path CreateFileBeside(const fs::path& file, std::error_code& error) {
  const std::u8string name = file.filename().u8string();
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string suffix = UniqueSuffix();
    std::u8string temporaryName = u8"." + name + u8".tollhaven-";
    temporaryName.append(suffix.begin(), suffix.end());
    const fs::path temporary = file.parent_path() / fs::path(temporaryName);
    errno = 0;
    if (std::FILE* created = OpenFile(temporary, true)) {
      std::fclose(created);
      error.clear();
      return temporary;
    }
    if (errno != EEXIST) {
      error = LastError();
      return {};
    }
  }
  error = std::make_error_code(std::errc::file_exists);
  return {};
}

bool WriteFileReplacing(const fs::path& file, std::string_view contents, std::error_code& error) {
  const fs::path temporary = CreateFileBeside(file, error);
  if (temporary.empty()) {
    return false;
  }
  std::FILE* out = OpenFile(temporary, false);
  if (out == nullptr) {
    error = LastError();
  } else {
    if (std::fwrite(contents.data(), 1, contents.size(), out) != contents.size()) {
      error = LastError();
    }
    if (std::fclose(out) != 0 && !error) {
      error = LastError();
    }
  }
  return Commit(temporary, file, error);
}

bool DeleteLocalFile(const fs::path& file, std::error_code& error) {
  if (fs::is_directory(fs::symlink_status(file, error))) {
    error = std::make_error_code(std::errc::is_a_directory);
    return false;
  }
  error.clear();
  if (!fs::remove(file, error) && !error) {
    error = std::make_error_code(std::errc::no_such_file_or_directory);
  }
  return !error;
}

bool MakeLocalDirectory(const fs::path& directory, std::error_code& error) {
  if (!fs::create_directory(directory, error) && !error) {
    error = std::make_error_code(std::errc::file_exists);
  }
  return !error;
}

LocalCopy CopyLocalFile(const fs::path& from, const fs::path& to, bool overwrite,
                        std::error_code& error) {
  error.clear();
  const fs::file_status source = fs::status(from, error);
  if (error) {
    return LocalCopy::Failed;
  }
  if (fs::is_directory(source)) {
    error = std::make_error_code(std::errc::is_a_directory);
    return LocalCopy::Failed;
  }
  std::error_code ignored;
  const bool exists = fs::exists(fs::symlink_status(to, ignored));
  if (exists && fs::equivalent(from, to, ignored)) {
    error = std::make_error_code(std::errc::file_exists);
    return LocalCopy::Failed;
  }
  if (exists && !overwrite) {
    error = std::make_error_code(std::errc::file_exists);
    return LocalCopy::DestinationExists;
  }
  const fs::path temporary = CreateFileBeside(to, error);
  if (temporary.empty()) {
    return LocalCopy::Failed;
  }
  fs::copy_file(from, temporary, fs::copy_options::overwrite_existing, error);
  return Commit(temporary, to, error) ? LocalCopy::Copied : LocalCopy::Failed;
}

}  // namespace tollhaven
