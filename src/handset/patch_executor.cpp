#include "handset/patch_executor.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <system_error>

#include "handset/handset_names.h"
#include "support/patch_file.h"
#include "support/text_helpers.h"

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
    : files_(files),
      log_(log),
      handsetProgress_(files.handset().progress()),
      directory_(std::move(patchDirectory)) {
  files_.handset().SetProgress(&progress);
}

PatchExecutor::~PatchExecutor() {
  files_.handset().SetProgress(&handsetProgress_);
}

void PatchExecutor::Run(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    RunLine(line);
  }
}

void PatchExecutor::RunLine(std::string_view line) {
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
      files_.MakeDirectory(argument);
      Changed();
      return;
    case PatchCommand::RemoveDirectory:
    case PatchCommand::RemoveFile:
      log_.AppendLog("Deleting file ");
      log_.AppendLog(Utf8FromHandsetName(argument));
      files_.Delete(argument, command.command == PatchCommand::RemoveDirectory);
      Changed();
      return;
    case PatchCommand::AttributeValue:
      attributeValue = ParseDecimal(argument);
      return;
    case PatchCommand::SetAttributes:
      files_.SetAttributes(argument, attributeValue);
      Changed();
      return;
  }
}

void PatchExecutor::Load(std::string_view argument) {
  // Until this one succeeds, the "to" lines after it do nothing.
  loaded_ = Loaded::Failed;
  loadedFile_.clear();
  const std::optional<fs::path> file = PatchLocalFile(directory_, argument);
  if (!file) {
    log_.AppendLog("Refused, not a file in the patch file's directory: " + std::string(argument));
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
    log_.AppendLog("Skipped, cannot read " + ShownPath(*file) + ": " + Reason(error));
    return;
  }
  if (!Below(directory, target)) {
    log_.AppendLog("Refused, leads out of the patch file's directory: " + ShownPath(*file));
    return;
  }
  if (fs::is_directory(target, error)) {
    log_.AppendLog("Skipped, cannot read " + ShownPath(*file) + ": " +
                   Reason(std::make_error_code(std::errc::is_a_directory)));
    return;
  }
  // Opened as the format says, so that a file that cannot be read is known at its "cp".
  errno = 0;
#ifdef _WIN32
  std::FILE* in = _wfopen(target.c_str(), L"rb");
#else
  std::FILE* in = std::fopen(target.c_str(), "rb");
#endif
  if (in == nullptr) {
    log_.AppendLog("Skipped, cannot read " + ShownPath(*file) + ": " +
                   Reason(std::error_code(errno, std::generic_category())));
    return;
  }
  std::fclose(in);
  loaded_ = Loaded::File;
  loadedFile_ = target;
}

void PatchExecutor::Upload(std::string_view handsetPath) {
  if (loaded_ == Loaded::Failed) {
    // The "cp" said why.
    return;
  }
  if (loaded_ == Loaded::Nothing) {
    // Its "cp" was used by an earlier "to", or there was none: the data is gone.
    log_.AppendLog("Skipped, no cp line loaded a file for " + Utf8FromHandsetName(handsetPath));
    return;
  }
  log_.AppendLog(Utf8FromHandsetName(handsetPath));
  const FileOutcome outcome = files_.UploadTo(loadedFile_, handsetPath);
  loaded_ = Loaded::Nothing;
  loadedFile_.clear();
  if (outcome != FileOutcome::Skipped) {
    Changed();
  }
}

void PatchExecutor::Changed() {
  if (handsetChanged) {
    handsetChanged();
  }
}

}  // namespace tollhaven
