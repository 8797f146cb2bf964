#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "panels/drive_list.h"
#include "panels/mount_table.h"

namespace tollhaven {
namespace {

using ::testing::ElementsAre;

// What sysfs and the label links would say, by device.
struct FakeProbe : VolumeProbe {
  bool IsRemovable(const MountRecord& mount) override { return removable.count(mount.device); }
  std::string Label(const MountRecord& mount) override {
    const auto found = labels.find(mount.source);
    return found == labels.end() ? std::string() : found->second;
  }
  std::set<std::string> removable;
  std::map<std::string, std::string> labels;
};

// A desktop's mount table, trimmed; one line per kind of mount the list must tell apart.
constexpr char kDesktopMounts[] =
    "22 1 0:21 / /sys rw,nosuid - sysfs sysfs rw\n"
    "23 1 0:22 / /proc rw - proc proc rw\n"
    "24 1 0:5 / /dev rw - devtmpfs udev rw\n"
    "26 1 259:2 / / rw,relatime shared:1 - ext4 /dev/nvme0n1p2 rw\n"
    "27 24 0:23 / /dev/shm rw - tmpfs tmpfs rw\n"
    "28 1 0:24 / /run rw - tmpfs tmpfs rw\n"
    "30 26 259:1 / /boot/efi rw - vfat /dev/nvme0n1p1 rw\n"
    "31 26 259:3 / /home rw,relatime shared:3 - ext4 /dev/nvme0n1p3 rw\n"
    "32 26 0:30 / /tmp rw - tmpfs tmpfs rw\n"
    "33 28 8:17 / /run/media/ann/MY\\040STICK rw - vfat /dev/sdb1 rw\n"
    "34 26 8:33 / /mnt/backup rw - ext4 /dev/sdc1 rw\n"
    "35 26 0:40 / /mnt/nas rw - nfs4 nas:/export rw\n"
    "36 28 11:0 / /run/media/ann/DISC rw - iso9660 /dev/sr0 ro\n"
    "37 26 0:41 / /snap/core/1 ro - squashfs /dev/loop0 ro\n"
    "38 26 259:2 /var/lib/x /etc/hosts rw - ext4 /dev/nvme0n1p2 rw\n"
    "39 26 0:42 / /mnt/sshbox rw - fuse.sshfs ann@box: rw\n"
    "40 26 0:43 / /mnt/odd rw - fuse.whatever thing rw\n"
    "41 26 8:49 / /data rw - xfs /dev/sdd1 rw\n"
    "garbage line\n";

std::vector<std::string> Texts(const std::vector<DriveEntry>& drives) {
  std::vector<std::string> texts;
  for (const DriveEntry& drive : drives) {
    texts.push_back(driveEntryText(drive));
  }
  return texts;
}

TEST(DriveList, RootThenHomeThenEveryBrowsableMountWithItsSuffix) {
  FakeProbe probe;
  probe.removable = {"8:49"};
  probe.labels = {{"/dev/nvme0n1p2", "system"}, {"/dev/sdc1", "Backup"}};
  EXPECT_THAT(Texts(DrivesFromMounts(ParseMountInfo(kDesktopMounts), "/home/ann/", probe)),
              ElementsAre("/ system",
                          // The home directory lies on /home, which has no label.
                          "/home/ann ", "/data Removable disk", "/home ", "/mnt/backup Backup",
                          "/mnt/nas Network drive", "/mnt/odd", "/mnt/sshbox Network drive",
                          "/run/media/ann/DISC CD-ROM", "/run/media/ann/MY STICK Removable disk",
                          "/tmp Ramdisk"));
}

TEST(DriveList, AContainerRootAndAHomeThatIsItsOwnMount) {
  const char mounts[] =
      "1 0 0:50 / / rw - overlay overlay rw\n"
      "2 1 8:1 / /home/bob rw - btrfs /dev/sda1 rw\n"
      "3 1 8:1 / /home/bob rw - ext4 /dev/sda2 rw\n";  // mounted over the first
  FakeProbe probe;
  probe.labels = {{"/dev/sda2", "Bob's"}};
  const std::vector<DriveEntry> drives =
      DrivesFromMounts(ParseMountInfo(mounts), "/home/bob", probe);
  EXPECT_THAT(Texts(drives), ElementsAre("/ ", "/home/bob Bob's"));
}

TEST(DriveList, WithoutAHomeOrAMountTableTheRootIsStillThere) {
  FakeProbe probe;
  EXPECT_THAT(Texts(DrivesFromMounts({}, "", probe)), ElementsAre("/ "));
  EXPECT_THAT(Texts(DrivesFromMounts({}, "/", probe)), ElementsAre("/ "));
  EXPECT_THAT(Texts(DrivesFromMounts({}, "relative", probe)), ElementsAre("/ "));
}

TEST(DriveList, MountInfoPathsAreUnescaped) {
  const std::vector<MountRecord> records = ParseMountInfo(
      "36 35 98:0 /mnt1 /mnt/a\\040b\\134c rw,noatime master:1 - ext3 /dev/root rw\n");
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].device, "98:0");
  EXPECT_EQ(records[0].root, "/mnt1");
  EXPECT_EQ(records[0].mountPoint, "/mnt/a b\\c");
  EXPECT_EQ(records[0].fsType, "ext3");
  EXPECT_EQ(records[0].source, "/dev/root");
  EXPECT_TRUE(ParseMountInfo("1 2 3 4 5 6 -\n\n").empty());
}

