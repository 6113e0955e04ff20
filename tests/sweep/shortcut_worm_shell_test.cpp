// A shortcut-worm stick whose shortcuts the shell itself saved (IShellLinkW +
// IPersistFile::Save), swept through the Win32 backend.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

// Before <windows.h>, whose macros (MessageBox, DeleteFile, ...) would rename
// their members.
#include "commands/form1.h"
#include "platform/fs/win32_file_system.h"
#include "platform/host/headless_window_host.h"

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "platform/text/wide_text_win32.h"
#include "tests/testing/win32_fixture.h"

namespace veltrano::sweep {
namespace {

using fs::testing::Content;
using fs::testing::DriveFolder;
using fs::testing::MakeFile;
using fs::testing::MakeFolder;
using fs::testing::RawAttributes;
using ::testing::ElementsAre;

std::wstring Wide(const std::string& utf8) { return text::Utf8ToWide(utf8).value_or(L""); }

class ShellSavedWorm : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr))); }
  static void TearDownTestSuite() { ::CoUninitialize(); }

  void SaveLink(const std::string& file, const std::string& target, const std::string& arguments) {
    IShellLinkW* link = nullptr;
    ASSERT_TRUE(SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                             IID_IShellLinkW, reinterpret_cast<void**>(&link))));
    EXPECT_TRUE(SUCCEEDED(link->SetPath(Wide(target).c_str())));
    if (!arguments.empty()) {
      EXPECT_TRUE(SUCCEEDED(link->SetArguments(Wide(arguments).c_str())));
    }
    IPersistFile* persist = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)))) {
      EXPECT_TRUE(SUCCEEDED(persist->Save(Wide(file).c_str(), TRUE))) << file;
      persist->Release();
    }
    link->Release();
    ASSERT_NE(Content(file), "<missing>") << file;
  }

  std::vector<std::string> Sweep() {
    fs::Win32FileSystem fileSystem({{'E', fs::kDriveRemovable, usb}});
    host::HeadlessWindowHost host;
    Form1 form(fileSystem, host);
    form.menuqim_Click();
    return form.List1.Lines();
  }

  DriveFolder dir{'F'};
  const std::string usb = dir / "usb";
};

// Three hidden items, a shortcut named like each that starts the hidden
// script and then opens the item; a shortcut of the user's beside them.
TEST_F(ShellSavedWorm, VbsKind) {
  const std::string cmd = "C:\\windows\\system32\\cmd.exe";
  MakeFolder(usb + "\\Photos", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  MakeFile(usb + "\\Photos\\cat.jpg", "jpg");
  MakeFolder(usb + "\\Work", FILE_ATTRIBUTE_HIDDEN);
  MakeFile(usb + "\\report.docx", "doc", FILE_ATTRIBUTE_HIDDEN);
  MakeFile(usb + "\\helper.vbs", "WScript.Echo 1", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  MakeFile(usb + "\\notes.txt", "notes");
  for (const char* item : {"Photos", "Work"}) {
    SaveLink(usb + "\\" + item + ".lnk", cmd,
             std::string("/c start wscript.exe /e:vbscript helper.vbs & start explorer \"") + item +
                 "\" & exit");
  }
  SaveLink(usb + "\\report.docx.lnk", cmd, "/c start helper.vbs&start \"\" \"report.docx\"");
  SaveLink(usb + "\\Notes.lnk", usb + "\\notes.txt", "");
  SaveLink(usb + "\\Console.lnk", cmd, "/k cd /d %~dp0");

  // The listing is sorted here, so the script comes before the shortcuts
  // that start it.
  EXPECT_THAT(Sweep(), ElementsAre("", "可移动磁盘E:\\", "    发现快捷方式病毒：photos.lnk 已清除！",
                                   "    发现病毒：helper.vbs 已清除！", "    photos 文件夹恢复成功!",
                                   "    发现快捷方式病毒：report.docx.lnk 已清除！",
                                   "    report.docx 文件恢复成功!",
                                   "    发现快捷方式病毒：work.lnk 已清除！", "    work 文件夹恢复成功!",
                                   "", "", "", "    共清除病毒数： 4个！"));
  for (const char* item : {"Photos", "Work", "report.docx"}) {
    EXPECT_EQ(RawAttributes(usb + "\\" + item) & FILE_ATTRIBUTE_HIDDEN, 0u) << item;
  }
  for (const char* gone : {"Photos.lnk", "Work.lnk", "report.docx.lnk", "helper.vbs"}) {
    EXPECT_EQ(RawAttributes(usb + "\\" + gone), INVALID_FILE_ATTRIBUTES) << gone;
  }
  EXPECT_EQ(Content(usb + "\\Photos\\cat.jpg"), "jpg");
  EXPECT_EQ(Content(usb + "\\report.docx"), "doc");
  EXPECT_NE(Content(usb + "\\Notes.lnk"), "<missing>");
  EXPECT_NE(Content(usb + "\\Console.lnk"), "<missing>");
}

}  // namespace
}  // namespace veltrano::sweep
