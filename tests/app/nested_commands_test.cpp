// Commands started at an event pump of another command, through Form1's
// menu handlers.
#include <gtest/gtest.h>

#include "app/form1.h"
#include "platform/fs/memory_file_system.h"
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

}  // namespace
}  // namespace veltrano
