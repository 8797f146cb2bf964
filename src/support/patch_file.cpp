#include "support/patch_file.h"

#include <algorithm>
#include <cstdio>
#include <new>

#include "support/local_files.h"

namespace tollhaven {

namespace fs = std::filesystem;

namespace {

constexpr char kCarriageReturn = '\r';

}  // namespace

std::vector<std::string> SplitPatchLines(std::string_view text) {
  std::vector<std::string> lines;
  if (text.find(kCarriageReturn) == std::string_view::npos) {
    return lines;
  }
  // False once the line is empty: the lines end there.
  const auto add = [&lines](std::string_view line) {
    line = line.substr(0, line.find('\0'));
    if (line.empty()) {
      return false;
    }
    lines.emplace_back(line);
    return true;
  };
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find(kCarriageReturn, start);
    if (end == std::string_view::npos) {
      if (start < text.size()) {
        add(text.substr(start));
      }
      return lines;
    }
    if (!add(text.substr(start, end - start))) {
      return lines;
    }
    // The CR and the byte after it; a CR at the very end ends the text.
    start = end + 2;
    if (start >= text.size()) {
      return lines;
    }
  }
}

std::optional<std::vector<std::string>> ReadPatchFile(const fs::path& file,
                                                      std::error_code& error) {
  error.clear();
  if (!fs::is_regular_file(file, error)) {
    if (!error) {
      error = std::make_error_code(std::errc::invalid_argument);
    }
    return std::nullopt;
  }
  const uintmax_t length = fs::file_size(file, error);
  if (error) {
    return std::nullopt;
  }
  if (length > kMaxPatchFileSize) {
    error = std::make_error_code(std::errc::file_too_large);
    return std::nullopt;
  }
  std::FILE* in = OpenRegularFileForReading(file, error);
  if (in == nullptr) {
    return std::nullopt;
  }
  std::string text;
  try {
    // One byte more than the limit tells a file that grew past it since its size was taken.
    text.resize(kMaxPatchFileSize + 1 < length + 1 ? kMaxPatchFileSize + 1
                                                   : static_cast<std::size_t>(length) + 1);
  } catch (const std::bad_alloc&) {
    std::fclose(in);
    error = std::make_error_code(std::errc::not_enough_memory);
    return std::nullopt;
  }
  std::size_t read = 0;
  for (;;) {
    if (read == text.size()) {
      // Grown while it was read: take what is there, up to the limit.
      if (text.size() > kMaxPatchFileSize) {
        break;
      }
      text.resize(std::min(text.size() * 2, kMaxPatchFileSize + 1));
    }
    const std::size_t got = std::fread(text.data() + read, 1, text.size() - read, in);
    read += got;
    if (got == 0) {
      break;
    }
  }
  const bool failed = std::ferror(in) != 0;
  std::fclose(in);
  if (failed) {
    error = std::make_error_code(std::errc::io_error);
    return std::nullopt;
  }
  if (read > kMaxPatchFileSize) {
    error = std::make_error_code(std::errc::file_too_large);
    return std::nullopt;
  }
  text.resize(read);
  return SplitPatchLines(text);
}

PatchLine ParsePatchLine(std::string_view line) {
  static constexpr struct {
    std::string_view letters;
    PatchCommand command;
  } kCommands[] = {
      {"cp", PatchCommand::Load},          {"to", PatchCommand::Upload},
      {"md", PatchCommand::MakeDirectory}, {"rd", PatchCommand::RemoveDirectory},
      {"rm", PatchCommand::RemoveFile},    {"at", PatchCommand::AttributeValue},
      {"sa", PatchCommand::SetAttributes},
  };
  if (line.size() < 3 || line[2] != ' ') {
    return {};
  }
  for (const auto& known : kCommands) {
    if (line.substr(0, 2) == known.letters) {
      return {known.command, line.substr(3)};
    }
  }
  return {};
}

}  // namespace tollhaven
