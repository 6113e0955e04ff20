#include "cleanup/system_guard.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cleanup/find_junk.h"
#include "tests/cleanup/command_fixture.h"

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
  EXPECT_EQ(guard.OwnedCount(), 6u);  // all but "/." and what lies in /usr
  EXPECT_TRUE(guard.SkipsFolder("c:\\", "LIB32"));
  EXPECT_FALSE(guard.SkipsFolder("C:\\home\\", "usr"));
  EXPECT_FALSE(SystemGuard::ForDrive(fs, "relative\\").Active());
}

}  // namespace
}  // namespace veltrano::cleanup
