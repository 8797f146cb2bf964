#include "emulator/handset_paths.h"

namespace p2ksim {

bool IsPathInPartition(std::string_view path) {
  if (path.size() < 4 || path[0] != '/' || path[1] < 'a' || path[1] > 'c' || path[2] != '/') {
    return false;
  }
  return path.back() != '/' && path.find("//") == std::string_view::npos;
}

std::string DirectoryPath(std::string path) {
  while (path.size() > 2 && path.back() == '/') {
    path.pop_back();
  }
  return path;
}

}  // namespace p2ksim
