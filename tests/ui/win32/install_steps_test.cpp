// The install offer's system steps on a real (Wine or Windows) file system:
// the copy replaces an older one, the shortcut resolves to its target, and a
// refused step comes back with the system's reason.
#include "ui/win32/install_steps.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "app/install_offer_windows.h"
#include "commands/form1.h"
#include "tests/testing/memory_file_system.h"
#include "platform/host/window_host.h"
#include "ui/win32/wide_text.h"
#include "ui/win32/windows_api.h"

#include <shellapi.h>
#include <shobjidl.h>

namespace veltrano::win32 {
namespace {

std::string TempFolder() {
  wchar_t base[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, base);
  std::wstring folder =
      std::wstring(base) + L"veltrano-install-" + std::to_wstring(GetCurrentProcessId());
  CreateDirectoryW(folder.c_str(), nullptr);
  return Narrow(folder);
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(Widen(path).c_str(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(Win32InstallSteps, CopyReplacesAndTheShortcutPointsAtTheCopy) {
  const std::string folder = TempFolder();
  const std::string source = folder + "\\source.exe";
  const std::string target = folder + "\\Veltrano.exe";
  std::ofstream(Widen(source).c_str(), std::ios::binary) << "new program";
  std::ofstream(Widen(target).c_str(), std::ios::binary) << "old";

  Win32InstallSteps steps;
  EXPECT_FALSE(steps.CopyProgram(source, target).has_value());
  EXPECT_EQ(ReadAll(target), "new program");

  const std::string link = folder + "\\Veltrano.lnk";
  EXPECT_FALSE(steps.SaveShortcut(link, target).has_value());
  EXPECT_NE(GetFileAttributesW(Widen(link).c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(ShortcutTarget(link), target);

  // Saved again over the old one: replaced.
  EXPECT_FALSE(steps.SaveShortcut(link, source).has_value());
  EXPECT_EQ(ShortcutTarget(link), source);
}

TEST(Win32InstallSteps, ARefusedCopyGivesTheSystemsReason) {
  const std::string folder = TempFolder();
  Win32InstallSteps steps;
  const auto reason = steps.CopyProgram(folder + "\\does-not-exist.exe", folder + "\\copy.exe");
  ASSERT_TRUE(reason.has_value());
  // FormatMessageW's text for ERROR_FILE_NOT_FOUND, with the code.
  EXPECT_NE(reason->find("(0x00000002)"), std::string::npos) << *reason;
  EXPECT_GT(reason->size(), std::string("(0x00000002)").size());
  EXPECT_EQ(GetFileAttributesW(Widen(folder + "\\copy.exe").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(Win32InstallSteps, DesktopFolderExistsAndTheRunningProgramIsFound) {
  Win32InstallSteps steps;
  std::string desktop;
  ASSERT_FALSE(steps.DesktopFolder(desktop).has_value());
  EXPECT_FALSE(desktop.empty());
  const std::string self = RunningProgramPath();
  EXPECT_NE(self.find("win32_ui_test"), std::string::npos) << self;
  EXPECT_NE(GetFileAttributesW(Widen(self).c_str()), INVALID_FILE_ATTRIBUTES);
  // The test program carries no version information.
  EXPECT_EQ(ProductNameOf(self), "");
  EXPECT_EQ(SystemReason(5).find("(0x00000005)") != std::string::npos, true);
}

// The shell's copy as a script: what it was asked, what it answers.
struct ScriptedCopier : ShellCopier {
  long result = S_OK;
  bool abort = false;
  std::vector<std::wstring> asked;  // from, folder, name
  uint32_t flags = 0;
  long Copy(const std::wstring& from, const std::wstring& folder, const std::wstring& name,
            uint32_t f, bool& aborted) override {
    asked = {from, folder, name};
    flags = f;
    aborted = abort;
    return result;
  }
};

// The real steps, with the desktop in a folder of the test's own.
struct StepsWithDesktop : Win32InstallSteps {
  StepsWithDesktop(ShellCopier* copier, std::string desktop)
      : Win32InstallSteps(copier), desktop_(std::move(desktop)) {}
  std::optional<std::string> DesktopFolder(std::string& folder) override {
    folder = desktop_;
    return std::nullopt;
  }
  std::string desktop_;
};

// Boxes answered Yes/OK and recorded; the end of the process ends the test's call.
struct EndOfProcess {
  int code;
};
struct RecordingHost : host::WindowHost {
  std::vector<host::MessageBoxRequest> boxes;
  std::vector<std::string> urls;
  void DoEvents() override {}
  host::MsgAnswer MessageBox(const host::MessageBoxRequest& request) override {
    boxes.push_back(request);
    return request.buttons == host::MsgButtons::kYesNo ? host::MsgAnswer::kYes
                                                       : host::MsgAnswer::kOk;
  }
  void OpenUrl(std::string_view url) override { urls.emplace_back(url); }
  [[noreturn]] void EndProcess(int exitCode) override { throw EndOfProcess{exitCode}; }
};

// Form_Load from a USB stick with the offer accepted; the exit code.
int AcceptOffer(RecordingHost& host, WindowsInstallSteps& steps) {
  fs::MemoryFileSystem files;
  Form1 form(files, host);
  InstallContext context;
  context.programPath = "E:\\Veltrano.exe";
  context.productName = "Veltrano.exe";
  try {
    form.Form_Load(context, steps);
  } catch (const EndOfProcess& end) {
    return end.code;
  }
  return -1;
}

TEST(Win32InstallCopy, GoesThroughTheShellWithConsentWhereNeededReplacingAnOlderCopy) {
  ScriptedCopier copier;
  Win32InstallSteps steps(&copier);
  EXPECT_FALSE(steps.CopyProgram("E:\\Veltrano.exe", "C:\\Program Files\\Veltrano.exe"));
  ASSERT_EQ(copier.asked.size(), 3u);
  EXPECT_EQ(copier.asked[0], L"E:\\Veltrano.exe");
  EXPECT_EQ(copier.asked[1], L"C:\\Program Files");
  EXPECT_EQ(copier.asked[2], L"Veltrano.exe");
  // The UAC consent even without the shell's error windows; an older copy
  // replaced and the folder made without asking; the first error ends it.
  for (uint32_t flag : {FOFX_SHOWELEVATIONPROMPT, FOF_NOERRORUI, FOF_NOCONFIRMATION,
                        FOF_NOCONFIRMMKDIR, FOFX_EARLYFAILURE}) {
    EXPECT_EQ(copier.flags & flag, flag) << std::hex << flag;
  }
  EXPECT_EQ(copier.flags & FOF_RENAMEONCOLLISION, 0u);
}

TEST(Win32InstallCopy, ARefusedConsentOrADeniedCopyEndsTheOfferWithoutAShortcut) {
  const std::string desktop = TempFolder() + "\\desktop-refused";
  CreateDirectoryW(Widen(desktop).c_str(), nullptr);
  struct Case {
    long result;
    bool abort;
    std::string reasonStart;
  };
  const std::string refused = std::string(install_texts::kConsentRefused);
  for (const Case& c :
       {Case{static_cast<long>(HRESULT_FROM_WIN32(ERROR_CANCELLED)), false, refused},
        Case{S_OK, true, refused}, Case{static_cast<long>(E_ACCESSDENIED), false, ""}}) {
    ScriptedCopier copier;
    copier.result = c.result;
    copier.abort = c.abort;
    StepsWithDesktop steps(&copier, desktop);
    RecordingHost host;
    EXPECT_EQ(AcceptOffer(host, steps), 1);
    // The offer, then the box that names the step and the reason; no welcome, no page.
    ASSERT_EQ(host.boxes.size(), 2u);
    EXPECT_EQ(host.boxes[1].icon, host::MsgIcon::kCritical);
    const std::string& text = host.boxes[1].text;
    const std::string step = "安装未完成：无法将程序复制到 C:\\Program Files\\Veltrano.exe\n原因：";
    EXPECT_EQ(text.substr(0, step.size()), step) << text;
    EXPECT_EQ(text.substr(step.size(), c.reasonStart.size()), c.reasonStart) << text;
    if (c.reasonStart.empty()) {
      EXPECT_NE(text.find("(0x00000005)"), std::string::npos) << text;
    }
    EXPECT_TRUE(host.urls.empty());
    EXPECT_EQ(GetFileAttributesW(Widen(desktop + "\\Veltrano.lnk").c_str()),
              INVALID_FILE_ATTRIBUTES);
  }
}

TEST(Win32InstallCopy, AConsentedCopyIsFollowedByTheShortcutTheWelcomeAndTheHomePage) {
  const std::string desktop = TempFolder() + "\\desktop-granted";
  CreateDirectoryW(Widen(desktop).c_str(), nullptr);
  ScriptedCopier copier;
  StepsWithDesktop steps(&copier, desktop);
  RecordingHost host;
  EXPECT_EQ(AcceptOffer(host, steps), 0);
  ASSERT_EQ(host.boxes.size(), 2u);
  EXPECT_EQ(host.boxes[1].text, install_texts::kWelcomeText);
  EXPECT_EQ(host.urls.size(), 1u);
  EXPECT_EQ(ShortcutTarget(desktop + "\\Veltrano.lnk"), "C:\\Program Files\\Veltrano.exe");
}

// The shell's own copy, where the system has it (Wine 8 answers E_NOTIMPL
// and the steps copy with CopyFileW instead; it has no UAC).
TEST(Win32InstallCopy, TheShellsFileOperationCopiesAndReplaces) {
  const std::string folder = TempFolder();
  const std::string source = folder + "\\shell-source.exe";
  const std::string target = folder + "\\shell-copy.exe";
  std::ofstream(Widen(source).c_str(), std::ios::binary) << "new program";
  std::ofstream(Widen(target).c_str(), std::ios::binary) << "old";
  FileOperationCopier shell;
  bool aborted = true;
  const long result =
      shell.Copy(Widen(source), Widen(folder), L"shell-copy.exe", kInstallCopyFlags, aborted);
  if (result == E_NOTIMPL) GTEST_SKIP() << "this system has no IFileOperation copy";
  EXPECT_EQ(result, S_OK);
  EXPECT_FALSE(aborted);
  EXPECT_EQ(ReadAll(target), "new program");
}

}  // namespace
}  // namespace veltrano::win32
