// The self-install offer: when it is made, what an accepted offer writes, and
// how a failed step ends the program. Every file goes to a temporary home.
#include <gtest/gtest.h>

#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/form1_texts.h"
#include "app/install_offer_linux.h"
#include "commands/form1.h"
#include "tests/testing/memory_file_system.h"
#include "platform/host/headless_window_host.h"
#include "tests/testing/temp_folder.h"

namespace veltrano {
namespace {

namespace stdfs = std::filesystem;
using host::MsgAnswer;
using host::MsgButtons;
using host::MsgIcon;

TEST(InstallOfferTest, OfferIsMadeOutsideTheInstallAndSystemFolders) {
  struct Case {
    const char* program;
    bool offer;
  };
  const Case cases[] = {
      {"/home/u/.local/bin/veltrano", false},        // the installed copy
      {"/home/u/.local/bin/tools/veltrano", false},  // inside the install folder
      {"/usr/bin/veltrano", false},
      {"/usr/local/bin/veltrano", false},
      {"/opt/veltrano/veltrano", false},
      {"/home/u/Downloads/veltrano", true},
      {"/media/u/USB/veltrano", true},  // a USB stick
      {"/veltrano", true},              // the root folder
      {"/usrx/veltrano", true},
      {"/home/u/.local/binaries/veltrano", true},
      {"/home/u/.local/bin/../Downloads/veltrano", true},
      {"/home/u/.local//bin/./veltrano", false},
  };
  for (const Case& c : cases) {
    InstallContext context{c.program, "/home/u", "/home/u/Desktop", "", ""};
    EXPECT_EQ(ShouldOfferInstall(context), c.offer) << c.program;
    context.homeDir = "/home/u/";
    EXPECT_EQ(ShouldOfferInstall(context), c.offer) << c.program << " with a trailing '/' in HOME";
  }
  EXPECT_FALSE(ShouldOfferInstall({"/tmp/veltrano", "", "/Desktop", "", ""})) << "no home";
  EXPECT_FALSE(ShouldOfferInstall({"", "/home/u", "/home/u/Desktop", "", ""})) << "no program";

  EXPECT_EQ(ProgramFolder("/home/u/Downloads/veltrano"), "/home/u/Downloads");
  EXPECT_EQ(ProgramFolder("/veltrano"), "/");
}

TEST(InstallOfferTest, PlanAndTextsNameTheRealFolders) {
  const InstallContext context{"/media/u/USB/veltrano", "/home/u", "/home/u/桌面", "", "png"};
  const InstallPlan plan = PlanInstall(context);
  EXPECT_EQ(plan.installFolder, "/home/u/.local/bin");
  EXPECT_EQ(plan.installedProgram, "/home/u/.local/bin/veltrano");
  EXPECT_EQ(plan.desktopEntry, "/home/u/桌面/Veltrano.desktop");
  EXPECT_EQ(plan.iconFile, "/home/u/.local/share/icons/hicolor/32x32/apps/veltrano.png");
  EXPECT_EQ(OfferText(plan.installFolder),
            "是否将“Veltrano”安装到电脑/home/u/.local/bin,并添加桌面快捷方式？");

  const InstallContext withData{"/x/veltrano", "/home/u", "/home/u/Desktop", "/data/", ""};
  EXPECT_EQ(PlanInstall(withData).iconFile, "") << "no icon bytes, no icon file";

  // The Exec value quotes the path and escapes what the desktop would expand.
  const std::string entry = DesktopEntryText("/home/u/my \"$x\" 100%/a\\b", "/i/v.png");
  EXPECT_NE(entry.find("[Desktop Entry]\n"), std::string::npos);
  EXPECT_NE(entry.find("\nType=Application\n"), std::string::npos);
  EXPECT_NE(entry.find("\nName=Veltrano\n"), std::string::npos);
  EXPECT_NE(entry.find("\nExec=\"/home/u/my \\\\\"\\\\$x\\\\\" 100%%/a\\\\\\\\b\"\n"),
            std::string::npos)
      << entry;
  EXPECT_NE(entry.find("\nIcon=/i/v.png\n"), std::string::npos);
}

// A home folder of its own and a program to install, in a temporary folder.
class FormLoadTest : public ::testing::Test {
 protected:
  FormLoadTest() : form_(fs_, host_) {
    root_ = folder_.path();
    home_ = root_ / "home";
    stdfs::create_directories(home_);
    stdfs::create_directories(root_ / "usb");
    program_ = root_ / "usb" / "veltrano";
    WriteFile(program_, "the program's bytes");
    context_ = {program_.string(), home_.string(), (home_ / "Desktop").string(), "",
                std::string("\x89PNG icon", 9)};
  }

