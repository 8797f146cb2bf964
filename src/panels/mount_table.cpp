#include "panels/mount_table.h"

#include <algorithm>
#include <array>
#include <map>

namespace tollhaven {

namespace {

// Paths in mountinfo write blank, tab, newline and backslash as \ooo.
std::string Unescape(std::string_view field) {
  std::string text;
  text.reserve(field.size());
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      const std::string_view digits = field.substr(i + 1, 3);
      if (std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '7'; })) {
        text.push_back(static_cast<char>(((digits[0] - '0') << 6) | ((digits[1] - '0') << 3) |
                                         (digits[2] - '0')));
        i += 3;
        continue;
      }
    }
    text.push_back(field[i]);
  }
  return text;
}

std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t at = 0;
  while (at < line.size()) {
    const std::size_t end = std::min(line.find(' ', at), line.size());
    if (end > at) {
      fields.push_back(line.substr(at, end - at));
    }
    at = end + 1;
  }
  return fields;
}

bool OneOf(std::string_view value, std::initializer_list<std::string_view> values) {
  return std::find(values.begin(), values.end(), value) != values.end();
}

// Trees that hold the system itself, not the user's files.
bool IsSystemPath(std::string_view mountPoint) {
  if (PathIsOnDrive(mountPoint, "/run/media")) {
    return false;
  }
  constexpr std::array<std::string_view, 14> kSystemTrees = {
      "/proc", "/sys", "/dev", "/run", "/boot", "/efi", "/snap",
      "/var",  "/etc", "/usr", "/bin", "/sbin", "/lib", "/lib64"};
  return std::any_of(kSystemTrees.begin(), kSystemTrees.end(),
                     [&](std::string_view tree) { return PathIsOnDrive(mountPoint, tree); });
}

bool IsNetworkType(std::string_view type) {
  return OneOf(type,
               {"nfs", "nfs4", "cifs", "smb3", "smbfs", "ncpfs", "afs", "9p", "ceph", "glusterfs",
                "davfs", "fuse.sshfs", "sshfs", "fuse.davfs2", "fuse.rclone", "fuse.s3fs"});
}

bool IsDiskType(std::string_view type) {
  return OneOf(type, {"ext2", "ext3", "ext4", "xfs", "btrfs", "vfat", "msdos", "exfat", "ntfs",
                      "ntfs3", "fuseblk", "f2fs", "jfs", "reiserfs", "hfsplus", "zfs", "bcachefs"});
}

bool UnderMediaDirectory(std::string_view mountPoint) {
  return PathIsOnDrive(mountPoint, "/media") || PathIsOnDrive(mountPoint, "/run/media");
}

// The record a path lies on: the mount with the longest mount point that holds it.
const MountRecord* ContainingMount(const std::vector<const MountRecord*>& mounts,
                                   std::string_view path) {
  const MountRecord* best = nullptr;
  for (const MountRecord* mount : mounts) {
    if (PathIsOnDrive(path, mount->mountPoint) &&
        (best == nullptr || mount->mountPoint.size() > best->mountPoint.size())) {
      best = mount;
    }
  }
  return best;
}

// An entry for a path that must be listed whatever its volume is (the root, the home
// directory): a volume of no browsable kind shows as a fixed one.
DriveEntry RequiredEntry(const std::string& root, const MountRecord* mount, VolumeProbe& probe) {
  DriveEntry entry{root, DriveKind::Fixed, ""};
  if (mount != nullptr) {
    const std::optional<DriveKind> kind =
        IsSystemPath(mount->mountPoint) && mount->mountPoint != "/" ? std::nullopt
                                                                    : BrowsableKind(*mount, probe);
    entry.kind = kind.value_or(DriveKind::Fixed);
    if (entry.kind == DriveKind::Other) {
      entry.kind = DriveKind::Fixed;
    }
    if (entry.kind == DriveKind::Fixed) {
      entry.label = probe.Label(*mount);
    }
  }
  return entry;
}

}  // namespace

std::vector<MountRecord> ParseMountInfo(std::string_view text) {
  std::vector<MountRecord> records;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = std::min(text.find('\n', at), text.size());
    const std::vector<std::string_view> fields = Fields(text.substr(at, end - at));
    at = end + 1;
    // id parent major:minor root mount-point options [optional fields] - type source options
    const auto separator = std::find(fields.begin() + std::min<std::size_t>(6, fields.size()),
                                     fields.end(), std::string_view("-"));
    if (fields.size() < 6 || separator == fields.end() || fields.end() - separator < 3) {
      continue;
    }
    records.push_back({std::string(fields[2]), Unescape(fields[3]), Unescape(fields[4]),
                       std::string(separator[1]), Unescape(separator[2])});
  }
  return records;
}

std::optional<DriveKind> BrowsableKind(const MountRecord& mount, VolumeProbe& probe) {
  if (mount.mountPoint != "/" && IsSystemPath(mount.mountPoint)) {
    return std::nullopt;
  }
  const std::string_view type = mount.fsType;
  if (IsNetworkType(type)) {
    return DriveKind::Remote;
  }
  if (OneOf(type, {"iso9660", "udf"})) {
    return DriveKind::CdRom;
  }
  if (OneOf(type, {"tmpfs", "ramfs"})) {
    return DriveKind::RamDisk;
  }
  const bool onDevice = mount.source.starts_with("/dev/");
  if (onDevice || IsDiskType(type)) {
    // A file system mounted from inside another (a bind mount) is not a volume of its own.
    if (mount.root != "/") {
      return std::nullopt;
    }
    if (UnderMediaDirectory(mount.mountPoint) || probe.IsRemovable(mount)) {
      return DriveKind::Removable;
    }
    return DriveKind::Fixed;
  }
  // Something mounted where users mount things by hand, of a kind this list has no word for.
  if (UnderMediaDirectory(mount.mountPoint) || PathIsOnDrive(mount.mountPoint, "/mnt")) {
    return DriveKind::Other;
  }
  return std::nullopt;
}

std::vector<DriveEntry> DrivesFromMounts(const std::vector<MountRecord>& mounts,
                                         const std::string& home, VolumeProbe& probe) {
  // The last mount on a mount point hides the ones before it.
  std::map<std::string, const MountRecord*> byMountPoint;
  for (const MountRecord& mount : mounts) {
    byMountPoint[mount.mountPoint] = &mount;
  }
  std::vector<const MountRecord*> visible;
  for (const auto& [mountPoint, mount] : byMountPoint) {
    visible.push_back(mount);
  }

  std::string homeDirectory = home;
  while (homeDirectory.size() > 1 && homeDirectory.back() == '/') {
    homeDirectory.pop_back();
  }

  std::vector<DriveEntry> drives;
  drives.push_back(RequiredEntry("/", ContainingMount(visible, "/"), probe));
  const bool listHome = homeDirectory.starts_with('/') && homeDirectory != "/";
  if (listHome) {
    drives.push_back(RequiredEntry(homeDirectory, ContainingMount(visible, homeDirectory), probe));
  }
  for (const MountRecord* mount : visible) {
    if (mount->mountPoint == "/" || (listHome && mount->mountPoint == homeDirectory)) {
      continue;
    }
    const std::optional<DriveKind> kind = BrowsableKind(*mount, probe);
    if (!kind) {
      continue;
    }
    DriveEntry entry{mount->mountPoint, *kind, ""};
    if (*kind == DriveKind::Fixed) {
      entry.label = probe.Label(*mount);
    }
    drives.push_back(std::move(entry));
  }
  return drives;
}

}  // namespace tollhaven
