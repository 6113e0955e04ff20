#include "platform/fs/linux_mount_table.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/fs/file_system.h"
#include "platform/fs/linux_file_system.h"
#include "tests/platform/fs/fs_test_support.h"

namespace veltrano::fs {
namespace {

namespace stdfs = std::filesystem;
using testing::TempFolder;

// A sysfs tree with a SATA disk (sda: EFI, root btrfs), a USB stick that does
// not call itself removable (sdb), a card reader that does (mmcblk0), a USB
// disk holding NTFS (sdc), an optical drive (sr0) and an encrypted volume on
// the stick (dm-0).
class SysfsFixture {
 public:
  SysfsFixture() {
    const std::string ata = "devices/pci0000:00/0000:00:1f.2/ata1/host0/target0:0:0/0:0:0:0/block";
    const std::string usb =
        "devices/pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0/block";
    const std::string usb2 =
        "devices/pci0000:00/0000:00:14.0/usb2/2-2/2-2:1.0/host7/target7:0:0/7:0:0:0/block";
    Disk(ata, "sda", "0", "8:0", {{"sda1", "8:1"}, {"sda2", "8:2"}, {"sda3", "8:3"}});
    Disk(usb, "sdb", "0", "8:16", {{"sdb1", "8:17"}});
    Disk(usb2, "sdc", "0", "8:32", {{"sdc1", "8:33"}});
    Disk("devices/platform/mmc0/mmc_host/mmc0/mmc0:0001/block", "mmcblk0", "1", "179:0",
         {{"mmcblk0p1", "179:1"}});
    Disk("devices/pci0000:00/0000:00:1f.2/ata2/host1/target1:0:0/1:0:0:0/block", "sr0", "1", "11:0",
         {});
    Disk("devices/virtual/block", "dm-0", "0", "254:0", {});
    Write("devices/virtual/block/dm-0/dm/name", "luks-stick");
    Link("devices/virtual/block/dm-0/slaves/sdb1", "/" + usb + "/sdb/sdb1");
  }
  std::string root() const { return dir_.path(); }

 private:
  void Write(const std::string& rel, const std::string& text) {
    stdfs::create_directories(stdfs::path(dir_ / rel).parent_path());
    testing::WriteHostFile(dir_ / rel, text + "\n");
  }
  void Link(const std::string& rel, const std::string& targetRel) {
    stdfs::create_directories(stdfs::path(dir_ / rel).parent_path());
    ASSERT_EQ(symlink((dir_.path() + targetRel).c_str(), (dir_ / rel).c_str()), 0);
  }
  void Device(const std::string& devDir, const std::string& name, const std::string& number) {
    Write(devDir + "/dev", number);
    Link("dev/block/" + number, "/" + devDir);
    Link("class/block/" + name, "/" + devDir);
  }
  void Disk(const std::string& blockDir, const std::string& disk, const std::string& removable,
            const std::string& number, std::vector<std::pair<std::string, std::string>> parts) {
    const std::string diskDir = blockDir + "/" + disk;
    Write(diskDir + "/removable", removable);
    Device(diskDir, disk, number);
    for (const auto& [part, partNumber] : parts) {
      Write(diskDir + "/" + part + "/partition", "1");
      Device(diskDir + "/" + part, part, partNumber);
    }
  }
  TempFolder dir_;
};

struct Expected {
  char letter;
  DriveType type;
  std::string mountPoint;
};

std::vector<Expected> Letters(const std::string& mountinfo, const std::string& sysfs) {
  std::vector<Expected> out;
  for (const MountDrive& d : AssignDriveLetters(ParseMountInfo(mountinfo), sysfs)) {
    out.push_back({d.letter, d.type, d.mountPoint});
  }
  return out;
}

MATCHER_P3(Drive, letter, type, mountPoint, "") {
  return arg.letter == letter && arg.type == static_cast<DriveType>(type) &&
         arg.mountPoint == mountPoint;
}

TEST(LinuxMountTableTest, ParsesFieldsAndUndoesEscapes) {
  const auto entries = ParseMountInfo(
      "36 35 98:0 /mnt1 /mnt/my\\040disk\\011tab rw,noatime master:1 shared:7 - ext3 "
      "/dev/root\\134x rw,errors=continue\n"
      "garbage line\n"
      "37 35 0:33 /@home /home rw - btrfs /dev/sda2 rw\n");
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].mountId, 36);
  EXPECT_EQ(entries[0].parentId, 35);
  EXPECT_EQ(entries[0].major, 98u);
  EXPECT_EQ(entries[0].root, "/mnt1");
  EXPECT_EQ(entries[0].mountPoint, "/mnt/my disk\ttab");
  EXPECT_EQ(entries[0].fsType, "ext3");
  EXPECT_EQ(entries[0].source, "/dev/root\\x");
  EXPECT_EQ(entries[1].root, "/@home");
  EXPECT_EQ(UnescapeMountField("a\\04"), "a\\04");  // a cut escape stays as it is
}

