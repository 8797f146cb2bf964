// The desktop integration on Windows: the file types and the companion's Run value in the
// registry, and a named mutex as the companion's stop signal.
#include <shlobj.h>
#include <windows.h>

#include <QDir>
#include <optional>
#include <string>
#include <vector>

#include "support/shell_integration.h"
#include "support/ui/shell_integration.h"

namespace tollhaven {

namespace {

// Per-user classes: a program without administrator rights may write them, and the merged
// HKEY_CLASSES_ROOT view lets them win over the machine's.
constexpr const wchar_t* kClasses = L"Software\\Classes\\";
constexpr const wchar_t* kRunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const wchar_t* kProgId = L"Tollhaven";

std::wstring Native(const std::filesystem::path& path) {
  return QDir::toNativeSeparators(QString::fromStdWString(path.wstring())).toStdWString();
}

std::wstring Wide(std::string_view text) {
  return std::wstring(text.begin(), text.end());
}

std::optional<std::wstring> ReadString(HKEY root, const std::wstring& key, const wchar_t* name) {
  DWORD bytes = 0;
  if (RegGetValueW(root, key.c_str(), name, RRF_RT_REG_SZ, nullptr, nullptr, &bytes) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 1, L'\0');
  bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
  if (RegGetValueW(root, key.c_str(), name, RRF_RT_REG_SZ, nullptr, buffer.data(), &bytes) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  return std::wstring(buffer.data());
}

// Gives a string value `data` unless it has it already; true when it wrote. A value of nullptr
// names the key's default value.
bool UpdateString(HKEY root, const std::wstring& key, const wchar_t* name,
                  const std::wstring& data) {
  if (ReadString(root, key, name) == data) {
    return false;
  }
  HKEY handle = nullptr;
  if (RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle, nullptr) !=
      ERROR_SUCCESS) {
    return false;
  }
  const LONG result =
      RegSetValueExW(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                     static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(handle);
  return result == ERROR_SUCCESS;
}

bool KeyExists(HKEY root, const wchar_t* key) {
  HKEY handle = nullptr;
  if (RegOpenKeyExW(root, key, 0, KEY_READ, &handle) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(handle);
  return true;
}

// A path as a command's first word. Quoted, so that "C:\Program Files\..." cannot be taken for
// "C:\Program" with arguments.
std::wstring Quoted(const std::filesystem::path& path) {
  return L"\"" + Native(path) + L"\"";
}

}  // namespace

int ShellIntegration::RegisterAssociations() {
  const std::wstring classes = kClasses;
  const std::wstring progId = kProgId;
  int written = 0;
  written += UpdateString(HKEY_CURRENT_USER, classes + L".tlhv", nullptr, progId);
  written += UpdateString(HKEY_CURRENT_USER, classes + progId + L"\\DefaultIcon", nullptr,
                          Native(executable_) + L",0");
  written += UpdateString(HKEY_CURRENT_USER, classes + progId + L"\\shell\\open\\command", nullptr,
                          Quoted(executable_) + L" \"%1\"");
  // Skin packs belong to the skin tool whenever it is installed.
  const std::wstring skinTool = Wide(kSkinToolName) + L"\\shell\\open\\command";
  if (!KeyExists(HKEY_CLASSES_ROOT, skinTool.c_str())) {
    written += UpdateString(HKEY_CURRENT_USER, classes + L".s4m", nullptr, progId);
  }
  if (written > 0) {
    // Explorer keeps its own idea of the associations until told.
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
  }
  return written;
}

void ShellIntegration::WriteAutoStartEntry(bool autoStart) {
  // A Run value for a program that is not there would start nothing at every log-in.
  if (autoStart && !CompanionPresent(companion_)) {
    return;
  }
  // Turned off, the value stays, empty: the companion's own settings may look for it.
  const std::wstring name = Wide(std::string_view("Lampwick"));
  UpdateString(HKEY_CURRENT_USER, kRunKey, name.c_str(), autoStart ? Quoted(companion_) : L"");
}

void ShellIntegration::RemoveLeftoverStopSignal() {
  // A named mutex goes with the process that held it; none can be left behind.
}

std::function<void()> ShellIntegration::CreateStopSignal() {
  const std::wstring name = Wide(kStopSignalName);
  HANDLE mutex = CreateMutexW(nullptr, TRUE, name.c_str());
  if (mutex == nullptr) {
    return {};
  }
  return [mutex] {
    ReleaseMutex(mutex);
    CloseHandle(mutex);
  };
}

}  // namespace tollhaven
