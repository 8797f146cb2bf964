#include "support/replace_file.h"

#include <fstream>
#include <system_error>

namespace tollhaven {

bool ReplaceFile(const std::filesystem::path& file, std::string_view contents) {
  std::filesystem::path temporary = file;
  temporary += ".new";
  bool written;
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) {
      return false;
    }
    out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
    out.flush();
    written = static_cast<bool>(out);
  }
  std::error_code error;
  if (written) {
    std::filesystem::rename(temporary, file, error);
  }
  if (!written || error) {
    std::filesystem::remove(temporary, error);
    return false;
  }
  return true;
}

}  // namespace tollhaven
