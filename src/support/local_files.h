#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string_view>
#include <system_error>

namespace tollhaven {

// Local file operations of the panels and the transfers. Each tells why it failed in `error`,
// for the one log line the caller writes.

// Opens a regular file for reading bytes, whatever characters its path holds, without ever
// waiting: a FIFO, a device or a directory is not read (null, `error` operation not supported
// or is a directory), and the open itself cannot block on one.
std::FILE* OpenRegularFileForReading(const std::filesystem::path& file, std::error_code& error);

// Creates an empty file of a name no other file has, hidden in the directory of `file`, for the
// new contents of `file` to be written to before they replace it. Its name fits the directory
// whenever the name of `file` does. Returns its path, or an empty path with `error` set.
std::filesystem::path CreateFileBeside(const std::filesystem::path& file, std::error_code& error);

// Writes `contents` to a new file beside `file` and renames it over `file` only once every byte
// is written, so a failure never costs the previous file nor any other file of the directory.
// The replaced file keeps its permissions; a symbolic link stays and its target gets the contents.
bool WriteFileReplacing(const std::filesystem::path& file, std::string_view contents,
                        std::error_code& error);

// Deletes a file. A directory is not removed (error: is a directory).
bool DeleteLocalFile(const std::filesystem::path& file, std::error_code& error);

bool MakeLocalDirectory(const std::filesystem::path& directory, std::error_code& error);

enum class LocalCopy { Copied, DestinationExists, Failed };
// Copies the file `from` to `to`. Without `overwrite` an existing `to` is left alone
// (DestinationExists); with it, `to` is replaced only once the whole copy is written beside it,
// as WriteFileReplacing replaces a file (permissions kept, links followed).
// A directory is not copied (error: is a directory), nor a file onto itself.
LocalCopy CopyLocalFile(const std::filesystem::path& from, const std::filesystem::path& to,
                        bool overwrite, std::error_code& error);

}  // namespace tollhaven
