#include "support/local_files.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <random>
#include <string>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

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

// The name a temporary file gets beside one called `name`: hidden, marked as ours, and never
// longer than the longest name a directory holds when `name` itself fits there.
std::u8string TemporaryName(const std::u8string& name, const std::string& suffix) {
  constexpr std::size_t kLongestName = 255;
  const std::u8string before = u8".";
  const std::u8string marker = u8".tollhaven-";
  const std::size_t room = kLongestName - before.size() - marker.size() - suffix.size();
  std::size_t kept = std::min(name.size(), room);
  // Cut between characters, so that a file system that takes characters takes the name.
  while (kept > 0 && kept < name.size() &&
         (static_cast<unsigned char>(name[kept]) & 0xC0) == 0x80) {
    --kept;
  }
  std::u8string temporary = before + name.substr(0, kept) + marker;
  temporary.append(suffix.begin(), suffix.end());
  return temporary;
}

// The file that a replacement of `file` is to replace: where `file` is a symbolic link, the
// file it leads to (through every link on the way), so that the link itself stays.
fs::path ReplacedFile(const fs::path& file, std::error_code& error) {
  constexpr int kMostLinks = 40;
  fs::path current = file;
  for (int links = 0; links <= kMostLinks; ++links) {
    std::error_code ignored;
    if (!fs::is_symlink(fs::symlink_status(current, ignored))) {
      return current;
    }
    const fs::path target = fs::read_symlink(current, error);
    if (error) {
      return {};
    }
    current = target.is_absolute() ? target : current.parent_path() / target;
  }
  error = std::make_error_code(std::errc::too_many_symbolic_link_levels);
  return {};
}

// Gives `temporary` the permissions of the file it is about to replace, so a replaced file keeps
// who may read, write or run it. A new file keeps the permissions it was made with.
void KeepPermissions(const fs::path& temporary, const fs::path& replaced, std::error_code& error) {
  std::error_code ignored;
  const fs::file_status old = fs::status(replaced, ignored);
  if (!error && fs::is_regular_file(old)) {
    fs::permissions(temporary, old.permissions(), fs::perm_options::replace, error);
  }
}

// Renames `temporary` over `file`, or removes it when that fails or `error` is already set.
bool Commit(const fs::path& temporary, const fs::path& file, std::error_code& error) {
  KeepPermissions(temporary, file, error);
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

std::FILE* OpenRegularFileForReading(const fs::path& file, std::error_code& error) {
  error.clear();
#ifdef _WIN32
  errno = 0;
  std::FILE* in = _wfopen(file.c_str(), L"rb");
  if (in == nullptr) {
    error = LastError();
  }
  return in;
#else
  // Without O_NONBLOCK, opening a FIFO waits for a writer that may never come.
  const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    error = LastError();
    return nullptr;
  }
  struct stat status {};
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    error = S_ISDIR(status.st_mode) ? std::make_error_code(std::errc::is_a_directory)
                                    : std::make_error_code(std::errc::operation_not_supported);
    ::close(fd);
    return nullptr;
  }
  std::FILE* in = ::fdopen(fd, "rb");
  if (in == nullptr) {
    error = LastError();
    ::close(fd);
  }
  return in;
#endif
}

fs::path CreateFileBeside(const fs::path& file, std::error_code& error) {
  const std::u8string name = file.filename().u8string();
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path temporary = file.parent_path() / fs::path(TemporaryName(name, UniqueSuffix()));
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

bool WriteFileReplacing(const fs::path& link, std::string_view contents, std::error_code& error) {
  const fs::path file = ReplacedFile(link, error);
  if (file.empty()) {
    return false;
  }
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
  const fs::path replaced = ReplacedFile(to, error);
  if (replaced.empty()) {
    return LocalCopy::Failed;
  }
  const fs::path temporary = CreateFileBeside(replaced, error);
  if (temporary.empty()) {
    return LocalCopy::Failed;
  }
  fs::copy_file(from, temporary, fs::copy_options::overwrite_existing, error);
  return Commit(temporary, replaced, error) ? LocalCopy::Copied : LocalCopy::Failed;
}

}  // namespace tollhaven
