#include "platform/fs/linux_name_map.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/fs/linux_file_system.h"
#include "tests/platform/fs/fs_test_support.h"

namespace veltrano::fs {
namespace {

TEST(LinuxNameMapTest, ReservedCharactersAndStrayBytesMapToPrivateUse) {
  EXPECT_EQ(LinuxToWindowsName("plain name.txt"), "plain name.txt");
  EXPECT_EQ(LinuxToWindowsName("病毒.exe"), "病毒.exe");
  EXPECT_EQ(LinuxToWindowsName("a:b"), "a\uF03Ab");
  EXPECT_EQ(LinuxToWindowsName("x\\y"), "x\uF05Cy");
  EXPECT_EQ(LinuxToWindowsName("*?\"<>|"), "\uF02A\uF03F\uF022\uF03C\uF03E\uF07C");
  EXPECT_EQ(LinuxToWindowsName("\xB2\xA1.txt"), "\uF0B2\uF0A1.txt");  // GBK bytes, not UTF-8
  EXPECT_EQ(LinuxToWindowsName("\xE4\xB8"), "\uF0E4\uF0B8");          // a cut character
  // A real private-use character is spelled byte by byte.
  EXPECT_EQ(LinuxToWindowsName("\uF03A"), "\uF0EF\uF080\uF0BA");
}

TEST(LinuxNameMapTest, EveryLinuxNameMapsBackExactly) {
  const std::string names[] = {
      "a:b",          "x\\y",  "\xB2\xA1.txt", "\xFF\xFE",     "\uF03A",    "\uF0FF\uF000",
      "mixed:\uF03A", "😀.png", "\xC0\x80",     "\xED\xA0\x80", "tab\tname", "\uF0EF\uF080\uF0BA",
  };
  for (const std::string& name : names) {
    const std::string shown = LinuxToWindowsName(name);
    EXPECT_EQ(WindowsToLinuxName(shown), name) << shown;
  }
  // ':' and its look-alike are two different names with two different views.
  EXPECT_NE(LinuxToWindowsName("a:b"), LinuxToWindowsName("a\uF03Ab"));
}

// Windows drops the final dots and blanks of a path, so names ending in them
// are shown with that last character mapped; they map back exactly.
TEST(LinuxNameMapTest, FinalDotOrBlankIsMapped) {
  EXPECT_EQ(LinuxToWindowsName("notes."), "notes\uF02E");
  EXPECT_EQ(LinuxToWindowsName("x.exe "), "x.exe\uF020");
  EXPECT_EQ(LinuxToWindowsName("a.."), "a.\uF02E");
  EXPECT_EQ(LinuxToWindowsName("..."), "..\uF02E");
  EXPECT_EQ(LinuxToWindowsName("病毒:."), "病毒\uF03A\uF02E");
  EXPECT_EQ(LinuxToWindowsName(".profile"), ".profile");
  EXPECT_EQ(LinuxToWindowsName("a b"), "a b");
  for (const char* name : {"notes.", "x.exe ", "a..", "...", " ", "病毒:.", "\xB2.", ". ."}) {
    EXPECT_EQ(WindowsToLinuxName(LinuxToWindowsName(name)), name) << name;
  }
  // The plain spellings are not what the mapping shows, so they name nothing
  // (otherwise two Windows names would reach one entry).
  EXPECT_EQ(WindowsToLinuxName("a.."), std::nullopt);
  EXPECT_EQ(WindowsToLinuxName("x "), std::nullopt);
  EXPECT_EQ(WindowsToLinuxName("a\uF02Eb"), std::nullopt);  // mapped only at the end
}

// On real folders: "notes." beside "notes". A path that ends in a dot means
// "notes" as it does on Windows; the shown name reaches "notes." itself.
TEST(LinuxNameMapTest, EntriesEndingInADotStayReachable) {
  testing::TempFolder dir;
  testing::WriteHostFile(dir / "notes.", "dot");
  testing::WriteHostFile(dir / "notes", "plain");
  testing::WriteHostFile(dir / "x.exe ", "blank");
  LinuxFileSystem fs({{'E', kDriveRemovable, dir.path()}});
  std::vector<std::string> names;
  FindData d;
  auto s = fs.FindFirst("E:\\*.*", d);
  ASSERT_TRUE(s);
  do names.push_back(d.cFileName);
  while (s->FindNext(d));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"notes", "notes\uF02E", "x.exe\uF020"}));

  EXPECT_TRUE(fs.DeleteFile("E:\\notes."));
  EXPECT_FALSE(testing::HostExists(dir / "notes"));
  EXPECT_TRUE(testing::HostExists(dir / "notes."));
  EXPECT_FALSE(fs.FileExists("E:\\notes."));
  EXPECT_TRUE(fs.DeleteFile("E:\\notes\uF02E"));
  EXPECT_FALSE(testing::HostExists(dir / "notes."));
  EXPECT_TRUE(fs.FileExists("E:\\x.exe\uF020"));
  EXPECT_FALSE(fs.FileExists("E:\\x.exe "));
}

TEST(LinuxNameMapTest, WindowsNamesTheMappingNeverProducesNameNothing) {
  EXPECT_EQ(WindowsToLinuxName("\uF041"), std::nullopt);        // 'A' is never mapped
  EXPECT_EQ(WindowsToLinuxName("\uF0C3\uF0A9"), std::nullopt);  // the bytes of a real "é"
  EXPECT_EQ(WindowsToLinuxName("\uF000"), std::nullopt);        // NUL
  EXPECT_EQ(WindowsToLinuxName("\uF02F"), std::nullopt);        // '/'
  EXPECT_EQ(WindowsToLinuxName("a:b"), std::nullopt);
  EXPECT_EQ(WindowsToLinuxName("\xFF"), std::nullopt);
  EXPECT_EQ(WindowsToLinuxName(""), std::nullopt);
  EXPECT_EQ(WindowsToLinuxName("普通.txt"), "普通.txt");
}

}  // namespace
}  // namespace veltrano::fs
