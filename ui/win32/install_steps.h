// The install offer's system steps on Windows: the desktop folder from the
// shell (FOLDERID_Desktop), the copy with CopyFileW, the shortcut through
// IShellLinkW and IPersistFile; reasons from FormatMessageW.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "app/install_offer_windows.h"

namespace veltrano::win32 {

class Win32InstallSteps : public WinInstallSteps {
 public:
  std::optional<std::string> DesktopFolder(std::string& folder) override;
  std::optional<std::string> CopyProgram(const std::string& from, const std::string& to) override;
  std::optional<std::string> SaveShortcut(const std::string& link,
                                          const std::string& target) override;
};

// The system's description of an error code (a Win32 error or an HRESULT),
// without the line break FormatMessageW ends it with.
std::string SystemReason(uint32_t code);

// The full path of the running executable.
std::string RunningProgramPath();

// The ProductName of an executable's version information; empty when it has
// none.
std::string ProductNameOf(const std::string& programPath);

// The target path a saved shortcut points at; empty when it cannot be read.
std::string ShortcutTarget(const std::string& link);

}  // namespace veltrano::win32
