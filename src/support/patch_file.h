#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace tollhaven {

// A patch file (".tlhv") is 8-bit text whose lines are commands that install things on the
// handset. Its bytes are kept as they are: the paths in it go to the handset unchanged.

// A file larger than this is no patch file; reading one is refused, so that a stray argument
// (a disc image, a device) cannot fill the memory.
inline constexpr std::size_t kMaxPatchFileSize = 16u * 1024u * 1024u;

// The lines of a patch file's text:
// - Lines end at a CR (0x0D); the byte after each CR is dropped whatever it is (the LF of CR LF).
//   A CR that is the text's last byte ends the text.
// - A text without any CR holds no lines. The text after the last CR and its dropped byte, if
//   not empty, is a line too.
// - A line's text ends at its first zero byte, so that what the dialog lists is exactly what
//   runs.
// - The lines end at the first empty line: nothing after it is returned.
std::vector<std::string> SplitPatchLines(std::string_view text);

// Reads a patch file whole and splits it. nullopt, with `error` set, when it cannot be opened
// or read, is not a regular file, or is larger than kMaxPatchFileSize.
std::optional<std::vector<std::string>> ReadPatchFile(const std::filesystem::path& file,
                                                      std::error_code& error);

// The seven commands of a patch file.
enum class PatchCommand {
  Ignored,          // anything else: listed, never run
  Load,             // "cp": a local file, relative to the patch file's directory
  Upload,           // "to": the handset path the loaded file is written to
  MakeDirectory,    // "md": a handset directory to create, with its placeholder file
  RemoveDirectory,  // "rd": a handset directory to remove
  RemoveFile,       // "rm": a handset file to delete
  AttributeValue,   // "at": the decimal attribute value of the following "sa" lines
  SetAttributes,    // "sa": a handset file to give the attribute value
};

struct PatchLine {
  PatchCommand command = PatchCommand::Ignored;
  std::string_view argument;  // the text after the first three characters of the line
};

// A line is a command only when it is exactly two lower-case letters naming one of the seven,
// one space (0x20) and its argument; other letters, upper case, a tab or a missing space make
// it an ignored line.
PatchLine ParsePatchLine(std::string_view line);

}  // namespace tollhaven
