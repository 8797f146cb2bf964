#pragma once

#include <QString>
#include <cstddef>
#include <string>

namespace tollhaven {

// Names and paths entered in the small dialogs end up in 256-byte buffers elsewhere in the
// program: at most 254 bytes of text, so there is always room for the terminator and a spare.
inline constexpr std::size_t kDialogTextLimit = 254;

// The UTF-8 form of `text`, cut to at most `maxBytes` bytes without splitting a character.
std::string Utf8Prefix(const QString& text, std::size_t maxBytes = kDialogTextLimit);

}  // namespace tollhaven
