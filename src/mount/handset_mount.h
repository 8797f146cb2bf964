#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "handset/file_list_entry.h"
#include "handset/handset_connection.h"
#include "handset/upload_checks.h"

namespace tollhaven::mount {

// The extended attributes a handset file carries in the mount.
inline constexpr std::string_view kOwnerAttribute = "user.tollhaven.owner";
inline constexpr std::string_view kAttributesAttribute = "user.tollhaven.attributes";

// The read-only bit of the attribute word: such a file shows without write permission.
inline constexpr uint32_t kReadOnlyBit = 0x01;

// What a path of the mount is, as stat shows it.
struct MountNode {
  bool directory = false;
  uint64_t size = 0;
  bool readOnly = false;  // the handset's read-only attribute bit
};

// One row of a directory listing.
struct MountDirEntry {
  std::string name;  // as the mount shows it (UTF-8)
  bool directory = false;
};

// The handset as a file system, without the FUSE glue: every operation takes a path of the mount
// ("/" is the top, "/a" a volume, "/a/mobile/x.mp3" a file) and answers 0 (or a byte count) or a
// negative errno, so that the glue passes it on unchanged.
//
// Names: the handset's names are 8-bit bytes, which the mount shows as the UTF-8 of their
// Latin-1 reading, as the window and the command-line tool do. Every byte string has exactly one
// such form, so each handset name comes back to the handset byte for byte; a new local name that
// has no Latin-1 form (not UTF-8, or a character above U+00FF) cannot be created (EILSEQ).
//
// The handset has one open file at a time. The mount keeps the file a handle reads open across
// sequential reads, and closes it before any other command goes out. Writes go to a local file
// and reach the handset when the handle is flushed (close), through the same operations layer as
// every other front end.
//
// Not for two threads at once: callers hold mutex().
class HandsetMount {
 public:
  // `err` gets one line for every operation the handset failed, with the log lines that tell
  // why. `spoolDirectory` is where written files wait for their upload; it must exist.
  HandsetMount(HandsetConnection& handset, std::ostream& err, std::filesystem::path spoolDirectory);
  ~HandsetMount();
  HandsetMount(const HandsetMount&) = delete;
  HandsetMount& operator=(const HandsetMount&) = delete;

  int GetAttr(std::string_view path, MountNode& node);
  int ReadDir(std::string_view path, std::vector<MountDirEntry>& entries);

  // `flags` as open(2) takes them. A handle of 0 is never handed out.
  int Open(std::string_view path, int flags, uint64_t& handle);
  int Create(std::string_view path, uint64_t& handle);
  // Bytes read into `buffer` (fewer at the end of the file), or a negative errno.
  long Read(uint64_t handle, char* buffer, std::size_t size, off_t offset);
  long Write(uint64_t handle, const char* buffer, std::size_t size, off_t offset);
  // `handle` 0: the path's file itself, else the open handle's.
  int Truncate(std::string_view path, off_t size, uint64_t handle);
  // Uploads what was written through the handle since the last flush. -EIO when the upload
  // failed: close(2) reports it.
  int Flush(uint64_t handle);
  int Release(uint64_t handle);

  int MakeDirectory(std::string_view path);
  int RemoveDirectory(std::string_view path);
  int Unlink(std::string_view path);
  // Always -EXDEV: the handset has no rename, and copy-then-delete is what mv does with it.
  int Rename(std::string_view from, std::string_view to);

  // The value of `name`, or a negative errno.
  int GetXattr(std::string_view path, std::string_view name, std::string& value);
  int SetXattr(std::string_view path, std::string_view name, std::string_view value);
  int ListXattr(std::string_view path, std::vector<std::string>& names);

  // Closes the handset file a reader left open; call before the handset is let go.
  void CloseHandsetFile();

  std::mutex& mutex() { return mutex_; }

 private:
  // A path of the mount taken apart: the volume letter and the handset path of the same thing.
  struct Target {
    char volume = 0;      // 0 for the top of the mount
    std::string handset;  // "/a", "/a/mobile/x.mp3" (bytes as the handset has them)
    bool IsTop() const { return volume == 0; }
    bool IsVolume() const { return handset.size() == 2; }
  };
  struct Handle {
    Target target;
    uint32_t attributeWord = 0;
    uint32_t size = 0;  // of the handset file, for reads
    bool writing = false;
    int spoolFd = -1;
    std::filesystem::path spoolPath;
    bool dirty = false;
    // An attribute word set while the file was still being written: given after the upload,
    // which writes every file with word 4.
    std::optional<uint32_t> laterWord;
  };

  // nullopt when the path has no handset form (errno in `error`).
  std::optional<Target> Parse(std::string_view path, int& error) const;
  // The volume's list, loaded on first use; nullptr when it cannot be had.
  Volume* VolumeOf(const Target& target);
  // What the list says of the target in `found`: a file, a directory, or nothing (nullopt).
  // -EIO when the volume's list cannot be had.
  int Lookup(const Target& target, std::optional<MountNode>& found);
  // Parse and Lookup of a path that must name something: -ENOENT when it names nothing, else
  // 0 with both set.
  int Resolve(std::string_view path, std::optional<Target>& target,
              std::optional<MountNode>& found);
  // Parse of a path where a new entry is to be made and the look-up of what it names now: -EEXIST
  // for the top and the volumes, -EPERM for the placeholder's name, -ENOENT when its directory
  // is missing, else 0 with `found` set when the name is taken.
  int ResolveNew(std::string_view path, std::optional<Target>& target,
                 std::optional<MountNode>& found);
  bool DirectoryHasEntries(Volume& volume, const std::string& handsetDir) const;
  Handle* Find(uint64_t handle);
  int NewSpool(Handle& handle);
  // Fills the handle's spool file with the handset file's bytes.
  int CopyToSpool(uint64_t id, Handle& handle);
  // Reads `size` bytes at `offset` of the handle's handset file, keeping the file open.
  int ReadHandset(uint64_t id, Handle& handle, char* buffer, uint32_t size, uint32_t offset);
  int Upload(Handle& handle);
  // After the file or directory `handsetPath` went: its directory, now without a file below it,
  // still exists on the handset and stays in the listing.
  void KeepParentShown(Volume& volume, const std::string& handsetPath);
  void DropHandle(uint64_t id);
  // Writes the log lines since `firstLine` to `err_` under `what`, and answers -EIO.
  int Failed(std::string_view what, std::size_t firstLine);
  // After the operations layer refused to send something: its line to `err_`, and the errno
  // that says why (ENAMETOOLONG, ENOSPC, EEXIST).
  int Refused(UploadRefusal refusal, std::string_view line);
  std::size_t LogCount() const;

  HandsetConnection& handset_;
  std::ostream& err_;
  std::filesystem::path spool_;
  std::mutex mutex_;
  std::map<uint64_t, Handle> handles_;
  // The volumes whose lists were loaded; a list that had to let go of its block is asked for
  // again through the handset.
  std::map<char, Volume*> volumes_;
  uint64_t nextHandle_ = 1;
  uint64_t nextSpool_ = 1;
  // The handle whose handset file is open, and where the handset's position is.
  uint64_t openOnHandset_ = 0;
  uint32_t handsetPosition_ = 0;
  // Directories whose last file was deleted: the handset still has them, its list no longer
  // shows them, and rm -r or rmdir comes for them next.
  std::set<std::string> emptiedDirectories_;
};

}  // namespace tollhaven::mount
