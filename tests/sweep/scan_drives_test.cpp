// The sweep driver: which drives are swept, the lines around them, the count,
// and the stop request at the root walk's event pump.
#include <gtest/gtest.h>

#include "sweep/scan_drives.h"
#include "sweep_fixture.h"

namespace veltrano::sweep::testing {
namespace {

using fs::kAttrHidden;
using fs::kDriveCdRom;
using fs::kDriveFixed;
using fs::kDriveRemovable;

TEST_F(SweepTest, WorkedExampleGivesItsTenLinesWithTheEighthSelected) {
  mem.AddDrive('C', kDriveFixed);
  mem.AddDrive('E', kDriveRemovable);
  mem.AddFile("E:\\autorun.inf", "[autorun]\r\nopen=x.exe\r\n");
  mem.AddFile("E:\\x.exe", "MZ");
  mem.AddFolder("E:\\docs", kAttrHidden);
  mem.AddFile("E:\\docs.exe", "MZ");

  form.menuqim_Click();

  const std::vector<std::string> expected = {
      "",
      "可移动磁盘E:\\",
      "    发现病毒：x.exe 已清除！",
      "    发现病毒文件：autorun.inf 已清除！",
      "    发现伪文件夹病毒：docs.exe 已清除！",
      "    docs 文件夹恢复成功!",
      "",
      "",
      "",
      "    共清除病毒数： 3个！",
  };
  EXPECT_EQ(Log(), expected);
  EXPECT_EQ(form.List1.SelectedIndex(), 7);
  EXPECT_EQ(form.Busy, 0);
  EXPECT_EQ(mem.Names("E:\\"), std::vector<std::string>{"docs"});
  EXPECT_EQ(mem.GetAttributes("E:\\docs"), fs::kAttrDirectory);
  EXPECT_EQ(form.Label1.Caption(), "docs.exe");  // the last entry examined
  EXPECT_EQ(host.PumpCount(), 2);                // one pump per root entry
}

TEST_F(SweepTest, NoDriveOfTheTypeLeavesOnlyTheSummary) {
  mem.AddDrive('C', kDriveFixed);
  mem.AddFile("C:\\x.scr");
  form.menuqim_Click();
  EXPECT_EQ(Log(), (std::vector<std::string>{"", "", "", Summary(0)}));
  EXPECT_EQ(form.List1.SelectedIndex(), 1);
  EXPECT_TRUE(mem.Exists("C:\\x.scr"));
}

TEST_F(SweepTest, NoDrivesAtAllLeavesOnlyTheSummary) {
  form.menukhdd_Click();
  EXPECT_EQ(Log(), (std::vector<std::string>{"", "", "", Summary(0)}));
  EXPECT_EQ(form.Busy, 0);
}

TEST_F(SweepTest, SweepsOnlyItsTypeFromCUpwardNeverAOrB) {
  mem.AddDrive('A', kDriveRemovable);
  mem.AddDrive('B', kDriveRemovable);
  mem.AddDrive('C', kDriveFixed);
  mem.AddDrive('D', kDriveCdRom);
  mem.AddDrive('E', kDriveFixed);
  mem.AddDrive('F', kDriveRemovable);
  for (char d : std::string("ABCDEF")) mem.AddFile(std::string(1, d) + ":\\v.pif");

  form.menukhdd_Click();
  EXPECT_EQ(Log(),
            (std::vector<std::string>{"", "本地磁盘C:\\", "    发现可疑病毒文件：v.pif 已清除！",
                                      "", "本地磁盘E:\\", "    发现可疑病毒文件：v.pif 已清除！",
                                      "", "", "", Summary(2)}));
  EXPECT_TRUE(mem.Exists("D:\\v.pif"));
  EXPECT_TRUE(mem.Exists("F:\\v.pif"));

  form.menuqim_Click();  // a fresh sweep clears the log first
  EXPECT_EQ(Log(),
            (std::vector<std::string>{"", "可移动磁盘F:\\", "    发现可疑病毒文件：v.pif 已清除！",
                                      "", "", "", Summary(1)}));
  EXPECT_TRUE(mem.Exists("A:\\v.pif"));
  EXPECT_TRUE(mem.Exists("B:\\v.pif"));
}

TEST_F(SweepTest, DriveWithoutMediumGetsItsHeaderOnly) {
  mem.AddDrive('E', kDriveRemovable, /*mediumPresent=*/false);
  form.menuqim_Click();
  EXPECT_EQ(Log(), (std::vector<std::string>{"", "可移动磁盘E:\\", "", "", "", Summary(0)}));
}

TEST_F(SweepTest, CountsEveryDriveAndNeverAFailure) {
  mem.AddDrive('E', kDriveRemovable);
  mem.AddDrive('F', kDriveRemovable);
  mem.AddFile("E:\\a.scr");
  mem.AddFile("F:\\a.scr");
  mem.AddFile("F:\\busy.scr");
  mem.SetInUse("F:\\busy.scr", true);
  form.menuqim_Click();
  EXPECT_EQ(Findings(), (std::vector<std::string>{"    发现可疑病毒文件：a.scr 已清除！",
                                                  "    发现可疑病毒文件：a.scr 已清除！",
                                                  "    发现可疑病毒文件：busy.scr 清除失败！"}));
  EXPECT_EQ(LastLine(), Summary(2));
  EXPECT_TRUE(mem.Exists("F:\\busy.scr"));
}

// A listing of `count` junk programs that the file system pretends to remove.
class EndlessScrListing : public fs::FindSession {
 public:
  explicit EndlessScrListing(int count) : left_(count) {}
  bool FindNext(fs::FindData& out) override {
    if (--left_ <= 0) return false;
    out = fs::FindData{};
    out.cFileName = "v" + std::to_string(left_) + ".scr";
    return true;
  }

