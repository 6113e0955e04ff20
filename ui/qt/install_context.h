// The install offer's context for the running program: its own path, the
// user's home, desktop and data folders from the environment, and the icon.
#pragma once

#include "app/install_offer_linux.h"

namespace veltrano::qt {

// The user's desktop folder: what `xdg-user-dir DESKTOP` names, else ~/Desktop.
std::string DesktopFolder(const std::string& homeDir);

// Needs a QCoreApplication (for the executable's path). When no offer is to
// be made, only the program's path and the home folder are filled in.
InstallContext CurrentInstallContext();

}  // namespace veltrano::qt
