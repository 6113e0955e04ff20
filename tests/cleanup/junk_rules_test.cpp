#include "cleanup/junk_rules.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

namespace veltrano::cleanup {
namespace {

bool Junk(std::string_view folder, std::string_view name) {
  return IsJunkFile(ClassifyFolder(folder), name);
}

TEST(JunkRules, EveryFileDirectlyInAJunkFolder) {
  for (std::string_view folder : {
           "C:\\RECYCLED\\",
           "D:\\x\\recycled\\",
           "C:\\Windows\\Prefetch\\",
           "C:\\Documents and Settings\\u\\Local Settings\\Temp\\",
           "C:\\WINDOWS\\TEMP\\",
           "C:\\Documents and Settings\\u\\Cookies\\",
           "C:\\Documents and Settings\\Administrator\\Recent\\",
           "C:\\x\\Local Settings\\Temporary Internet Files\\",
       }) {
    EXPECT_TRUE(Junk(folder, "a.txt")) << folder;
    EXPECT_TRUE(Junk(folder, "b")) << folder;
  }
}

TEST(JunkRules, JunkFolderSuffixesMatchOnTheirOwnLengthOnly) {
  // A sub-folder of a junk folder is not one.
  EXPECT_FALSE(Junk("C:\\Windows\\Temp\\sub\\", "c.txt"));
  // Suffixes compare on their own length: "prefetch\" needs its leading '\'.
  EXPECT_FALSE(Junk("C:\\myprefetch\\", "a.txt"));
  EXPECT_TRUE(Junk("C:\\myrecycled\\", "a.txt"));           // "recycled\" has no leading '\'
  EXPECT_FALSE(Junk("C:\\Users\\Bob\\Recent\\", "a.txt"));  // parent must end in "tor"
  EXPECT_FALSE(Junk("C:\\Temp\\", "a.txt"));                // neither "ngs\" nor "ows\"
  EXPECT_FALSE(Junk("ws\\temp\\", "a.txt"));                // shorter than the literal
}

TEST(JunkRules, TempAndBackupFilesOnlyInSystemFolders) {
  EXPECT_TRUE(Junk("C:\\Windows\\", "setup.tmp"));
  EXPECT_TRUE(Junk("C:\\Windows\\system32\\", "old.BAK"));
  EXPECT_TRUE(Junk("C:\\WINNT\\SYSTEM32\\", "x.Tmp"));
  EXPECT_FALSE(Junk("D:\\work\\", "setup.tmp"));
  EXPECT_FALSE(Junk("C:\\Windows\\system\\", "a.bak"));
  EXPECT_FALSE(Junk("C:\\Windows\\", "a.tmpx"));
  EXPECT_FALSE(Junk("C:\\Windows\\", "a.log"));
}

TEST(JunkRules, ShellAndDiskCheckLeftoversAnywhere) {
  for (std::string_view name : {"Thumbs.db", "FOLDER.HTT", "Desktop_.ini", "_desktop.ini", "x.CHK",
                                ".chk", "FILE0001.CHK", "a.err", "b.Fix"}) {
    EXPECT_TRUE(Junk("D:\\photos\\", name)) << name;
  }
  for (std::string_view name :
       {"desktop.ini", "chk", "xchk", "thumbs.db.txt", "a.chk.txt", "mythumbs.db", "a.ch", ""}) {
    EXPECT_FALSE(Junk("D:\\photos\\", name)) << name;
  }
}

TEST(JunkRules, NonAsciiNamesAreComparedByteForByte) {
  EXPECT_TRUE(Junk("E:\\照片\\", "文件.chk"));
  EXPECT_FALSE(Junk("E:\\照片\\", "文件.chkÄ"));
  // Only ASCII letters fold: a fullwidth "ＣＨＫ" is not ".chk".
  EXPECT_FALSE(Junk("E:\\", "a.ＣＨＫ"));
  EXPECT_EQ(LowerAscii("AbC\xC3\x84Z"), "abc\xC3\x84z");
}

}  // namespace
}  // namespace veltrano::cleanup
