// The mount's open files: the handles, the spool files that hold what is read or written, and
// the one handset file a reader keeps open between reads.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <limits>

#include "handset/handset_names.h"
#include "handset/transfer_workers.h"
#include "mount/handset_mount.h"
#include "mount/mount_paths.h"

namespace tollhaven::mount {

namespace {

// Reads that fill a spool file go in pieces of this size, so that a large file does not need
// its whole size in memory twice.
constexpr uint32_t kSpoolPiece = 64 * 1024;
constexpr uint32_t kUnknownPosition = std::numeric_limits<uint32_t>::max();

}  // namespace

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

}  // namespace tollhaven::mount
