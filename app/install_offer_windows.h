// The self-install offer as Windows users know it.
//
// Started from anywhere but C:\Prog..., Form_Load asks once whether to install
// the program. Accepted, it looks up the desktop folder, copies the running
// executable to "C:\Program Files\" + the product name of its version
// information, saves the shortcut Veltrano.lnk on the desktop with the copy as
// its only property, welcomes the user, opens the home page and ends. A step
// that fails ends the program with a box that names the step and the system's
// reason; no shortcut is saved without its copy.
//
// The decision and the names are pure functions of the context, so they are
// tested on every platform; the file work is the front end's WinInstallSteps.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace veltrano {

namespace win_install {

inline constexpr std::string_view kOfferText =
    "是否将“Veltrano”安装到电脑C:\\Program Files,并添加桌面快捷方式？";
inline constexpr std::string_view kOfferCaption = "推荐安装";
inline constexpr std::string_view kWelcomeText = "安装完毕！请从桌面运行Veltrano!";
inline constexpr std::string_view kWelcomeCaption = "欢迎使用";
inline constexpr std::string_view kInstallFolder = "C:\\Program Files\\";
inline constexpr std::string_view kShortcutName = "\\Veltrano.lnk";
inline constexpr std::string_view kNoOfferPrefix = "c:\\prog";

inline constexpr std::string_view kFailedHeading = "安装未完成：";
inline constexpr std::string_view kReasonLabel = "原因：";
inline constexpr std::string_view kStepDesktop = "无法找到桌面文件夹";
inline constexpr std::string_view kStepCopyProgram = "无法将程序复制到 ";
inline constexpr std::string_view kStepSaveShortcut = "无法创建桌面快捷方式 ";
// The reason given when the administrator's consent to the copy was refused.
inline constexpr std::string_view kConsentRefused = "未获得管理员许可，复制已取消";

// The folder that holds the program: its path up to the last '\' or '/',
// without that separator except for a drive root ("C:\").
std::string ProgramFolder(std::string_view programPath);

// False when the first 7 characters of the program folder, lower-cased, are
// "c:\prog" (C:\Program Files, C:\ProgramData, C:\Programs...), or when the
// program's path is unknown.
bool ShouldOfferInstall(std::string_view programPath);

// The file name the copy gets: the product name of the version information,
// or the executable's own file name when that field is empty.
std::string InstallFileName(std::string_view productName, std::string_view programPath);

// "C:\Program Files\" + the install file name.
std::string InstallTarget(std::string_view productName, std::string_view programPath);

// The desktop folder + "\Veltrano.lnk" (no doubled separator).
std::string ShortcutPath(std::string_view desktopFolder);

struct Failure {
  std::string step;    // what failed, naming the file where there is one
  std::string reason;  // the system's description of the error
};

std::string FailureText(const Failure& failure);

}  // namespace win_install

// The three system steps of an installation, each returning the system's
// reason when it fails.
class WinInstallSteps {
 public:
  virtual ~WinInstallSteps() = default;
  // The current user's desktop folder.
  virtual std::optional<std::string> DesktopFolder(std::string& folder) = 0;
  // Copies `from` to `to`, replacing an existing file.
  virtual std::optional<std::string> CopyProgram(const std::string& from,
                                                 const std::string& to) = 0;
  // Writes the shortcut `link` whose only property is its target `target`.
  virtual std::optional<std::string> SaveShortcut(const std::string& link,
                                                  const std::string& target) = 0;
};

// Where the running program is and how to install it.
struct InstallContext {
  std::string programPath;  // the running executable (GetModuleFileNameW), UTF-8
  std::string productName;  // ProductName of its version information
  WinInstallSteps* steps = nullptr;
};

namespace win_install {

// Runs the steps in their order: desktop folder, copy, shortcut. Stops at
// the first that fails.
std::optional<Failure> Run(const InstallContext& context);

}  // namespace win_install

}  // namespace veltrano
