#pragma once

#include <string>
#include <string_view>

namespace tollhaven::cli {

// `utf8` as a JSON string, quotes included. Names shown by the tool are always valid UTF-8 (they
// come from the handset's Latin-1 bytes), so only the characters JSON reserves are escaped.
std::string JsonString(std::string_view utf8);

}  // namespace tollhaven::cli
