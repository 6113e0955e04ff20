// The Windows install offer: when it is made, the names it writes, the order
// of its steps and what a failed step leaves behind.
#include "app/install_offer_windows.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace veltrano {
namespace {

TEST(WinInstallDecision, NoOfferOnlyUnderCProgInAnyCase) {
  EXPECT_FALSE(win_install::ShouldOfferInstall("C:\\Program Files\\Tools\\Veltrano.exe"));
  EXPECT_FALSE(win_install::ShouldOfferInstall("c:\\PROGRAMDATA\\x\\Veltrano.exe"));
  EXPECT_FALSE(win_install::ShouldOfferInstall("C:\\Programs\\Veltrano.exe"));
  EXPECT_FALSE(win_install::ShouldOfferInstall("C:\\Program Files\\Veltrano.exe"));
  // Everything else is offered, also C:\ itself (shorter than 7 characters)
  // and folders that only resemble the prefix.
  EXPECT_TRUE(win_install::ShouldOfferInstall("D:\\Downloads\\Veltrano.exe"));
  EXPECT_TRUE(win_install::ShouldOfferInstall("E:\\Veltrano.exe"));
  EXPECT_TRUE(win_install::ShouldOfferInstall("C:\\Veltrano.exe"));
  EXPECT_TRUE(win_install::ShouldOfferInstall("C:\\Pro\\Veltrano.exe"));
  EXPECT_TRUE(win_install::ShouldOfferInstall("D:\\Program Files\\Veltrano.exe"));
  EXPECT_TRUE(win_install::ShouldOfferInstall("\\\\server\\share\\Veltrano.exe"));
  // Without a known path nothing is offered.
  EXPECT_FALSE(win_install::ShouldOfferInstall(""));
}

TEST(WinInstallNames, FolderTargetAndShortcut) {
  EXPECT_EQ(win_install::ProgramFolder("E:\\tools\\Veltrano.exe"), "E:\\tools");
  EXPECT_EQ(win_install::ProgramFolder("E:\\Veltrano.exe"), "E:\\");
  EXPECT_EQ(win_install::ProgramFolder("Veltrano.exe"), "");
  EXPECT_EQ(win_install::InstallTarget("Veltrano.exe", "E:\\x\\Renamed.exe"),
            "C:\\Program Files\\Veltrano.exe");
  // A build without version information still installs under its own name.
  EXPECT_EQ(win_install::InstallTarget("", "E:\\x\\Renamed.exe"), "C:\\Program Files\\Renamed.exe");
  EXPECT_EQ(win_install::ShortcutPath("C:\\Users\\li\\Desktop"),
            "C:\\Users\\li\\Desktop\\Veltrano.lnk");
  EXPECT_EQ(win_install::ShortcutPath("C:\\Users\\li\\Desktop\\"),
            "C:\\Users\\li\\Desktop\\Veltrano.lnk");
}

// Records the steps and fails the ones it is told to.
class ScriptedSteps : public WindowsInstallSteps {
 public:
  std::vector<std::string> calls;
  std::map<std::string, std::string> failures;  // step name -> reason
  std::map<std::string, std::string> files;     // what the steps wrote

  std::optional<std::string> DesktopFolder(std::string& folder) override {
    calls.push_back("desktop");
    if (auto f = Fails("desktop")) return f;
    folder = "C:\\Users\\li\\Desktop";
    return std::nullopt;
  }
  std::optional<std::string> CopyProgram(const std::string& from, const std::string& to) override {
    calls.push_back("copy " + from + " -> " + to);
    if (auto f = Fails("copy")) return f;
    files[to] = "program";
    return std::nullopt;
  }
  std::optional<std::string> SaveShortcut(const std::string& link,
                                          const std::string& target) override {
    calls.push_back("shortcut " + link + " -> " + target);
    if (auto f = Fails("shortcut")) return f;
    files[link] = target;
    return std::nullopt;
  }

 private:
  std::optional<std::string> Fails(const std::string& step) {
    const auto it = failures.find(step);
    if (it == failures.end()) return std::nullopt;
    return it->second;
  }
};

InstallContext FromTheStick() {
  InstallContext context;
  context.programPath = "E:\\Veltrano.exe";
  context.productName = "Veltrano.exe";
  return context;
}

TEST(WinInstallRun, TheOfferNamesProgramFilesAndFollowsTheDecision) {
  ScriptedSteps steps;
  InstallContext context = FromTheStick();
  EXPECT_EQ(steps.OfferText(context),
            "是否将“Veltrano”安装到电脑C:\\Program Files,并添加桌面快捷方式？");
  EXPECT_TRUE(steps.ShouldOffer(context));
  context.programPath = "c:\\PROGRAMDATA\\x\\Veltrano.exe";
  EXPECT_FALSE(steps.ShouldOffer(context));
}

TEST(WinInstallRun, CopiesTheRunningProgramThenSavesTheShortcutToTheCopy) {
  ScriptedSteps steps;
  EXPECT_FALSE(steps.Install(FromTheStick()).has_value());
  ASSERT_EQ(steps.calls.size(), 3u);
  EXPECT_EQ(steps.calls[0], "desktop");
  EXPECT_EQ(steps.calls[1], "copy E:\\Veltrano.exe -> C:\\Program Files\\Veltrano.exe");
  EXPECT_EQ(steps.calls[2],
            "shortcut C:\\Users\\li\\Desktop\\Veltrano.lnk -> C:\\Program Files\\Veltrano.exe");
}

TEST(WinInstallRun, AFailedCopyLeavesNoShortcutAndNamesTheStepAndReason) {
  ScriptedSteps steps;
  steps.failures["copy"] = "Access is denied. (0x00000005)";
  const auto failure = steps.Install(FromTheStick());
  ASSERT_TRUE(failure.has_value());
  EXPECT_TRUE(steps.files.empty());
  EXPECT_EQ(steps.calls.size(), 2u);
  EXPECT_EQ(InstallFailureText(*failure),
            "安装未完成：无法将程序复制到 C:\\Program Files\\Veltrano.exe\n"
            "原因：Access is denied. (0x00000005)");
}

TEST(WinInstallRun, NoDesktopFolderWritesNothing) {
  ScriptedSteps steps;
  steps.failures["desktop"] = "not found";
  const auto failure = steps.Install(FromTheStick());
  ASSERT_TRUE(failure.has_value());
  EXPECT_EQ(failure->step, install_texts::kStepDesktop);
  EXPECT_EQ(steps.calls.size(), 1u);
}

TEST(WinInstallRun, AFailedShortcutNamesTheLink) {
  ScriptedSteps steps;
  steps.failures["shortcut"] = "disk full";
  const auto failure = steps.Install(FromTheStick());
  ASSERT_TRUE(failure.has_value());
  EXPECT_EQ(failure->step, "无法创建桌面快捷方式 C:\\Users\\li\\Desktop\\Veltrano.lnk");
  EXPECT_EQ(failure->reason, "disk full");
}

}  // namespace
}  // namespace veltrano
