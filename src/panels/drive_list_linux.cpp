// The drive selectors' entries on Linux: the mounted volumes from /proc/self/mountinfo, told
// apart with what sysfs and udev's /dev/disk/by-label links say about their devices.

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <system_error>

#include "panels/drive_list.h"
#include "panels/mount_table.h"

namespace tollhaven {

namespace {

namespace fs = std::filesystem;

std::string ReadWholeFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// udev writes characters outside a safe set in link names as \xHH.
std::string DecodeLinkName(const std::string& name) {
  std::string text;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x') {
      const std::string hex = name.substr(i + 2, 2);
      char* end = nullptr;
      const long value = std::strtol(hex.c_str(), &end, 16);
      if (end == hex.c_str() + 2) {
        text.push_back(static_cast<char>(value));
        i += 3;
        continue;
      }
    }
    text.push_back(name[i]);
  }
  return text;
}

class SystemVolumeProbe : public VolumeProbe {
 public:
  SystemVolumeProbe() {
    std::error_code error;
    for (fs::directory_iterator link("/dev/disk/by-label", error), end; !error && link != end;
         link.increment(error)) {
      const fs::path device = fs::canonical(link->path(), error);
      if (!error) {
        labels_[device.string()] = DecodeLinkName(link->path().filename().string());
      }
      error.clear();
    }
  }

  bool IsRemovable(const MountRecord& mount) override {
    std::error_code error;
    const fs::path device = fs::canonical(fs::path("/sys/dev/block") / mount.device, error);
    if (error) {
      return false;
    }
    // Disks on USB are taken out as often as sticks, though many call themselves fixed.
    if (device.string().find("/usb") != std::string::npos) {
      return true;
    }
    // A partition has no flag of its own; its disk is the directory above it.
    for (const fs::path& directory : {device, device.parent_path()}) {
      const std::string flag = ReadWholeFile(directory / "removable");
      if (!flag.empty()) {
        return flag.front() == '1';
      }
    }
    return false;
  }

  std::string Label(const MountRecord& mount) override {
    std::error_code error;
    const fs::path device = fs::canonical(mount.source, error);
    if (error) {
      return {};
    }
    const auto found = labels_.find(device.string());
    return found == labels_.end() ? std::string() : found->second;
  }

 private:
  std::map<std::string, std::string> labels_;
};

std::string HomeDirectory() {
  if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
    return home;
  }
  if (const passwd* user = getpwuid(getuid()); user != nullptr && user->pw_dir != nullptr) {
    return user->pw_dir;
  }
  return {};
}

}  // namespace

std::vector<DriveEntry> LocalDrives() {
  SystemVolumeProbe probe;
  return DrivesFromMounts(ParseMountInfo(ReadWholeFile("/proc/self/mountinfo")), HomeDirectory(),
                          probe);
}

}  // namespace tollhaven
