// Form1 as a model: its state at start, the link commands, shutting down,
// and the name holder.
#include "commands/form1.h"

#include <gtest/gtest.h>

#include "app/form1_texts.h"
#include "tests/testing/memory_file_system.h"
#include "platform/host/headless_window_host.h"

namespace veltrano {
namespace {

class Form1Test : public ::testing::Test {
 protected:
  fs::MemoryFileSystem mem;
  host::HeadlessWindowHost host;
  Form1 form{mem, host};
};

TEST_F(Form1Test, StartsWithTheIntroductionAndIdleState) {
  const auto& lines = form.List1.Lines();
  ASSERT_EQ(lines.size(), 17u);
  EXPECT_EQ(lines[0], "一、功能介绍：");
  EXPECT_EQ(lines[16], "  ·想在本软件添加显示您的信息,欢迎与作者联系!");
  // Four headings; every other line is an item under one, and line 12 the
  // continuation of line 11.
  for (int i = 0; i < 17; ++i) {
    SCOPED_TRACE(i);
    if (i == 0 || i == 5 || i == 8 || i == 12) {
      EXPECT_NE(lines[i][0], ' ');
    } else if (i == 11) {
      EXPECT_TRUE(lines[i].starts_with("    ") && !lines[i].starts_with("     "));
    } else {
      EXPECT_TRUE(lines[i].starts_with("  ·"));
    }
  }
  EXPECT_EQ(form.List1.SelectedIndex(), ScanLog::kNoSelection);
  EXPECT_EQ(form.Label1.Caption(), "label1");
  EXPECT_EQ(form.Picture1.Text(), "");
  EXPECT_EQ(form.menuclean.Caption(), "磁盘清理");
  EXPECT_EQ(form.Busy, 0);
}

TEST_F(Form1Test, LinkCommandsOpenTheirPagesAndTouchNothingElse) {
  form.Busy = -1;  // as during a sweep: the links neither read nor change it
  form.Picture1.Print("正在查找C:\\");
  form.mhelp_Click();
  form.menunet_Click();
  form.ucAniGIF1_Click();
  EXPECT_EQ(host.OpenedUrls(), (std::vector<std::string>{std::string(texts::kHelpPageUrl),
                                                         std::string(texts::kHomePageUrl),
                                                         std::string(texts::kHomePageUrl)}));
  EXPECT_NE(texts::kHelpPageUrl, texts::kHomePageUrl);
  EXPECT_EQ(form.Busy, -1);
  EXPECT_EQ(form.List1.Count(), 17);
  EXPECT_EQ(form.Picture1.Text(), "正在查找C:\\");
  EXPECT_TRUE(host.MessageBoxes().empty());
}

TEST_F(Form1Test, UnloadEndsTheProcessAtOnce) {
  bool after = false;
  EXPECT_THROW(
      {
        form.Form_Unload();
        after = true;
      },
      host::ProcessEnded);
  EXPECT_FALSE(after);
}

TEST_F(Form1Test, ControlsTellTheirViewsOfChanges) {
  std::vector<std::string> label, strip, caption;
  form.Label1.SetListener([&](const std::string& t) { label.push_back(t); });
  form.Picture1.SetListener([&](const std::string& t) { strip.push_back(t); });
  form.menuclean.SetListener([&](const std::string& t) { caption.push_back(t); });

  form.Label1.SetCaption(std::string("virus.exe\0old.txt", 17));  // FindData leftovers
  form.Label1.SetCaption(std::string("\0x", 2));
  form.Picture1.Print("正在查找C:\\Windows\\");
  form.Picture1.Clear();
  form.menuclean.SetCaption("停  止");

  EXPECT_EQ(label, (std::vector<std::string>{"virus.exe", ""}));
  EXPECT_EQ(form.Label1.Caption(), "");
  EXPECT_EQ(strip, (std::vector<std::string>{"正在查找C:\\Windows\\", ""}));
  EXPECT_EQ(caption, std::vector<std::string>{"停  止"});
}

TEST_F(Form1Test, GetFromINIReadsThroughTheWindowsFileSystem) {
  mem.AddDrive('E', fs::kDriveRemovable);
  mem.AddFile("E:\\autorun.inf", "[AutoRun]\r\nOpen = x.exe\r\n");
  EXPECT_EQ(form.GetFromINI("autorun", "open", "E:\\autorun.inf"), "x.exe");
  EXPECT_EQ(form.GetFromINI("autorun", "open", "E:\\AUTORUN.INF"), "x.exe");
  EXPECT_EQ(form.GetFromINI("autorun", "icon", "E:\\autorun.inf"), "");
}

}  // namespace
}  // namespace veltrano
