#include "repair/folder_repair.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/testing/command_fixture.h"

namespace veltrano::repair {
namespace {

using fs::kAttrHidden;
using fs::kAttrReadOnly;
using fs::kAttrSystem;
using ::testing::ElementsAre;

constexpr char kSummary0[] = " U盘修复完毕,共修复文件夹： 0个！";
constexpr char kSummary2[] = " U盘修复完毕,共修复文件夹： 2个！";

class FolderRepairTest : public veltrano::testing::CommandTest {};

TEST_F(FolderRepairTest, NothingToRepairStillWritesTheSummary) {
  fs.AddDrive('C', fs::kDriveFixed);  // C: is never repaired
  fs.AddFolder("C:\\hidden", kAttrHidden);
  reudir_Click(form);
  EXPECT_THAT(Log(), ElementsAre("", "", kSummary0));
  EXPECT_EQ(form.List1.SelectedIndex(), 1);
  EXPECT_TRUE(HasAll(fs.GetAttributes("C:\\hidden"), kAttrHidden));
}

TEST_F(FolderRepairTest, UnhidesHiddenRootFoldersOfARemovableDrive) {
  fs.AddDrive('E', fs::kDriveRemovable);
  fs.AddFolder("E:\\a", kAttrHidden);
  fs.AddFolder("E:\\visible");
  fs.AddFolder("E:\\b", kAttrHidden | kAttrSystem | kAttrReadOnly);
  fs.AddFolder("E:\\visible\\inner", kAttrHidden);  // below the root: left alone
  fs.AddFolder("E:\\sysonly", kAttrSystem);         // the system bit alone does not count
  fs.AddFile("E:\\file", "", kAttrHidden);          // files are never touched
  reudir_Click(form);
  EXPECT_THAT(Log(),
              ElementsAre("修复丢失文件夹  E:\\a", "修复丢失文件夹  E:\\b", "", "", kSummary2));
  EXPECT_EQ(form.List1.SelectedIndex(), 3);
  EXPECT_EQ(fs.GetAttributes("E:\\a"), fs::kAttrDirectory);
  EXPECT_EQ(fs.GetAttributes("E:\\b"), fs::kAttrDirectory);  // read-only and system gone too
  EXPECT_TRUE(HasAll(fs.GetAttributes("E:\\visible\\inner"), kAttrHidden));
  EXPECT_TRUE(HasAll(fs.GetAttributes("E:\\sysonly"), kAttrSystem));
  EXPECT_TRUE(HasAll(fs.GetAttributes("E:\\file"), kAttrHidden));
}

TEST_F(FolderRepairTest, OnlyTheOldRecycleFolderNameStaysHidden) {
  fs.AddDrive('E', fs::kDriveRemovable);
  for (const char* name : {"Recycled", "RECYCLED", "RECYCLER", "$RECYCLE.BIN", "recycled2"}) {
    fs.AddFolder(std::string("E:\\") + name, kAttrHidden | kAttrSystem);
  }
  reudir_Click(form);
  EXPECT_THAT(Log(), ElementsAre("修复丢失文件夹  E:\\RECYCLER", "修复丢失文件夹  E:\\$RECYCLE.BIN",
                                 "修复丢失文件夹  E:\\recycled2", "", "",
                                 " U盘修复完毕,共修复文件夹： 3个！"));
  EXPECT_TRUE(HasAll(fs.GetAttributes("E:\\Recycled"), kAttrHidden));
  EXPECT_TRUE(HasAll(fs.GetAttributes("E:\\RECYCLED"), kAttrHidden));
}

TEST_F(FolderRepairTest, ChoosesRemovableDrivesThenTheLastUncancelledFixedDrive) {
  // Fixed C: and D:, CD-ROM E:, removable F:, fixed G:: F: then G:; E: cancels D:.
  fs.AddDrive('C', fs::kDriveFixed);
  fs.AddDrive('D', fs::kDriveFixed);
  fs.AddDrive('E', fs::kDriveCdRom);
  fs.AddDrive('F', fs::kDriveRemovable);
  fs.AddDrive('G', fs::kDriveFixed);
  for (const char* root : {"C:\\", "D:\\", "E:\\", "F:\\", "G:\\"}) {
    fs.AddFolder(std::string(root) + "h", kAttrHidden);
  }
  reudir_Click(form);
  EXPECT_THAT(Log(),
              ElementsAre("修复丢失文件夹  F:\\h", "修复丢失文件夹  G:\\h", "", "", kSummary2));
  EXPECT_EQ(host.PumpCount(), 2);  // once after each repaired drive

  // A later fixed drive replaces the candidate; a later removable one cancels it.
  fs::MemoryFileSystem fs2;
  FormState form2{fs2, host};
  for (char letter : {'C', 'D', 'E'}) {
    fs2.AddDrive(letter, fs::kDriveFixed);
    fs2.AddFolder(std::string(1, letter) + ":\\h", kAttrHidden);
  }
  reudir_Click(form2);
  EXPECT_THAT(form2.List1.Lines(),
              ElementsAre("修复丢失文件夹  E:\\h", "", "", " U盘修复完毕,共修复文件夹： 1个！"));
  fs2.AddDrive('F', fs::kDriveRemovable);
  reudir_Click(form2);  // E: was repaired already; F: has nothing and cancels E:
  EXPECT_THAT(form2.List1.Lines(), ElementsAre("", "", kSummary0));
}

TEST_F(FolderRepairTest, FolderThatStaysHiddenIsLoggedAsFailedAndNotCounted) {
  fs.AddDrive('E', fs::kDriveRemovable);
  fs.AddDrive('F', fs::kDriveRemovable);
  fs.AddFolder("E:\\a", kAttrHidden);
  fs.AddFolder("F:\\b", kAttrHidden);
  fs.AddFolder("F:\\c", kAttrHidden);
  fs.SetWriteProtected('E', true);
  fs.SetAccessDenied("F:\\c", true);
  reudir_Click(form);
  EXPECT_THAT(Log(), ElementsAre("修复失败  E:\\a", "修复丢失文件夹  F:\\b", "修复失败  F:\\c", "",
                                 "", " U盘修复完毕,共修复文件夹： 1个！"));
  EXPECT_EQ(form.List1.SelectedIndex(), 4);
}

TEST_F(FolderRepairTest, UnreadableRootsAreSkippedSilently) {
  fs.AddDrive('E', fs::kDriveRemovable, /*mediumPresent=*/false);
  fs.AddDrive('F', fs::kDriveRemovable);
  fs.AddFolder("F:\\a", kAttrHidden);
  fs.SetListingDenied("F:\\", true);
  reudir_Click(form);
  EXPECT_THAT(Log(), ElementsAre("", "", kSummary0));
}

}  // namespace
}  // namespace veltrano::repair
