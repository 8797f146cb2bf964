#include "support/settings.h"

#include <array>
#include <fstream>

#include "support/replace_file.h"

namespace tollhaven {

namespace {

using SettingsBytes = std::array<uint8_t, kSettingsFileSize>;

// The fields in file order; the window rectangle is stored left, right, top, bottom.
constexpr int32_t Settings::*kFields[] = {
    &Settings::fileLimit,   &Settings::fadeIn,     &Settings::handsetType,  &Settings::windowLeft,
    &Settings::windowRight, &Settings::windowTop,  &Settings::windowBottom, &Settings::partitionA,
    &Settings::partitionB,  &Settings::partitionC, &Settings::showReminder, &Settings::checkUpdate,
    &Settings::autoStart,
};
static_assert(std::size(kFields) * 4 == kSettingsFileSize);

SettingsBytes ToBytes(const Settings& settings) {
  SettingsBytes bytes{};
  std::size_t at = 0;
  for (auto field : kFields) {
    auto value = static_cast<uint32_t>(settings.*field);
    for (int shift = 0; shift < 32; shift += 8) {
      bytes[at++] = static_cast<uint8_t>(value >> shift);
    }
  }
  return bytes;
}

void FromBytes(const SettingsBytes& bytes, Settings& settings) {
  std::size_t at = 0;
  for (auto field : kFields) {
    uint32_t value = 0;
    for (int shift = 0; shift < 32; shift += 8) {
      value |= static_cast<uint32_t>(bytes[at++]) << shift;
    }
    settings.*field = static_cast<int32_t>(value);
  }
}

}  // namespace

void LoadSettings(Settings& settings, const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    return;
  }
  // The bytes read replace the record's first bytes, so a short file (even one that ends inside
  // a field) leaves the rest of the record as it was.
  SettingsBytes bytes = ToBytes(settings);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (in.gcount() > 0) {
    FromBytes(bytes, settings);
  }
}

bool SaveSettings(const Settings& settings, const std::filesystem::path& file) {
  SettingsBytes bytes = ToBytes(settings);
  return ReplaceFile(file,
                     std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

}  // namespace tollhaven
