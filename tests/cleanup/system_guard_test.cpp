#include "cleanup/system_guard.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cleanup/find_junk.h"
#include "tests/testing/command_fixture.h"

namespace veltrano::cleanup {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// A Debian-like system root on C: built on the memory backend.
class SystemGuardTest : public veltrano::testing::CommandTest {
 protected:
  void SetUp() override {
    fs.AddDrive('C', fs::kDriveFixed);
    fs.AddFolder("C:\\etc");
    fs.AddFile("C:\\usr\\lib\\x86_64-linux-gnu\\libsoftokn3.chk");
    fs.AddFile("C:\\var\\lib\\dpkg\\info\\libnss3.list",
               "/.\n/usr\n/usr/lib/x86_64-linux-gnu/libsoftokn3.chk\n/opt\n"
               "/opt/vendor/check.chk\n");
    fs.AddFile("C:\\var\\lib\\dpkg\\info\\odd.list",
               "/opt/a:b\\c/x.chk\r\n/srv/w.CHK\n/srv/\xff.chk\n/srv/\xef\x80\x80.chk");
    fs.AddFile("C:\\var\\lib\\dpkg\\info\\libnss3.md5sums", "/opt/vendor/other.chk\n");
    form.List1.Clear();
    form.Busy = -1;
  }
};

TEST_F(SystemGuardTest, SystemFoldersAndPackageFilesAreLeftAlone) {
  for (const char* path :
       {"C:\\etc\\a.chk", "C:\\boot\\a.chk", "C:\\bin\\a.chk", "C:\\sbin\\a.chk", "C:\\lib\\a.chk",
        "C:\\lib64\\a.chk", "C:\\libx32\\a.chk", "C:\\proc\\a.chk", "C:\\sys\\a.chk",
        "C:\\dev\\a.chk", "C:\\var\\lib\\foo\\a.chk", "C:\\USR\\share\\Thumbs.db"}) {
    fs.AddFile(path);
  }
  fs.AddFile("C:\\opt\\vendor\\check.chk");  // owned by a package
  fs.AddFile("C:\\opt\\vendor\\other.chk");  // named only in a checksum list
  // Linux names as the file system shows them: ':' and '\' as U+F03A and
  // U+F05C, a stray byte 0xFF as U+F0FF, and a real U+F000 byte by byte.
  const std::string colonAndBackslash =
      "a\xEF\x80\xBA"
      "b\xEF\x81\x9C"
      "c";
  const std::string strayByte = "\xEF\x83\xBF.chk";
  const std::string realF000 = "\xEF\x83\xAF\xEF\x82\x80\xEF\x82\x80.chk";
  fs.AddFile("C:\\opt\\" + colonAndBackslash + "\\x.chk");  // owned
  fs.AddFile("C:\\srv\\w.chk");                             // owned, in another letter case
  fs.AddFile("C:\\srv\\" + strayByte);                      // owned
  fs.AddFile("C:\\srv\\" + realF000);                       // owned
  fs.AddFile("C:\\srv\\\xEF\x80\x80.chk");  // no Linux name is shown like this: not owned
  fs.AddFile("C:\\var\\tmp\\t.chk");
  fs.AddFile("C:\\var\\library.chk");
  fs.AddFile("C:\\home\\u\\Thumbs.db");
  FindJunk(form, "C:\\");
  EXPECT_THAT(Log(), ElementsAre("C:\\var\\library.chk", "C:\\var\\tmp\\t.chk",
                                 "C:\\opt\\vendor\\other.chk", "C:\\srv\\\xEF\x80\x80.chk",
                                 "C:\\home\\u\\Thumbs.db"));
}

TEST_F(SystemGuardTest, UnreadablePackageListsProtectTheWholeDrive) {
  fs.AddFile("C:\\home\\u\\Thumbs.db");
  fs.SetAccessDenied("C:\\var\\lib\\dpkg\\info\\odd.list", true);
  FindJunk(form, "C:\\");
  EXPECT_THAT(Log(), IsEmpty());
  // Other drives are not affected.
  fs.AddDrive('D', fs::kDriveFixed);
  fs.AddFile("D:\\Thumbs.db");
  FindJunk(form, "D:\\");
  EXPECT_THAT(Log(), ElementsAre("D:\\Thumbs.db"));
}

TEST_F(SystemGuardTest, OnlyADriveWithBothUsrAndEtcIsASystemRoot) {
  fs.AddDrive('E', fs::kDriveRemovable);
  fs.AddFile("E:\\usr\\x.chk");
  fs.AddFile("E:\\boot\\y.chk");
  EXPECT_FALSE(SystemGuard::ForDrive(fs, "E:\\").Active());
  FindJunk(form, "E:\\");
  EXPECT_THAT(Log(), ElementsAre("E:\\usr\\x.chk", "E:\\boot\\y.chk"));

  const SystemGuard guard = SystemGuard::ForDrive(fs, "C:\\home\\");
  EXPECT_TRUE(guard.Active());
  // The .chk files outside /usr; "/." and the folders are no junk.
  EXPECT_EQ(guard.OwnedCount(), 5u);
  EXPECT_TRUE(guard.SkipsFolder("c:\\", "LIB32"));
  EXPECT_FALSE(guard.SkipsFolder("C:\\home\\", "usr"));
  EXPECT_FALSE(SystemGuard::ForDrive(fs, "relative\\").Active());
}

// A system whose /usr is a mount of its own: "usr" is listed but is no folder
// to the backend. It is still a system root, and its packages' files stay.
TEST_F(SystemGuardTest, AUsrMountedApartStillMakesASystemRoot) {
  fs.SetUnreachable("C:\\usr", true);
  fs.AddFile("C:\\opt\\vendor\\check.chk");  // owned
  fs.AddFile("C:\\var\\lib\\foo\\a.chk");
  fs.AddFile("C:\\opt\\vendor\\mine.chk");
  EXPECT_FALSE(fs.FolderExists("C:\\usr"));
  EXPECT_TRUE(SystemGuard::ForDrive(fs, "C:\\home\\").Active());
  FindJunk(form, "C:\\");
  EXPECT_THAT(Log(), ElementsAre("C:\\opt\\vendor\\mine.chk"));
}

// Systems below the drive root (a chroot, a backup of "/", a container's
// root) are guarded by their own package lists, each only in its own tree;
// one with etc and var\lib\dpkg but no usr counts too.
TEST_F(SystemGuardTest, NestedSystemRootsAreGuardedByTheirOwnLists) {
  fs.AddDrive('D', fs::kDriveFixed);
  const std::string backup = "D:\\backups\\host\\";
  fs.AddFolder(backup + "etc");
  fs.AddFile(backup + "usr\\lib\\x86_64-linux-gnu\\libsoftokn3.chk");
  fs.AddFile(backup + "var\\lib\\dpkg\\info\\libnss3.list",
             "/usr/lib/x86_64-linux-gnu/libsoftokn3.chk\n/opt/vendor/check.chk\n");
  fs.AddFile(backup + "lib64\\a.chk");
  fs.AddFile(backup + "var\\lib\\foo\\a.chk");
  fs.AddFile(backup + "opt\\vendor\\check.chk");  // owned there
  fs.AddFile(backup + "opt\\vendor\\mine.chk");
  const std::string chroot = backup + "srv\\chroot\\sid\\";  // a system inside the system
  fs.AddFolder(chroot + "ETC");
  fs.AddFile(chroot + "var\\lib\\dpkg\\info\\node-cookies.list",
             "/opt/app/node_modules/cookies/index.js\n/opt/vendor/check.chk\n");
  fs.AddFile(chroot + "opt\\app\\node_modules\\cookies\\index.js");  // owned there
  fs.AddFile(chroot + "opt\\app\\node_modules\\cookies\\stale.js");
  fs.AddFile(chroot + "opt\\vendor\\check.chk");  // owned there too
  fs.AddFile(chroot + "lib\\x.chk");
  // The same relative paths outside any system are junk.
  fs.AddFile("D:\\backups\\other\\opt\\vendor\\check.chk");
  fs.AddFile("D:\\backups\\other\\var\\lib\\foo\\a.chk");
  fs.AddFile("D:\\backups\\other\\etc\\a.chk");  // etc alone makes no system

  FindJunk(form, "D:\\");
  EXPECT_THAT(Log(), ElementsAre("D:\\backups\\host\\opt\\vendor\\mine.chk",
                                 chroot + "opt\\app\\node_modules\\cookies\\stale.js",
                                 "D:\\backups\\other\\opt\\vendor\\check.chk",
                                 "D:\\backups\\other\\var\\lib\\foo\\a.chk",
                                 "D:\\backups\\other\\etc\\a.chk"));

  // Lists that cannot be read protect their own tree, not their neighbours'.
  fs.SetAccessDenied(chroot + "var\\lib\\dpkg\\info\\node-cookies.list", true);
  form.List1.Clear();
  FindJunk(form, "D:\\");
  EXPECT_THAT(Log(), ElementsAre("D:\\backups\\host\\opt\\vendor\\mine.chk",
                                 "D:\\backups\\other\\opt\\vendor\\check.chk",
                                 "D:\\backups\\other\\var\\lib\\foo\\a.chk",
                                 "D:\\backups\\other\\etc\\a.chk"));
}

// A search stopped before the listing showed "etc" still knows the system.
TEST_F(SystemGuardTest, AStopBeforeEtcIsListedStillGuardsTheRoot) {
  fs.AddDrive('E', fs::kDriveRemovable);
  fs.AddFile("E:\\owned.chk");
  fs.AddFile("E:\\b.chk");
  fs.AddFolder("E:\\etc");
  fs.AddFolder("E:\\usr");
  fs.AddFile("E:\\var\\lib\\dpkg\\info\\base.list", "/owned.chk\n");
  form.Label1.SetListener([&](const std::string& caption) {
    if (caption == "b.chk") form.Busy = 0;
  });
  FindJunk(form, "E:\\");
  EXPECT_THAT(Log(), ElementsAre("E:\\b.chk"));
}

// Only what the junk rules would take is kept, within the budget; lists
// naming more than that refuse the whole system rather than guess.
TEST_F(SystemGuardTest, PackageListsAreKeptWithinTheBudget) {
  std::string list;
  for (int i = 0; i < 1000; ++i) {
    list += "/opt/many/f" + std::to_string(i) + ".chk\n/opt/many/f" + std::to_string(i) + ".txt\n";
  }
  fs.AddFile("C:\\var\\lib\\dpkg\\info\\many.list", list);
  const SystemGuard roomy = SystemGuard::ForRoot(fs, "C:\\");
  EXPECT_EQ(roomy.OwnedCount(), 1005u);
  EXPECT_FALSE(roomy.ProtectsAll());
  EXPECT_TRUE(roomy.Protects("C:\\OPT\\many\\f999.chk"));
  EXPECT_FALSE(roomy.Protects("C:\\opt\\many\\f1000.chk"));

  const SystemGuard tight = SystemGuard::ForRoot(fs, "C:\\", roomy.KeptBytes() - 1);
  EXPECT_TRUE(tight.ProtectsAll());
  EXPECT_EQ(tight.OwnedCount(), 0u);
  EXPECT_TRUE(tight.Protects("C:\\home\\u\\x.chk"));
}

}  // namespace
}  // namespace veltrano::cleanup
