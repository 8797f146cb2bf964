#pragma once

#include <filesystem>
#include <string_view>

namespace tollhaven {

// Writes `contents` to `file` by writing a new file beside it and renaming that over it, so a
// write that fails part-way never costs the previous file. Returns false when nothing was
// replaced.
bool ReplaceFile(const std::filesystem::path& file, std::string_view contents);

}  // namespace tollhaven
