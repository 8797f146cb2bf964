#include "mount/handset_mount.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <limits>

#include "handset/handset_names.h"
#include "handset/handset_path.h"
#include "handset/transfer_workers.h"
#include "mount/mount_paths.h"

namespace tollhaven::mount {

namespace {

constexpr std::string_view kProgram = "tollhaven-mount: ";

// A name a listing can show: the handset may hold entries whose paths would step out of their
// directory, or that have empty components; those are left out rather than shown wrongly.
bool IsShowableName(std::string_view name) {
  return IsSafeLocalName(name);
}

}  // namespace

HandsetMount::HandsetMount(HandsetConnection& handset, std::ostream& err,
                           std::filesystem::path spoolDirectory)
    : handset_(handset), err_(err), spool_(std::move(spoolDirectory)) {}

HandsetMount::~HandsetMount() {
  CloseHandsetFile();
  for (auto& [id, handle] : handles_) {
    if (handle.spoolFd >= 0) {
      close(handle.spoolFd);
      std::error_code ignored;
      std::filesystem::remove(handle.spoolPath, ignored);
    }
  }
}

std::size_t HandsetMount::LogCount() const {
  return handset_.link().log().Count();
}

int HandsetMount::Failed(std::string_view what, std::size_t firstLine) {
  err_ << kProgram << what << '\n';
  const std::vector<std::string> lines = handset_.link().log().Lines();
  for (std::size_t i = firstLine; i < lines.size(); ++i) {
    err_ << kProgram << "  " << lines[i] << '\n';
  }
  err_.flush();
  return -EIO;
}

int HandsetMount::Refused(UploadRefusal refusal, std::string_view line) {
  err_ << kProgram << line << '\n';
  err_.flush();
  switch (refusal) {
    case UploadRefusal::NameTooLong:
      return -ENAMETOOLONG;
    case UploadRefusal::NoSpace:
      return -ENOSPC;
    case UploadRefusal::CaseClash:
      return -EEXIST;
    case UploadRefusal::None:
      break;
  }
  return -EIO;
}

std::optional<HandsetMount::Target> HandsetMount::Parse(std::string_view path, int& error) const {
  Target target;
  if (path.empty() || path[0] != '/') {
    error = ENOENT;
    return std::nullopt;
  }
  if (path == "/") {
    return target;
  }
  const std::string& letters = handset_.volumeLetters();
  const std::string known = letters.empty() ? std::string("a") : letters;
  if (path.size() < 2 || known.find(path[1]) == std::string::npos ||
      (path.size() > 2 && path[2] != '/')) {
    error = ENOENT;
    return std::nullopt;
  }
  // The kernel hands over no empty, "." or ".." names: what is left to refuse is a name the
  // handset has no bytes for.
  HandsetPathError why = HandsetPathError::None;
  const std::optional<HandsetPath> parsed = HandsetPath::Parse(path, why);
  if (!parsed) {
    error = why == HandsetPathError::CannotHold ? EILSEQ : ENOENT;
    return std::nullopt;
  }
  target.volume = parsed->volume();
  target.handset = parsed->bytes();
  return target;
}

Volume* HandsetMount::VolumeOf(const Target& target) {
  const auto known = volumes_.find(target.volume);
  if (known != volumes_.end() && known->second->list().fileListLoaded != 0) {
    return known->second;
  }
  // A load sends commands, so the file a reader keeps open goes first.
  CloseHandsetFile();
  const std::size_t before = LogCount();
  std::string error;
  Volume* volume = handset_.Open(target.volume, error);
  if (volume == nullptr) {
    volumes_.erase(target.volume);
    Failed(error, before);
    return nullptr;
  }
  volumes_[target.volume] = volume;
  return volume;
}

int HandsetMount::Lookup(const Target& target, std::optional<MountNode>& found) {
  found.reset();
  MountNode node;
  if (target.IsTop() || target.IsVolume()) {
    node.directory = true;
    found = node;
    return 0;
  }
  for (const auto& [id, handle] : handles_) {
    if (handle.writing && handle.target.handset == target.handset) {
      struct stat spool {};
      if (fstat(handle.spoolFd, &spool) == 0) {
        node.size = static_cast<uint64_t>(spool.st_size);
      }
      found = node;
      return 0;
    }
  }
  if (NameOf(target.handset) == kPlaceholderName) {
    return 0;
  }
  Volume* volume = VolumeOf(target);
  if (volume == nullptr) {
    return -EIO;
  }
  if (const std::optional<HandsetFile> file = volume->File(target.handset)) {
    node.size = file->size;
    node.readOnly = (file->AttributeWord() & kReadOnlyBit) != 0;
    found = node;
  } else if (volume->IsDirectory(target.handset) ||
             emptiedDirectories_.count(target.handset) != 0) {
    node.directory = true;
    found = node;
  }
  return 0;
}

bool HandsetMount::DirectoryHasEntries(Volume& volume, const std::string& handsetDir) const {
  const std::string placeholder = handsetDir + "/" + std::string(kPlaceholderName);
  for (const HandsetFile& file : volume.FilesBelow(handsetDir)) {
    if (file.path != placeholder) {
      return true;
    }
  }
  const std::string prefix = handsetDir + "/";
  for (const std::string& emptied : emptiedDirectories_) {
    if (emptied.starts_with(prefix)) {
      return true;
    }
  }
  for (const auto& [id, handle] : handles_) {
    if (handle.writing && handle.target.handset.starts_with(prefix)) {
      return true;
    }
  }
  return false;
}

int HandsetMount::Resolve(std::string_view path, std::optional<Target>& target,
                          std::optional<MountNode>& found) {
  int error = 0;
  target = Parse(path, error);
  if (!target) {
    // A name the handset cannot hold names nothing on it.
    return -ENOENT;
  }
  if (const int result = Lookup(*target, found)) {
    return result;
  }
  return found ? 0 : -ENOENT;
}

int HandsetMount::GetAttr(std::string_view path, MountNode& node) {
  std::optional<Target> target;
  std::optional<MountNode> found;
  if (const int result = Resolve(path, target, found)) {
    return result;
  }
  node = *found;
  return 0;
}

int HandsetMount::ReadDir(std::string_view path, std::vector<MountDirEntry>& entries) {
  std::optional<Target> target;
  std::optional<MountNode> found;
  if (const int result = Resolve(path, target, found)) {
    return result;
  }
  entries.clear();
  if (target->IsTop()) {
    const std::string& letters = handset_.volumeLetters();
    for (char letter : letters.empty() ? std::string("a") : letters) {
      entries.push_back(MountDirEntry{std::string(1, letter), true});
    }
    return 0;
  }
  if (!found->directory) {
    return -ENOTDIR;
  }
  Volume* volume = VolumeOf(*target);
  if (volume == nullptr) {
    return -EIO;
  }
  // Name -> directory; the list holds files only, so a directory shows once for each file below
  // it and is listed once.
  std::map<std::string, bool> rows;
  const std::string prefix = target->handset + "/";
  const auto add = [&](std::string_view below) {
    const std::size_t slash = below.find('/');
    const std::string_view name = below.substr(0, slash);
    const bool directory = slash != std::string_view::npos;
    if (!IsShowableName(name) || (!directory && name == kPlaceholderName)) {
      return;
    }
    rows[std::string(name)] |= directory;
  };
  volume->list().ForEachEntry([&](const FileListEntry& entry) {
    if (!entry.deleted && entry.name.starts_with(prefix)) {
      add(entry.name.substr(prefix.size()));
    }
  });
  for (const std::string& emptied : emptiedDirectories_) {
    if (emptied.starts_with(prefix)) {
      const std::string_view below = std::string_view(emptied).substr(prefix.size());
      // An emptied directory is a directory even when it is the last component.
      const std::string_view name = below.substr(0, below.find('/'));
      if (IsShowableName(name)) {
        rows[std::string(name)] = true;
      }
    }
  }
  for (const auto& [id, handle] : handles_) {
    if (handle.writing && handle.target.handset.starts_with(prefix)) {
      add(std::string_view(handle.target.handset).substr(prefix.size()));
    }
  }
  for (const auto& [name, directory] : rows) {
    entries.push_back(MountDirEntry{Utf8FromHandsetName(name), directory});
  }
  return 0;
}

int HandsetMount::MakeDirectory(std::string_view path) {
  std::optional<Target> target;
  std::optional<MountNode> found;
  if (const int result = ResolveNew(path, target, found)) {
    return result;
  }
  if (found) {
    return -EEXIST;
  }
  Volume* volume = VolumeOf(*target);
  if (volume == nullptr) {
    return -EIO;
  }
  CloseHandsetFile();
  const std::size_t before = LogCount();
  if (volume->files().MakeDirectory(target->handset) != FileOutcome::Done) {
    if (volume->files().lastRefusal() != UploadRefusal::None) {
      return Refused(volume->files().lastRefusal(), volume->files().lastReport());
    }
    return Failed(volume->files().lastReport(), before);
  }
  for (std::string dir = target->handset; dir.size() > 2; dir = ParentOf(dir)) {
    emptiedDirectories_.erase(dir);
  }
  return 0;
}

int HandsetMount::RemoveDirectory(std::string_view path) {
  std::optional<Target> target;
  std::optional<MountNode> found;
  if (const int result = Resolve(path, target, found)) {
    return result;
  }
  if (target->IsTop() || target->IsVolume()) {
    return -EBUSY;
  }
  if (!found->directory) {
    return -ENOTDIR;
  }
  Volume* volume = VolumeOf(*target);
  if (volume == nullptr) {
    return -EIO;
  }
  if (DirectoryHasEntries(*volume, target->handset)) {
    return -ENOTEMPTY;
  }
  CloseHandsetFile();
  const std::size_t before = LogCount();
  if (volume->files().Delete(target->handset, true) != FileOutcome::Done) {
    return Failed(volume->files().lastReport(), before);
  }
  emptiedDirectories_.erase(target->handset);
  KeepParentShown(*volume, target->handset);
  return 0;
}

void HandsetMount::KeepParentShown(Volume& volume, const std::string& handsetPath) {
  const std::string parent = ParentOf(handsetPath);
  if (parent.size() > 2 && !DirectoryHasEntries(volume, parent) &&
      !volume.list().HoldsFile(parent + "/" + std::string(kPlaceholderName))) {
    emptiedDirectories_.insert(parent);
  }
}

int HandsetMount::Unlink(std::string_view path) {
  std::optional<Target> target;
  std::optional<MountNode> found;
  if (const int result = Resolve(path, target, found)) {
    return result;
  }
  if (found->directory) {
    return -EISDIR;
  }
  Volume* volume = VolumeOf(*target);
  if (volume == nullptr) {
    return -EIO;
  }
  if (!volume->File(target->handset)) {
    // Created and still open: it reaches the handset at its close.
    return -EBUSY;
  }
  CloseHandsetFile();
  const std::size_t before = LogCount();
  if (volume->files().Delete(target->handset, false) != FileOutcome::Done) {
    return Failed(volume->files().lastReport(), before);
  }
  KeepParentShown(*volume, target->handset);
  return 0;
}

int HandsetMount::Rename(std::string_view, std::string_view) {
  return -EXDEV;
}

}  // namespace tollhaven::mount
