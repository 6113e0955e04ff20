// Commands started at an event pump of another command, through Form1's
// menu handlers.
#include <gtest/gtest.h>

#include "commands/form1.h"
#include "tests/testing/memory_file_system.h"
#include "platform/host/headless_window_host.h"

namespace veltrano {
namespace {

class NestedCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mem.AddDrive('C', fs::kDriveFixed);
    mem.AddFile("C:\\thumbs.db");
    mem.AddFolder("C:\\a");
    mem.AddFolder("C:\\b");
    mem.AddFile("C:\\b\\x.chk");
    mem.AddDrive('E', fs::kDriveRemovable);
    mem.AddFile("E:\\setup.scr");
  }
  fs::MemoryFileSystem mem;
  host::HeadlessWindowHost host;
  Form1 form{mem, host};
};

TEST_F(NestedCommandsTest, SweepClickWhileAStoppedCleanupUnwindsIsIgnored) {
  bool sweepClicked = false;
  // Pump 1: the root; pump 2: C:\a\ (stop there); pump 3: C:\b\ while unwinding.
  host.AtPump(2, [&] { form.menuclean_Click(); });
  host.AtPump(3, [&] {
    sweepClicked = true;
    form.menuqim_Click();
  });
  host.AnswerNextMessageBox(host::MsgAnswer::kNo);
  form.menuclean_Click();

  ASSERT_TRUE(sweepClicked);
  // The cleanup kept its list and asked about it; the sweep never ran.
  EXPECT_EQ(form.List1.Lines(), std::vector<std::string>{"C:\\thumbs.db"});
  ASSERT_EQ(host.MessageBoxes().size(), 1u);
  EXPECT_EQ(host.MessageBoxes()[0].text, "是否删除所有文件?");
  EXPECT_TRUE(mem.FileExists("E:\\setup.scr"));
  EXPECT_EQ(form.Busy, 0);

  // Once the cleanup has ended, the same click sweeps.
  form.menuqim_Click();
  EXPECT_FALSE(mem.FileExists("E:\\setup.scr"));
}

TEST_F(NestedCommandsTest, SweepClickDuringTheSearchStopsItAndStartsNothing) {
  host.AtPump(2, [&] { form.menuqim_Click(); });
  host.AnswerNextMessageBox(host::MsgAnswer::kNo);
  form.menuclean_Click();
  EXPECT_EQ(form.List1.Lines(), std::vector<std::string>{"C:\\thumbs.db"});
  EXPECT_TRUE(mem.FileExists("E:\\setup.scr"));
  EXPECT_TRUE(mem.FileExists("C:\\b\\x.chk"));
}

// The scan log is the cleanup's list of files to delete until the cleanup
// ends: a repair, or a click while its stopped search unwinds, leaves it alone.
class CleanupHoldsTheLogTest : public ::testing::Test {
 protected:
  // Whether the entry is hidden; an entry that is not there fails the test.
  bool Hidden(const char* path) {
    const auto attributes = mem.GetAttributes(path);
    EXPECT_TRUE(attributes) << path;
    return attributes && attributes->HasAny(fs::kAttrHidden);
  }

  fs::MemoryFileSystem mem;
  host::HeadlessWindowHost host;
  Form1 form{mem, host};
};

TEST_F(CleanupHoldsTheLogTest, ClicksWhileAStoppedSearchUnwindsAreIgnored) {
  mem.AddDrive('C', fs::kDriveFixed);
  mem.AddFile("C:\\a.chk");
  mem.AddFile("C:\\one\\b.chk");
  mem.AddFolder("C:\\two");
  mem.AddFolder("C:\\three");
  mem.AddDrive('E', fs::kDriveRemovable);
  mem.AddFolder("E:\\hidden", fs::kAttrHidden);
  host.AtPump(2, [&] { form.menuclean_Click(); });  // stop
  host.AtPump(3, [&] {                              // entering C:\two\ while unwinding
    form.menuclean_Click();
    form.reudir_Click();
  });
  host.AnswerNextMessageBox(host::MsgAnswer::kNo);
  form.menuclean_Click();
  EXPECT_EQ(form.List1.Lines(), std::vector<std::string>{"C:\\a.chk"});
  EXPECT_EQ(host.MessageBoxes().size(), 1u);
  EXPECT_EQ(host.PumpCount(), 4);
  EXPECT_TRUE(Hidden("E:\\hidden"));
}

TEST_F(CleanupHoldsTheLogTest, RepairClickDuringTheSearchDoesNotTouchTheList) {
  mem.AddDrive('C', fs::kDriveFixed);
  mem.AddFile("C:\\Windows\\Temp\\a.txt");
  mem.AddFile("C:\\Windows\\setup.tmp");
  mem.AddFile("C:\\docs\\keep.doc");
  mem.AddFile("C:\\docs\\Thumbs.db");
  mem.AddDrive('E', fs::kDriveRemovable);
  mem.AddFolder("E:\\hidden", fs::kAttrHidden);
  host.AtPump(3, [&] { form.reudir_Click(); });
  host.AnswerNextMessageBox(host::MsgAnswer::kNo);
  form.menuclean_Click();
  EXPECT_EQ(form.List1.Lines(),
            (std::vector<std::string>{"C:\\Windows\\setup.tmp", "C:\\Windows\\Temp\\a.txt",
                                      "C:\\docs\\Thumbs.db"}));
  EXPECT_TRUE(Hidden("E:\\hidden"));
  // Once the cleanup is over the repair works again.
  form.reudir_Click();
  EXPECT_FALSE(Hidden("E:\\hidden"));
}

TEST_F(CleanupHoldsTheLogTest, RepairIgnoredWhileASweepOrTheCleanupSearchRuns) {
  mem.AddDrive('E', fs::kDriveRemovable);
  mem.AddFolder("E:\\a", fs::kAttrHidden);
  form.Busy = -1;
  const std::vector<std::string> before = form.List1.Lines();
  form.reudir_Click();
  EXPECT_EQ(form.List1.Lines(), before);
  EXPECT_EQ(form.Busy, -1);
  EXPECT_TRUE(Hidden("E:\\a"));
}

}  // namespace
}  // namespace veltrano
