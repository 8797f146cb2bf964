#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tollhaven {

// The one-byte file written into every directory the program creates on the handset. The
// handset lists files only, so without it an empty directory would not show. The panels leave
// it out of their rows; the name is one that no user file is likely to carry.
inline constexpr std::string_view kPlaceholderName = "~tollhaven";
inline constexpr std::string_view kPlaceholderContents = "5";

// Handset names are 8-bit bytes, shown as Latin-1 and handed back to the handset exactly as it
// gave them. These convert between them and the UTF-8 the user interface and the local file
// system use.

// The Latin-1 bytes of a UTF-8 name, or nullopt when the name is not valid UTF-8 or holds a
// character above U+00FF, which the handset cannot hold.
std::optional<std::string> HandsetNameFromUtf8(std::string_view utf8);
// The UTF-8 form of a handset name.
std::string Utf8FromHandsetName(std::string_view handsetName);
// The local path a handset name is stored under in `directory`: the name in the local file-name
// encoding.
std::filesystem::path LocalPathForHandsetName(const std::filesystem::path& directory,
                                              std::string_view handsetName);
// The UTF-8 form of a local path's file name.
std::string Utf8FileName(const std::filesystem::path& path);

// True when a handset name can be written as a file of a local directory without leaving it:
// not empty, not "." or "..", no separator and no zero byte (which would end the name early).
bool IsSafeLocalName(std::string_view handsetName);

// A handset directory ("/a/audio/") followed by a name: the handset path of the name.
std::string JoinHandsetPath(std::string_view handsetDir, std::string_view name);

}  // namespace tollhaven
