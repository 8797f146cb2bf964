#include "emulator/utf16_text.h"

#include <algorithm>

#include "emulator/wire_bytes.h"

namespace p2ksim {

bool DecodeUtf16Text(const std::vector<uint8_t>& payload, std::size_t offset,
                     std::u16string& text) {
  std::size_t i = offset;
  for (; i + 1 < payload.size(); i += 2) {
    const auto c = static_cast<char16_t>(GetBe16(payload.data() + i));
    if (c == 0) {
      break;
    }
    text.push_back(c);
  }
  const auto rest = payload.begin() + static_cast<std::ptrdiff_t>(std::min(i, payload.size()));
  return std::all_of(rest, payload.end(), [](uint8_t b) { return b == 0; });
}

bool StartsWithName(const std::u16string& text, const std::string& name) {
  return text.size() >= name.size() &&
         std::equal(name.begin(), name.end(), text.begin(),
                    [](char a, char16_t b) { return static_cast<uint8_t>(a) == b; });
}

}  // namespace p2ksim
