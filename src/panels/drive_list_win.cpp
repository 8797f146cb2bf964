// The drive selectors' entries on Windows: one per logical drive, as the system reports them.

#include <windows.h>

#include <cstring>

#include "panels/drive_list.h"

namespace tollhaven {

namespace {

DriveKind KindOf(UINT type) {
  switch (type) {
    case DRIVE_REMOVABLE:
      return DriveKind::Removable;
    case DRIVE_FIXED:
      return DriveKind::Fixed;
    case DRIVE_REMOTE:
      return DriveKind::Remote;
    case DRIVE_CDROM:
      return DriveKind::CdRom;
    case DRIVE_RAMDISK:
      return DriveKind::RamDisk;
    default:
      return DriveKind::Other;
  }
}

}  // namespace

std::vector<DriveEntry> LocalDrives() {
  std::vector<DriveEntry> drives;
  char roots[1024] = {};
  const DWORD length = GetLogicalDriveStringsA(sizeof roots - 1, roots);
  if (length == 0 || length >= sizeof roots) {
    return drives;
  }
  for (const char* root = roots; *root != '\0'; root += std::strlen(root) + 1) {
    DriveEntry drive{root, KindOf(GetDriveTypeA(root)), ""};
    if (drive.kind == DriveKind::Fixed) {
      char label[256] = {};
      if (GetVolumeInformationA(root, label, sizeof label - 1, nullptr, nullptr, nullptr, nullptr,
                                0)) {
        drive.label = label;
      }
    }
    drives.push_back(std::move(drive));
  }
  return drives;
}

}  // namespace tollhaven
