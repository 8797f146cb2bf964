#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tollhaven {

// Why a text is not a handset path.
enum class HandsetPathError {
  None,
  CannotHold,    // a character the handset's 8-bit names have no byte for
  NotOnAVolume,  // does not begin with /a, /b or /c
  BadComponent,  // an empty, "." or ".." name, or a zero byte
};

// A path on the handset, in the handset's 8-bit bytes (not UTF-8): "/a" for a volume itself,
// "/a/mobile/audio" for anything below, never with a trailing "/".
class HandsetPath {
 public:
  // Takes a UTF-8 path apart (one trailing "/" is allowed). nullopt, with `error` set, for a path
  // outside /a /b /c, an empty, "." or ".." component, or a character the handset cannot hold.
  static std::optional<HandsetPath> Parse(std::string_view utf8, HandsetPathError& error);
  // The same for a path already in the handset's bytes.
  static std::optional<HandsetPath> FromBytes(std::string_view bytes, HandsetPathError& error);
  // A name typed below the directory `handsetDir` ("/a/audio/"), in bytes, which may itself
  // name directories below ("new/deeper"); trailing "/" are dropped. nullopt when a component
  // is not a usable name (error BadComponent).
  static std::optional<std::string> Below(std::string_view handsetDir, std::string_view relative,
                                          HandsetPathError& error);

  char volume() const { return path_[1]; }
  bool IsVolume() const { return path_.size() == 2; }
  // The whole path, "/a/mobile/audio".
  const std::string& bytes() const { return path_; }
  // The directory it lies in, "/a/mobile" (the volume for the volume itself).
  HandsetPath Parent() const;
  // `name` inside this directory; `name` must be a usable name.
  HandsetPath Child(std::string_view name) const;
  // The last name ("audio"; empty for a volume).
  std::string Name() const;
  // The path with a trailing "/": how the handset layers name a directory.
  std::string AsDirectory() const { return path_ + "/"; }
  // True when the handset's list entries of `entrySize` bytes carry the path whole.
  bool FitsEntry(uint32_t entrySize) const;

 private:
  explicit HandsetPath(std::string path) : path_(std::move(path)) {}
  std::string path_;
};

}  // namespace tollhaven
