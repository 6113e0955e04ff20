// The root walk's three rules, how folders and odd names are treated, and the
// checks that keep a failure from being reported as a success.
#include <gtest/gtest.h>

#include "sweep_fixture.h"

namespace veltrano::sweep::testing {
namespace {

using fs::kAttrHidden;
using fs::kAttrReadOnly;
using fs::kAttrSystem;
using fs::kDriveFixed;
using fs::kDriveRemovable;

constexpr fs::Attributes kHiddenSystem = kAttrHidden | kAttrSystem;

TEST_F(SweepTest, FakeFolderProgramGoesAndItsFolderComesBack) {
  mem.AddDrive('E', kDriveRemovable);
  mem.AddFolder("E:\\Photos", kAttrHidden | kAttrSystem | kAttrReadOnly);
  mem.AddFile("E:\\Photos.EXE");
  mem.AddFolder("E:\\music");  // visible: its look-alike is left alone
  mem.AddFile("E:\\music.exe");
  form.menuqim_Click();
  EXPECT_EQ(Findings(), (std::vector<std::string>{"    发现伪文件夹病毒：photos.exe 已清除！",
                                                  "    photos 文件夹恢复成功!"}));
  EXPECT_EQ(LastLine(), Summary(1));
  EXPECT_EQ(mem.GetAttributes("E:\\Photos"), fs::kAttrDirectory);
  EXPECT_TRUE(mem.Exists("E:\\music.exe"));
}

// Names fold as Windows folds them (by upper case): a folder "PıC" is the
// folder "pic" (ı is I in upper case), "İMAGE" is not "image"; the log shows
// lower case that keeps the İ.
TEST_F(SweepTest, NamesFoldAsWindowsFoldsThem) {
  mem.AddDrive('E', kDriveRemovable);
  mem.AddFolder("E:\\P\u0131C", kAttrHidden);
  mem.AddFile("E:\\PIC.exe");
  mem.AddFolder("E:\\\u0130MAGE", kAttrHidden);
  mem.AddFile("E:\\image.exe");
  mem.AddFile("E:\\\u0130NDEX.PIF");
  EXPECT_TRUE(mem.FileExists("E:\\p\u0131c.EXE"));
  EXPECT_FALSE(mem.FileExists("E:\\index.pif"));
  EXPECT_TRUE(mem.FolderExists("E:\\\u0130mage"));
  EXPECT_FALSE(mem.FolderExists("E:\\image"));
  form.menuqim_Click();
  EXPECT_EQ(Findings(), (std::vector<std::string>{"    发现伪文件夹病毒：pic.exe 已清除！",
                                                  "    pic 文件夹恢复成功!",
                                                  "    发现可疑病毒文件：\u0130ndex.pif 已清除！"}));
  EXPECT_EQ(mem.GetAttributes("E:\\P\u0131C"), fs::kAttrDirectory);
  EXPECT_EQ(mem.GetAttributes("E:\\\u0130MAGE"), fs::kAttrDirectory | kAttrHidden);
  EXPECT_TRUE(mem.Exists("E:\\image.exe"));
}

TEST_F(SweepTest, FakeFolderRuleIsForRemovableDrivesOnly) {
  mem.AddDrive('C', kDriveFixed);
  mem.AddDrive('D', kDriveFixed);
  for (char d : std::string("CD")) {
    const std::string root = std::string(1, d) + ":\\";
    mem.AddFolder(root + "photos", kAttrHidden);
    mem.AddFile(root + "photos.exe", "", kHiddenSystem);
    mem.AddFile(root + "run.exe", "", kHiddenSystem);
    mem.AddFile(root + "hidden.exe", "", kAttrHidden);
  }
  form.menukhdd_Click();
  // C: is never checked for hidden system programs; D: is.
  EXPECT_EQ(Findings(), (std::vector<std::string>{"    发现可疑病毒：photos.exe 已清除！",
                                                  "    发现可疑病毒：run.exe 已清除！"}));
  EXPECT_TRUE(mem.Exists("C:\\photos.exe"));
  EXPECT_TRUE(mem.Exists("C:\\run.exe"));
  EXPECT_TRUE(mem.Exists("D:\\hidden.exe"));
  EXPECT_EQ(mem.GetAttributes("D:\\photos"), kAttrHidden | fs::kAttrDirectory);
}

TEST_F(SweepTest, HiddenSystemProgramOnARemovableDrive) {
  mem.AddDrive('E', kDriveRemovable);
  mem.AddFile("E:\\RUN.exe", "", kHiddenSystem);
  mem.AddFile("E:\\sys.exe", "", kAttrSystem);
  form.menuqim_Click();
  EXPECT_EQ(Findings(), (std::vector<std::string>{"    发现可疑病毒：run.exe 已清除！"}));
}

TEST_F(SweepTest, FakeFolderThatIsAlsoHiddenSystemIsRemovedOnce) {
  mem.AddDrive('E', kDriveRemovable);
  mem.AddFolder("E:\\docs", kAttrHidden);
  mem.AddFile("E:\\docs.exe", "", kHiddenSystem);
  form.menuqim_Click();
  EXPECT_EQ(Findings(), (std::vector<std::string>{"    发现伪文件夹病毒：docs.exe 已清除！",
                                                  "    docs 文件夹恢复成功!"}));
}

TEST_F(SweepTest, ExtensionRuleMatchesLastCharactersOnly) {
  mem.AddDrive('C', kDriveFixed);
  for (const char* name : {"README.PIF", "Setup.Scr", "codec.dll", "codec.dl", ".dl", "dl", "scr",
                           "a.scr.txt", "x.pif.exe", "a.exe.scr", "exe"}) {
    mem.AddFile(std::string("C:\\") + name);
  }
  form.menukhdd_Click();
  EXPECT_EQ(Findings(), (std::vector<std::string>{"    发现可疑病毒文件：readme.pif 已清除！",
                                                  "    发现可疑病毒文件：setup.scr 已清除！",
                                                  "    发现可疑病毒文件：codec.dl 已清除！",
                                                  "    发现可疑病毒文件：.dl 已清除！",
                                                  "    发现可疑病毒文件：a.exe.scr 已清除！"}));
  EXPECT_EQ(mem.Names("C:\\"),
            (std::vector<std::string>{"codec.dll", "dl", "scr", "a.scr.txt", "x.pif.exe", "exe"}));
}

TEST_F(SweepTest, FoldersNeverMatchTheFileRules) {
  mem.AddDrive('E', kDriveRemovable);
  mem.AddFolder("E:\\photos", kAttrHidden);
  mem.AddFolder("E:\\photos.exe", kHiddenSystem);  // a folder posing as the program
  mem.AddFolder("E:\\album.scr");
  mem.AddFile("E:\\album.scr\\inside.scr");
  form.menuqim_Click();
  EXPECT_TRUE(Findings().empty());
  EXPECT_EQ(LastLine(), Summary(0));
  EXPECT_TRUE(mem.Exists("E:\\album.scr\\inside.scr"));
  EXPECT_EQ(mem.GetAttributes("E:\\photos"), kAttrHidden | fs::kAttrDirectory);
}

TEST_F(SweepTest, LinksInTheRootAreRemovedThemselvesNeverTheirTargets) {
  mem.AddDrive('C', kDriveFixed);
  mem.AddDrive('E', kDriveRemovable);
  mem.AddFile("C:\\keep.scr");
  mem.AddFolder("C:\\photos", kAttrHidden);
  mem.AddLink("E:\\keep.scr", "C:\\keep.scr");
  mem.AddLink("E:\\photos", "C:\\photos");  // a link where the hidden folder should be
  mem.AddFile("E:\\photos.exe");
  form.menuqim_Click();
  EXPECT_EQ(Findings(), (std::vector<std::string>{"    发现可疑病毒文件：keep.scr 已清除！"}));
  EXPECT_TRUE(mem.Exists("C:\\keep.scr"));
  EXPECT_TRUE(mem.Exists("E:\\photos.exe"));
  EXPECT_EQ(mem.GetAttributes("C:\\photos"), kAttrHidden | fs::kAttrDirectory);
}

TEST_F(SweepTest, FolderThatStaysHiddenIsReportedAsNotRestored) {
  mem.AddDrive('E', kDriveRemovable);
  mem.AddFolder("E:\\docs", kAttrHidden);
  mem.AddFile("E:\\docs.exe");
  mem.SetAccessDenied("E:\\docs", true);
  form.menuqim_Click();
  EXPECT_EQ(Findings(), (std::vector<std::string>{"    发现伪文件夹病毒：docs.exe 已清除！",
                                                  "    docs 文件夹恢复失败!"}));
  EXPECT_EQ(LastLine(), Summary(1));
}

TEST_F(SweepTest, FailedRemovalIsNeverReportedAsDone) {
  mem.AddDrive('E', kDriveRemovable);
  mem.AddFile("E:\\locked.scr");
  mem.AddFile("E:\\denied.pif");
  mem.SetInUse("E:\\locked.scr", true);
  mem.SetAccessDenied("E:\\denied.pif", true);
  mem.AddFile("E:\\gone.scr");
  WrappedFs wrapped(mem);
  // The file system refuses to reach gone.scr: it does not delete it and
  // answers that nothing is there, although the listing showed it.
  wrapped.deleteFileForced = [&](std::string_view path) {
    return path != "E:\\gone.scr" && mem.DeleteFileForced(path);
  };
  wrapped.probeEntry = [&](std::string_view path) {
    return path == "E:\\gone.scr" ? fs::PathState::kMissing : mem.ProbeEntry(path);
  };
  Form1 other(wrapped, host);
  other.menuqim_Click();
  EXPECT_EQ(other.List1.Lines(),
            (std::vector<std::string>{
                "", "可移动磁盘E:\\", "    发现可疑病毒文件：locked.scr 清除失败！",
                "    发现可疑病毒文件：denied.pif 清除失败！",
                "    发现可疑病毒文件：gone.scr 清除失败！", "", "", "", Summary(0)}));
  EXPECT_TRUE(mem.Exists("E:\\gone.scr"));
}

TEST_F(SweepTest, NamesOutsideGbkAndOtherScriptsAreShownLowerCase) {
  mem.AddDrive('E', kDriveRemovable);
  mem.AddFile("E:\\😀Émoji.SCR");
  mem.AddFile("E:\\ПРИВЕТ.PIF");
  mem.AddFolder("E:\\Ωmega", kAttrHidden);
  mem.AddFile("E:\\ΩMEGA.exe");
  form.menuqim_Click();
  EXPECT_EQ(Findings(), (std::vector<std::string>{"    发现可疑病毒文件：😀émoji.scr 已清除！",
                                                  "    发现可疑病毒文件：привет.pif 已清除！",
                                                  "    发现伪文件夹病毒：ωmega.exe 已清除！",
                                                  "    ωmega 文件夹恢复成功!"}));
  EXPECT_EQ(mem.Names("E:\\"), std::vector<std::string>{"Ωmega"});
}

}  // namespace
}  // namespace veltrano::sweep::testing
