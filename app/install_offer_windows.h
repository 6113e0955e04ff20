// The self-install offer as Windows users know it.
//
// Started from anywhere but C:\Prog..., Form_Load asks once whether to install
// the program. Accepted, it looks up the desktop folder, copies the running
// executable to "C:\Program Files\" + the product name of its version
// information, and saves the shortcut Veltrano.lnk on the desktop with the
// copy as its only property.
//
// The decision, the names and the order of the steps are pure functions of
// the context, so they are tested on every platform; the three system calls
// are the Win32 front end's (ui/win32/install_steps.h).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "app/install_offer.h"

namespace veltrano {

namespace win_install {

inline constexpr std::string_view kInstallFolder = "C:\\Program Files\\";
inline constexpr std::string_view kShortcutName = "\\Veltrano.lnk";
inline constexpr std::string_view kNoOfferPrefix = "c:\\prog";

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

}  // namespace win_install

// The Windows offer over the three system calls of an installation, which
// each return the system's reason when they fail.
class WindowsInstallSteps : public InstallSteps {
 public:
  bool ShouldOffer(const InstallContext& context) const override;
  std::string OfferText(const InstallContext& context) const override;
  // Desktop folder, copy, shortcut, in this order; stops at the first that fails.
  std::optional<InstallFailure> Install(const InstallContext& context) override;

  // The current user's desktop folder.
  virtual std::optional<std::string> DesktopFolder(std::string& folder) = 0;
  // Copies `from` to `to`, replacing an existing file.
  virtual std::optional<std::string> CopyProgram(const std::string& from,
                                                 const std::string& to) = 0;
  // Writes the shortcut `link` whose only property is its target `target`.
  virtual std::optional<std::string> SaveShortcut(const std::string& link,
                                                  const std::string& target) = 0;
};

}  // namespace veltrano
