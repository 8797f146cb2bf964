#include <windows.h>

#include <cstdlib>
#include <string>
#include <system_error>

#include "support/app_paths.h"

namespace tollhaven {

std::filesystem::path ExecutableDirectory() {
  // Wide, so a folder whose name the ANSI code page cannot spell is found too.
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) {
      return {};
    }
    if (length < buffer.size()) {
      buffer.resize(length);
      return std::filesystem::path(buffer).parent_path();
    }
    if (buffer.size() >= 32768) {
      return {};
    }
    buffer.resize(buffer.size() * 2);
  }
}

bool IsWritableDirectory(const std::filesystem::path& directory) {
  // Windows' access rights are not told by attributes: try to make a file there.
  const std::filesystem::path probe = directory / L".tollhaven-write-test";
  HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    // Left by a program that ended before it could remove it: the folder is writable then too.
    return GetLastError() == ERROR_FILE_EXISTS;
  }
  CloseHandle(file);
  return true;
}

std::filesystem::path UserConfigBase() {
  if (const wchar_t* appData = _wgetenv(L"APPDATA"); appData && appData[0] != L'\0') {
    const std::filesystem::path base(appData);
    if (base.is_absolute()) {
      return base;
    }
  }
  return {};
}

std::vector<std::filesystem::path> SystemDataDirectories() {
  std::vector<std::filesystem::path> directories;
  if (const wchar_t* data = _wgetenv(L"ProgramData"); data && data[0] != L'\0') {
    const std::filesystem::path base(data);
    if (base.is_absolute()) {
      directories.push_back(base);
    }
  }
  return directories;
}

}  // namespace tollhaven
