#include "mount/attribute_codec.h"

#include <algorithm>
#include <cctype>

#include "support/text_helpers.h"

namespace tollhaven::mount {

std::string FormatOwner(uint32_t owner) {
  return FormatHex8(owner).substr(6);
}

std::string FormatAttributeWord(uint32_t word) {
  return FormatHex8(word).substr(4);
}

std::optional<uint32_t> ParseAttributeWord(std::string_view text) {
  const std::string_view ignored(" \t\r\n\0", 5);
  while (!text.empty() && ignored.find(text.back()) != std::string_view::npos) {
    text.remove_suffix(1);
  }
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
  }
  const bool hex = std::all_of(text.begin(), text.end(),
                               [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
  if (text.empty() || text.size() > 4 || !hex) {
    return std::nullopt;
  }
  return ParseHex(text);
}

}  // namespace tollhaven::mount
