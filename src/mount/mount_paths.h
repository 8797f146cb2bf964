#pragma once

#include <string>
#include <string_view>

namespace tollhaven::mount {

// The directory a handset path lies in ("/a/x" for "/a/x/y") and its last name ("y").
inline std::string ParentOf(std::string_view handsetPath) {
  return std::string(handsetPath.substr(0, handsetPath.rfind('/')));
}

inline std::string NameOf(std::string_view handsetPath) {
  return std::string(handsetPath.substr(handsetPath.rfind('/') + 1));
}

}  // namespace tollhaven::mount
