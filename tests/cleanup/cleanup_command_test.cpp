#include "cleanup/cleanup_command.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "tests/testing/command_fixture.h"
#include "tests/cleanup/generated_folder_fs.h"

namespace veltrano::cleanup {
namespace {

using host::MsgAnswer;
using host::MsgButtons;
using host::MsgIcon;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr char kFound3[] = "查找到无用（垃圾）文件个数: 3";

class CleanupCommandTest : public veltrano::testing::CommandTest {
 protected:
  void AddThreeJunkFiles() {
    fs.AddDrive('C', fs::kDriveFixed);
    fs.AddFile("C:\\Windows\\Temp\\a.txt");
    fs.AddFile("C:\\Windows\\setup.tmp");
    fs.AddFile("C:\\docs\\keep.doc");
    fs.AddFile("C:\\docs\\Thumbs.db");
  }
};

TEST_F(CleanupCommandTest, NothingFoundShowsCountZeroAndSaysSo) {
  fs.AddDrive('C', fs::kDriveFixed);
  fs.AddFile("C:\\docs\\keep.doc");
  menuclean_Click(form);
  EXPECT_THAT(Log(), IsEmpty());
  EXPECT_EQ(form.Picture1.Text(), "查找到无用（垃圾）文件个数: 0");
  ASSERT_EQ(host.MessageBoxes().size(), 1u);
  EXPECT_EQ(host.MessageBoxes()[0].text, "没有可清理文件！");
  EXPECT_EQ(host.MessageBoxes()[0].caption, "Veltrano");
  EXPECT_EQ(host.MessageBoxes()[0].buttons, MsgButtons::kOk);
  EXPECT_EQ(host.MessageBoxes()[0].icon, MsgIcon::kNone);
  EXPECT_EQ(form.menuclean.Caption(), "磁盘清理");
  EXPECT_EQ(form.Busy, 0);
}

TEST_F(CleanupCommandTest, AnswerNoKeepsTheFilesAndTheirPaths) {
  AddThreeJunkFiles();
  std::string captionDuringSearch;
  host.AtPump(1, [&] { captionDuringSearch = form.menuclean.Caption(); });
  host.AnswerNextMessageBox(MsgAnswer::kNo);
  menuclean_Click(form);
  EXPECT_EQ(captionDuringSearch, "停  止");
  EXPECT_THAT(Log(), ElementsAre("C:\\Windows\\setup.tmp", "C:\\Windows\\Temp\\a.txt",
                                 "C:\\docs\\Thumbs.db"));
  EXPECT_EQ(form.Picture1.Text(), kFound3);
  ASSERT_EQ(host.MessageBoxes().size(), 1u);
  const host::MessageBoxRequest& box = host.MessageBoxes()[0];
  EXPECT_EQ(box.text, "是否删除所有文件?");
  EXPECT_EQ(box.caption, "删除");
  EXPECT_EQ(box.buttons, MsgButtons::kYesNo);
  EXPECT_EQ(box.icon, MsgIcon::kExclamation);
  EXPECT_EQ(box.defaultButton, MsgAnswer::kYes);
  EXPECT_TRUE(fs.FileExists("C:\\Windows\\setup.tmp"));
  EXPECT_TRUE(fs.FileExists("C:\\docs\\Thumbs.db"));
  EXPECT_EQ(form.menuclean.Caption(), "磁盘清理");
}

TEST_F(CleanupCommandTest, AnswerYesDeletesEachFileAndReplacesItsLine) {
  AddThreeJunkFiles();
  fs.AddFile("C:\\Windows\\setup.tmp", "", fs::kAttrReadOnly | fs::kAttrHidden);
  menuclean_Click(form);  // the default button is Yes
  EXPECT_THAT(Log(), ElementsAre("删除 C:\\Windows\\setup.tmp", "删除 C:\\Windows\\Temp\\a.txt",
                                 "删除 C:\\docs\\Thumbs.db"));
  EXPECT_EQ(form.List1.SelectedIndex(), 2);
  EXPECT_FALSE(fs.Exists("C:\\Windows\\setup.tmp"));
  EXPECT_FALSE(fs.Exists("C:\\Windows\\Temp\\a.txt"));
  EXPECT_FALSE(fs.Exists("C:\\docs\\Thumbs.db"));
  EXPECT_TRUE(fs.Exists("C:\\docs\\keep.doc"));
  ASSERT_EQ(host.MessageBoxes().size(), 2u);
  EXPECT_EQ(host.MessageBoxes()[1].text, "磁盘清理完毕！");
  EXPECT_EQ(host.MessageBoxes()[1].caption, "Veltrano");
  EXPECT_EQ(host.MessageBoxes()[1].icon, MsgIcon::kNone);
  EXPECT_EQ(form.Picture1.Text(), kFound3);
  EXPECT_EQ(form.menuclean.Caption(), "磁盘清理");
}

TEST_F(CleanupCommandTest, FileThatCannotBeDeletedIsReportedAsAFailure) {
  AddThreeJunkFiles();
  fs.AddDrive('E', fs::kDriveRemovable);
  fs.AddFile("E:\\x.chk");
  fs.SetInUse("C:\\Windows\\Temp\\a.txt", true);
  fs.SetWriteProtected('E', true);
  menuclean_Click(form);
  EXPECT_THAT(Log(), ElementsAre("删除 C:\\Windows\\setup.tmp", "删除失败 C:\\Windows\\Temp\\a.txt",
                                 "删除 C:\\docs\\Thumbs.db", "删除失败 E:\\x.chk"));
  EXPECT_TRUE(fs.FileExists("C:\\Windows\\Temp\\a.txt"));
  EXPECT_TRUE(fs.FileExists("E:\\x.chk"));
  ASSERT_EQ(host.MessageBoxes().size(), 2u);
  EXPECT_EQ(host.MessageBoxes()[1].text, "磁盘清理完毕！");
}

// Between the search and the deletion pass: one file can no longer be looked
// up (another mount on its name, say), one went away by itself, and the
// medium of E: was taken out. Only the one that went counts as deleted.
TEST_F(CleanupCommandTest, OnlyAFileKnownToBeGoneCountsAsDeleted) {
  fs.AddDrive('C', fs::kDriveFixed);
  fs.AddFile("C:\\Recycled\\a.txt");
  fs.AddFile("C:\\Recycled\\b.txt");
  fs.AddFolder("C:\\z");
  fs.AddDrive('E', fs::kDriveRemovable);
  fs.AddFile("E:\\x.chk");
  fs.AddFolder("E:\\y");
  // Pumps: C:\ 1, C:\Recycled\ 2, C:\z\ 3, E:\ 4, E:\y\ 5.
  host.AtPump(5, [&] {
    fs.SetUnreachable("C:\\Recycled\\a.txt", true);
    fs.DeleteFile("C:\\Recycled\\b.txt");
    fs.SetMediumPresent('E', false);
  });
  host.AnswerNextMessageBox(MsgAnswer::kYes);
  menuclean_Click(form);
  EXPECT_THAT(Log(), ElementsAre("删除失败 C:\\Recycled\\a.txt", "删除 C:\\Recycled\\b.txt",
                                 "删除失败 E:\\x.chk"));
  EXPECT_TRUE(fs.Exists("C:\\Recycled\\a.txt"));
  EXPECT_TRUE(fs.Exists("E:\\x.chk"));
}

TEST_F(CleanupCommandTest, SearchesEveryDriveFromCUpwardButNeverAOrB) {
  for (char letter : {'A', 'B', 'C', 'D', 'Z'}) {
    fs.AddDrive(letter, letter == 'D' ? fs::kDriveCdRom : fs::kDriveRemovable);
    fs.AddFile(std::string(1, letter) + ":\\Thumbs.db");
  }
  host.AnswerNextMessageBox(MsgAnswer::kNo);
  menuclean_Click(form);
  EXPECT_THAT(Log(), ElementsAre("C:\\Thumbs.db", "D:\\Thumbs.db", "Z:\\Thumbs.db"));
}

TEST_F(CleanupCommandTest, StopClickDuringTheSearchGoesOnToCountAndConfirm) {
  fs.AddDrive('C', fs::kDriveFixed);
  fs.AddFile("C:\\a.chk");
  fs.AddFile("C:\\one\\b.chk");
  fs.AddFile("C:\\two\\c.chk");
  fs.AddDrive('D', fs::kDriveFixed);
  fs.AddFile("D:\\d.chk");
  host.AtPump(2, [&] { menuclean_Click(form); });  // entering C:\one\: the stop request
  host.AnswerNextMessageBox(MsgAnswer::kNo);
  menuclean_Click(form);
  EXPECT_THAT(Log(), ElementsAre("C:\\a.chk"));
  EXPECT_EQ(form.Picture1.Text(), "查找到无用（垃圾）文件个数: 1");
  ASSERT_EQ(host.MessageBoxes().size(), 1u);
  EXPECT_EQ(host.MessageBoxes()[0].text, "是否删除所有文件?");
  EXPECT_EQ(host.PumpCount(), 3);  // C:\two\ still pumps once; D: is passed over
  EXPECT_EQ(form.Busy, 0);

  // The next click starts a fresh cleanup.
  menuclean_Click(form);
  EXPECT_THAT(Log(), ElementsAre("删除 C:\\a.chk", "删除 C:\\one\\b.chk", "删除 C:\\two\\c.chk",
                                 "删除 D:\\d.chk"));
}

TEST_F(CleanupCommandTest, ClickWhileASweepRunsOnlyStopsIt) {
  AddThreeJunkFiles();
  form.Busy = -1;  // a sweep is running
  const std::vector<std::string> before = Log();
  menuclean_Click(form);
  EXPECT_EQ(form.Busy, 0);
  EXPECT_EQ(Log(), before);
  EXPECT_EQ(form.menuclean.Caption(), "磁盘清理");
  EXPECT_THAT(host.MessageBoxes(), IsEmpty());
  EXPECT_TRUE(fs.FileExists("C:\\docs\\Thumbs.db"));
}

TEST_F(CleanupCommandTest, ClosingTheWindowDuringTheSearchEndsAtOnce) {
  AddThreeJunkFiles();
  host.AtPump(3, [&] { form.Host().EndProcess(0); });  // the window closes
  EXPECT_THROW(menuclean_Click(form), host::ProcessEnded);
  EXPECT_THAT(host.MessageBoxes(), IsEmpty());
  EXPECT_TRUE(fs.FileExists("C:\\Windows\\setup.tmp"));
  EXPECT_EQ(fs.OpenFindSessions(), 0);
}

TEST(CleanupScale, CountAndDeletionCoverAMillionLines) {
  constexpr int kFiles = 1000000;
  fs::MemoryFileSystem memory;
  memory.AddDrive('C', fs::kDriveFixed);
  memory.AddFolder("C:\\Windows\\Temp");
  veltrano::testing::GeneratedFolderFs generated(memory, "C:\\Windows\\Temp\\", kFiles,
                                                 /*folders=*/false);
  host::HeadlessWindowHost host;
  FormState form{generated, host};
  menuclean_Click(form);
  EXPECT_EQ(form.Picture1.Text(), "查找到无用（垃圾）文件个数: 1000000");
  ASSERT_EQ(form.List1.Count(), kFiles);
  EXPECT_EQ(form.List1.Line(0), "删除 C:\\Windows\\Temp\\0");
  EXPECT_EQ(form.List1.Line(32767), "删除 C:\\Windows\\Temp\\32767");
  EXPECT_EQ(form.List1.Line(kFiles - 1), "删除 C:\\Windows\\Temp\\999999");
  EXPECT_EQ(form.List1.SelectedIndex(), kFiles - 1);
  EXPECT_EQ(generated.Remaining(), 0);
  EXPECT_EQ(host.MessageBoxes().size(), 2u);
}

}  // namespace
}  // namespace veltrano::cleanup
