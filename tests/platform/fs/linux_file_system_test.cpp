// The Linux backend on real folders: what only real disks show (name
// mapping, mounts, links swapped in, caches, FAT attributes).
#include "platform/fs/linux_file_system.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "platform/fs/linux_dir.h"
#include "platform/fs/linux_dos_attributes.h"
#include "tests/platform/fs/fs_test_support.h"

namespace veltrano::fs {
namespace {

namespace stdfs = std::filesystem;
using ::testing::ElementsAre;
using testing::TempFolder;

class LinuxFileSystemTest : public ::testing::Test {
 protected:
  LinuxFileSystemTest() : fs_({{'E', kDriveRemovable, dir_.path()}}) {}

  std::vector<std::string> List(std::string_view pattern, FindMode mode = FindMode::kFull) {
    std::vector<std::string> names;
    FindData d;
    auto s = fs_.FindFirst(pattern, d, mode);
    if (!s) return names;
    do names.push_back(d.cFileName);
    while (s->FindNext(d));
    std::sort(names.begin(), names.end());
    return names;
  }
  std::string Xattr(const std::string& host) {
    char buf[64];
    const ssize_t n = getxattr(host.c_str(), "user.DOSATTRIB", buf, sizeof buf);
    return n < 0 ? "<none>" : std::string(buf, static_cast<size_t>(n));
  }

