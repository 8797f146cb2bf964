#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tollhaven::mount {

// The owner byte and the attribute word as the extended attributes give them: upper-case
// hexadecimal of two and four digits.
std::string FormatOwner(uint32_t owner);
std::string FormatAttributeWord(uint32_t word);

// A hexadecimal word as setfattr passes it: optional 0x, one to four digits, trailing blanks,
// line ends or zero bytes ignored. Nothing for anything else.
std::optional<uint32_t> ParseAttributeWord(std::string_view text);

}  // namespace tollhaven::mount
