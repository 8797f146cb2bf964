#include "cli/backup_manifest.h"

#include <charconv>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "handset/handset_names.h"

namespace tollhaven::cli {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kHeader = "# tollhaven backup manifest 1";
constexpr std::string_view kColumns = "# size, owner, attribute word, handset path";
// Two thousand files take some 100 KB; anything far beyond that is not a manifest of ours.
constexpr uintmax_t kLargestManifest = 64u * 1024u * 1024u;

std::string Escaped(std::string_view utf8) {
  std::string text;
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\\') {
      text += "\\\\";
    } else if (byte < 0x20 || byte == 0x7F) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02X", byte);
      text += escape;
    } else {
      text += c;
    }
  }
  return text;
}

std::optional<std::string> Unescaped(std::string_view text) {
  std::string plain;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      plain += text[i];
      continue;
    }
    if (i + 1 < text.size() && text[i + 1] == '\\') {
      plain += '\\';
      ++i;
      continue;
    }
    unsigned value = 0;
    if (i + 3 >= text.size() || text[i + 1] != 'x' ||
        std::from_chars(text.data() + i + 2, text.data() + i + 4, value, 16).ptr !=
            text.data() + i + 4) {
      return std::nullopt;
    }
    plain += static_cast<char>(value);
    i += 3;
  }
  return plain;
}

template <typename Number>
bool ParseNumber(std::string_view text, int base, std::size_t digits, Number& value) {
  if (text.empty() || (digits != 0 && text.size() != digits)) {
    return false;
  }
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  return error == std::errc() && end == text.data() + text.size();
}

// One line of the manifest; false, with `error` set, when it is none this program writes.
bool ParseLine(std::string_view line, ManifestEntry& entry, std::string& error) {
  std::string_view fields[4];
  for (int i = 0; i < 3; ++i) {
    const std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos) {
      error = "fewer than four fields";
      return false;
    }
    fields[i] = line.substr(0, tab);
    line.remove_prefix(tab + 1);
  }
  fields[3] = line;
  if (!ParseNumber(fields[0], 10, 0, entry.size) || !ParseNumber(fields[1], 16, 2, entry.owner) ||
      !ParseNumber(fields[2], 16, 4, entry.attributeWord)) {
    error = "a size, owner or attribute word that is no number of its kind";
    return false;
  }
  const std::optional<std::string> utf8 = Unescaped(fields[3]);
  const std::optional<std::string> path = utf8 ? HandsetNameFromUtf8(*utf8) : std::nullopt;
  if (!path || !BackupPathOf(fs::path(), *path)) {
    error = "a path that is no file of a handset volume";
    return false;
  }
  entry.path = *path;
  return true;
}

}  // namespace

std::string ManifestText(const Manifest& manifest) {
  std::string text = std::string(kHeader) + "\n" + std::string(kColumns) + "\n";
  for (const auto& [path, entry] : manifest) {
    char numbers[48];
    std::snprintf(numbers, sizeof numbers, "%u\t%02X\t%04X\t", static_cast<unsigned>(entry.size),
                  static_cast<unsigned>(entry.owner), static_cast<unsigned>(entry.attributeWord));
    text += numbers + Escaped(Utf8FromHandsetName(path)) + "\n";
  }
  return text;
}

ManifestRead ReadManifest(const fs::path& file, Manifest& manifest, std::string& error) {
  manifest.clear();
  std::error_code failure;
  if (!fs::exists(file, failure)) {
    return ManifestRead::Missing;
  }
  const uintmax_t size = fs::file_size(file, failure);
  if (failure || size > kLargestManifest) {
    error = failure ? failure.message() : "far too large for a manifest";
    return ManifestRead::NotAManifest;
  }
  std::ifstream in(file, std::ios::binary);
  std::string line;
  if (!in || !std::getline(in, line) || line != kHeader) {
    error = "no backup manifest of this program";
    return ManifestRead::NotAManifest;
  }
  for (std::size_t number = 2; std::getline(in, line); ++number) {
    if (line.empty() || line.front() == '#') {
      continue;
    }
    ManifestEntry entry;
    std::string why;
    if (!ParseLine(line, entry, why)) {
      error = "line " + std::to_string(number) + ": " + why;
      manifest.clear();
      return ManifestRead::Malformed;
    }
    if (!manifest.emplace(entry.path, entry).second) {
      error = "line " + std::to_string(number) + ": a path listed twice";
      manifest.clear();
      return ManifestRead::Malformed;
    }
  }
  if (in.bad()) {
    error = "cannot be read to its end";
    manifest.clear();
    return ManifestRead::Malformed;
  }
  return ManifestRead::Read;
}

std::optional<fs::path> BackupPathOf(const fs::path& directory, std::string_view handsetPath) {
  if (handsetPath.size() < 4 || handsetPath[0] != '/' || handsetPath[1] < 'a' ||
      handsetPath[1] > 'c' || handsetPath[2] != '/') {
    return std::nullopt;
  }
  fs::path local = directory / std::string(1, handsetPath[1]);
  std::string_view rest = handsetPath.substr(3);
  while (true) {
    const std::size_t slash = rest.find('/');
    const std::string_view name = rest.substr(0, slash);
    if (!IsSafeLocalName(name)) {
      return std::nullopt;
    }
    local = LocalPathForHandsetName(local, name);
    if (slash == std::string_view::npos) {
      return local;
    }
    rest.remove_prefix(slash + 1);
  }
}

}  // namespace tollhaven::cli
