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

namespace tollhaven::mount {

namespace {

constexpr std::string_view kProgram = "tollhaven-mount: ";
// Reads that fill a spool file go in pieces of this size, so that a large file does not need
// its whole size in memory twice.
constexpr uint32_t kSpoolPiece = 64 * 1024;
constexpr uint32_t kUnknownPosition = std::numeric_limits<uint32_t>::max();

// A name a listing can show: the handset may hold entries whose paths would step out of their
// directory, or that have empty components; those are left out rather than shown wrongly.
bool IsShowableName(std::string_view name) {
  return IsSafeLocalName(name);
}

std::string ParentOf(std::string_view handsetPath) {
  return std::string(handsetPath.substr(0, handsetPath.rfind('/')));
}

std::string NameOf(std::string_view handsetPath) {
  return std::string(handsetPath.substr(handsetPath.rfind('/') + 1));
}

std::string Hex(uint32_t value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*X", digits, value);
  return std::string(text);
}

// A hexadecimal word as setfattr passes it: optional 0x, up to four digits, trailing blanks,
// newlines or zero bytes ignored.
std::optional<uint32_t> ParseWord(std::string_view text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ' || text.back() == '\0' ||
                           text.back() == '\r' || text.back() == '\t')) {
    text.remove_suffix(1);
  }
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
  }
  if (text.empty() || text.size() > 4) {
    return std::nullopt;
  }
  uint32_t word = 0;
  for (char c : text) {
    int digit = -1;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    }
    if (digit < 0) {
      return std::nullopt;
    }
    word = word * 16 + static_cast<uint32_t>(digit);
  }
  return word;
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

HandsetMount::Handle* HandsetMount::Find(uint64_t handle) {
  const auto found = handles_.find(handle);
  return found == handles_.end() ? nullptr : &found->second;
}

