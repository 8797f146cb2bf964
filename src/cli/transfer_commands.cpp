// The commands that carry files between the handset and this computer: get and put.

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <ostream>

#include "cli/cli_run.h"
#include "handset/handset_names.h"
#include "support/local_files.h"

namespace tollhaven::cli {

namespace fs = std::filesystem;

namespace {

// The handset name of a local file or directory, or nullopt when the handset cannot hold it.
std::optional<std::string> HandsetNameOf(const fs::path& local) {
  const std::optional<std::string> name = HandsetNameFromUtf8(Utf8FileName(local));
  if (!name || name->empty()) {
    return std::nullopt;
  }
  return name;
}

// A handset path below `directory` taken apart into its names, or nullopt when one of them
// could not be a local file name (it would lead out of the destination).
std::optional<std::vector<std::string>> LocalComponents(std::string_view relative) {
  std::vector<std::string> components;
  std::size_t at = 0;
  while (at <= relative.size()) {
    std::size_t slash = relative.find('/', at);
    if (slash == std::string_view::npos) {
      slash = relative.size();
    }
    const std::string_view component = relative.substr(at, slash - at);
    if (!IsSafeLocalName(component)) {
      return std::nullopt;
    }
    components.emplace_back(component);
    at = slash + 1;
  }
  return components;
}

// The size of a local file for the progress line's totals; 0 for what has none (a missing or
// special file, which the upload then skips with its own line).
uint32_t LocalSize(const fs::path& file) {
  std::error_code error;
  const uintmax_t size = fs::file_size(file, error);
  return error || size > UINT32_MAX ? 0 : static_cast<uint32_t>(size);
}

fs::path LocalDirectoryFor(fs::path base, const std::vector<std::string>& components,
                           std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    base = LocalPathForHandsetName(base, components[i]);
  }
  return base;
}

}  // namespace

int GetCommand(CliRun& run) {
  const std::vector<std::string>& operands = run.line.operands;
  const fs::path destination(operands.back());
  std::vector<HandsetPath> sources;
  for (std::size_t i = 0; i + 1 < operands.size(); ++i) {
    std::optional<HandsetPath> arg = run.HandsetOperand(operands[i]);
    if (!arg) {
      return kExitUsage;
    }
    sources.push_back(std::move(*arg));
  }
  std::error_code error;
  if (!fs::is_directory(destination, error)) {
    return run.Usage("get: not a local directory: " + operands.back());
  }
  if (const int status = run.Connect()) {
    return status;
  }

  // Everything to fetch is known before the first byte moves, for the progress line's totals.
  struct Job {
    char volume;
    HandsetFile file;
    fs::path localDirectory;
    bool directoryOnly;  // a directory the program made: only its local twin is created
  };
  std::vector<Job> jobs;
  uint64_t totalBytes = 0;
  uint32_t totalFiles = 0;
  for (const HandsetPath& source : sources) {
    Volume* volume = run.OpenVolume(source.volume());
    if (volume == nullptr) {
      continue;
    }
    if (std::optional<HandsetFile> file = volume->File(source.bytes())) {
      totalBytes += file->size;
      ++totalFiles;
      jobs.push_back({source.volume(), std::move(*file), destination, false});
      continue;
    }
    if (!volume->IsDirectory(source.bytes())) {
      run.Fail("get: no such file or directory on the handset: " + Shown(source.bytes()));
      continue;
    }
    if (!run.line.recursive) {
      run.Fail("get: a directory (use -r): " + Shown(source.bytes()));
      continue;
    }
    const std::string top = source.IsVolume()
                                ? std::string(1, source.volume())
                                : source.bytes().substr(source.bytes().rfind('/') + 1);
    const fs::path base = LocalPathForHandsetName(destination, top);
    for (HandsetFile& file : volume->FilesBelow(source.bytes())) {
      const std::optional<std::vector<std::string>> components =
          LocalComponents(std::string_view(file.path).substr(source.bytes().size() + 1));
      if (!components) {
        run.Fail("get: skipped, not a name for a local file: " + Shown(file.path));
        continue;
      }
      const bool placeholder = components->back() == kPlaceholderName;
      if (!placeholder) {
        totalBytes += file.size;
        ++totalFiles;
      }
      jobs.push_back({source.volume(), std::move(file),
                      LocalDirectoryFor(base, *components, components->size() - 1), placeholder});
    }
  }

  run.StartProgress(totalBytes, totalFiles);
  for (const Job& job : jobs) {
    if (run.Stopping()) {
      break;
    }
    if (!fs::is_directory(job.localDirectory, error) &&
        !fs::create_directories(job.localDirectory, error)) {
      run.Fail("get: cannot create " + job.localDirectory.string() + ": " + error.message());
      continue;
    }
    if (job.directoryOnly) {
      continue;
    }
    Volume* volume = run.OpenVolume(job.volume);
    if (volume == nullptr) {
      continue;
    }
    HandsetItem item;
    item.name = job.file.Name();
    item.size = job.file.size;
    item.attributeWord = job.file.AttributeWord();
    run.progress.BeginFile(job.file.size);
    const FileOutcome outcome =
        volume->files().Download(job.file.Directory(), item, job.localDirectory);
    run.progress.EndFile();
    if (outcome != FileOutcome::Done) {
      run.Fail("get: " + volume->files().lastReport());
    }
  }
  run.StopProgress();
  return run.status;
}

