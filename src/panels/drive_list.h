#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace tollhaven {

// The entry of the drive selectors that stands for the handset; it is always entry 0.
inline constexpr std::string_view kHandsetDriveText = "P2k Mobile phone";
// The entry both panels start on, and the one they fall back to: the user's home directory.
inline constexpr int kStartDriveEntry = 2;

// What kind of volume a drive entry is; each gives its text a suffix.
enum class DriveKind {
  Other,      // a kind without a suffix of its own: the root alone
  Removable,  // " Removable disk"
  Fixed,      // " " + the volume label (an empty label leaves the blank)
  Remote,     // " Network drive"
  CdRom,      // " CD-ROM"
  RamDisk,    // " Ramdisk"
};

// One local entry of the drive selectors (entries 1 and up).
struct DriveEntry {
  std::string root;  // where the entry leads: "/", "/home/ann", "/media/ann/STICK", "C:\"
  DriveKind kind = DriveKind::Other;
  std::string label;  // the volume label of a fixed volume
};

// The selector text of a drive: its root followed by the suffix of its kind.
std::string driveEntryText(DriveKind kind, std::string_view root, std::string_view label);
inline std::string driveEntryText(const DriveEntry& drive) {
  return driveEntryText(drive.kind, drive.root, drive.label);
}

// The volumes a user would browse, in selector order (entry 1 first). On Linux: the root file
// system, the home directory (so that it is entry 2), then removable media, other disks, network
// mounts, optical discs and RAM disks by mount point. Platform-bound (drive_list_<platform>.cpp).
std::vector<DriveEntry> LocalDrives();

// The current directory of each drive: choosing a drive enters the directory last shown from
// it, its root at first. Kept by root, so refilling a selector keeps it. Each panel keeps its
// own, so that one panel's walks never move the other.
class DriveDirectories {
 public:
  std::string CurrentDirectory(const DriveEntry& drive) const;
  // Records `directory` for the drive it lies on and returns that drive: `shown` (the drive the
  // panel's selector shows) when the directory lies on it, since drives nest (home lies on "/")
  // and the panel stays on its drive while it can; else the drive whose root is its longest
  // leading part. A directory on none of the drives is not recorded (null).
  const DriveEntry* Remember(const std::vector<DriveEntry>& drives, std::string_view directory,
                             const DriveEntry* shown = nullptr);
  // Forgets a drive's directory (it could not be entered any more).
  void Forget(const DriveEntry& drive);

 private:
  std::map<std::string, std::string, std::less<>> current_;
};

// True when `path` is `root` or lies below it.
bool PathIsOnDrive(std::string_view path, std::string_view root);

}  // namespace tollhaven
