#include "cli/json_text.h"

#include <cstdio>

namespace tollhaven::cli {

std::string JsonString(std::string_view utf8) {
  std::string text = "\"";
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      text += '\\';
      text += c;
    } else if (byte < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", byte);
      text += escape;
    } else {
      text += c;
    }
  }
  text += '"';
  return text;
}

}  // namespace tollhaven::cli
