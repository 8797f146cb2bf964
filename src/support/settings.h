#pragma once

#include <cstdint>
#include <filesystem>

namespace tollhaven {

// The user's preferences and the main window's position, stored as the 52-byte ".config" file:
// thirteen signed 32-bit little-endian fields in this order, no header.
struct Settings {
  int32_t fileLimit = -1;  // file-list load limit; -1 unlimited
  int32_t fadeIn = 1;
  int32_t handsetType = 1;  // 0 standard, 1 safe (slow) 3G mode, 3 new (fast) 3G mode
  int32_t windowLeft = 0;
  int32_t windowRight = 624;
  int32_t windowTop = 0;
  int32_t windowBottom = 446;
  int32_t partitionA = 1;
  int32_t partitionB = 0;
  int32_t partitionC = 0;
  int32_t showReminder = 1;
  int32_t checkUpdate = 1;
  int32_t autoStart = 1;
};

inline constexpr std::size_t kSettingsFileSize = 52;
inline constexpr const char* kSettingsFileName = ".config";

// Reads up to 52 bytes of `file` over the record: a missing file keeps every default, a short
// one replaces only the leading fields, bytes past 52 are ignored. Nothing is reported.
void LoadSettings(Settings& settings, const std::filesystem::path& file);
// Writes exactly 52 bytes. The new file is written beside the old one and renamed over it, so
// an unwritable file never costs the previous one. Returns false when it could not be written.
bool SaveSettings(const Settings& settings, const std::filesystem::path& file);

}  // namespace tollhaven