struct TextCase {
  DriveKind kind;
  const char* root;
  const char* label;
  const char* expected;
};

class EntryTexts : public ::testing::TestWithParam<TextCase> {};

TEST_P(EntryTexts, RootAndSuffix) {
  const TextCase& c = GetParam();
  EXPECT_EQ(driveEntryText(c.kind, c.root, c.label), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, EntryTexts,
    ::testing::Values(TextCase{DriveKind::Removable, "A:\\", "x", "A:\\ Removable disk"},
                      TextCase{DriveKind::Fixed, "C:\\", "", "C:\\ "},
                      TextCase{DriveKind::Fixed, "/", "Data", "/ Data"},
                      TextCase{DriveKind::Remote, "/mnt/n", "", "/mnt/n Network drive"},
                      TextCase{DriveKind::CdRom, "D:\\", "", "D:\\ CD-ROM"},
                      TextCase{DriveKind::RamDisk, "/tmp", "", "/tmp Ramdisk"},
                      TextCase{DriveKind::Other, "/mnt/x", "", "/mnt/x"}));

TEST(DriveDirectories, EachDriveRemembersTheLastDirectoryShownFromIt) {
  const std::vector<DriveEntry> drives = {{"/", DriveKind::Fixed, ""},
                                          {"/home/ann", DriveKind::Fixed, ""},
                                          {"/home/anna", DriveKind::Fixed, ""},
                                          {"C:\\", DriveKind::Fixed, ""}};
  DriveDirectories directories;
  EXPECT_EQ(directories.CurrentDirectory(drives[1]), "/home/ann");

  directories.Remember(drives, "/home/ann/music");
  directories.Remember(drives, "/usr/share");
  directories.Remember(drives, "C:\\Work");
  directories.Remember(drives, "relative/elsewhere");
  EXPECT_EQ(directories.CurrentDirectory(drives[0]), "/usr/share");
  EXPECT_EQ(directories.CurrentDirectory(drives[1]), "/home/ann/music");
  EXPECT_EQ(directories.CurrentDirectory(drives[2]), "/home/anna");
  EXPECT_EQ(directories.CurrentDirectory(drives[3]), "C:\\Work");

  directories.Forget(drives[1]);
  EXPECT_EQ(directories.CurrentDirectory(drives[1]), "/home/ann");
}

// Drives nest: a directory stays with the drive the panel shows while it lies on it, and goes
// to the drive it is on (the longest root) once it leaves it.
TEST(DriveDirectories, ADirectoryStaysWithTheShownDriveWhileItLiesOnIt) {
  const std::vector<DriveEntry> drives = {{"/", DriveKind::Fixed, ""},
                                          {"/home/ann", DriveKind::Fixed, ""}};
  DriveDirectories directories;
  EXPECT_EQ(directories.Remember(drives, "/home/ann/music", &drives[0]), &drives[0]);
  EXPECT_EQ(directories.CurrentDirectory(drives[0]), "/home/ann/music");
  EXPECT_EQ(directories.CurrentDirectory(drives[1]), "/home/ann");

  EXPECT_EQ(directories.Remember(drives, "/home", &drives[1]), &drives[0]);
  EXPECT_EQ(directories.CurrentDirectory(drives[0]), "/home");
  EXPECT_EQ(directories.Remember(drives, "/home/ann/films", nullptr), &drives[1]);
  EXPECT_EQ(directories.Remember(drives, "relative", &drives[0]), nullptr);
}

TEST(DriveList, ThisMachineListsTheRootFirst) {
  const std::vector<DriveEntry> drives = LocalDrives();
  ASSERT_FALSE(drives.empty());
  EXPECT_EQ(drives[0].root, "/");
}

}  // namespace
}  // namespace tollhaven
