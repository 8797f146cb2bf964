#include "handset/handset_path.h"

#include "handset/handset_names.h"
#include "handset/upload_checks.h"

namespace tollhaven {

namespace {

bool UsableComponent(std::string_view component) {
  return !component.empty() && component != "." && component != ".." &&
         component.find('\0') == std::string_view::npos;
}

}  // namespace

std::optional<HandsetPath> HandsetPath::Parse(std::string_view utf8, HandsetPathError& error) {
  const std::optional<std::string> bytes = HandsetNameFromUtf8(utf8);
  if (!bytes) {
    error = HandsetPathError::CannotHold;
    return std::nullopt;
  }
  return FromBytes(*bytes, error);
}

std::optional<HandsetPath> HandsetPath::FromBytes(std::string_view text, HandsetPathError& error) {
  if (text.size() < 2 || text[0] != '/' || text[1] < 'a' || text[1] > 'c' ||
      (text.size() > 2 && text[2] != '/')) {
    error = HandsetPathError::NotOnAVolume;
    return std::nullopt;
  }
  std::string path(text.substr(0, 2));
  std::size_t at = 3;
  while (at < text.size()) {
    std::size_t slash = text.find('/', at);
    if (slash == std::string_view::npos) {
      slash = text.size();
    }
    const std::string_view component = text.substr(at, slash - at);
    // One trailing "/" ends the loop before it; every name before it must be a real one.
    if (!UsableComponent(component)) {
      error = HandsetPathError::BadComponent;
      return std::nullopt;
    }
    path += '/';
    path += component;
    at = slash + 1;
  }
  error = HandsetPathError::None;
  return HandsetPath(std::move(path));
}

std::optional<std::string> HandsetPath::Below(std::string_view handsetDir,
                                              std::string_view relative, HandsetPathError& error) {
  while (!relative.empty() && relative.back() == '/') {
    relative.remove_suffix(1);
  }
  std::string_view rest = relative;
  for (;;) {
    const std::string_view part = rest.substr(0, rest.find('/'));
    if (!UsableComponent(part)) {
      error = HandsetPathError::BadComponent;
      return std::nullopt;
    }
    if (part.size() == rest.size()) {
      error = HandsetPathError::None;
      return JoinHandsetPath(handsetDir, relative);
    }
    rest.remove_prefix(part.size() + 1);
  }
}

HandsetPath HandsetPath::Parent() const {
  if (IsVolume()) {
    return *this;
  }
  return HandsetPath(path_.substr(0, path_.rfind('/')));
}

HandsetPath HandsetPath::Child(std::string_view name) const {
  return HandsetPath(JoinHandsetPath(AsDirectory(), name));
}

std::string HandsetPath::Name() const {
  return IsVolume() ? std::string() : path_.substr(path_.rfind('/') + 1);
}

bool HandsetPath::FitsEntry(uint32_t entrySize) const {
  return path_.size() <= LongestHandsetPath(entrySize);
}

}  // namespace tollhaven
