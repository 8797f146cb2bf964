#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "panels/drive_list.h"

namespace tollhaven {

// One line of /proc/self/mountinfo, with the octal escapes of its paths undone.
struct MountRecord {
  std::string device;      // "major:minor"
  std::string root;        // the part of the file system mounted here ("/" unless a bind mount)
  std::string mountPoint;  // "/media/ann/STICK"
  std::string fsType;      // "ext4", "vfat", "nfs4", "tmpfs", "fuse.sshfs" ...
  std::string source;      // "/dev/sdb1", "server:/export", "tmpfs" ...
};

// The records of a mountinfo text, in its order; lines that do not parse are left out.
std::vector<MountRecord> ParseMountInfo(std::string_view text);

// What the system can tell about a mounted volume beyond its mountinfo line.
class VolumeProbe {
 public:
  virtual ~VolumeProbe() = default;
  // The block device can be taken out (a USB stick, a memory card, an external disk).
  virtual bool IsRemovable(const MountRecord& mount) = 0;
  // The file system's label; empty when it has none or it cannot be read.
  virtual std::string Label(const MountRecord& mount) = 0;
};

// The kind a mounted volume shows as, or nullopt for a mount no user would browse (kernel and
// system file systems, mounts below /proc, /sys, /dev, /run, /boot, /etc ...).
std::optional<DriveKind> BrowsableKind(const MountRecord& mount, VolumeProbe& probe);

// The drive entries of a mount table: the root file system first, then `home`, then the other
// browsable mounts by mount point. Where a mount point was mounted over, the last mount counts.
std::vector<DriveEntry> DrivesFromMounts(const std::vector<MountRecord>& mounts,
                                         const std::string& home, VolumeProbe& probe);

}  // namespace tollhaven
