#include "platform/fs/linux_name_map.h"

#include <gtest/gtest.h>

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
