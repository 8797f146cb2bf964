#include "support/update_version.h"

namespace tollhaven {
namespace {

constexpr std::size_t kKeyLength = 4;
constexpr std::size_t kAddressStart = 5;

std::string_view Limited(std::string_view document) {
  return document.substr(0, kUpdateDocumentLimit);
}

// The text before a zero byte: the server's documents are plain text, and a zero byte in one
// cannot be shown or opened.
std::string_view BeforeZero(std::string_view text) {
  return text.substr(0, text.find('\0'));
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) {
    return false;
  }
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
    if (c != prefix[i]) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::string UpdateVersionKey(std::string_view caption) {
  const std::size_t n = caption.size();
  if (n < 6) {
    return {};
  }
  return {caption[n - 6], caption[n - 5], caption[n - 3], caption[n - 1]};
}

LatestRelease ParseLatest(std::string_view document) {
  const std::string_view text = Limited(document);
  LatestRelease latest;
  latest.key = std::string(text.substr(0, kKeyLength));
  if (text.size() > kAddressStart) {
    std::string_view address = BeforeZero(text.substr(kAddressStart));
    // A document written with an editor ends in a line break, which is no part of the address.
    while (!address.empty() && (address.back() == '\r' || address.back() == '\n' ||
                                address.back() == ' ' || address.back() == '\t')) {
      address.remove_suffix(1);
    }
    latest.address = std::string(address);
  }
  return latest;
}

bool IsSameRelease(const LatestRelease& latest, std::string_view versionKey) {
  return versionKey.size() == kKeyLength && latest.key == versionKey;
}

std::string UpdateMessageText(std::string_view document) {
  return std::string(BeforeZero(Limited(document)));
}

bool MayOpenUpdateAddress(std::string_view address) {
  for (const char c : address) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte >= 0x7F) {
      return false;
    }
  }
  std::string_view rest;
  if (StartsWithNoCase(address, "http://")) {
    rest = address.substr(7);
  } else if (StartsWithNoCase(address, "https://")) {
    rest = address.substr(8);
  } else {
    return false;
  }
  const std::string_view authority = rest.substr(0, rest.find_first_of("/?#"));
  // A user name before the host ("http://trusted.example@elsewhere/") hides where the link goes.
  if (authority.find('@') != std::string_view::npos) {
    return false;
  }
  const std::string_view host = authority.substr(0, authority.rfind(':'));
  return !host.empty() && authority.find('\\') == std::string_view::npos;
}

}  // namespace tollhaven
