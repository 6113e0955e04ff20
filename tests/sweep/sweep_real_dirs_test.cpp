// The sweep on real folders through the Linux backend's directory mode: it
// removes exactly the worm files, unhides the imitated folders, never acts
// through a link and never leaves a drive's folder.
#include <gtest/gtest.h>

#include <vector>

#include "commands/form1.h"
#include "host_dirs.h"
#include "tests/testing/link_writer.h"
#include "platform/fs/drive_table.h"
#include "platform/fs/linux_dir.h"
#include "platform/fs/linux_file_system.h"
#include "platform/host/headless_window_host.h"

namespace veltrano::sweep::testing {
namespace {

class RealDirSweep : public ::testing::Test {
 protected:
  TempFolder tmp;
  const std::string usb = tmp / "usb";    // E:, removable
  const std::string disk = tmp / "disk";  // D:, fixed
  const std::string outside = tmp / "outside";

  void SetUp() override {
    MakeFolder(usb);
    MakeFolder(disk);
    MakeFolder(outside);
  }

  // Runs one command on a fresh file system and window, as the program would.
  std::vector<std::string> Run(void (Form1::*command)()) {
    fs::LinuxFileSystem fileSystem(
        std::vector<fs::DriveSpec>{{'D', fs::kDriveFixed, disk}, {'E', fs::kDriveRemovable, usb}});
    host::HeadlessWindowHost host;
    Form1 form(fileSystem, host);
    (form.*command)();
    selected = form.List1.SelectedIndex();
    return form.List1.Lines();
  }
  int selected = -2;
};

TEST_F(RealDirSweep, WorkedExample) {
  Write(usb + "/autorun.inf", "[autorun]\r\nopen=x.exe\r\n");
  Write(usb + "/x.exe");
  MakeFolder(usb + "/docs");
  SetDosBits(usb + "/docs", 2);
  Write(usb + "/docs.exe");
  EXPECT_EQ(Run(&Form1::menuqim_Click),
            (std::vector<std::string>{
                "", "可移动磁盘E:\\", "    发现病毒：x.exe 已清除！",
                "    发现病毒文件：autorun.inf 已清除！", "    发现伪文件夹病毒：docs.exe 已清除！",
                "    docs 文件夹恢复成功!", "", "", "", "    共清除病毒数： 3个！"}));
  EXPECT_EQ(selected, 7);
  EXPECT_EQ(Names(usb), std::set<std::string>{"docs"});
  EXPECT_EQ(DosBits(usb + "/docs"), 0u);
}

TEST_F(RealDirSweep, RemovesExactlyTheWormsAndUnhidesTheImitatedFolders) {
  // Worms.
  Write(usb + "/AutoRun.INF", "[AutoRun]\nShellExecute=sub\\Run Me.exe\nopen=\"setup.exe\"\n");
  Write(usb + "/setup.exe");
  Write(usb + "/sub/Run Me.exe");
  for (const char* stem : {"Photos", "工作", "My Docs"}) {
    MakeFolder(usb + "/" + stem);
    SetDosBits(usb + "/" + stem, 6);
    Write(usb + "/" + stem + ".exe");
  }
  Write(usb + "/svchost.exe");
  SetDosBits(usb + "/svchost.exe", 6);
  Write(usb + "/Game.PIF");
  Write(usb + "/saver.scr");
  Write(usb + "/lib.dl");
  MakeFolder(usb + "/Autorun.inf_");  // a look-alike name that is no worm
  // Innocents.
  Write(usb + "/lib.dll");
  Write(usb + "/readme.txt");
  MakeFolder(usb + "/music");
  Write(usb + "/music.exe");  // its folder is visible
  Write(usb + "/tool.exe");
  SetDosBits(usb + "/tool.exe", 2);  // hidden but not system
  Write(usb + "/sub/deep.scr");      // not in the root
  MakeFolder(usb + "/album.scr");    // a folder, not a file
  MakeFolder(usb + "/Recycled");
  SetDosBits(usb + "/Recycled", 2);  // hidden, but nothing imitates it

  const auto log = Run(&Form1::menuqim_Click);
  EXPECT_EQ(log.back(), "    共清除病毒数： 10个！");
  EXPECT_EQ(Names(usb), (std::set<std::string>{"Photos", "工作", "My Docs", "Autorun.inf_",
                                               "lib.dll", "readme.txt", "music", "music.exe",
                                               "tool.exe", "sub", "album.scr", "Recycled"}));
  EXPECT_EQ(Names(usb + "/sub"), std::set<std::string>{"deep.scr"});
  for (const char* stem : {"Photos", "工作", "My Docs"}) {
    EXPECT_EQ(DosBits(usb + "/" + stem), 0u) << stem;
  }
  EXPECT_EQ(DosBits(usb + "/tool.exe"), 2u);
  EXPECT_EQ(DosBits(usb + "/Recycled"), 2u);
  for (const std::string& line : log) EXPECT_EQ(line.find("失败"), std::string::npos) << line;
}

TEST_F(RealDirSweep, NothingIsDoneThroughALinkOrOutsideTheDrive) {
  Write(outside + "/x.exe");
  Write(outside + "/y.exe");
  Write(outside + "/victim.scr");
  Write(outside + "/real.inf", "[autorun]\nopen=z.exe\n");
  Write(usb + "/z.exe");
  MakeFolder(outside + "/hidden");
  SetDosBits(outside + "/hidden", 2);
  Write(outside + "/keep/inside.txt");

  std::filesystem::create_symlink(outside, usb + "/lnk");
  std::filesystem::create_symlink(outside + "/victim.scr", usb + "/victim.scr");
  std::filesystem::create_symlink(outside + "/hidden", usb + "/hidden");
  Write(usb + "/hidden.exe");
  MakeFolder(usb + "/Autorun.inf");
  SetDosBits(usb + "/Autorun.inf", 2);
  std::filesystem::create_symlink(outside + "/keep", usb + "/Autorun.inf/keep");
  Write(disk + "/autorun.inf", "[autorun]\nopen=..\\outside\\x.exe\nshellexecute=lnk\\y.exe\n");
  std::filesystem::create_symlink(disk + "/autorun.inf", disk + "/../disk-inf-link");

  SetDosBits(outside + "/victim.scr", 6);
  std::filesystem::permissions(outside + "/victim.scr", std::filesystem::perms::owner_read);

  Run(&Form1::menuqim_Click);
  Run(&Form1::menukhdd_Click);

  // Clearing the attributes of the link left the target's alone.
  EXPECT_EQ(DosBits(outside + "/victim.scr"), 6u);
  EXPECT_EQ(std::filesystem::status(outside + "/victim.scr").permissions(),
            std::filesystem::perms::owner_read);
  EXPECT_FALSE(Exists(usb + "/victim.scr"));
  EXPECT_EQ(Names(outside),
            (std::set<std::string>{"x.exe", "y.exe", "victim.scr", "real.inf", "hidden", "keep"}));
  EXPECT_EQ(Names(outside + "/keep"), std::set<std::string>{"inside.txt"});
  EXPECT_EQ(DosBits(outside + "/hidden"), 2u);
  // The links themselves may go; their targets stay.
  EXPECT_FALSE(Exists(usb + "/Autorun.inf"));
  EXPECT_TRUE(Exists(usb + "/hidden.exe"));
  EXPECT_FALSE(Exists(disk + "/autorun.inf"));
}

// Values that climb, start at a separator or end in dots reach the drive's
// own files, the way Windows resolves them; the files of the same names one
// folder above the drive's folder stay.
TEST_F(RealDirSweep, ValuesResolveOnTheDriveNeverAboveIt) {
  for (const char* name : {"x.exe", "y.exe", "z.exe", "w.exe", "only-above.exe"}) {
    Write(tmp / name);
  }
  Write(tmp / "sub/v.exe");
  for (const char* name : {"x.exe", "y.exe", "z.exe", "w.exe"}) Write(usb + "/" + name);
  Write(usb + "/sub/v.exe");
  Write(usb + "/autorun.inf", "[autorun]\r\nopen=..\\x.exe.\r\nshellexecute=\"\\..\\..\\y.exe \"\r\n");
  EXPECT_EQ(Run(&Form1::menuqim_Click),
            (std::vector<std::string>{"", "可移动磁盘E:\\", "    发现病毒：..\\x.exe. 已清除！",
                                      "    发现病毒：\\..\\..\\y.exe  已清除！",
                                      "    发现病毒文件：autorun.inf 已清除！", "", "", "",
                                      "    共清除病毒数： 3个！"}));
  Write(usb + "/autorun.inf",
        "[autorun]\nopen=/../z.exe . .\nshellexecute=sub\\..\\..\\sub\\v.exe\n");
  Run(&Form1::menuqim_Click);
  Write(usb + "/autorun.inf", "[autorun]\nopen=..\\only-above.exe\nshellexecute=..\\usb\\w.exe\n");
  Run(&Form1::menuqim_Click);

  EXPECT_EQ(Names(usb), (std::set<std::string>{"w.exe", "sub"}));
  EXPECT_EQ(Names(usb + "/sub"), std::set<std::string>{});
  EXPECT_EQ(Names(tmp.path()), (std::set<std::string>{"usb", "disk", "outside", "x.exe", "y.exe",
                                                      "z.exe", "w.exe", "only-above.exe", "sub"}));
  EXPECT_EQ(Names(tmp / "sub"), std::set<std::string>{"v.exe"});
}

TEST_F(RealDirSweep, AutorunInfThatIsALinkIsNotReadThrough) {
  Write(outside + "/real.inf", "[autorun]\nopen=z.exe\n");
  Write(usb + "/z.exe");
  std::filesystem::create_symlink(outside + "/real.inf", usb + "/autorun.inf");
  Run(&Form1::menuqim_Click);
  EXPECT_TRUE(Exists(usb + "/z.exe"));
  EXPECT_EQ(ReadAll(outside + "/real.inf"), "[autorun]\nopen=z.exe\n");
}

TEST_F(RealDirSweep, NamesWindowsCannotHoldAreRemovedExactly) {
  Write(usb + "/a:b.scr");
  Write(usb + "/what?.pif");
  Write(usb + "/\xB2\xA1.scr");  // GBK bytes, not UTF-8
  Write(usb + "/a_b.scr.txt");
  Write(usb + "/😀.scr");
  const auto log = Run(&Form1::menuqim_Click);
  EXPECT_EQ(log.back(), "    共清除病毒数： 4个！");
  EXPECT_EQ(Names(usb), std::set<std::string>{"a_b.scr.txt"});
  // The names are shown as the file-system layer spells them for Windows.
  EXPECT_NE(std::find(log.begin(), log.end(), "    发现可疑病毒文件：😀.scr 已清除！"), log.end());
  EXPECT_NE(std::find(log.begin(), log.end(),
                      "    发现可疑病毒文件：a\xEF\x80\xBA"
                      "b.scr 已清除！"),
            log.end());
}

TEST_F(RealDirSweep, BadAutorunInfFilesAreSafe) {
  Write(usb + "/late.exe");
  std::string big(10u << 20, '\0');  // 10 MB of NUL bytes and garbage, then the keys
  for (size_t i = 0; i < big.size(); i += 7) big[i] = static_cast<char>(0x80 + i % 100);
  big += "\r\n[autorun]\r\nopen=late.exe";
  Write(usb + "/autorun.inf", big);
  const auto log = Run(&Form1::menuqim_Click);
  EXPECT_EQ(log, (std::vector<std::string>{"", "可移动磁盘E:\\", "    发现病毒：late.exe 已清除！",
                                           "    发现病毒文件：autorun.inf 已清除！", "", "", "",
                                           "    共清除病毒数： 2个！"}));
}

// A worm's shortcut goes with its hidden script and the folder it imitated
// comes back; a shortcut through a file-system link is never read, and what a
// shortcut names above the drive's folder is never reached.
TEST_F(RealDirSweep, ShortcutWorm) {
  MakeFolder(usb + "/资料");
  Write(usb + "/资料/a.txt", "a");
  SetDosBits(usb + "/资料", 6);
  Write(usb + "/helper.vbs", "WScript.Echo 1");
  SetDosBits(usb + "/helper.vbs", 6);
  Write(outside + "/helper.vbs");
  SetDosBits(outside + "/helper.vbs", 6);
  LinkShape worm;
  worm.environmentTarget = "%windir%\\system32\\cmd.exe";
  worm.arguments = "/c start helper.vbs & start ..\\outside\\helper.vbs & start explorer 资料";
  Write(usb + "/资料.lnk", WriteLink(worm).bytes);
  Write(outside + "/other.lnk", WriteLink(worm).bytes);
  std::filesystem::create_symlink(outside + "/other.lnk", usb + "/other.lnk");
  Write(usb + "/notes.txt");
  LinkShape user;
  user.idListTarget = "E:\\notes.txt";
  Write(usb + "/Notes.lnk", WriteLink(user).bytes);

  EXPECT_EQ(Run(&Form1::menuqim_Click),
            (std::vector<std::string>{"", "可移动磁盘E:\\", "    发现快捷方式病毒：资料.lnk 已清除！",
                                      "    发现病毒：helper.vbs 已清除！", "    资料 文件夹恢复成功!",
                                      "", "", "", "    共清除病毒数： 2个！"}));
  EXPECT_EQ(Names(usb), (std::set<std::string>{"资料", "other.lnk", "notes.txt", "Notes.lnk"}));
  EXPECT_EQ(DosBits(usb + "/资料"), 0u);
  EXPECT_EQ(DosBits(outside + "/helper.vbs"), 6u);
  EXPECT_TRUE(Exists(outside + "/other.lnk"));
}

TEST_F(RealDirSweep, RootOfAHundredThousandEntries) {
  std::set<std::string> kept;
  for (int i = 0; i < 100000; ++i) {
    const std::string name = "f" + std::to_string(i);
    if (i % 10000 == 1) {
      Touch(usb + "/" + name + ".scr");
    } else if (i % 10000 == 2) {
      MakeFolder(usb + "/" + name);
      SetDosBits(usb + "/" + name, 2);
      Touch(usb + "/" + name + ".exe");
      kept.insert(name);
    } else {
      const std::string file = name + (i % 100 == 0 ? ".exe" : ".txt");
      Touch(usb + "/" + file);
      kept.insert(file);
    }
  }
  const auto log = Run(&Form1::menuqim_Click);
  EXPECT_EQ(log.back(), "    共清除病毒数： 20个！");
  EXPECT_EQ(log.size(), 2u + 30u + 4u);
  EXPECT_EQ(Names(usb), kept);
}

// Each removal is judged by the entry it removed: no lookup after it lists
// the root again, whatever the root holds.
TEST_F(RealDirSweep, RemovalsListTheRootAFewTimesInAll) {
  constexpr int kFiles = 3000;
  for (int i = 0; i < kFiles; ++i) Touch(usb + "/decoy" + std::to_string(i) + ".scr");
  const uint64_t before = fs::DirEntriesRead();
  const auto log = Run(&Form1::menuqim_Click);
  const uint64_t read = fs::DirEntriesRead() - before;
  ASSERT_EQ(log.size(), 2u + kFiles + 4u);
  EXPECT_EQ(log.back(), "    共清除病毒数： 3000个！");
  EXPECT_TRUE(Names(usb).empty());
  EXPECT_LE(read, 5u * kFiles);  // a few listings of the root, not one per removal
}

// Where letter case tells names apart, names that differ only in case are
// files of their own: each one listed is one finding, removed and counted.
TEST_F(RealDirSweep, CaseTwinsAreFindingsOfTheirOwn) {
  Touch(usb + "/a.scr");
  Touch(usb + "/A.SCR");
  Touch(usb + "/a.Scr");
  Touch(usb + "/keep.txt");
  const auto log = Run(&Form1::menuqim_Click);
  const std::string line = "    发现可疑病毒文件：a.scr 已清除！";
  EXPECT_EQ(log, (std::vector<std::string>{"", "可移动磁盘E:\\", line, line, line, "", "", "",
                                           "    共清除病毒数： 3个！"}));
  EXPECT_EQ(Names(usb), std::set<std::string>{"keep.txt"});
}

// Twins of a fake-folder program: each is the worm, though the first one
// already had the folder made visible again.
TEST_F(RealDirSweep, EveryTwinOfAFakeFolderProgramIsRemoved) {
  MakeFolder(usb + "/docs");
  SetDosBits(usb + "/docs", 2);
  Write(usb + "/docs.exe");
  Write(usb + "/DOCS.EXE");
  Write(usb + "/Docs.exe");
  const auto log = Run(&Form1::menuqim_Click);
  const std::string line = "    发现伪文件夹病毒：docs.exe 已清除！";
  EXPECT_EQ(log, (std::vector<std::string>{"", "可移动磁盘E:\\", line, "    docs 文件夹恢复成功!", line,
                                           line, "", "", "", "    共清除病毒数： 3个！"}));
  EXPECT_EQ(Names(usb), std::set<std::string>{"docs"});
  EXPECT_EQ(DosBits(usb + "/docs"), 0u);
}

}  // namespace
}  // namespace veltrano::sweep::testing
