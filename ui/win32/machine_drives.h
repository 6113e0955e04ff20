// The drives the window's commands work on: the computer's own.
#pragma once

#include <memory>

#include "platform/fs/file_system.h"

namespace veltrano::win32 {

std::unique_ptr<fs::FileSystem> MachineDrives();

}  // namespace veltrano::win32
