#include "cleanup/find_junk.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "tests/testing/command_fixture.h"
#include "tests/cleanup/generated_folder_fs.h"

namespace veltrano::cleanup {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class FindJunkTest : public veltrano::testing::CommandTest {
 protected:
  void SetUp() override {
    fs.AddDrive('C', fs::kDriveFixed);
    form.List1.Clear();
    form.Busy = -1;  // as the cleanup command sets it around the search
  }
};

TEST_F(FindJunkTest, ListsAFoldersJunkBeforeItsSubFoldersInEnumerationOrder) {
  fs.AddFile("C:\\Thumbs.db");
  fs.AddFolder("C:\\Windows");
  fs.AddFile("C:\\Windows\\setup.tmp");
  fs.AddFile("C:\\Windows\\Temp\\a.txt");
  fs.AddFile("C:\\Windows\\Temp\\b.log");
  fs.AddFile("C:\\Windows\\Temp\\sub\\c.txt");  // group 1 looks at the folder itself only
  fs.AddFile("C:\\Windows\\Temp\\sub\\x.chk");
  fs.AddFile("C:\\Windows\\system32\\old.BAK");
  fs.AddFile("C:\\Windows\\explorer.exe");
  fs.AddFile("C:\\work\\setup.tmp");  // not a system folder
  fs.AddFile("C:\\work\\desktop.ini");
  fs.AddFile("C:\\work\\FOLDER.HTT");
  fs.AddFile("C:\\zz.fix");  // listed after the folders, still before their junk
  FindJunk(form, "C:\\");
  EXPECT_THAT(Log(), ElementsAre("C:\\Thumbs.db", "C:\\zz.fix", "C:\\Windows\\setup.tmp",
                                 "C:\\Windows\\Temp\\a.txt", "C:\\Windows\\Temp\\b.log",
                                 "C:\\Windows\\Temp\\sub\\x.chk", "C:\\Windows\\system32\\old.BAK",
                                 "C:\\work\\FOLDER.HTT"));
  EXPECT_EQ(form.List1.SelectedIndex(), 7);               // the list follows the search
  EXPECT_EQ(form.Picture1.Text(), "正在查找C:\\work\\");  // the last folder entered
  EXPECT_EQ(form.Label1.Caption(), "FOLDER.HTT");         // the last file examined
  EXPECT_EQ(host.PumpCount(), 6);                         // C:\, Windows, Temp, sub, system32, work
  EXPECT_EQ(fs.OpenFindSessions(), 0);
}

TEST_F(FindJunkTest, LeavesDotFoldersLinksAndUnreadableFoldersOut) {
  fs.AddFile("C:\\.git\\x.chk");
  fs.AddFile("C:\\.chk");  // a file named only by the extension is junk
  fs.AddFile("C:\\data\\Local Settings\\Temp\\secret.doc");
  fs.AddLink("C:\\Documents\\Local Settings\\Temp", "C:\\data\\Local Settings\\Temp");
  fs.AddLink("C:\\Documents\\Thumbs.db", "C:\\.chk");  // a file link is never junk
  fs.AddFile("C:\\locked\\a.chk");
  fs.SetListingDenied("C:\\locked", true);
  fs.AddFile("C:\\open\\b.chk");
  fs.AddDrive('E', fs::kDriveRemovable, /*mediumPresent=*/false);
  FindJunk(form, "C:\\");
  FindJunk(form, "E:\\");
  EXPECT_THAT(Log(), ElementsAre("C:\\.chk", "C:\\data\\Local Settings\\Temp\\secret.doc",
                                 "C:\\open\\b.chk"));
}

TEST_F(FindJunkTest, StopAtAPumpUnwindsThroughEveryPendingFolderWithoutListing) {
  fs.AddFile("C:\\a\\1.chk");
  fs.AddFile("C:\\a\\x\\2.chk");
  fs.AddFile("C:\\a\\y\\3.chk");
  fs.AddFile("C:\\b\\4.chk");
  fs.AddFile("C:\\c\\5.chk");
  host.AtPump(3, [&] { form.Busy = 0; });  // while entering folder C:\a\x
  FindJunk(form, "C:\\");
  EXPECT_THAT(Log(), ElementsAre("C:\\a\\1.chk"));
  // Each pending folder still shows itself and pumps once: a\y, b, c.
  EXPECT_EQ(host.PumpCount(), 6);
  EXPECT_EQ(form.Picture1.Text(), "正在查找C:\\c\\");
}

TEST_F(FindJunkTest, StopWhileAFolderIsListedEndsBeforeItsNextFile) {
  fs.AddFile("C:\\big\\a.chk");
  fs.AddFile("C:\\big\\b.chk");
  fs.AddFile("C:\\big\\c.chk");
  fs.AddFile("C:\\big\\sub\\d.chk");
  form.Label1.SetListener([&](const std::string& caption) {
    if (caption == "b.chk") form.Busy = 0;
  });
  FindJunk(form, "C:\\");
  EXPECT_THAT(Log(), ElementsAre("C:\\big\\a.chk", "C:\\big\\b.chk"));
  EXPECT_EQ(host.PumpCount(), 2);  // the sub-folder of the stopped level is not entered
  EXPECT_EQ(fs.OpenFindSessions(), 0);
}

TEST_F(FindJunkTest, NothingHappensWhenNotBusy) {
  form.Busy = 0;
  fs.AddFile("C:\\a.chk");
  FindJunk(form, "C:\\");
  EXPECT_THAT(Log(), IsEmpty());
  EXPECT_EQ(form.Picture1.Text(), "正在查找C:\\");  // the folder is still shown
  EXPECT_EQ(host.PumpCount(), 1);
}

TEST(FindJunkLimits, RemembersAtMost32760SubFoldersOfOneFolder) {
  fs::MemoryFileSystem memory;
  memory.AddDrive('C', fs::kDriveFixed);
  memory.AddFolder("C:\\many");
  veltrano::testing::GeneratedFolderFs generated(memory, "C:\\many\\", 32761, /*folders=*/true);
  host::HeadlessWindowHost host;
  FormState form{generated, host};
  form.List1.Clear();
  form.Busy = -1;
  FindJunk(form, "C:\\many\\");
  ASSERT_EQ(form.List1.Count(), 32760);
  EXPECT_EQ(form.List1.Line(0), "C:\\many\\0\\x.chk");
  EXPECT_EQ(form.List1.Line(32759), "C:\\many\\32759\\x.chk");
  EXPECT_EQ(host.PumpCount(), 32761);
}

}  // namespace
}  // namespace veltrano::cleanup
