// The autorun sweep of all drives of one drive type.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace veltrano {
class FormState;
}
namespace veltrano::fs {
class FileSystem;
}

namespace veltrano::sweep {

// Drive-kind labels shown in front of each drive root.
inline constexpr std::string_view kRemovableLabel = "可移动磁盘";
inline constexpr std::string_view kFixedLabel = "本地磁盘";

// Runs one complete sweep of every drive of `DriveType` (2 removable, 3 fixed),
// or, when a sweep or the cleanup search is running, only requests it to stop.
void ScanDrives(FormState& form, int16_t DriveType, std::string_view label);

// Reads the value of key KeyName in section AppName of the INI file FileName,
// the way the platform's profile-string reader does; empty when absent.
std::string GetFromINI(fs::FileSystem& fileSystem, std::string_view AppName,
                       std::string_view KeyName, std::string_view FileName);

}  // namespace veltrano::sweep