TEST(LinuxMountTableTest, MapsADesktopsMounts) {
  SysfsFixture sys;
  const std::string mountinfo =
      "26 1 0:33 /@ / rw,relatime - btrfs /dev/sda2 rw,subvol=/@\n"
      "21 26 0:20 / /proc rw - proc proc rw\n"
      "22 26 0:21 / /sys rw - sysfs sysfs rw\n"
      "23 26 0:6 / /dev rw - devtmpfs devtmpfs rw\n"
      "24 26 0:24 / /run rw - tmpfs tmpfs rw\n"
      "25 26 8:1 / /boot/efi rw - vfat /dev/sda1 rw\n"
      "27 26 0:33 /@home /home rw - btrfs /dev/sda2 rw,subvol=/@home\n"
      "28 26 0:33 /@/srv/data /mnt/data rw - btrfs /dev/sda2 rw\n"
      "30 24 8:17 / /run/media/user/MY\\040STICK rw - vfat /dev/sdb1 rw\n"
      "31 26 8:17 / /run/media/user/STICK-AGAIN rw - vfat /dev/sdb1 rw\n"
      "32 24 11:0 / /run/media/user/CDROM ro - iso9660 /dev/sr0 ro\n"
      "33 26 0:50 / /mnt/nas rw - nfs4 server:/export rw\n"
      "34 26 0:51 / /mnt/share rw - cifs //server/share rw\n"
      "35 26 0:40 / /tmp rw - tmpfs tmpfs rw\n"
      "36 26 7:3 / /snap/core/123 ro - squashfs /dev/loop3 ro\n"
      "37 26 8:3 / /var/lib/docker rw - ext4 /dev/sda3 rw\n"
      "38 26 0:60 / /media/user/phone rw - fuse.gvfsd-fuse gvfsd-fuse rw\n"
      "39 26 0:61 / /media/user/WIN rw - fuseblk /dev/sdc1 rw\n"
      "40 26 179:1 / /media/user/CARD rw - exfat /dev/mmcblk0p1 rw\n"
      "41 26 0:70 / /media/user/SECRET rw - btrfs /dev/mapper/luks-stick rw\n"
      "42 26 0:80 / /usr/local/share rw - ext4 /dev/sda3 rw\n"
      "43 24 0:45 / /run/user/1000 rw - tmpfs tmpfs rw\n"
      "44 26 8:3 / /efi rw - vfat /dev/sda3 rw\n";
  EXPECT_THAT(Letters(mountinfo, sys.root()),
              ::testing::ElementsAre(Drive('C', kDriveFixed, "/"), Drive('D', kDriveFixed, "/home"),
                                     Drive('E', kDriveRemovable, "/media/user/CARD"),
                                     Drive('F', kDriveRemovable, "/media/user/SECRET"),
                                     Drive('G', kDriveRemovable, "/media/user/WIN"),
                                     Drive('H', kDriveRemote, "/mnt/nas"),
                                     Drive('I', kDriveRemote, "/mnt/share"),
                                     Drive('J', kDriveCdRom, "/run/media/user/CDROM"),
                                     Drive('K', kDriveRemovable, "/run/media/user/MY STICK")));
}

TEST(LinuxMountTableTest, LaterMountOnTheSamePointHidesTheEarlierOne) {
  SysfsFixture sys;
  EXPECT_THAT(
      Letters("1 0 254:1 / / rw - ext4 /dev/vda rw\n"
              "2 1 8:3 / /mnt/x rw - ext4 /dev/sda3 rw\n"
              "3 2 0:50 / /mnt/x rw - nfs server:/x rw\n",
              sys.root()),
      ::testing::ElementsAre(Drive('C', kDriveFixed, "/"), Drive('D', kDriveRemote, "/mnt/x")));
}

TEST(LinuxMountTableTest, BindMountOfAFolderAlreadyShownGetsNoLetter) {
  SysfsFixture sys;
  // /srv/www is a folder of the root file system shown again at /mnt/www;
  // /mnt/other shows a folder of a disk that has no drive yet.
  EXPECT_THAT(
      Letters("1 0 8:2 / / rw - ext4 /dev/sda2 rw\n"
              "2 1 8:2 /srv/www /mnt/www rw - ext4 /dev/sda2 rw\n"
              "3 1 8:3 /data /mnt/other rw - ext4 /dev/sda3 rw\n"
              "4 1 8:3 /data/sub /mnt/other-sub rw - ext4 /dev/sda3 rw\n",
              sys.root()),
      ::testing::ElementsAre(Drive('C', kDriveFixed, "/"), Drive('D', kDriveFixed, "/mnt/other")));
}