 private:
  int left_;
};

TEST_F(SweepTest, RemovalCountStopsAt32767) {
  mem.AddDrive('E', kDriveRemovable);
  WrappedFs wrapped(mem);
  wrapped.findFirst = [](std::string_view, fs::FindData& first) {
    first = fs::FindData{};
    first.cFileName = "v0.scr";
    return std::make_unique<EndlessScrListing>(32770);
  };
  wrapped.deleteFileForced = [](std::string_view) { return true; };
  wrapped.probeEntry = [](std::string_view) { return fs::PathState::kMissing; };
  Form1 big(wrapped, host);
  big.menuqim_Click();
  EXPECT_EQ(big.List1.Count(), 2 + 32770 + 4);
  EXPECT_EQ(big.List1.Lines().back(), Summary(32767));
}

TEST_F(SweepTest, StopAtARootPumpEndsTheSweepWithoutSummary) {
  mem.AddDrive('E', kDriveRemovable);
  mem.AddDrive('F', kDriveRemovable);
  mem.AddFile("E:\\a.scr");
  mem.AddFile("E:\\b.scr");
  mem.AddFile("E:\\c.scr");
  mem.AddFile("F:\\d.scr");
  // The second entry's pump handles a click on the sweep command.
  host.AtPump(2, [&] { form.menuqim_Click(); });

  form.menuqim_Click();
  EXPECT_EQ(Log(), (std::vector<std::string>{"", "可移动磁盘E:\\",
                                             "    发现可疑病毒文件：a.scr 已清除！"}));
  EXPECT_EQ(form.Busy, 0);
  EXPECT_EQ(form.Label1.Caption(), "a.scr");  // b.scr was never examined
  EXPECT_TRUE(mem.Exists("E:\\b.scr"));
  EXPECT_TRUE(mem.Exists("F:\\d.scr"));  // no later drive
  EXPECT_EQ(mem.OpenFindSessions(), 0);

  // The next click starts a fresh sweep.
  form.menuqim_Click();
  EXPECT_EQ(Log(), (std::vector<std::string>{
                       "", "可移动磁盘E:\\", "    发现可疑病毒文件：b.scr 已清除！",
                       "    发现可疑病毒文件：c.scr 已清除！", "", "可移动磁盘F:\\",
                       "    发现可疑病毒文件：d.scr 已清除！", "", "", "", Summary(3)}));
  EXPECT_EQ(form.Busy, 0);
}

TEST_F(SweepTest, CleanupAndOtherSweepClicksAlsoStopIt) {
  mem.AddDrive('E', kDriveRemovable);
  mem.AddFile("E:\\a.scr");
  mem.AddFile("E:\\b.scr");
  host.AtPump(1, [&] { form.menuclean_Click(); });
  form.menuqim_Click();
  EXPECT_EQ(Log(), (std::vector<std::string>{"", "可移动磁盘E:\\"}));
  EXPECT_EQ(form.Busy, 0);
  EXPECT_EQ(form.menuclean.Caption(), "磁盘清理");  // no cleanup was started
  EXPECT_TRUE(host.MessageBoxes().empty());

  host.AtPump(host.PumpCount() + 2, [&] { form.menukhdd_Click(); });
  form.menuqim_Click();
  EXPECT_EQ(Log(), (std::vector<std::string>{"", "可移动磁盘E:\\",
                                             "    发现可疑病毒文件：a.scr 已清除！"}));
  EXPECT_TRUE(mem.Exists("E:\\b.scr"));
}

TEST_F(SweepTest, ClosingTheWindowMidSweepEndsEverything) {
  mem.AddDrive('E', kDriveRemovable);
  mem.AddFile("E:\\a.scr");
  mem.AddFile("E:\\b.scr");
  host.AtPump(2, [&] { form.Form_Unload(); });
  EXPECT_THROW(form.menuqim_Click(), host::ProcessEnded);
  EXPECT_EQ(Log().back(), "    发现可疑病毒文件：a.scr 已清除！");
  EXPECT_TRUE(mem.Exists("E:\\b.scr"));
  EXPECT_EQ(mem.OpenFindSessions(), 0);
}

}  // namespace
}  // namespace veltrano::sweep::testing
