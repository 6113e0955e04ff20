// The install offer's system steps on a real (Wine or Windows) file system:
// the copy replaces an older one, the shortcut resolves to its target, and a
// refused step comes back with the system's reason.
#include "ui/win32/install_steps.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "ui/win32/wide_text.h"
#include "ui/win32/windows_api.h"

namespace veltrano::win32 {
namespace {

std::string TempFolder() {
  wchar_t base[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, base);
  std::wstring folder = std::wstring(base) + L"veltrano-install-" +
                        std::to_wstring(GetCurrentProcessId());
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
  const auto reason =
      steps.CopyProgram(folder + "\\does-not-exist.exe", folder + "\\copy.exe");
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

}  // namespace
}  // namespace veltrano::win32