TEST(LinuxMountTableTest, UnknownDevicesAreFixedAndLettersStopAtZ) {
  std::string mountinfo = "1 0 254:1 / / rw - ext4 /dev/vda rw\n";
  for (int i = 0; i < 30; ++i) {
    const std::string n = std::to_string(100 + i);
    mountinfo += n + " 1 9:" + n + " / /mnt/d" + n + " rw - ext4 /dev/md" + n + " rw\n";
  }
  const auto drives = Letters(mountinfo, "/nonexistent-sysfs");
  ASSERT_EQ(drives.size(), 24u);  // C: to Z:
  EXPECT_EQ(drives.back().letter, 'Z');
  EXPECT_EQ(drives.back().type, kDriveFixed);
}

// A container: "/" is an overlay, and the engine binds single files of the
// host's disk over /etc/hosts, /etc/hostname and /etc/resolv.conf. Those
// mount points are files here too; only the folder mount is a drive.
TEST(LinuxMountTableTest, FileBindMountsAreNoDrives) {
  SysfsFixture sys;
  TempFolder dir;
  stdfs::create_directories(dir / "etc");
  stdfs::create_directories(dir / "data");
  for (const char* name : {"hosts", "hostname", "resolv.conf"}) {
    testing::WriteHostFile(dir / (std::string("etc/") + name), "x\n");
  }
  const std::string etc = dir / "etc";
  const std::string data = dir / "data";
  const std::string mountinfo =
      "300 250 0:52 / / rw - overlay overlay rw,lowerdir=/l,upperdir=/u\n"
      "310 300 8:3 /lib/docker/containers/ab/resolv.conf " + etc +
      "/resolv.conf rw - ext4 /dev/sda3 rw\n"
      "311 300 8:3 /lib/docker/containers/ab/hostname " + etc + "/hostname rw - ext4 /dev/sda3 rw\n"
      "312 300 8:3 /lib/docker/containers/ab/hosts " + etc + "/hosts rw - ext4 /dev/sda3 rw\n"
      "313 300 8:3 /srv/data " + data + " rw - ext4 /dev/sda3 rw\n";
  EXPECT_THAT(Letters(mountinfo, sys.root()),
              ::testing::ElementsAre(Drive('C', kDriveFixed, "/"), Drive('D', kDriveFixed, data)));

  // The same table read by the backend: one drive besides C:.
  testing::WriteHostFile(dir / "mountinfo", mountinfo);
  LinuxFileSystem fs(LinuxHostConfig{dir / "mountinfo", sys.root()});
  EXPECT_EQ(fs.GetLogicalDrives(), (1u << 2) | (1u << 3));
}

TEST(LinuxMountTableTest, BackendReadsTheTableItIsGiven) {
  SysfsFixture sys;
  TempFolder dir;
  testing::WriteHostFile(dir / "mountinfo",
                         "26 1 8:2 / / rw - ext4 /dev/sda2 rw\n"
                         "30 26 8:17 / /media/usb rw - vfat /dev/sdb1 rw\n"
                         "32 26 11:0 / /media/cd ro - iso9660 /dev/sr0 ro\n");
  LinuxFileSystem fs(LinuxHostConfig{dir / "mountinfo", sys.root()});
  EXPECT_EQ(fs.GetLogicalDrives(), (1u << 2) | (1u << 3) | (1u << 4));
  EXPECT_EQ(fs.GetDriveType("C:\\"), kDriveFixed);
  EXPECT_EQ(fs.GetDriveType("D:\\"), kDriveCdRom);
  EXPECT_EQ(fs.GetDriveType("E:\\"), kDriveRemovable);
  EXPECT_EQ(fs.GetDriveType("F:\\"), kDriveNoRootDir);
  // The mount ids of the fixture are not this machine's: the drives exist but
  // cannot be reached, like a drive whose medium was pulled.
  FindData d;
  EXPECT_EQ(fs.FindFirst("E:\\*.*", d), nullptr);
  EXPECT_FALSE(fs.FolderExists("E:\\"));

  // A drive plugged in later shows at the next GetLogicalDrives.
  testing::WriteHostFile(dir / "mountinfo",
                         "26 1 8:2 / / rw - ext4 /dev/sda2 rw\n"
                         "30 26 8:17 / /media/usb rw - vfat /dev/sdb1 rw\n");
  EXPECT_EQ(fs.GetLogicalDrives(), (1u << 2) | (1u << 3));
  EXPECT_EQ(fs.GetDriveType("D:\\"), kDriveRemovable);
}

}  // namespace
}  // namespace veltrano::fs
