// backup and restore: every file of every volume into a local directory with a manifest, and
// back onto the handset with the attribute words the manifest keeps.

#include <filesystem>
#include <map>
#include <set>

#include "cli/backup_manifest.h"
#include "cli/cli_run.h"
#include "handset/handset_names.h"
#include "handset/transfer_workers.h"
#include "support/local_files.h"

namespace tollhaven::cli {

namespace fs = std::filesystem;

namespace {

ManifestEntry EntryOf(const HandsetFile& file) {
  return ManifestEntry{file.path, file.size, file.Owner(), file.AttributeWord()};
}

bool IsBelow(std::string_view path, std::string_view directory) {
  return path.size() > directory.size() && path.starts_with(directory) &&
         path[directory.size()] == '/';
}

std::string Count(std::size_t count, std::string_view what) {
  return std::to_string(count) + " " + std::string(what);
}

}  // namespace

int BackupCommand(CliRun& run) {
  if (run.line.operands[0].empty()) {
    return run.Usage("backup: the directory name is empty");
  }
  const fs::path directory(run.line.operands[0]);
  std::error_code error;
  if (fs::exists(directory, error) && !fs::is_directory(directory, error)) {
    return run.Usage("backup: not a directory: " + run.line.operands[0]);
  }
  const fs::path manifestFile = directory / kManifestName;
  Manifest previous;
  std::string why;
  switch (ReadManifest(manifestFile, previous, why)) {
    case ManifestRead::NotAManifest:
      // Someone else's file of that name: it is not ours to overwrite.
      return run.Usage("backup: " + manifestFile.string() + " is in the way: " + why);
    case ManifestRead::Malformed:
      run.env.err << "tollhaven-cli: backup: " << manifestFile.string() << ": " << why
                  << "; every file is fetched again\n";
      break;
    case ManifestRead::Read:
    case ManifestRead::Missing:
      break;
  }
  // Without a handset there is nothing to back up, and no directory is left behind.
  if (const int status = run.Connect()) {
    return status;
  }
  if (!run.handset.volumesRead()) {
    run.Fail("backup: cannot read the volume information");
    return run.status;
  }
  if (!fs::is_directory(directory, error) && !fs::create_directories(directory, error)) {
    run.Fail("backup: cannot create " + directory.string() + ": " + error.message());
    return run.status;
  }

  Manifest current;
  struct Job {
    HandsetFile file;
    fs::path local;
  };
  std::vector<Job> jobs;
  uint64_t totalBytes = 0;
  std::size_t unchanged = 0;
  std::size_t gone = 0;
  for (const char letter : run.handset.volumeLetters()) {
    const std::string volumePath = std::string("/") + letter;
    std::string reason;
    Volume* volume = run.handset.Open(letter, reason);
    if (volume == nullptr) {
      run.Fail("backup: " + reason);
      // The copies already in the backup stay, and so do their lines.
      for (const auto& [path, entry] : previous) {
        if (IsBelow(path, volumePath)) {
          current.emplace(path, entry);
        }
      }
      continue;
    }
    std::vector<HandsetFile> files = volume->FilesBelow(volumePath);
    std::set<std::string> onHandset;
    for (const HandsetFile& file : files) {
      onHandset.insert(file.path);
    }
    for (HandsetFile& file : files) {
      const std::optional<fs::path> local = BackupPathOf(directory, file.path);
      if (!local) {
        run.Fail("backup: skipped, not a name for a local file: " + Shown(file.path));
        continue;
      }
      const auto before = previous.find(file.path);
      if (before != previous.end() && before->second.size == file.size &&
          fs::is_regular_file(*local, error) && fs::file_size(*local, error) == file.size) {
        ++unchanged;
        current.emplace(file.path, EntryOf(file));
        continue;
      }
      totalBytes += file.size;
      jobs.push_back({std::move(file), *local});
    }
    for (const auto& [path, entry] : previous) {
      gone += IsBelow(path, volumePath) && onHandset.count(path) == 0 ? 1 : 0;
    }
  }

  std::size_t fetched = 0;
  run.StartProgress(totalBytes, static_cast<uint32_t>(jobs.size()));
  for (const Job& job : jobs) {
    if (run.Stopping()) {
      break;
    }
    const fs::path parent = job.local.parent_path();
    std::string reason;
    Volume* volume = run.handset.Open(job.file.path[1], reason);
    FileOutcome outcome = FileOutcome::Failed;
    if (volume == nullptr) {
      run.Fail("backup: " + reason);
    } else if (!fs::is_directory(parent, error) && !fs::create_directories(parent, error)) {
      run.Fail("backup: cannot create " + parent.string() + ": " + error.message());
    } else {
      HandsetItem item;
      item.name = job.file.Name();
      item.size = job.file.size;
      item.attributeWord = job.file.AttributeWord();
      run.progress.BeginFile(job.file.size);
      outcome = volume->files().Download(job.file.Directory(), item, parent);
      run.progress.EndFile();
      if (outcome != FileOutcome::Done) {
        run.Fail("backup: " + volume->files().lastReport());
      }
    }
    if (outcome == FileOutcome::Done) {
      ++fetched;
      current.emplace(job.file.path, EntryOf(job.file));
    } else if (const auto before = previous.find(job.file.path); before != previous.end()) {
      // The earlier copy was left as it was; its line still describes it.
      current.emplace(before->first, before->second);
    }
  }
  run.StopProgress();

  if (!WriteFileReplacing(manifestFile, ManifestText(current), error)) {
    run.Fail("backup: cannot write " + manifestFile.string() + ": " + error.message());
  }
  std::string summary = "Backup in " + directory.string() + ": " + Count(fetched, "fetched") +
                        ", " + Count(unchanged, "unchanged since the last backup (not fetched)");
  if (jobs.size() > fetched) {
    summary += ", " + Count(jobs.size() - fetched, "failed");
  }
  if (gone > 0) {
    summary += "; " + Count(gone, "no longer on the handset, kept in the backup directory");
  }
  run.Say(summary + ".");
  return run.status;
}

int RestoreCommand(CliRun& run) {
  if (run.line.operands[0].empty()) {
    // An empty name would read a manifest in the current directory.
    return run.Usage("restore: the directory name is empty");
  }
  const fs::path directory(run.line.operands[0]);
  const fs::path manifestFile = directory / kManifestName;
  Manifest manifest;
  std::string why;
  switch (ReadManifest(manifestFile, manifest, why)) {
    case ManifestRead::Missing:
      return run.Usage("restore: no backup in " + directory.string() + " (no " +
                       std::string(kManifestName) + ")");
    case ManifestRead::NotAManifest:
    case ManifestRead::Malformed:
      return run.Usage("restore: " + manifestFile.string() + ": " + why);
    case ManifestRead::Read:
      break;
  }
  if (run.line.only) {
    const std::optional<HandsetPath> only = run.HandsetOperand(*run.line.only);
    if (!only) {
      return kExitUsage;
    }
    std::erase_if(manifest, [&](const auto& item) {
      return item.first != only->bytes() && !IsBelow(item.first, only->bytes());
    });
    if (manifest.empty()) {
      return run.Usage("restore: the backup holds nothing under " + *run.line.only);
    }
  }
  if (const int status = run.Connect()) {
    return status;
  }

  // What is on the handset already decides what moves: a missing file or one of another size is
  // uploaded, one of the same size only gets its attribute word back when that differs.
  std::vector<const ManifestEntry*> uploads;
  std::vector<const ManifestEntry*> attributesOnly;
  std::set<char> unreadable;
  std::map<std::string, HandsetFile> onHandset;
  uint64_t totalBytes = 0;
  std::size_t same = 0;
  for (const auto& [path, entry] : manifest) {
    if (unreadable.count(path[1]) != 0) {
      continue;
    }
    std::string reason;
    Volume* volume = run.handset.Open(path[1], reason);
    if (volume == nullptr) {
      run.Fail("restore: " + reason);
      unreadable.insert(path[1]);
      continue;
    }
    if (onHandset.empty() || onHandset.begin()->first[1] != path[1]) {
      // The manifest is in path order: one volume after the other.
      onHandset.clear();
      for (HandsetFile& file : volume->FilesBelow(path.substr(0, 2))) {
        onHandset.emplace(file.path, std::move(file));
      }
    }
    const auto found = onHandset.find(path);
    const std::optional<HandsetFile> there =
        found != onHandset.end() ? std::optional<HandsetFile>(found->second) : std::nullopt;
    if (!there || there->size != entry.size) {
      uploads.push_back(&entry);
      totalBytes += entry.size;
    } else if (there->AttributeWord() != entry.attributeWord) {
      attributesOnly.push_back(&entry);
    } else {
      ++same;
    }
  }

  std::size_t uploaded = 0;
  std::size_t attributed = 0;
  std::set<std::string> made;
  const auto setAttributes = [&](const ManifestEntry& entry) {
    std::string reason;
    Volume* volume = run.handset.Open(entry.path[1], reason);
    if (volume == nullptr) {
      run.Fail("restore: " + reason);
      return false;
    }
    if (volume->files().SetAttributes(entry.path, entry.attributeWord) != FileOutcome::Done) {
      run.Fail("restore: " + volume->files().lastReport());
      return false;
    }
    return true;
  };

  run.StartProgress(totalBytes, static_cast<uint32_t>(uploads.size()));
  for (const ManifestEntry* entry : uploads) {
    if (run.Stopping()) {
      break;
    }
    const std::string handsetDirectory = entry->path.substr(0, entry->path.rfind('/') + 1);
    std::string reason;
    Volume* volume = run.handset.Open(entry->path[1], reason);
    if (volume == nullptr) {
      run.Fail("restore: " + reason);
      continue;
    }
    // Directories the handset lacks are made first, bare: the backup brings back the files that
    // were in them, the placeholder of one the program made among them.
    bool ready = true;
    for (std::size_t slash = entry->path.find('/', 3); ready && slash != std::string::npos;
         slash = entry->path.find('/', slash + 1)) {
      const std::string path = entry->path.substr(0, slash);
      if (made.count(path) != 0 || volume->IsDirectory(path)) {
        continue;
      }
      if (volume->File(path)) {
        run.Fail("restore: a file is in the way of the directory " + Shown(path));
        ready = false;
      } else if (run.handset.handset().PhoneMakeDir(path, kUploadAttributeWord) != 0) {
        run.Fail("restore: cannot create the directory " + Shown(path));
        ready = false;
      } else {
        made.insert(path);
      }
    }
    if (!ready) {
      continue;
    }
    const std::optional<fs::path> local = BackupPathOf(directory, entry->path);
    run.progress.BeginFile(entry->size);
    const FileOutcome outcome = volume->files().Upload(*local, handsetDirectory);
    run.progress.EndFile();
    if (outcome != FileOutcome::Done) {
      run.Fail("restore: " + volume->files().lastReport());
      continue;
    }
    ++uploaded;
    // An upload gives every file the word 4; the file's own comes back afterwards.
    if (entry->attributeWord != kUploadAttributeWord) {
      setAttributes(*entry);
    }
  }
  run.StopProgress();
  for (const ManifestEntry* entry : attributesOnly) {
    if (run.Stopping()) {
      break;
    }
    attributed += setAttributes(*entry) ? 1 : 0;
  }

  std::string summary = "Restore from " + directory.string() + ": " + Count(uploaded, "uploaded") +
                        ", " + Count(attributed, "given their attributes back") + ", " +
                        Count(same, "already on the handset");
  run.Say(summary + ".");
  return run.status;
}

}  // namespace tollhaven::cli
