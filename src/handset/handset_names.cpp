#include "handset/handset_names.h"

namespace tollhaven {

std::optional<std::string> HandsetNameFromUtf8(std::string_view utf8) {
  std::string latin1;
  latin1.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto byte = static_cast<unsigned char>(utf8[i]);
    if (byte < 0x80) {
      latin1 += static_cast<char>(byte);
      continue;
    }
    // U+0080 to U+00FF are the two-byte sequences C2 xx and C3 xx; anything else has no
    // Latin-1 form, or is no UTF-8 at all.
    if ((byte != 0xC2 && byte != 0xC3) || i + 1 >= utf8.size()) {
      return std::nullopt;
    }
    const auto next = static_cast<unsigned char>(utf8[i + 1]);
    if ((next & 0xC0) != 0x80) {
      return std::nullopt;
    }
    latin1 += static_cast<char>(((byte & 0x03) << 6) | (next & 0x3F));
    ++i;
  }
  return latin1;
}

std::string Utf8FromHandsetName(std::string_view handsetName) {
  std::string utf8;
  utf8.reserve(handsetName.size());
  for (char c : handsetName) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      utf8 += c;
    } else {
      utf8 += static_cast<char>(0xC0 | (byte >> 6));
      utf8 += static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return utf8;
}

std::filesystem::path LocalPathForHandsetName(const std::filesystem::path& directory,
                                              std::string_view handsetName) {
  const std::string utf8 = Utf8FromHandsetName(handsetName);
  return directory / std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8FileName(const std::filesystem::path& path) {
  const std::u8string name = path.filename().u8string();
  return std::string(name.begin(), name.end());
}

bool IsSafeLocalName(std::string_view handsetName) {
#ifdef _WIN32
  // Windows also takes "\\" as a separator and "C:" as a drive.
  constexpr std::string_view kSeparators("/\\:\0", 4);
#else
  constexpr std::string_view kSeparators("/\0", 2);
#endif
  return !handsetName.empty() && handsetName != "." && handsetName != ".." &&
         handsetName.find_first_of(kSeparators) == std::string_view::npos;
}

std::string JoinHandsetPath(std::string_view handsetDir, std::string_view name) {
  std::string path(handsetDir);
  path += name;
  return path;
}

}  // namespace tollhaven
