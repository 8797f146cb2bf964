#include "handset/patch_executor.h"

#include <algorithm>
#include <cstdio>
#include <system_error>

#include "handset/handset_names.h"
#include "support/local_files.h"
#include "support/patch_file.h"

namespace tollhaven {

namespace fs = std::filesystem;

namespace {

// A name component of the patch file's bytes as a local path: the bytes themselves where the
// file system takes bytes, Latin-1 where it takes characters.
fs::path PathFromBytes(std::string_view bytes) {
#ifdef _WIN32
  std::wstring wide;
  for (char c : bytes) {
    wide.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
  }
  return fs::path(wide);
#else
  return fs::path(std::string(bytes));
#endif
}

std::string ShownPath(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

std::string Reason(const std::error_code& error) {
  return error.message();
}

// True when `path` lies below `directory` (both canonical).
bool Below(const fs::path& directory, const fs::path& path) {
  auto [inDirectory, inPath] =
      std::mismatch(directory.begin(), directory.end(), path.begin(), path.end());
  return inDirectory == directory.end() && inPath != path.end();
}

bool IsDriveLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}  // namespace

std::optional<fs::path> PatchLocalFile(const fs::path& directory, std::string_view argument) {
  std::string relative(argument);
  std::replace(relative.begin(), relative.end(), '\\', '/');
  if (relative.empty() || relative.front() == '/' ||
      (relative.size() >= 2 && relative[1] == ':' && IsDriveLetter(relative[0]))) {
    return std::nullopt;
  }
  std::vector<std::string_view> parts;
  std::string_view rest(relative);
  while (!rest.empty()) {
    const std::size_t slash = rest.find('/');
    const std::string_view part = rest.substr(0, slash);
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    if (part.empty() || part == ".") {
      continue;
    }
    if (part == "..") {
      if (parts.empty()) {
        return std::nullopt;
      }
      parts.pop_back();
      continue;
    }
    parts.push_back(part);
  }
  if (parts.empty()) {
    return std::nullopt;
  }
  fs::path file = directory;
  for (std::string_view part : parts) {
    file /= PathFromBytes(part);
  }
  return file;
}

PatchExecutor::PatchExecutor(HandsetFiles& files, EventLog& log, ProgressSink& progress,
                             fs::path patchDirectory)
    : files_(files), log_(log), progress_(progress), directory_(std::move(patchDirectory)) {}

void PatchExecutor::Run(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    if (stopped_) {
      return;
    }
    RunLine(line);
  }
}

void PatchExecutor::RunLine(std::string_view line) {
  lineFailure_.clear();
  if (stopped_) {
    return;
  }
  const PatchLine command = ParsePatchLine(line);
  const std::string_view argument = command.argument;
  switch (command.command) {
    case PatchCommand::Ignored:
      return;
    case PatchCommand::Load:
      Load(argument);
      return;
    case PatchCommand::Upload:
      Upload(argument);
      return;
    case PatchCommand::MakeDirectory:
      log_.AppendLog(Utf8FromHandsetName(argument));
      Changed(files_.MakeDirectory(argument, progress_));
      return;
    case PatchCommand::RemoveDirectory:
    case PatchCommand::RemoveFile:
      log_.AppendLog("Deleting file ");
      log_.AppendLog(Utf8FromHandsetName(argument));
      Changed(files_.Delete(argument, command.command == PatchCommand::RemoveDirectory));
      return;
    case PatchCommand::AttributeValue:
      SetAttributeValue(argument);
      return;
    case PatchCommand::SetAttributes:
      if (!attributeValid_) {
        // The "at" said why.
        ++failedLines_;
        return;
      }
      Changed(files_.SetAttributes(argument, attributeValue));
      return;
  }
}

void PatchExecutor::SetAttributeValue(std::string_view argument) {
  // Plain decimal digits, and only the low 16 bits: a blank, a sign or a larger number would
  // give the handset a word nobody wrote.
  constexpr uint32_t kLargest = 0xFFFF;
  uint32_t value = 0;
  bool valid = !argument.empty();
  for (char c : argument) {
    if (c < '0' || c > '9') {
      valid = false;
      break;
    }
    value = value * 10 + static_cast<uint32_t>(c - '0');
    if (value > kLargest) {
      valid = false;
      break;
    }
  }
  attributeValid_ = valid;
  if (!valid) {
    ++failedLines_;
    Tell("Refused, not an attribute value: \"" + Utf8FromHandsetName(argument) + "\"");
    return;
  }
  attributeValue = value;
}

void PatchExecutor::Load(std::string_view argument) {
  // Until this one succeeds, the "to" lines after it do nothing. Counted as failed unless it
  // gets to the end.
  loaded_ = Loaded::Failed;
  loadedFile_.clear();
  ++failedLines_;
  const std::optional<fs::path> file = PatchLocalFile(directory_, argument);
  if (!file) {
    Tell("Refused, not a file in the patch file's directory: " + std::string(argument));
    return;
  }
  log_.AppendLog(ShownPath(*file));

  // The text stays inside the directory; a symbolic link in it must not lead out either.
  std::error_code error;
  const fs::path directory = fs::canonical(directory_.empty() ? fs::path(".") : directory_, error);
  fs::path target;
  if (!error) {
    target = fs::canonical(*file, error);
  }
  if (error) {
    Tell("Skipped, cannot read " + ShownPath(*file) + ": " + Reason(error));
    return;
  }
  if (!Below(directory, target)) {
    Tell("Refused, leads out of the patch file's directory: " + ShownPath(*file));
    return;
  }
  if (fs::is_directory(target, error)) {
    Tell("Skipped, cannot read " + ShownPath(*file) + ": " +
         Reason(std::make_error_code(std::errc::is_a_directory)));
    return;
  }
  // A FIFO would hold the run until something writes to it, a device would never end.
  if (!fs::is_regular_file(fs::status(target, error))) {
    Tell("Refused, not a regular file: " + ShownPath(*file));
    return;
  }
  // Opened as the format says, so that a file that cannot be read is known at its "cp".
  std::FILE* in = OpenRegularFileForReading(target, error);
  if (in == nullptr) {
    Tell("Skipped, cannot read " + ShownPath(*file) + ": " + Reason(error));
    return;
  }
  std::fclose(in);
  --failedLines_;
  loaded_ = Loaded::File;
  loadedFile_ = target;
}

void PatchExecutor::Upload(std::string_view handsetPath) {
  if (loaded_ == Loaded::Failed) {
    // The "cp" said why.
    ++failedLines_;
    return;
  }
  if (loaded_ == Loaded::Nothing) {
    // Its "cp" was used by an earlier "to", or there was none: the data is gone.
    ++failedLines_;
    Tell("Skipped, no cp line loaded a file for " + Utf8FromHandsetName(handsetPath));
    return;
  }
  log_.AppendLog(Utf8FromHandsetName(handsetPath));
  const FileOutcome outcome = files_.UploadTo(loadedFile_, handsetPath, progress_);
  loaded_ = Loaded::Nothing;
  loadedFile_.clear();
  // Cancel in the wait dialog means the whole run, not only this file.
  stopped_ = outcome == FileOutcome::Failed && files_.lastCancelled();
  if (outcome == FileOutcome::Skipped) {
    ++failedLines_;
    lineFailure_ = files_.lastReport();
    return;
  }
  Changed(outcome);
}

void PatchExecutor::Tell(std::string line) {
  log_.AppendLog(line);
  lineFailure_ = std::move(line);
}

void PatchExecutor::Changed(FileOutcome outcome) {
  if (outcome != FileOutcome::Done) {
    ++failedLines_;
    lineFailure_ = files_.lastReport();
  }
  if (handsetChanged) {
    handsetChanged();
  }
}

}  // namespace tollhaven