  TempFolder dir_;
  LinuxFileSystem fs_;
};

TEST_F(LinuxFileSystemTest, NamesWindowsCannotHoldAreShownMappedAndReachedExactly) {
  testing::WriteHostFile(dir_ / "a:b.exe", "colon");
  testing::WriteHostFile(dir_ / "a\uF03Ab.exe", "look-alike");  // already private use
  testing::WriteHostFile(dir_ / "\xB2\xA1.pif", "gbk");         // not UTF-8
  testing::WriteHostFile(dir_ / "back\\slash.scr", "slash");
  const std::string colon = "a\uF03Ab.exe";
  const std::string lookAlike = "a\uF0EF\uF080\uF0BAb.exe";
  const std::string gbk = "\uF0B2\uF0A1.pif";
  const std::string slash = "back\uF05Cslash.scr";
  EXPECT_THAT(List("E:\\*.*"), ElementsAre(colon, lookAlike, slash, gbk));

  // Each shown name leads back to its own file and no other.
  for (const auto& [shown, content] :
       {std::pair{colon, "colon"}, {lookAlike, "look-alike"}, {gbk, "gbk"}, {slash, "slash"}}) {
    const auto data = fs_.ReadFile("E:\\" + shown, 100);
    ASSERT_TRUE(data) << shown;
    EXPECT_EQ(std::string(data->begin(), data->end()), content);
  }
  EXPECT_TRUE(fs_.DeleteFile("E:\\" + colon));
  EXPECT_FALSE(testing::HostExists(dir_ / "a:b.exe"));
  EXPECT_TRUE(testing::HostExists(dir_ / "a\uF03Ab.exe"));
  EXPECT_TRUE(fs_.DeleteFile("E:\\" + gbk));
  EXPECT_FALSE(testing::HostExists(dir_ / "\xB2\xA1.pif"));
  EXPECT_TRUE(fs_.SetAttributes("E:\\" + slash, kAttrHidden));
  EXPECT_EQ(Xattr(dir_ / "back\\slash.scr"), "0x2");
}

TEST_F(LinuxFileSystemTest, ExactNameWinsOverOneThatDiffersInCase) {
  mkdir((dir_ / "Docs").c_str(), 0755);
  mkdir((dir_ / "docs").c_str(), 0755);
  testing::WriteHostFile(dir_ / "Docs/upper.txt", "");
  testing::WriteHostFile(dir_ / "docs/lower.txt", "");
  EXPECT_THAT(List("E:\\Docs\\*"), ElementsAre("upper.txt"));
  EXPECT_THAT(List("E:\\docs\\*"), ElementsAre("lower.txt"));
  EXPECT_TRUE(fs_.FileExists("E:\\DOCS\\upper.txt") || fs_.FileExists("E:\\DOCS\\lower.txt"));
}

TEST_F(LinuxFileSystemTest, CaselessLookupsFollowDeletionsAndOutsideChanges) {
  mkdir((dir_ / "tmp").c_str(), 0755);
  for (const char* name : {"A.TMP", "B.TMP", "b.tmp", "C.TMP"}) {
    testing::WriteHostFile(dir_ / ("tmp/" + std::string(name)), name);
  }
  // Make the folder's last change clearly older than anything below.
  const struct timespec old[2] = {{946684800, 0}, {946684800, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, (dir_ / "tmp").c_str(), old, 0), 0);

  EXPECT_TRUE(fs_.FileExists("E:\\tmp\\a.tmp"));
  EXPECT_TRUE(fs_.DeleteFile("E:\\tmp\\a.tmp"));
  EXPECT_FALSE(fs_.FileExists("E:\\tmp\\a.tmp"));
  EXPECT_FALSE(testing::HostExists(dir_ / "tmp/A.TMP"));
  // Two names that differ only in case: deleting one leaves the other visible.
  EXPECT_TRUE(fs_.DeleteFile("E:\\tmp\\b.tmp"));
  EXPECT_TRUE(fs_.FileExists("E:\\tmp\\b.tmp"));
  EXPECT_TRUE(fs_.DeleteFile("E:\\tmp\\b.tmp"));
  EXPECT_FALSE(fs_.FileExists("E:\\tmp\\B.tmp"));
  // Another program adds and removes names.
  testing::WriteHostFile(dir_ / "tmp/NEW.TMP", "");
  EXPECT_TRUE(fs_.FileExists("E:\\tmp\\new.tmp"));
  ASSERT_EQ(unlink((dir_ / "tmp/C.TMP").c_str()), 0);
  EXPECT_FALSE(fs_.FileExists("E:\\tmp\\c.tmp"));
  // A deletion that fails is not taken for one that worked.
  ASSERT_EQ(chmod((dir_ / "tmp/NEW.TMP").c_str(), 0444), 0);
  EXPECT_FALSE(fs_.DeleteFile("E:\\tmp\\new.tmp"));
  EXPECT_TRUE(fs_.FileExists("E:\\tmp\\new.tmp"));
}

TEST_F(LinuxFileSystemTest, WineAttributeFormIsWrittenAndRemoved) {
  testing::WriteHostFile(dir_ / "x.exe", "");
  mkdir((dir_ / "folder").c_str(), 0755);
  ASSERT_TRUE(fs_.SetAttributes("E:\\x.exe", kAttrHidden | kAttrSystem | kAttrArchive));
  EXPECT_EQ(Xattr(dir_ / "x.exe"), "0x6");
  ASSERT_TRUE(fs_.SetAttributes("E:\\folder", kAttrHidden));
  EXPECT_EQ(Xattr(dir_ / "folder"), "0x2");
  ASSERT_TRUE(fs_.SetAttributes("E:\\x.exe", kAttrReadOnly));
  EXPECT_EQ(Xattr(dir_ / "x.exe"), "<none>");
  struct stat info {};
  ASSERT_EQ(stat((dir_ / "x.exe").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0222, 0u);
  ASSERT_TRUE(fs_.SetAttributes("E:\\x.exe", kAttrNormal));
  ASSERT_EQ(stat((dir_ / "x.exe").c_str(), &info), 0);
  EXPECT_NE(info.st_mode & S_IWUSR, 0u);
  // Values other programs write: Samba's upper-case hex with more bits after it.
  ASSERT_EQ(setxattr((dir_ / "x.exe").c_str(), "user.DOSATTRIB", "0x26\0junk", 9, 0), 0);
  EXPECT_EQ(fs_.GetAttributes("E:\\x.exe"), kAttrHidden | kAttrSystem | kAttrArchive);
}

TEST_F(LinuxFileSystemTest, FolderDeletedAndRemadeBehindOurBackIsSeenAfresh) {
  stdfs::create_directories(dir_ / "a/b");
  testing::WriteHostFile(dir_ / "a/b/old.txt", "");
  EXPECT_THAT(List("E:\\a\\b\\*"), ElementsAre("old.txt"));  // now cached
  stdfs::remove_all(dir_ / "a");
  stdfs::create_directories(dir_ / "a/b");
  testing::WriteHostFile(dir_ / "a/b/new.txt", "");
  EXPECT_THAT(List("E:\\a\\b\\*"), ElementsAre("new.txt"));
  EXPECT_FALSE(fs_.FileExists("E:\\a\\b\\old.txt"));
  EXPECT_TRUE(fs_.FileExists("E:\\a\\b\\new.txt"));
}

TEST_F(LinuxFileSystemTest, FolderSwappedForALinkIsNotFollowed) {
  TempFolder outside;
  testing::WriteHostFile(outside / "precious.txt", "keep");
  stdfs::create_directories(dir_ / "a/b");
  EXPECT_TRUE(fs_.FolderExists("E:\\a\\b"));  // cached
  stdfs::remove_all(dir_ / "a");
  ASSERT_EQ(symlink(outside.path().c_str(), (dir_ / "a").c_str()), 0);
  EXPECT_FALSE(fs_.FileExists("E:\\a\\precious.txt"));
  EXPECT_FALSE(fs_.DeleteFile("E:\\a\\precious.txt"));
  EXPECT_FALSE(fs_.DeleteFolderForced("E:\\a"));
  EXPECT_EQ(testing::ReadHostFile(outside / "precious.txt"), "keep");
  EXPECT_TRUE(fs_.DeleteFile("E:\\a"));  // the link itself
  EXPECT_TRUE(testing::HostExists(outside / "precious.txt"));
}

// A folder the backend has just used is moved out of the drive: nothing done
// through the old path may reach it where it went.
TEST_F(LinuxFileSystemTest, FolderRenamedOutOfTheDriveIsNotFollowed) {
  TempFolder outside;
  stdfs::create_directories(dir_ / "junk/sub");
  testing::WriteHostFile(dir_ / "junk/sub/f.tmp", "keep");
  EXPECT_THAT(List("E:\\junk\\sub\\*"), ElementsAre("f.tmp"));
  EXPECT_TRUE(fs_.FileExists("E:\\junk\\sub\\f.tmp"));
  ASSERT_EQ(rename((dir_ / "junk").c_str(), (outside / "junk").c_str()), 0);
  EXPECT_FALSE(fs_.FileExists("E:\\junk\\sub\\f.tmp"));
  EXPECT_EQ(fs_.Probe("E:\\junk\\sub\\f.tmp"), PathState::kMissing);
  EXPECT_FALSE(fs_.SetAttributes("E:\\junk\\sub\\f.tmp", kAttrHidden));
  EXPECT_FALSE(fs_.DeleteFile("E:\\junk\\sub\\f.tmp"));
  EXPECT_FALSE(fs_.DeleteFolderForced("E:\\junk\\sub"));
  EXPECT_THAT(List("E:\\junk\\sub\\*"), ::testing::IsEmpty());
  EXPECT_EQ(testing::ReadHostFile(outside / "junk/sub/f.tmp"), "keep");
  EXPECT_EQ(Xattr(outside / "junk/sub/f.tmp"), "<none>");
}

// The test right after a delete asks about that very entry, and sees what is
// there now: a name another program makes again at once, or a case twin the
// delete left, is not taken for the deleted entry, nor the other way round.
TEST_F(LinuxFileSystemTest, TheTestAfterADeleteSeesWhatIsThereNow) {
  stdfs::create_directories(dir_ / "a");
  testing::WriteHostFile(dir_ / "a/x.scr", "");
  testing::WriteHostFile(dir_ / "a/X.SCR", "");
  ASSERT_TRUE(fs_.DeleteFileForced("E:\\a\\x.scr"));
  EXPECT_EQ(fs_.ProbeEntry("E:\\a\\x.scr"), PathState::kMissing);
  EXPECT_TRUE(testing::HostExists(dir_ / "a/X.SCR"));

  ASSERT_TRUE(fs_.DeleteFile("E:\\a\\X.SCR"));
  testing::WriteHostFile(dir_ / "a/X.SCR", "again");
  EXPECT_EQ(fs_.ProbeEntry("E:\\a\\X.SCR"), PathState::kFile);

  // The test right after a delete of one twin asks about the other one.
  testing::WriteHostFile(dir_ / "a/w.scr", "");
  testing::WriteHostFile(dir_ / "a/W.SCR", "");
  ASSERT_TRUE(fs_.DeleteFileForced("E:\\a\\w.scr"));
  EXPECT_EQ(fs_.ProbeEntry("E:\\a\\W.SCR"), PathState::kFile);

  // Another path right after a delete is looked up as always.
  testing::WriteHostFile(dir_ / "a/y.scr", "");
  ASSERT_TRUE(fs_.DeleteFileForced("E:\\a\\y.scr"));
  stdfs::create_directories(dir_ / "b");
  testing::WriteHostFile(dir_ / "b/y.scr", "");
  EXPECT_EQ(fs_.ProbeEntry("E:\\b\\y.scr"), PathState::kFile);
  // And an operation in between means the deleted path is walked again.
  testing::WriteHostFile(dir_ / "a/z.scr", "");
  ASSERT_TRUE(fs_.DeleteFileForced("E:\\a\\z.scr"));
  stdfs::remove_all(dir_ / "a");
  stdfs::create_directories(dir_ / "a/z.scr");
  EXPECT_TRUE(fs_.FolderExists("E:\\a"));
  EXPECT_EQ(fs_.ProbeEntry("E:\\a\\z.scr"), PathState::kFolder);
}

// Folders nested past PATH_MAX: found, listed and deleted a part at a time.
TEST_F(LinuxFileSystemTest, PathsPastPathMaxAreReached) {
  std::string windows = "E:";
  int at = open(dir_.path().c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(at, 0);
  for (int i = 0; i < 24; ++i) {  // 24 names of 200 characters: about 4,800 in all
    const std::string name = std::string(197, 'd') + std::to_string(100 + i);
    ASSERT_EQ(mkdirat(at, name.c_str(), 0755), 0);
    const int next = openat(at, name.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    close(at);
    ASSERT_GE(next, 0);
    at = next;
    windows += "\\" + name;
  }
  const int file = openat(at, "x.chk", O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  ASSERT_GE(file, 0);
  close(file);
  close(at);
  ASSERT_GT(windows.size(), 4096u);

  EXPECT_TRUE(fs_.FolderExists(windows));
  EXPECT_THAT(List(windows + "\\*.*"), ElementsAre("x.chk"));
  EXPECT_EQ(fs_.Probe(windows + "\\x.chk"), PathState::kFile);
  EXPECT_TRUE(fs_.SetAttributes(windows + "\\x.chk", kAttrHidden));
  EXPECT_TRUE(HasAll(fs_.GetAttributes(windows + "\\x.chk"), kAttrHidden));
  EXPECT_TRUE(fs_.DeleteFile(windows + "\\x.chk"));
  EXPECT_EQ(fs_.Probe(windows + "\\x.chk"), PathState::kMissing);
  EXPECT_TRUE(fs_.DeleteFolderForced(windows.substr(0, windows.find('\\', 3))));
  EXPECT_THAT(List("E:\\*"), ::testing::IsEmpty());
}

// A junk file that is also linked from outside the drive: the removal takes
// the drive's name and leaves the shared inode's mode and attributes alone.
TEST_F(LinuxFileSystemTest, AHardLinkedFileIsDeletedWithoutTouchingItsAttributes) {
  TempFolder outside;
  testing::WriteHostFile(outside / "keep.tmp", "keep");
  ASSERT_EQ(lsetxattr((outside / "keep.tmp").c_str(), "user.DOSATTRIB", "0x2", 3, 0), 0);
  ASSERT_EQ(chmod((outside / "keep.tmp").c_str(), 0444), 0);
  ASSERT_EQ(link((outside / "keep.tmp").c_str(), (dir_ / "a.tmp").c_str()), 0);
  testing::WriteHostFile(dir_ / "b.tmp", "");
  ASSERT_EQ(chmod((dir_ / "b.tmp").c_str(), 0444), 0);

  EXPECT_TRUE(fs_.DeleteFileForced("E:\\a.tmp"));
  EXPECT_FALSE(testing::HostExists(dir_ / "a.tmp"));
  struct stat info {};
  ASSERT_EQ(stat((outside / "keep.tmp").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0444u);
  EXPECT_EQ(info.st_nlink, 1u);
  EXPECT_EQ(Xattr(outside / "keep.tmp"), "0x2");
  // A file of its own is cleared and deleted as before.
  EXPECT_TRUE(fs_.DeleteFileForced("E:\\b.tmp"));
  EXPECT_FALSE(testing::HostExists(dir_ / "b.tmp"));
  EXPECT_FALSE(fs_.DeleteFileForced("E:\\b.tmp"));
}

TEST_F(LinuxFileSystemTest, SpecialFilesAreNeitherReadNorBlockedOn) {
  ASSERT_EQ(mkfifo((dir_ / "pipe").c_str(), 0644), 0);
  EXPECT_TRUE(fs_.FileExists("E:\\pipe"));
  EXPECT_FALSE(fs_.ReadFile("E:\\pipe", 10).has_value());
  EXPECT_FALSE(fs_.CopyFile("E:\\pipe", "E:\\copy"));
  EXPECT_TRUE(fs_.DeleteFile("E:\\pipe"));
}

TEST_F(LinuxFileSystemTest, ReleasedHandlesAreReopenedOnDemand) {
  stdfs::create_directories(dir_ / "x/y");
  EXPECT_TRUE(fs_.FolderExists("E:\\x\\y"));
  fs_.ReleaseHandles();
  EXPECT_TRUE(fs_.FolderExists("E:\\x\\y"));
  EXPECT_THAT(List("E:\\x\\*"), ElementsAre("y"));
}

// The drive's folder is swapped for a link to somewhere else, then for
// another folder: the backend keeps to the folder it was given, and refuses
// a root opened again that is not that folder.
TEST(LinuxDriveRootTest, ARootPutInPlaceOfTheDriveFolderIsRefused) {
  TempFolder base, outside;
  testing::WriteHostFile(outside / "x.chk", "keep");
  stdfs::create_directories(base / "usb");
  testing::WriteHostFile(base / "usb/x.chk", "");
  LinuxFileSystem fs({{'E', kDriveRemovable, base / "usb"}});
  ASSERT_EQ(rename((base / "usb").c_str(), (base / "usb.old").c_str()), 0);
  ASSERT_EQ(symlink(outside.path().c_str(), (base / "usb").c_str()), 0);

  // Still the folder it was given, wherever that went.
  EXPECT_TRUE(fs.FileExists("E:\\x.chk"));
  fs.ReleaseHandles();
  EXPECT_FALSE(fs.FolderExists("E:\\"));
  EXPECT_EQ(fs.Probe("E:\\x.chk"), PathState::kUnknown);
  EXPECT_FALSE(fs.DeleteFile("E:\\x.chk"));
  FindData d;
  EXPECT_EQ(fs.FindFirst("E:\\*.*", d), nullptr);
  EXPECT_EQ(testing::ReadHostFile(outside / "x.chk"), "keep");

  // Another real folder in its place is no better.
  ASSERT_EQ(unlink((base / "usb").c_str()), 0);
  stdfs::create_directories(base / "usb");
  testing::WriteHostFile(base / "usb/x.chk", "keep");
  EXPECT_FALSE(fs.DeleteFile("E:\\x.chk"));
  EXPECT_EQ(testing::ReadHostFile(base / "usb/x.chk"), "keep");

  // The folder itself put back is the drive again.
  stdfs::remove_all(base / "usb");
  ASSERT_EQ(rename((base / "usb.old").c_str(), (base / "usb").c_str()), 0);
  EXPECT_TRUE(fs.DeleteFile("E:\\x.chk"));
}

// A link anywhere on the way to a drive folder, given as a link, is resolved
// once when the drive is made; the same link changed later is not followed.
TEST(LinuxDriveRootTest, ALinkAboveTheDriveFolderIsResolvedOnce) {
  TempFolder base, outside;
  stdfs::create_directories(base / "real/usb");
  stdfs::create_directories(outside / "usb");
  testing::WriteHostFile(outside / "usb/x.chk", "keep");
  ASSERT_EQ(symlink((base / "real").c_str(), (base / "via").c_str()), 0);
  LinuxFileSystem fs({{'E', kDriveRemovable, base / "via/usb"}});
  ASSERT_EQ(fs.Drives().size(), 1u);
  EXPECT_EQ(fs.Drives()[0].hostPath, stdfs::canonical(base / "real/usb").string());
  EXPECT_TRUE(fs.FolderExists("E:\\"));
  ASSERT_EQ(rename((base / "real").c_str(), (base / "real.old").c_str()), 0);
  ASSERT_EQ(symlink(outside.path().c_str(), (base / "real").c_str()), 0);
  fs.ReleaseHandles();
  EXPECT_FALSE(fs.DeleteFile("E:\\x.chk"));
  EXPECT_EQ(testing::ReadHostFile(outside / "usb/x.chk"), "keep");
}

// The host's own drive C: is "/": the walk must not enter /proc, /sys or /dev.
TEST(LinuxHostDrivesTest, RootDriveStopsAtOtherMounts) {
  LinuxFileSystem fs;
  ASSERT_NE(fs.GetLogicalDrives() & (1u << 2), 0u);
  EXPECT_EQ(fs.GetDriveType("C:\\"), kDriveFixed);
  EXPECT_TRUE(fs.FolderExists("C:\\"));
  EXPECT_TRUE(fs.FolderExists("C:\\etc"));
  for (const char* other : {"C:\\proc", "C:\\sys", "C:\\dev"}) {
    struct stat info {};
    if (stat(other + 2, &info) != 0) continue;
    FindData d;
    EXPECT_FALSE(fs.FolderExists(other)) << other;
    EXPECT_EQ(fs.FindFirst(std::string(other) + "\\*.*", d), nullptr) << other;
  }
  EXPECT_FALSE(fs.FileExists("C:\\proc\\self\\status"));
  EXPECT_FALSE(fs.FileExists("C:\\PROC\\version"));
}

// Mounting needs root (or a user namespace); where that is impossible the
// tests below skip.
bool CanMount(const std::string& where) {
  if (mount("tmpfs", where.c_str(), "tmpfs", 0, "size=1m") != 0) return false;
  umount(where.c_str());
  return true;
}

class LinuxMountBoundaryTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override { UseComponentWalk(GetParam()); }
  void TearDown() override { UseComponentWalk(false); }
};

TEST_P(LinuxMountBoundaryTest, MountInsideADriveFolderIsNotPartOfTheDrive) {
  TempFolder dir;
  mkdir((dir / "mnt").c_str(), 0755);
  testing::WriteHostFile(dir / "keep.txt", "");
  if (!CanMount(dir / "mnt")) GTEST_SKIP() << "cannot mount here";
  ASSERT_EQ(mount("tmpfs", (dir / "mnt").c_str(), "tmpfs", 0, "size=1m"), 0);
  struct Unmount {
    std::string where;
    ~Unmount() { umount2(where.c_str(), MNT_DETACH); }
  } unmount{dir / "mnt"};
  testing::WriteHostFile(dir / "mnt/inside.tmp", "other mount");
  {
    LinuxFileSystem fs({{'E', kDriveFixed, dir.path()}});
    FindData d;
    EXPECT_FALSE(fs.FolderExists("E:\\mnt"));
    EXPECT_FALSE(fs.FileExists("E:\\mnt\\inside.tmp"));
    EXPECT_EQ(fs.FindFirst("E:\\mnt\\*.*", d), nullptr);
    EXPECT_FALSE(fs.DeleteFolderForced("E:\\mnt"));
    EXPECT_FALSE(fs.DeleteFile("E:\\mnt\\inside.tmp"));
    EXPECT_EQ(fs.GetAttributes("E:\\mnt"), std::nullopt);
    EXPECT_EQ(fs.Probe("E:\\mnt"), PathState::kUnknown);
    EXPECT_EQ(fs.Probe("E:\\mnt\\inside.tmp"), PathState::kUnknown);
    EXPECT_EQ(fs.Probe("E:\\mnt\\none.tmp"), PathState::kUnknown);
    // The mount point still lists as a folder, and the rest of the drive works.
    EXPECT_TRUE(fs.FileExists("E:\\keep.txt"));
  }
  EXPECT_TRUE(testing::HostExists(dir / "mnt/inside.tmp"));
}

// A file is looked up, then another file is bound over its name before the
// attributes are written: the write must not land on the mounted file.
TEST(LinuxAttributeWriteTest, AMountThatAppearsAfterTheLookupIsNotWritten) {
  TempFolder dir, outside;
  testing::WriteHostFile(dir / "a.exe", "");
  testing::WriteHostFile(outside / "precious.txt", "keep");
  ASSERT_EQ(chmod((outside / "precious.txt").c_str(), 0644), 0);
  const int folder = open(dir.path().c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(folder, 0);
  struct statx st {};
  bool mountRoot = false;
  ASSERT_TRUE(StatEntry(folder, "a.exe", st, mountRoot));
  if (mount((outside / "precious.txt").c_str(), (dir / "a.exe").c_str(), nullptr, MS_BIND,
            nullptr) != 0) {
    close(folder);
    GTEST_SKIP() << "cannot mount here";
  }
  struct Unmount {
    std::string where;
    ~Unmount() { umount2(where.c_str(), MNT_DETACH); }
  } unmount{dir / "a.exe"};
  EXPECT_FALSE(WriteDosAttributes(DosAttributeStore::kWineXattr, folder, "a.exe", st,
                                  kAttrHidden | kAttrSystem | kAttrReadOnly));
  EXPECT_FALSE(WriteDosAttributes(DosAttributeStore::kNtfsXattr, folder, "a.exe", st, kAttrNormal));
  EXPECT_FALSE(WriteDosAttributes(DosAttributeStore::kFatIoctl, folder, "a.exe", st, kAttrNormal));
  close(folder);
  struct stat info {};
  ASSERT_EQ(stat((outside / "precious.txt").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0644u);
  char buf[16];
  EXPECT_LT(getxattr((outside / "precious.txt").c_str(), "user.DOSATTRIB", buf, sizeof buf), 0);
}

TEST_P(LinuxMountBoundaryTest, LinksOnTheWayAreRefused) {
  TempFolder dir, outside;
  testing::WriteHostFile(outside / "precious.txt", "keep");
  stdfs::create_directories(dir / "a/b");
  testing::WriteHostFile(dir / "a/b/x.tmp", "x");
  ASSERT_EQ(symlink(outside.path().c_str(), (dir / "a/jump").c_str()), 0);
  LinuxFileSystem fs({{'E', kDriveFixed, dir.path()}});
  FindData d;
  EXPECT_TRUE(fs.FileExists("E:\\a\\b\\x.tmp"));
  EXPECT_TRUE(fs.FileExists("E:\\A\\B\\X.TMP"));
  EXPECT_NE(fs.FindFirst("E:\\a\\b\\*.*", d), nullptr);
  EXPECT_EQ(fs.FindFirst("E:\\a\\jump\\*.*", d), nullptr);
  EXPECT_FALSE(fs.FileExists("E:\\a\\jump\\precious.txt"));
  EXPECT_FALSE(fs.DeleteFile("E:\\a\\JUMP\\precious.txt"));
  EXPECT_TRUE(fs.DeleteFolderForced("E:\\a"));
  EXPECT_EQ(testing::ReadHostFile(outside / "precious.txt"), "keep");
}

INSTANTIATE_TEST_SUITE_P(OpenWays, LinuxMountBoundaryTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? std::string("ComponentWalk")
                                             : std::string("Openat2");
                         });

// A real FAT file system on a loop device: the attribute byte through the ioctls.
class FatImageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    image_ = dir_ / "fat.img";
    mountPoint_ = dir_ / "mnt";
    mkdir(mountPoint_.c_str(), 0755);
    const std::string make =
        "truncate -s 8M '" + image_ + "' && mkfs.vfat '" + image_ + "' >/dev/null 2>&1";
    if (std::system(make.c_str()) != 0) GTEST_SKIP() << "mkfs.vfat is not available";
    if (!Mount()) {
      const bool vfat =
          testing::ReadHostFile("/proc/filesystems").find("\tvfat\n") != std::string::npos;
      GTEST_SKIP() << (vfat ? "cannot mount a loop device here"
                            : "cannot mount vfat here (the kernel lists no vfat)");
    }
  }
  void TearDown() override {
    if (mounted_) Unmount();
  }
  bool Mount() {
    const std::string cmd = "mount -o loop '" + image_ + "' '" + mountPoint_ + "' 2>/dev/null";
    mounted_ = std::system(cmd.c_str()) == 0;
    return mounted_;
  }
  void Unmount() {
    // A mount left behind would keep the image and its folder busy.
    EXPECT_EQ(std::system(("umount '" + mountPoint_ + "'").c_str()), 0) << mountPoint_;
    mounted_ = false;
  }

  TempFolder dir_;
  std::string image_, mountPoint_;
  bool mounted_ = false;
};

TEST_F(FatImageTest, AttributesLiveInTheFatEntries) {
  mkdir((mountPoint_ + "/PHOTOS").c_str(), 0755);
  testing::WriteHostFile(mountPoint_ + "/PHOTOS.EXE", "worm");
  {
    LinuxFileSystem fs({{'E', kDriveRemovable, mountPoint_}});
    EXPECT_EQ(fs.GetAttributes("E:\\photos"), kAttrDirectory);
    ASSERT_TRUE(fs.SetAttributes("E:\\photos", kAttrHidden | kAttrSystem));
    ASSERT_TRUE(fs.SetAttributes("E:\\photos.exe", kAttrHidden | kAttrSystem | kAttrReadOnly));
    EXPECT_FALSE(fs.DeleteFile("E:\\photos.exe"));  // read-only
    fs.ReleaseHandles();
  }
  Unmount();
  ASSERT_TRUE(Mount());  // what was written is on the medium
  LinuxFileSystem fs({{'E', kDriveRemovable, mountPoint_}});
  EXPECT_EQ(fs.GetAttributes("E:\\PHOTOS"), kAttrDirectory | kAttrHidden | kAttrSystem);
  // Exactly the bits set: the archive bit the new file had is gone.
  EXPECT_EQ(fs.GetAttributes("E:\\photos.exe"), kAttrHidden | kAttrSystem | kAttrReadOnly);
  FindData d;
  auto s = fs.FindFirst("E:\\PHOTOS.*", d);
  ASSERT_TRUE(s);
  EXPECT_EQ(d.dwFileAttributes & (kAttrHidden | kAttrSystem), kAttrHidden | kAttrSystem);
  ASSERT_TRUE(fs.SetAttributes("E:\\photos", kAttrNormal));
  EXPECT_EQ(fs.GetAttributes("E:\\photos"), kAttrDirectory);
  ASSERT_TRUE(fs.SetAttributes("E:\\photos.exe", kAttrNormal));
  EXPECT_TRUE(fs.DeleteFile("E:\\photos.exe"));
  fs.ReleaseHandles();
}

// The root folder of a FAT volume keeps its times whatever is added to it.
TEST_F(FatImageTest, NamesOthersAddToTheRootAreSeen) {
  LinuxFileSystem fs({{'E', kDriveRemovable, mountPoint_}});
  EXPECT_FALSE(fs.FileExists("E:\\\u00E4pfel.exe"));
  testing::WriteHostFile(mountPoint_ + "/\u00C4PFEL.EXE", "worm");  // ÄPFEL.EXE
  EXPECT_TRUE(fs.FileExists("E:\\\u00E4pfel.exe"));
  fs.ReleaseHandles();
}

// A real NTFS volume through ntfs-3g: the attribute word in system.ntfs_attrib.
class NtfsImageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    image_ = dir_ / "ntfs.img";
    mountPoint_ = dir_ / "mnt";
    mkdir(mountPoint_.c_str(), 0755);
    const std::string make =
        "truncate -s 16M '" + image_ + "' && mkntfs -F -Q '" + image_ + "' >/dev/null 2>&1";
    if (std::system(make.c_str()) != 0) GTEST_SKIP() << "mkntfs (package ntfs-3g) is missing";
    if (!Mount()) GTEST_SKIP() << "cannot mount with ntfs-3g here (no FUSE?)";
  }
  void TearDown() override {
    if (mounted_) Unmount();
  }
  bool Mount() {
    const std::string cmd = "ntfs-3g '" + image_ + "' '" + mountPoint_ + "' 2>/dev/null";
    mounted_ = std::system(cmd.c_str()) == 0;
    return mounted_;
  }
  void Unmount() {
    // A mount left behind would keep the image and its folder busy.
    EXPECT_EQ(std::system(("umount '" + mountPoint_ + "'").c_str()), 0) << mountPoint_;
    mounted_ = false;
  }
  uint32_t Word(const std::string& rel) {
    unsigned char raw[4] = {};
    if (getxattr((mountPoint_ + "/" + rel).c_str(), "system.ntfs_attrib", raw, 4) != 4) {
      return 0xFFFFFFFF;
    }
    return raw[0] | raw[1] << 8 | raw[2] << 16 | static_cast<uint32_t>(raw[3]) << 24;
  }

  TempFolder dir_;
  std::string image_, mountPoint_;
  bool mounted_ = false;
};

TEST_F(NtfsImageTest, AttributesLiveInTheAttributeWord) {
  mkdir((mountPoint_ + "/Photos").c_str(), 0755);
  testing::WriteHostFile(mountPoint_ + "/Photos.exe", "worm");
  // A bit this program never changes: not content-indexed.
  const unsigned char indexed[4] = {0x20, 0x20, 0, 0};
  ASSERT_EQ(setxattr((mountPoint_ + "/Photos.exe").c_str(), "system.ntfs_attrib", indexed, 4, 0),
            0);
  {
    LinuxFileSystem fs({{'E', kDriveRemovable, mountPoint_}});
    EXPECT_EQ(fs.GetAttributes("E:\\photos.exe"), kAttrArchive);
    ASSERT_TRUE(fs.SetAttributes("E:\\photos", kAttrHidden | kAttrSystem));
    ASSERT_TRUE(fs.SetAttributes("E:\\photos.exe", kAttrHidden | kAttrSystem | kAttrReadOnly));
    EXPECT_EQ(Word("Photos.exe"), 0x2000u | (kAttrHidden | kAttrSystem | kAttrReadOnly).Bits());
    EXPECT_FALSE(fs.DeleteFile("E:\\photos.exe"));
    fs.ReleaseHandles();
  }
  Unmount();
  ASSERT_TRUE(Mount());
  LinuxFileSystem fs({{'E', kDriveRemovable, mountPoint_}});
  EXPECT_EQ(fs.GetAttributes("E:\\PHOTOS"), kAttrDirectory | kAttrHidden | kAttrSystem);
  EXPECT_EQ(fs.GetAttributes("E:\\photos.exe"), kAttrHidden | kAttrSystem | kAttrReadOnly);
  ASSERT_TRUE(fs.SetAttributes("E:\\photos", kAttrNormal));
  EXPECT_EQ(fs.GetAttributes("E:\\photos"), kAttrDirectory);
  ASSERT_TRUE(fs.SetAttributes("E:\\photos.exe", kAttrNormal));
  EXPECT_EQ(Word("Photos.exe"), 0x2000u);  // only the bits of ours were cleared
  EXPECT_TRUE(fs.DeleteFile("E:\\photos.exe"));
  fs.ReleaseHandles();
}

}  // namespace
}  // namespace veltrano::fs