  static void WriteFile(const stdfs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }
  static std::string ReadFile(const stdfs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }
  static bool Executable(const stdfs::path& path) {
    return (stdfs::status(path).permissions() & stdfs::perms::owner_exec) != stdfs::perms::none;
  }
  // Every file below `folder`, as paths relative to it.
  static std::vector<std::string> FilesBelow(const stdfs::path& folder) {
    std::vector<std::string> files;
    for (const auto& entry : stdfs::recursive_directory_iterator(folder)) {
      if (!entry.is_directory()) files.push_back(stdfs::relative(entry.path(), folder).string());
    }
    std::sort(files.begin(), files.end());
    return files;
  }
  // Runs Form_Load; returns the exit code when it ended the process, else -1.
  int Load() {
    try {
      form_.Form_Load(context_, steps_);
    } catch (const host::ProcessEnded& ended) {
      return ended.exitCode;
    }
    return -1;
  }

  fs::MemoryFileSystem fs_;
  host::HeadlessWindowHost host_;
  Form1 form_;
  veltrano::testing::TempFolder folder_;
  stdfs::path root_, home_, program_;
  InstallContext context_;
  LinuxInstallSteps steps_;
};

TEST_F(FormLoadTest, NoOfferFromTheInstalledCopy) {
  stdfs::create_directories(home_ / ".local/bin");
  context_.programPath = (home_ / ".local/bin/veltrano").string();
  EXPECT_EQ(Load(), -1);
  EXPECT_TRUE(host_.MessageBoxes().empty());
}

TEST_F(FormLoadTest, DeclinedOfferWritesNothingAndTheWindowOpens) {
  host_.AnswerNextMessageBox(MsgAnswer::kNo);
  EXPECT_EQ(Load(), -1);
  ASSERT_EQ(host_.MessageBoxes().size(), 1u);
  const host::MessageBoxRequest& offer = host_.MessageBoxes()[0];
  EXPECT_EQ(offer.text, OfferText((home_ / ".local/bin").string()));
  EXPECT_EQ(offer.caption, "推荐安装");
  EXPECT_EQ(offer.buttons, MsgButtons::kYesNo);
  EXPECT_EQ(offer.icon, MsgIcon::kQuestion);
  EXPECT_EQ(offer.defaultButton, MsgAnswer::kYes);
  EXPECT_TRUE(FilesBelow(home_).empty());
  EXPECT_TRUE(host_.OpenedUrls().empty());
  EXPECT_EQ(form_.List1.Count(), 17) << "the introduction stays";
}

TEST_F(FormLoadTest, AcceptedOfferInstallsWelcomesOpensTheHomePageAndEnds) {
  // An older copy is replaced, even a read-only one.
  stdfs::create_directories(home_ / ".local/bin");
  WriteFile(home_ / ".local/bin/veltrano", "an older version");
  stdfs::permissions(home_ / ".local/bin/veltrano", stdfs::perms::owner_read);

  host_.AnswerNextMessageBox(MsgAnswer::kYes);
  EXPECT_EQ(Load(), 0);

  const stdfs::path copy = home_ / ".local/bin/veltrano";
  EXPECT_EQ(ReadFile(copy), "the program's bytes");
  EXPECT_TRUE(Executable(copy));
  const stdfs::path entry = home_ / "Desktop/Veltrano.desktop";
  const stdfs::path icon = home_ / ".local/share/icons/hicolor/32x32/apps/veltrano.png";
  EXPECT_EQ(ReadFile(entry), DesktopEntryText(copy.string(), icon.string()));
  EXPECT_TRUE(Executable(entry));
  EXPECT_EQ(ReadFile(icon), context_.iconPng);
  EXPECT_EQ(FilesBelow(home_),
            (std::vector<std::string>{".local/bin/veltrano",
                                      ".local/share/icons/hicolor/32x32/apps/veltrano.png",
                                      "Desktop/Veltrano.desktop"}))
      << "no temporary file is left behind";
  EXPECT_EQ(ReadFile(program_), "the program's bytes") << "the original stays";

  ASSERT_EQ(host_.MessageBoxes().size(), 2u);
  const host::MessageBoxRequest& welcome = host_.MessageBoxes()[1];
  EXPECT_EQ(welcome.text, "安装完毕！请从桌面运行Veltrano!");
  EXPECT_EQ(welcome.caption, "欢迎使用");
  EXPECT_EQ(welcome.buttons, MsgButtons::kOk);
  EXPECT_EQ(welcome.icon, MsgIcon::kInformation);
  EXPECT_EQ(host_.OpenedUrls(), std::vector<std::string>{std::string(texts::kHomePageUrl)});
}

TEST_F(FormLoadTest, FailedCopyEndsWithACriticalBoxAndNoShortcut) {
  // ~/.local is a file: the install folder cannot be made.
  WriteFile(home_ / ".local", "not a folder");
  host_.AnswerNextMessageBox(MsgAnswer::kYes);
  EXPECT_EQ(Load(), 1);
  ASSERT_EQ(host_.MessageBoxes().size(), 2u);
  const host::MessageBoxRequest& failed = host_.MessageBoxes()[1];
  EXPECT_EQ(failed.caption, "Veltrano");
  EXPECT_EQ(failed.icon, MsgIcon::kCritical);
  EXPECT_EQ(failed.buttons, MsgButtons::kOk);
  EXPECT_EQ(failed.text.rfind("安装未完成：无法创建文件夹 " + (home_ / ".local/bin").string(), 0),
            0u)
      << failed.text;
  EXPECT_NE(failed.text.find("\n原因："), std::string::npos);
  EXPECT_FALSE(stdfs::exists(home_ / "Desktop/Veltrano.desktop"));
  EXPECT_TRUE(host_.OpenedUrls().empty());

  // The program itself is gone (moved away after the start).
  stdfs::remove(home_ / ".local");
  stdfs::remove(program_);
  host_.AnswerNextMessageBox(MsgAnswer::kYes);
  EXPECT_EQ(Load(), 1);
  ASSERT_EQ(host_.MessageBoxes().size(), 4u);
  EXPECT_EQ(host_.MessageBoxes()[3].text.rfind(
                "安装未完成：无法将程序复制到 " + (home_ / ".local/bin/veltrano").string(), 0),
            0u);
  EXPECT_TRUE(FilesBelow(home_).empty()) << "neither a copy, a temporary file nor a shortcut";
}

TEST_F(FormLoadTest, FailedShortcutEndsTheProgramAndLeavesNoPartialEntry) {
  WriteFile(home_ / "Desktop", "a file where the desktop folder should be");
  host_.AnswerNextMessageBox(MsgAnswer::kYes);
  EXPECT_EQ(Load(), 1);
  ASSERT_EQ(host_.MessageBoxes().size(), 2u);
  EXPECT_EQ(host_.MessageBoxes()[1].text.rfind("安装未完成：无法创建桌面快捷方式 ", 0), 0u);
  EXPECT_EQ(ReadFile(home_ / "Desktop"), "a file where the desktop folder should be");
  EXPECT_TRUE(host_.OpenedUrls().empty());
}

}  // namespace
}  // namespace veltrano
