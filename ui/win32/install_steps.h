// The install offer's system steps on Windows: the desktop folder from the
// shell (FOLDERID_Desktop), the copy through the shell's file operation
// (IFileOperation, which asks for consent through UAC when the target folder
// needs an administrator, as Explorer does, and for that copy only), the
// shortcut through IShellLinkW and IPersistFile; reasons from FormatMessageW.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "app/install_offer_windows.h"

namespace veltrano::win32 {

// The shell's copy of one file, a seam for tests: Wine has no UAC.
class ShellCopier {
 public:
  virtual ~ShellCopier() = default;
  // Copies `from` into the folder `folder` under the name `name` with the
  // operation flags `flags`. Returns the HRESULT of the operation and sets
  // `aborted` when the shell gave up a part of it (a refused consent).
  virtual long Copy(const std::wstring& from, const std::wstring& folder, const std::wstring& name,
                    uint32_t flags, bool& aborted) = 0;
};

// The real one: IFileOperation::CopyItem and PerformOperations.
class FileOperationCopier : public ShellCopier {
 public:
  long Copy(const std::wstring& from, const std::wstring& folder, const std::wstring& name,
            uint32_t flags, bool& aborted) override;
};

// The flags of the install copy: replace an older copy and make the folder
// without asking, no progress or error window of the shell (the program
// shows its own box), but the UAC consent where it is needed; stop at the
// first error.
extern const uint32_t kInstallCopyFlags;

// The reason a shell copy failed, or nullopt when it worked. A refused
// consent (the operation cancelled or aborted) is named as such.
std::optional<std::string> ShellCopyFailure(long result, bool aborted);

class Win32InstallSteps : public WindowsInstallSteps {
 public:
  // `copier` (not owned) is the shell copy to use; nullptr: the real one.
  explicit Win32InstallSteps(ShellCopier* copier = nullptr) : copier_(copier) {}

  std::optional<std::string> DesktopFolder(std::string& folder) override;
  std::optional<std::string> CopyProgram(const std::string& from, const std::string& to) override;
  std::optional<std::string> SaveShortcut(const std::string& link,
                                          const std::string& target) override;

 private:
  ShellCopier* copier_;
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
