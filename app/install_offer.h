// The self-install offer that Form_Load runs at start-up.
//
// When the program runs from anywhere but an install location, Form_Load asks
// once whether to install it. Accepted, the running executable is copied into
// the user's program folder (~/.local/bin) under its own file name, a desktop
// entry "Veltrano.desktop" pointing at the copy is put on the desktop, a
// welcome box is shown, the home page opens and the program ends: the user
// starts the installed copy from the desktop. Nothing is stored between runs.
//
// The decision and the file names are pure functions of the paths in
// InstallContext; the copy and the desktop entry are written with the
// standard library's file-system functions.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace veltrano {

// Where the running program is and where an install goes. Taken from the
// process and its environment by the real program; set by tests.
struct InstallContext {
  std::string programPath;  // absolute path of the running executable
  std::string homeDir;      // the user's home folder
  std::string desktopDir;   // the user's desktop folder
  std::string dataHomeDir;  // the user's data folder (~/.local/share); empty: derived from homeDir
  std::string iconPng;      // the window icon as PNG bytes; empty: the entry names no icon file
};

// The files an accepted offer writes.
struct InstallPlan {
  std::string installFolder;     // ~/.local/bin
  std::string installedProgram;  // ~/.local/bin/<the executable's file name>
  std::string desktopEntry;      // <desktop>/Veltrano.desktop
  std::string iconFile;          // <data>/icons/hicolor/32x32/apps/veltrano.png, or empty
};

// A step of the installation that failed, and the system's reason.
struct InstallFailure {
  std::string step;    // what failed, naming the file or folder
  std::string reason;  // the system's description of the error
};

namespace install_texts {
inline constexpr std::string_view kOfferBefore = "是否将“Veltrano”安装到电脑";
inline constexpr std::string_view kOfferAfter = ",并添加桌面快捷方式？";
inline constexpr std::string_view kOfferCaption = "推荐安装";
inline constexpr std::string_view kWelcomeText = "安装完毕！请从桌面运行Veltrano!";
inline constexpr std::string_view kWelcomeCaption = "欢迎使用";
inline constexpr std::string_view kDesktopEntryName = "Veltrano.desktop";
inline constexpr std::string_view kFailedHeading = "安装未完成：";
inline constexpr std::string_view kReasonLabel = "原因：";
inline constexpr std::string_view kStepCreateFolder = "无法创建文件夹 ";
inline constexpr std::string_view kStepCopyProgram = "无法将程序复制到 ";
inline constexpr std::string_view kStepWriteIcon = "无法写入图标 ";
inline constexpr std::string_view kStepWriteShortcut = "无法创建桌面快捷方式 ";
}  // namespace install_texts

// The folder holding the running executable, without a trailing '/'
// (except for the root folder itself).
std::string ProgramFolder(std::string_view programPath);

// True when the offer is to be made: the program runs neither from the
// install folder (or a folder inside it) nor from a system location (/usr,
// /opt and what lies inside them). No offer when the home folder or the
// program's path is unknown.
bool ShouldOfferInstall(const InstallContext& context);

InstallPlan PlanInstall(const InstallContext& context);

// The offer's text, naming the folder the program is copied to.
std::string OfferText(std::string_view installFolder);

// The desktop entry that starts `installedProgram`.
std::string DesktopEntryText(std::string_view installedProgram, std::string_view iconFile);

// Copies the program, then writes the icon and the desktop entry, stopping at
// the first step that fails. An older copy or entry is replaced; a failed step
// leaves no partly written file behind it, and no entry is written without
// its copy.
std::optional<InstallFailure> RunInstall(const InstallContext& context, const InstallPlan& plan);

// The text of the box that reports a failed installation.
std::string InstallFailureText(const InstallFailure& failure);

}  // namespace veltrano
