#include "ui/win32/machine_drives.h"

#include "platform/fs/win32_file_system.h"

namespace veltrano::win32 {

std::unique_ptr<fs::FileSystem> MachineDrives() {
  // The computer's own drives, as GetLogicalDrives and GetDriveTypeW report them.
  return std::make_unique<fs::Win32FileSystem>();
}

}  // namespace veltrano::win32