int PutCommand(CliRun& run) {
  const std::vector<std::string>& operands = run.line.operands;
  const std::optional<HandsetPath> target = run.HandsetOperand(operands.back());
  if (!target) {
    return kExitUsage;
  }
  int status = 0;
  Volume* volume = run.ConnectedVolume(target->volume(), status);
  if (volume == nullptr) {
    return status;
  }
  if (!volume->IsDirectory(target->bytes())) {
    run.Fail("put: no such directory on the handset: " + Shown(target->bytes()));
    return run.status;
  }

  // The whole tree is walked first, for the progress line's totals; directories come before
  // what goes into them.
  struct Job {
    fs::path local;
    std::string handsetPath;  // a directory to create, or the directory a file goes to
    bool directory;
  };
  std::vector<Job> jobs;
  uint64_t totalBytes = 0;
  uint32_t totalFiles = 0;
  std::error_code error;
  std::function<void(const fs::path&, const std::string&)> walk =
      [&](const fs::path& directory, const std::string& handsetDirectory) {
        std::vector<fs::path> entries;
        for (fs::directory_iterator it(directory, error), end; !error && it != end;
             it.increment(error)) {
          entries.push_back(it->path());
        }
        if (error) {
          run.Fail("put: cannot read " + directory.string() + ": " + error.message());
          error.clear();
        }
        std::sort(entries.begin(), entries.end());
        for (const fs::path& entry : entries) {
          // A link to a directory could lead round in a circle; its files are sent, not it.
          if (fs::is_symlink(entry, error) && fs::is_directory(entry, error)) {
            run.Fail("put: skipped, a link to a directory: " + entry.string());
          } else if (fs::is_directory(entry, error)) {
            const std::optional<std::string> name = HandsetNameOf(entry);
            if (!name) {
              run.Fail("put: skipped, the handset cannot hold this name: " + entry.string());
              continue;
            }
            const std::string path = handsetDirectory + *name;
            jobs.push_back({entry, path, true});
            walk(entry, path + "/");
          } else {
            totalBytes += LocalSize(entry);
            ++totalFiles;
            jobs.push_back({entry, handsetDirectory, false});
          }
        }
      };
  for (std::size_t i = 0; i + 1 < operands.size(); ++i) {
    fs::path source(operands[i]);
    if (source.has_parent_path() && !source.has_filename()) {
      source = source.parent_path();  // "music/" names the directory "music"
    }
    if (!fs::exists(source, error)) {
      run.Fail("put: no such local file: " + operands[i]);
    } else if (!fs::is_directory(source, error)) {
      totalBytes += LocalSize(source);
      ++totalFiles;
      jobs.push_back({source, target->AsDirectory(), false});
    } else if (!run.line.recursive) {
      run.Fail("put: a directory (use -r): " + operands[i]);
    } else if (const std::optional<std::string> name = HandsetNameOf(fs::absolute(source))) {
      const std::string path = target->AsDirectory() + *name;
      jobs.push_back({source, path, true});
      walk(source, path + "/");
    } else {
      run.Fail("put: skipped, the handset cannot hold this name: " + operands[i]);
    }
  }

  run.StartProgress(totalBytes, totalFiles);
  for (const Job& job : jobs) {
    if (run.Stopping()) {
      break;
    }
    volume = run.OpenVolume(target->volume());
    if (volume == nullptr) {
      break;
    }
    if (job.directory) {
      if (volume->File(job.handsetPath)) {
        run.Fail("put: a file of that name is in the way: " + Shown(job.handsetPath));
      } else if (!volume->IsDirectory(job.handsetPath) &&
                 volume->files().MakeDirectory(job.handsetPath) != FileOutcome::Done) {
        run.Fail("put: " + volume->files().lastReport());
      }
      continue;
    }
    run.progress.BeginFile(LocalSize(job.local));
    const FileOutcome outcome = volume->files().Upload(job.local, job.handsetPath);
    run.progress.EndFile();
    if (outcome != FileOutcome::Done) {
      run.Fail("put: " + volume->files().lastReport());
    }
  }
  run.StopProgress();
  return run.status;
}

}  // namespace tollhaven::cli