int HandsetMount::NewSpool(Handle& handle) {
  handle.spoolPath = spool_ / ("file" + std::to_string(nextSpool_++));
  handle.spoolFd = ::open(handle.spoolPath.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  return handle.spoolFd < 0 ? -errno : 0;
}

void HandsetMount::CloseHandsetFile() {
  if (openOnHandset_ != 0) {
    openOnHandset_ = 0;
    // Nothing more is read from it: a failed close changes nothing for the reader.
    handset_.handset().PhoneClose();
  }
}

int HandsetMount::ReadHandset(uint64_t id, Handle& handle, char* buffer, uint32_t size,
                              uint32_t offset) {
  Handset& phone = handset_.handset();
  const std::size_t before = LogCount();
  const std::string shown = Utf8FromHandsetName(handle.target.handset);
  if (openOnHandset_ != id) {
    CloseHandsetFile();
    // Opened with its own word, so that its attributes stay as they are.
    if (phone.PhoneOpen(handle.target.handset, handle.attributeWord) != 0) {
      phone.PhoneClose();
      return Failed("cannot open " + shown + " on the handset", before);
    }
    openOnHandset_ = id;
    handsetPosition_ = kUnknownPosition;
  }
  if (handsetPosition_ != offset) {
    if (phone.PhoneSeek(offset, 0) != 0) {
      CloseHandsetFile();
      return Failed("cannot read " + shown + " from the handset", before);
    }
    handsetPosition_ = offset;
  }
  if (phone.PhoneRead(reinterpret_cast<uint8_t*>(buffer), size) != 0) {
    CloseHandsetFile();
    return Failed("cannot read " + shown + " from the handset", before);
  }
  handsetPosition_ += size;
  return 0;
}

int HandsetMount::CopyToSpool(uint64_t id, Handle& handle) {
  std::vector<char> piece(kSpoolPiece);
  for (uint32_t at = 0; at < handle.size;) {
    const uint32_t count = std::min(kSpoolPiece, handle.size - at);
    if (const int result = ReadHandset(id, handle, piece.data(), count, at)) {
      return result;
    }
    if (pwrite(handle.spoolFd, piece.data(), count, at) != static_cast<ssize_t>(count)) {
      CloseHandsetFile();
      return -EIO;
    }
    at += count;
  }
  CloseHandsetFile();
  return 0;
}

int HandsetMount::Open(std::string_view path, int flags, uint64_t& handleId) {
  std::optional<Target> target;
  std::optional<MountNode> found;
  if (const int result = Resolve(path, target, found)) {
    return result;
  }
  if (found->directory) {
    return -EISDIR;
  }
  const bool writing = (flags & O_ACCMODE) != O_RDONLY;
  if (writing && found->readOnly) {
    return -EACCES;
  }
  Volume* volume = VolumeOf(*target);
  if (volume == nullptr) {
    return -EIO;
  }
  Handle handle;
  handle.target = *target;
  handle.writing = writing;
  if (const std::optional<HandsetFile> file = volume->File(target->handset)) {
    handle.attributeWord = file->AttributeWord();
    handle.size = file->size;
  } else if (!writing) {
    // Written through another handle and not uploaded yet: nothing to read on the handset.
    return -EBUSY;
  }
  const uint64_t id = nextHandle_++;
  if (writing) {
    if (const int result = NewSpool(handle)) {
      return result;
    }
    // Without O_TRUNC the writes change the file in place: it starts as the handset has it.
    handle.dirty = (flags & O_TRUNC) != 0;
    if (!handle.dirty) {
      if (const int result = CopyToSpool(id, handle)) {
        close(handle.spoolFd);
        std::error_code ignored;
        std::filesystem::remove(handle.spoolPath, ignored);
        return result;
      }
    }
  }
  handles_[id] = std::move(handle);
  handleId = id;
  return 0;
}

int HandsetMount::ResolveNew(std::string_view path, std::optional<Target>& target,
                             std::optional<MountNode>& found) {
  int error = 0;
  target = Parse(path, error);
  if (!target) {
    return -error;
  }
  if (target->IsTop() || target->IsVolume()) {
    return -EEXIST;
  }
  if (NameOf(target->handset) == kPlaceholderName) {
    // The name marks the directories the program made; an entry of that name would hide.
    return -EPERM;
  }
  Target parent = *target;
  parent.handset = ParentOf(target->handset);
  if (const int result = Lookup(parent, found)) {
    return result;
  }
  if (!found || !found->directory) {
    return -ENOENT;
  }
  return Lookup(*target, found);
}

int HandsetMount::Create(std::string_view path, uint64_t& handleId) {
  std::optional<Target> target;
  std::optional<MountNode> found;
  if (const int result = ResolveNew(path, target, found)) {
    return result;
  }
  if (found && found->directory) {
    return -EISDIR;
  }
  if (!found) {
    // Told at once rather than at the close, after the whole file was written for nothing.
    Volume* volume = VolumeOf(*target);
    if (volume == nullptr) {
      return -EIO;
    }
    UploadCheck check = CheckNewHandsetPath(volume->list(), target->handset);
    if (check.refusal != UploadRefusal::None) {
      return Refused(check.refusal, check.line);
    }
  }
  Handle handle;
  handle.target = *target;
  handle.writing = true;
  handle.dirty = true;
  if (const int result = NewSpool(handle)) {
    return result;
  }
  handleId = nextHandle_++;
  handles_[handleId] = std::move(handle);
  return 0;
}

long HandsetMount::Read(uint64_t handleId, char* buffer, std::size_t size, off_t offset) {
  Handle* handle = Find(handleId);
  if (handle == nullptr) {
    return -EBADF;
  }
  if (offset < 0) {
    return -EINVAL;
  }
  if (handle->writing) {
    const ssize_t read = pread(handle->spoolFd, buffer, size, offset);
    return read < 0 ? -errno : read;
  }
  if (static_cast<uint64_t>(offset) >= handle->size || size == 0) {
    return 0;
  }
  const auto at = static_cast<uint32_t>(offset);
  const auto count =
      static_cast<uint32_t>(std::min<uint64_t>(size, static_cast<uint64_t>(handle->size - at)));
  if (const int result = ReadHandset(handleId, *handle, buffer, count, at)) {
    return result;
  }
  return count;
}

long HandsetMount::Write(uint64_t handleId, const char* buffer, std::size_t size, off_t offset) {
  Handle* handle = Find(handleId);
  if (handle == nullptr || !handle->writing) {
    return -EBADF;
  }
  // The handset counts file sizes in 32 bits.
  if (offset < 0 || static_cast<uint64_t>(offset) + size > std::numeric_limits<uint32_t>::max()) {
    return -EFBIG;
  }
  const ssize_t written = pwrite(handle->spoolFd, buffer, size, offset);
  if (written < 0) {
    return -errno;
  }
  handle->dirty = true;
  return written;
}

int HandsetMount::Truncate(std::string_view path, off_t size, uint64_t handleId) {
  if (size < 0) {
    return -EINVAL;
  }
  if (static_cast<uint64_t>(size) > std::numeric_limits<uint32_t>::max()) {
    return -EFBIG;
  }
  if (Handle* handle = handleId != 0 ? Find(handleId) : nullptr) {
    if (!handle->writing) {
      return -EBADF;
    }
    if (ftruncate(handle->spoolFd, size) != 0) {
      return -errno;
    }
    handle->dirty = true;
    return 0;
  }
  // A truncate by name: the file is fetched, cut and sent back, as an open, ftruncate and close
  // would do.
  uint64_t id = 0;
  const int flags = size == 0 ? (O_WRONLY | O_TRUNC) : O_RDWR;
  if (const int result = Open(path, flags, id)) {
    return result;
  }
  int result = ftruncate(handles_[id].spoolFd, size) != 0 ? -errno : 0;
  handles_[id].dirty = true;
  const int flushed = Flush(id);
  Release(id);
  return result != 0 ? result : flushed;
}

int HandsetMount::Upload(Handle& handle) {
  CloseHandsetFile();
  Volume* volume = VolumeOf(handle.target);
  if (volume == nullptr) {
    return -EIO;
  }
  // Once per file: the space other programs or the window took meanwhile counts too.
  handset_.RefreshFreeSpace();
  const std::size_t before = LogCount();
  if (volume->files().UploadTo(handle.spoolPath, handle.target.handset) != FileOutcome::Done) {
    if (volume->files().lastRefusal() != UploadRefusal::None) {
      return Refused(volume->files().lastRefusal(), volume->files().lastReport());
    }
    return Failed("upload failed: " + Utf8FromHandsetName(handle.target.handset), before);
  }
  if (handle.laterWord && *handle.laterWord != kUploadAttributeWord &&
      volume->files().SetAttributes(handle.target.handset, *handle.laterWord) !=
          FileOutcome::Done) {
    return Failed(volume->files().lastReport(), before);
  }
  // The new file shows its directories again.
  for (std::string dir = ParentOf(handle.target.handset); dir.size() > 2; dir = ParentOf(dir)) {
    emptiedDirectories_.erase(dir);
  }
  return 0;
}

int HandsetMount::Flush(uint64_t handleId) {
  Handle* handle = Find(handleId);
  if (handle == nullptr) {
    return -EBADF;
  }
  if (!handle->writing || !handle->dirty) {
    return 0;
  }
  // Sent once: a failed upload is reported to this close, not tried again at the next.
  handle->dirty = false;
  return Upload(*handle);
}

void HandsetMount::DropHandle(uint64_t handleId) {
  const auto found = handles_.find(handleId);
  if (found == handles_.end()) {
    return;
  }
  if (openOnHandset_ == handleId) {
    CloseHandsetFile();
  }
  if (found->second.spoolFd >= 0) {
    close(found->second.spoolFd);
    std::error_code ignored;
    std::filesystem::remove(found->second.spoolPath, ignored);
  }
  handles_.erase(found);
}

int HandsetMount::Release(uint64_t handleId) {
  Handle* handle = Find(handleId);
  if (handle == nullptr) {
    return -EBADF;
  }
  // Nobody hears a release's result; an upload that fails here still says so on stderr.
  const int result = Flush(handleId);
  DropHandle(handleId);
  return result;
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

int HandsetMount::GetXattr(std::string_view path, std::string_view name, std::string& value) {
  std::optional<Target> target;
  std::optional<MountNode> found;
  if (const int result = Resolve(path, target, found)) {
    return result;
  }
  if (found->directory || (name != kOwnerAttribute && name != kAttributesAttribute)) {
    return -ENODATA;
  }
  Volume* volume = VolumeOf(*target);
  if (volume == nullptr) {
    return -EIO;
  }
  const std::optional<HandsetFile> file = volume->File(target->handset);
  if (!file) {
    return -ENODATA;
  }
  value = name == kOwnerAttribute ? Hex(file->Owner(), 2) : Hex(file->AttributeWord(), 4);
  return 0;
}

int HandsetMount::SetXattr(std::string_view path, std::string_view name, std::string_view value) {
  std::optional<Target> target;
  std::optional<MountNode> found;
  if (const int result = Resolve(path, target, found)) {
    return result;
  }
  if ((name != kAttributesAttribute && name != kOwnerAttribute) || found->directory) {
    return -ENOTSUP;
  }
  Volume* volume = VolumeOf(*target);
  if (volume == nullptr) {
    return -EIO;
  }
  const std::optional<uint32_t> word = ParseWord(value);
  Handle* writer = nullptr;
  for (auto& [id, handle] : handles_) {
    if (handle.writing && handle.target.handset == target->handset) {
      writer = &handle;
    }
  }
  const std::optional<HandsetFile> file = volume->File(target->handset);
  // What the file has now, or gets with its upload.
  const uint32_t owner =
      writer != nullptr || !file ? kCreatedFileAttributeField >> 24 : file->Owner();
  const uint32_t current =
      writer != nullptr || !file ? kUploadAttributeWord : file->AttributeWord();
  if (name == kOwnerAttribute) {
    // The handset has no command that gives a file another owner; copying tools that carry the
    // owner along get through when it is the one the file has.
    return word && *word == owner ? 0 : -EPERM;
  }
  // The attribute bits are the low byte; the high byte is the handset's own and stays.
  if (!word || (*word & 0xFF00) != (current & 0xFF00u)) {
    return -EINVAL;
  }
  if (writer != nullptr) {
    writer->laterWord = *word;
    return 0;
  }
  CloseHandsetFile();
  const std::size_t before = LogCount();
  if (volume->files().SetAttributes(target->handset, *word) != FileOutcome::Done) {
    return Failed(volume->files().lastReport(), before);
  }
  return 0;
}

int HandsetMount::ListXattr(std::string_view path, std::vector<std::string>& names) {
  names.clear();
  std::optional<Target> target;
  std::optional<MountNode> found;
  if (const int result = Resolve(path, target, found)) {
    return result;
  }
  if (!found->directory) {
    names.emplace_back(kOwnerAttribute);
    names.emplace_back(kAttributesAttribute);
  }
  return 0;
}

}  // namespace tollhaven::mount
