#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace tollhaven::cli {

// What a backup keeps of each file besides its bytes, so that a restore can give the file its
// attributes back and a later backup can tell what changed.
struct ManifestEntry {
  std::string path;  // the handset path, in the handset's bytes
  uint32_t size = 0;
  uint8_t owner = 0;
  uint16_t attributeWord = 0;
};

// Entries by handset path.
using Manifest = std::map<std::string, ManifestEntry>;

// The manifest's file in a backup directory.
inline constexpr std::string_view kManifestName = "tollhaven-backup.txt";

// The manifest as text: a header line, then one line per file, "size TAB owner TAB attribute
// word TAB path", the numbers as decimal, two and four hexadecimal digits, the path in UTF-8
// with "\\" and control characters written as "\\\\" and "\\xHH".
std::string ManifestText(const Manifest& manifest);

enum class ManifestRead {
  Read,
  Missing,
  NotAManifest,  // the file does not begin with the header: someone else's file
  Malformed,     // the header is there, but a line is not one this program writes
};

// Reads a manifest file. For a malformed one `error` tells the line and what is wrong with it;
// a line whose path could not be a file of the backup (outside /a /b /c, "..", a name no local
// file can have) counts as malformed.
ManifestRead ReadManifest(const std::filesystem::path& file, Manifest& manifest,
                          std::string& error);

// Where a backup in `directory` keeps the handset file `handsetPath` ("/a/x/y" is
// directory/a/x/y, each name in the local file-name encoding). nullopt when a name of the path
// could not be a local file name.
std::optional<std::filesystem::path> BackupPathOf(const std::filesystem::path& directory,
                                                  std::string_view handsetPath);

}  // namespace tollhaven::cli
