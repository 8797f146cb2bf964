#include "support/text_helpers.h"

#include <algorithm>
#include <cstring>

namespace tollhaven {

namespace {
// Stands in for a blank inside a quoted argument while the line is split at blanks.
constexpr char kQuotedBlank = static_cast<char>(0xFE);
}  // namespace

int GetCommandLineArg(std::string_view commandLine, int n, std::string& destination) {
  if (std::count(commandLine.begin(), commandLine.end(), '"') % 2 != 0) {
    return kArgUnbalancedQuotes;
  }
  // The working copy is as large as the command line, however long it is.
  std::string work(commandLine);
  bool quoted = false;
  for (char& c : work) {
    if (c == '\t') {
      c = ' ';
    }
    if (c == '"') {
      quoted = !quoted;
    } else if (quoted && c == ' ') {
      c = kQuotedBlank;
    }
  }
  std::size_t at = work.find_first_not_of(' ');
  for (int skipped = 0; skipped < n && at != std::string::npos; ++skipped) {
    at = work.find(' ', at);
    if (at != std::string::npos) {
      at = work.find_first_not_of(' ', at);
    }
  }
  if (at == std::string::npos) {
    destination.clear();
    return kArgMissing;
  }
  std::size_t end = work.find(' ', at);
  std::string_view argument =
      std::string_view(work).substr(at, end == std::string::npos ? end : end - at);
  destination.clear();
  for (char c : argument) {
    if (c == '"') {
      continue;
    }
    destination.push_back(c == kQuotedBlank ? ' ' : c);
  }
  return destination.empty() ? kArgEmpty : kArgFound;
}

uint32_t ParseDecimal(std::string_view text) {
  uint32_t value = 0;
  for (char c : text) {
    if (c == '\0') {
      break;
    }
    value = value * 10u + static_cast<uint32_t>(static_cast<unsigned char>(c) - 48u);
  }
  return value;
}

uint32_t ParseHex(std::string_view text) {
  text = text.substr(0, std::min(text.find('\0'), text.size()));
  uint32_t value = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    uint32_t digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      digit = (c - 'a' + 10) & 0xFu;
    }
    std::size_t shift = 4 * (text.size() - 1 - i);
    if (shift < 32) {
      value |= digit << shift;
    }
  }
  return value;
}

std::string FormatDecimal(int32_t value) {
  return std::to_string(value);
}

std::string FormatHex8(uint32_t value) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text(8, '0');
  for (int i = 7; i >= 0; --i) {
    text[static_cast<std::size_t>(i)] = kDigits[value & 0xFu];
    value >>= 4;
  }
  return text;
}

std::size_t TextLength(const char* text) {
  return std::strlen(text);
}

int FindText(int start, std::string_view text, std::string_view pattern) {
  if (start < 1) {
    return -2;
  }
  if (pattern.size() >= text.size()) {
    return -1;
  }
  if (static_cast<std::size_t>(start) > text.size() - pattern.size() + 1) {
    return -2;
  }
  std::size_t found = text.find(pattern, static_cast<std::size_t>(start - 1));
  return found == std::string_view::npos ? 0 : static_cast<int>(found) + 1;
}

std::ptrdiff_t FindBytes(std::size_t start, const uint8_t* block, std::size_t blockLength,
                         const uint8_t* pattern, std::size_t patternLength) {
  if (patternLength == 0 || start > blockLength || blockLength - start < patternLength) {
    return -1;
  }
  const uint8_t* end = block + blockLength;
  const uint8_t* found = std::search(block + start, end, pattern, pattern + patternLength);
  return found == end ? -1 : found - block;
}

namespace {

char Lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

std::string_view Trim(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!text.empty() && blank(text.front())) {
    text.remove_prefix(1);
  }
  while (!text.empty() && blank(text.back())) {
    text.remove_suffix(1);
  }
  return text;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return Lower(x) == Lower(y); });
}

bool ContainsNoCase(std::string_view text, std::string_view part) {
  return std::search(text.begin(), text.end(), part.begin(), part.end(),
                     [](char x, char y) { return Lower(x) == Lower(y); }) != text.end();
}

// The lines of a text, each without its line feed (a carriage return stays with its line).
std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    lines.push_back(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
  }
  return lines;
}

// Whether `text` is well-formed UTF-8 (no overlong forms, no surrogates).
bool IsUtf8(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size()) {
    const auto lead = static_cast<unsigned char>(text[at]);
    int follow;
    uint32_t code;
    if (lead < 0x80) {
      ++at;
      continue;
    } else if ((lead & 0xE0) == 0xC0) {
      follow = 1;
      code = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
      follow = 2;
      code = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
      follow = 3;
      code = lead & 0x07;
    } else {
      return false;
    }
    if (at + static_cast<std::size_t>(follow) >= text.size()) {
      return false;
    }
    for (int i = 1; i <= follow; ++i) {
      const auto next = static_cast<unsigned char>(text[at + i]);
      if ((next & 0xC0) != 0x80) {
        return false;
      }
      code = (code << 6) | (next & 0x3F);
    }
    constexpr uint32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
    if (code < kSmallest[follow] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
      return false;
    }
    at += static_cast<std::size_t>(follow) + 1;
  }
  return true;
}

bool HasControlCharacter(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
  });
}

}  // namespace tollhaven
