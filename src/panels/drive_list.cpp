#include "panels/drive_list.h"

namespace tollhaven {

std::string driveEntryText(DriveKind kind, std::string_view root, std::string_view label) {
  std::string text(root);
  switch (kind) {
    case DriveKind::Removable:
      text += " Removable disk";
      break;
    case DriveKind::Fixed:
      text += ' ';
      text += label;
      break;
    case DriveKind::Remote:
      text += " Network drive";
      break;
    case DriveKind::CdRom:
      text += " CD-ROM";
      break;
    case DriveKind::RamDisk:
      text += " Ramdisk";
      break;
    case DriveKind::Other:
      break;
  }
  return text;
}

bool PathIsOnDrive(std::string_view path, std::string_view root) {
  if (root.empty() || !path.starts_with(root)) {
    return false;
  }
  // "/home/ann" holds "/home/ann/x" but not "/home/anna"; a root that ends in a separator ("/",
  // "C:\") holds everything that begins with it.
  const char last = root.back();
  return path.size() == root.size() || last == '/' || last == '\\' || path[root.size()] == '/' ||
         path[root.size()] == '\\';
}

std::string DriveDirectories::CurrentDirectory(const DriveEntry& drive) const {
  const auto found = current_.find(drive.root);
  return found == current_.end() ? drive.root : found->second;
}

const DriveEntry* DriveDirectories::Remember(const std::vector<DriveEntry>& drives,
                                             std::string_view directory, const DriveEntry* shown) {
  const DriveEntry* on = nullptr;
  if (shown != nullptr && PathIsOnDrive(directory, shown->root)) {
    on = shown;
  } else {
    for (const DriveEntry& drive : drives) {
      if (PathIsOnDrive(directory, drive.root) &&
          (on == nullptr || drive.root.size() > on->root.size())) {
        on = &drive;
      }
    }
  }
  if (on != nullptr) {
    current_[on->root] = std::string(directory);
  }
  return on;
}

void DriveDirectories::Forget(const DriveEntry& drive) {
  current_.erase(drive.root);
}

}  // namespace tollhaven
