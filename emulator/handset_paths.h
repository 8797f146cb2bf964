#pragma once

// Paths as the handset's file system knows them: "/a", "/a/mobile", "/a/mobile/x.jpg".

#include <string>
#include <string_view>

namespace p2ksim {

// A path below a partition (/a, /b or /c) with no empty component and no trailing slash.
bool IsPathInPartition(std::string_view path);

// A directory path as stored: trailing slashes dropped, "/a/" becomes "/a".
std::string DirectoryPath(std::string path);

// True when `path` lies below the directory `prefix`, which ends in a slash.
inline bool IsBelow(std::string_view path, std::string_view prefix) {
  return path.substr(0, prefix.size()) == prefix;
}

}  // namespace p2ksim
