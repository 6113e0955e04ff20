// Case-insensitive lookups must see names other programs add, however soon
// after the folder's previous change they come. The names differ from what
// is asked for in a non-ASCII letter, so that even file systems that fold
// ASCII themselves (FAT) leave the match to the program.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <thread>

#include "platform/fs/linux_caseless_names.h"
#include "platform/fs/linux_file_system.h"
#include "tests/platform/fs/fs_test_support.h"

namespace veltrano::fs {
namespace {

using testing::TempFolder;

void Create(const std::string& path) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  ASSERT_GE(fd, 0) << path;
  close(fd);
}

// A timer tick of the kernel (or FAT's two seconds) is longer than all of
// this takes, so the second file lands in the step of the folder's last
// change; before 6.13 nothing in the folder's status then shows it.
TEST(CaselessNamesTest, NameAddedRightAfterALookupIsSeen) {
  TempFolder dir;
  LinuxFileSystem fs({{'E', kDriveRemovable, dir.path()}});
  for (int round = 0; round < 20; ++round) {
    const std::string folder = dir / ("r" + std::to_string(round));
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    Create(folder + "/\u00C4PFEL.TMP");  // ÄPFEL.TMP
    const std::string drivePath = "E:\\r" + std::to_string(round) + "\\";
    ASSERT_TRUE(fs.FileExists(drivePath + "\u00E4pfel.tmp")) << round;
    EXPECT_FALSE(fs.FileExists(drivePath + "\u00F6l.tmp")) << round;
    Create(folder + "/\u00D6L.TMP");  // ÖL.TMP, by another program
    EXPECT_TRUE(fs.FileExists(drivePath + "\u00F6l.tmp")) << "round " << round;
  }
}

// A folder left alone long enough has its names remembered; a later change
// must still be seen.
TEST(CaselessNamesTest, FolderLeftAloneStillFollowsLaterChanges) {
  TempFolder dir;
  ASSERT_EQ(mkdir((dir / "old").c_str(), 0755), 0);
  Create(dir / "old/\u00C4PFEL.TMP");
  std::this_thread::sleep_for(std::chrono::nanoseconds(CaselessNames::kSettleNs) +
                              std::chrono::milliseconds(200));
  LinuxFileSystem fs({{'E', kDriveRemovable, dir.path()}});
  EXPECT_TRUE(fs.FileExists("E:\\old\\\u00E4pfel.tmp"));
  EXPECT_FALSE(fs.FileExists("E:\\old\\\u00F6l.tmp"));
  Create(dir / "old/\u00D6L.TMP");
  EXPECT_TRUE(fs.FileExists("E:\\old\\\u00F6l.tmp"));
  ASSERT_EQ(unlink((dir / "old/\u00C4PFEL.TMP").c_str()), 0);
  EXPECT_FALSE(fs.FileExists("E:\\old\\\u00E4pfel.tmp"));
  // A deletion through the program, then another program's file of the
  // same name in another case.
  EXPECT_TRUE(fs.DeleteFile("E:\\old\\\u00F6l.tmp"));
  Create(dir / "old/\u00F6L.TMP");
  EXPECT_TRUE(fs.FileExists("E:\\old\\\u00D6l.tmp"));
}

// Lookups fold names by upper case, as NTFS does: "İ.exe" and "i̇.exe" (i and
// a combining dot) are two names, "ı.txt" is "I.TXT", the Kelvin sign is no K.
TEST(CaselessNamesTest, NamesFoldAsOnNtfs) {
  TempFolder dir;
  Create(dir / "\u0130.exe");   // İ.exe
  Create(dir / "i\u0307.exe");  // i̇.exe
  Create(dir / "\u0131.txt");   // ı.txt
  Create(dir / "\u212A.scr");   // Kelvin sign
  LinuxFileSystem fs({{'E', kDriveRemovable, dir.path()}});
  EXPECT_TRUE(fs.FileExists("E:\\I.TXT"));
  EXPECT_TRUE(fs.FileExists("E:\\i.txt"));
  EXPECT_FALSE(fs.FileExists("E:\\\u0131.exe"));
  EXPECT_FALSE(fs.FileExists("E:\\i.exe"));
  EXPECT_FALSE(fs.FileExists("E:\\k.scr"));
  // Each spelling reaches its own file.
  EXPECT_TRUE(fs.DeleteFile("E:\\I\u0307.EXE"));
  EXPECT_FALSE(testing::HostExists(dir / "i\u0307.exe"));
  EXPECT_TRUE(testing::HostExists(dir / "\u0130.exe"));
  EXPECT_TRUE(fs.DeleteFile("E:\\\u0130.EXE"));
  EXPECT_FALSE(testing::HostExists(dir / "\u0130.exe"));
  EXPECT_TRUE(testing::HostExists(dir / "\u0131.txt"));
}

}  // namespace
}  // namespace veltrano::fs
