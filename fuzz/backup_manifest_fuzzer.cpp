// The backup manifest a restore or a later backup reads back.

#include <cstdint>
#include <string>

#include "cli/backup_manifest.h"
#include "fuzz_temp.h"

using namespace tollhaven;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::filesystem::path file = fuzz::TempDirectory() / cli::kManifestName;
  fuzz::WriteFile(file, data, size);
  cli::Manifest manifest;
  std::string error;
  if (cli::ReadManifest(file, manifest, error) != cli::ManifestRead::Read) {
    return 0;
  }
  for (const auto& [key, entry] : manifest) {
    cli::BackupPathOf(fuzz::TempDirectory(), entry.path);
  }
  // What was read is written out the same way it came in, and reads back the same.
  fuzz::WriteFile(file, reinterpret_cast<const uint8_t*>(cli::ManifestText(manifest).data()),
                  cli::ManifestText(manifest).size());
  cli::Manifest again;
  if (cli::ReadManifest(file, again, error) != cli::ManifestRead::Read ||
      again.size() != manifest.size()) {
    abort();
  }
  return 0;
}
