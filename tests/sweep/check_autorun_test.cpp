// The autorun.inf check: what it removes, in which order, and the values it
// refuses because they would reach beyond the drive.
#include <gtest/gtest.h>

#include "sweep/drive_path.h"
#include "sweep/scan_drives.h"
#include "sweep_fixture.h"

namespace veltrano::sweep::testing {
namespace {

using fs::kAttrHidden;
using fs::kAttrReadOnly;
using fs::kDriveFixed;
using fs::kDriveRemovable;

class AutorunTest : public SweepTest {
 protected:
  void SetUp() override {
    mem.AddDrive('C', kDriveFixed);
    mem.AddDrive('E', kDriveRemovable);
  }
  void Inf(std::string_view text) { mem.AddFile("E:\\autorun.inf", text); }
};

TEST_F(AutorunTest, BothKeysNamingOneProgramGiveOneLine) {
  Inf("[AutoRun]\nOPEN=x.exe\nshellexecute=x.exe\n");
  mem.AddFile("E:\\x.exe", "MZ", kAttrHidden | kAttrReadOnly);
  form.menuqim_Click();
  EXPECT_EQ(Findings(), (std::vector<std::string>{"    发现病毒：x.exe 已清除！",
                                                  "    发现病毒文件：autorun.inf 已清除！"}));
  EXPECT_EQ(LastLine(), Summary(2));
}

TEST_F(AutorunTest, OpenThenShellexecuteThenTheFileThenTheFolder) {
  Inf("[autorun]\nshellexecute=sub\\Y.exe\nopen=setup.exe\n");
  mem.AddFile("E:\\setup.exe");
  mem.AddFile("E:\\sub\\y.exe");
  form.menuqim_Click();
  EXPECT_EQ(Findings(), (std::vector<std::string>{"    发现病毒：setup.exe 已清除！",
                                                  "    发现病毒：sub\\Y.exe 已清除！",
                                                  "    发现病毒文件：autorun.inf 已清除！"}));
  EXPECT_FALSE(mem.Exists("E:\\sub\\y.exe"));
  EXPECT_TRUE(mem.Exists("E:\\sub"));
}

TEST_F(AutorunTest, WithoutTheSectionOnlyTheFileGoes) {
  Inf("[other]\nopen=x.exe\n");
  mem.AddFile("E:\\x.exe");
  form.menuqim_Click();
  EXPECT_EQ(Findings(), (std::vector<std::string>{"    发现病毒文件：autorun.inf 已清除！"}));
  EXPECT_TRUE(mem.Exists("E:\\x.exe"));
}

TEST_F(AutorunTest, HiddenFolderIsDeletedWithItsContentVisibleOneIsLeft) {
  mem.AddFolder("E:\\Autorun.inf", kAttrHidden);
  mem.AddFile("E:\\Autorun.inf\\a.exe", "", kAttrReadOnly);
  mem.AddFolder("E:\\Autorun.inf\\deep", kAttrHidden);
  mem.AddFolder("C:\\autorun.inf");
  form.menuqim_Click();
  EXPECT_EQ(Findings(), (std::vector<std::string>{"    发现可疑病毒文件夹：Autorun.inf 已删除！"}));
  EXPECT_EQ(LastLine(), Summary(1));
  EXPECT_FALSE(mem.Exists("E:\\Autorun.inf"));

  form.menukhdd_Click();
  EXPECT_TRUE(Findings().empty());
  EXPECT_TRUE(mem.Exists("C:\\autorun.inf"));
}

TEST_F(AutorunTest, FolderThatCannotGoIsReportedAndNotCounted) {
  mem.AddFolder("E:\\autorun.inf", kAttrHidden);
  mem.AddFile("E:\\autorun.inf\\locked.exe");
  mem.SetInUse("E:\\autorun.inf\\locked.exe", true);
  form.menuqim_Click();
  EXPECT_EQ(Findings(),
            (std::vector<std::string>{"    发现可疑病毒文件夹：Autorun.inf 清除失败！"}));
  EXPECT_EQ(LastLine(), Summary(0));
}

TEST_F(AutorunTest, ProgramInUseFailsAndTheFileStillGoes) {
  Inf("[autorun]\nopen=x.exe\n");
  mem.AddFile("E:\\x.exe");
  mem.SetInUse("E:\\x.exe", true);
  form.menuqim_Click();
  EXPECT_EQ(Findings(), (std::vector<std::string>{"    发现病毒：x.exe 清除失败！",
                                                  "    发现病毒文件：autorun.inf 已清除！"}));
  EXPECT_EQ(LastLine(), Summary(1));
}

TEST_F(AutorunTest, WriteProtectedMediumFailsEverything) {
  Inf("[autorun]\nopen=x.exe\n");
  mem.AddFile("E:\\x.exe");
  mem.SetWriteProtected('E', true);
  form.menuqim_Click();
  EXPECT_EQ(Findings(), (std::vector<std::string>{"    发现病毒：x.exe 清除失败！",
                                                  "    发现病毒文件：autorun.inf 清除失败！"}));
  EXPECT_EQ(LastLine(), Summary(0));
}

// Windows resolves root + value before it opens the program, so every
// spelling of the same path starts it; each one removes it, and the log shows
// the value as the file wrote it. Nothing ever resolves above the root.
TEST_F(AutorunTest, ValuesAreResolvedAsWindowsResolvesThem) {
  mem.AddFile("C:\\x.exe");
  for (std::string value :
       {"..\\x.exe", "..\\..\\x.exe", "sub\\..\\x.exe", "sub\\..\\..\\x.exe", "\\x.exe", "/x.exe",
        "\\\\x.exe", ".\\x.exe", "./sub//..\\.\\X.EXE", "x.exe.", "x.exe . .", "x.exe...",
        "\"x.exe \"", "'..\\x.exe. '"}) {
    SCOPED_TRACE(value);
    mem.AddFile("E:\\x.exe");
    mem.AddFolder("E:\\sub");
    Inf("[autorun]\nopen=" + value + "\n");
    form.menuqim_Click();
    // The reader drops one pair of quotes; the log shows what it returned.
    std::string shown = value;
    if (shown.front() == '"' || shown.front() == '\'') shown = shown.substr(1, shown.size() - 2);
    EXPECT_EQ(Findings(), (std::vector<std::string>{"    发现病毒：" + shown + " 已清除！",
                                                    "    发现病毒文件：autorun.inf 已清除！"}));
    EXPECT_FALSE(mem.Exists("E:\\x.exe"));
  }
  EXPECT_TRUE(mem.Exists("C:\\x.exe"));

  // In folders: a name before a separator loses one final dot only.
  mem.AddFile("E:\\sub\\y.exe");
  mem.AddFile("E:\\sub\\z.exe");
  mem.AddFile("E:\\sub..\\z.exe");
  Inf("[autorun]\nopen=sub/y.exe . \nshellexecute=sub.\\z.exe\n");
  form.menuqim_Click();
  EXPECT_EQ(Findings(), (std::vector<std::string>{"    发现病毒：sub/y.exe . 已清除！",
                                                  "    发现病毒：sub.\\z.exe 已清除！",
                                                  "    发现病毒文件：autorun.inf 已清除！"}));
  Inf("[autorun]\nopen=sub..\\z.exe\n");
  form.menuqim_Click();
  EXPECT_EQ(Findings(), (std::vector<std::string>{"    发现病毒：sub..\\z.exe 已清除！",
                                                  "    发现病毒文件：autorun.inf 已清除！"}));
}

TEST_F(AutorunTest, ValuesThatNameNoFileOfTheDriveAreIgnored) {
  mem.AddFile("C:\\x.exe");
  mem.AddFile("C:\\Windows\\x.exe");
  mem.AddFile("E:\\x.exe");
  mem.AddFolder("E:\\dir");
  for (std::string value :
       {"C:\\Windows\\x.exe", "C:x.exe", "\\\\server\\share", "x.exe:zone", "x.exe\\", "x.exe/",
        "...\\x.exe", "*.exe", "x?.exe", "x<.exe", "x>.exe", "x|.exe", "x\".exe", "x\x01.exe",
        "", "  ", "..", "..\\..", "dir", "dir\\.", "."}) {
    SCOPED_TRACE(value);
    Inf("[autorun]\nopen=" + value + "\nshellexecute=\"" + value + "\"\n");
    form.menuqim_Click();
    EXPECT_EQ(Findings(), (std::vector<std::string>{"    发现病毒文件：autorun.inf 已清除！"}));
  }
  EXPECT_TRUE(mem.Exists("C:\\x.exe"));
  EXPECT_TRUE(mem.Exists("C:\\Windows\\x.exe"));
  EXPECT_TRUE(mem.Exists("E:\\x.exe"));
  EXPECT_TRUE(mem.Exists("E:\\dir"));
}

TEST_F(AutorunTest, PathOnDriveResolvesBelowTheRoot) {
  EXPECT_EQ(PathOnDrive("E:\\", "x.exe"), "E:\\x.exe");
  EXPECT_EQ(PathOnDrive("E:\\", "sub/deep\\病毒 1.exe"), "E:\\sub\\deep\\病毒 1.exe");
  EXPECT_EQ(PathOnDrive("E:\\", "..x.exe"), "E:\\..x.exe");
  EXPECT_EQ(PathOnDrive("E:\\", "x.exe ; comment"), "E:\\x.exe ; comment");
  EXPECT_EQ(PathOnDrive("E:\\", "a..\\b"), "E:\\a..\\b");
  EXPECT_EQ(PathOnDrive("E:\\", "..\\..\\a\\..\\..\\b. . "), "E:\\b");
  EXPECT_EQ(PathOnDrive("E:\\", "a\\...\\b"), "E:\\a\\...\\b");
  EXPECT_EQ(PathOnDrive("E:\\", "a\\..."), "E:\\a");
  EXPECT_EQ(PathOnDrive("E:\\", "..."), std::nullopt);
  EXPECT_EQ(PathOnDrive("E:\\", "a\\"), std::nullopt);
  EXPECT_EQ(PathOnDrive("E:\\", "D:\\a"), std::nullopt);
}

TEST_F(AutorunTest, BlanksQuotesCommentsAndArgumentsInValues) {
  mem.AddFile("E:\\x.exe");
  mem.AddFile("E:\\y.exe");
  Inf("[autorun]\r\nopen =   x.exe   \r\nshellexecute='y.exe'\r\n");
  form.menuqim_Click();
  EXPECT_EQ(Findings(), (std::vector<std::string>{"    发现病毒：x.exe 已清除！",
                                                  "    发现病毒：y.exe 已清除！",
                                                  "    发现病毒文件：autorun.inf 已清除！"}));

  // A comment after the value or arguments make it name no file.
  mem.AddFile("E:\\x.exe");
  mem.AddFile("E:\\y.exe");
  Inf("[autorun]\nopen=x.exe ; run me\nshellexecute=y.exe /s\n");
  form.menuqim_Click();
  EXPECT_EQ(Findings(), (std::vector<std::string>{"    发现病毒文件：autorun.inf 已清除！"}));
  EXPECT_TRUE(mem.Exists("E:\\x.exe"));
  EXPECT_TRUE(mem.Exists("E:\\y.exe"));
}

TEST_F(AutorunTest, ValueNamingAutorunInfRemovesItOnce) {
  Inf("[autorun]\nopen=AUTORUN.INF\nshellexecute=autorun.inf\n");
  form.menuqim_Click();
  EXPECT_EQ(Findings(), (std::vector<std::string>{"    发现病毒：AUTORUN.INF 已清除！"}));
  EXPECT_EQ(LastLine(), Summary(1));
}

TEST_F(AutorunTest, AutorunInfThatIsAFolderOrALink) {
  // A visible folder of that name is no autorun.inf file: nothing happens.
  mem.AddFolder("E:\\autorun.inf");
  mem.AddFile("E:\\autorun.inf\\x.exe");
  form.menuqim_Click();
  EXPECT_TRUE(Findings().empty());
  EXPECT_TRUE(mem.Exists("E:\\autorun.inf\\x.exe"));

  // A link: nothing is read through it; the link itself goes, its target stays.
  mem.DeleteFolderForced("E:\\autorun.inf");
  mem.AddFile("C:\\real.inf", "[autorun]\nopen=x.exe\n");
  mem.AddFile("E:\\x.exe");
  mem.AddLink("E:\\autorun.inf", "C:\\real.inf");
  form.menuqim_Click();
  EXPECT_EQ(Findings(), (std::vector<std::string>{"    发现病毒文件：autorun.inf 已清除！"}));
  EXPECT_TRUE(mem.Exists("E:\\x.exe"));
  EXPECT_EQ(mem.Content("C:\\real.inf"), "[autorun]\nopen=x.exe\n");
}

TEST_F(AutorunTest, ValueThroughALinkIsNotFollowed) {
  mem.AddFile("C:\\keep\\x.exe");
  mem.AddLink("E:\\lnk", "C:\\keep");
  Inf("[autorun]\nopen=lnk\\x.exe\n");
  form.menuqim_Click();
  EXPECT_EQ(Findings(), (std::vector<std::string>{"    发现病毒文件：autorun.inf 已清除！"}));
  EXPECT_TRUE(mem.Exists("C:\\keep\\x.exe"));
}

TEST_F(AutorunTest, BadFilesAreReadSafely) {
  mem.AddFile("E:\\x.exe");
  // NUL bytes, binary garbage, no final newline, GBK names.
  Inf(std::string("\0\xFF\xFE\x01\n[autorun]\nopen=x.exe\0garbage", 33));
  form.menuqim_Click();
  // The UTF-16 mark is not at the start, so this is read as GBK, and the
  // value ends at its NUL.
  EXPECT_EQ(Findings(), (std::vector<std::string>{"    发现病毒：x.exe 已清除！",
                                                  "    发现病毒文件：autorun.inf 已清除！"}));

  mem.AddFile("E:\\病毒.exe");
  Inf("[autorun]\r\nopen=\xB2\xA1\xB6\xBE.exe");  // GBK, no newline at the end
  form.menuqim_Click();
  EXPECT_EQ(Findings(), (std::vector<std::string>{"    发现病毒：病毒.exe 已清除！",
                                                  "    发现病毒文件：autorun.inf 已清除！"}));

  // 10 MB of padding first, then the section with a 1 MB value after it.
  mem.AddFile("E:\\late.exe");
  std::string big(10u << 20, ';');
  for (size_t i = 100; i < big.size(); i += 101) big[i] = '\n';
  big += "\n[autorun]\nshellexecute=" + std::string(1u << 20, 'q') + "\nopen=late.exe\n";
  Inf(big);
  form.menuqim_Click();
  EXPECT_EQ(Findings(), (std::vector<std::string>{"    发现病毒：late.exe 已清除！",
                                                  "    发现病毒文件：autorun.inf 已清除！"}));
}

TEST_F(AutorunTest, GetFromINIThroughTheWindow) {
  mem.AddFile("E:\\a.ini", "[Sec]\nKey=\"v a l\"\n");
  EXPECT_EQ(form.GetFromINI("sec", "key", "E:\\a.ini"), "v a l");
  EXPECT_EQ(form.GetFromINI("sec", "other", "E:\\a.ini"), "");
  EXPECT_EQ(form.GetFromINI("sec", "key", "E:\\missing.ini"), "");
  EXPECT_EQ(form.GetFromINI("sec", "key", "E:\\"), "");
  mem.SetAccessDenied("E:\\a.ini", true);
  EXPECT_EQ(form.GetFromINI("sec", "key", "E:\\a.ini"), "");
}

}  // namespace
}  // namespace veltrano::sweep::testing
