// A ".config" of any length and content.

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fuzz_temp.h"
#include "support/settings.h"

using namespace tollhaven;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::filesystem::path file = fuzz::TempDirectory() / kSettingsFileName;
  fuzz::WriteFile(file, data, size);
  Settings settings;
  LoadSettings(settings, file);
  // What was loaded is saved and loaded again unchanged.
  if (!SaveSettings(settings, file)) {
    return 0;
  }
  Settings again;
  LoadSettings(again, file);
  // Thirteen 32-bit fields and no padding: the bytes compare as the fields do.
  if (std::memcmp(&again, &settings, sizeof settings) != 0) {
    abort();
  }
  return 0;
}
