// Paths the sweep builds from what it reads on a drive.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace veltrano::sweep {

// The path that an autorun.inf value names on the drive with root `root`:
// the root followed by the value, resolved as Windows resolves it before it
// opens the file (see fs::ParseWinPath: '/' and '\' both separate, a leading
// separator means the root, `..` stops at the root, trailing dots and blanks
// of the last name drop out). The result is always a path below `root`.
// nullopt when the value names no file: it holds a character no Windows name
// can hold (':', so no other drive or stream either; * ? " < > |, control
// characters), or it resolves to the root itself (empty, "..").
std::optional<std::string> PathOnDrive(std::string_view root, std::string_view value);

}  // namespace veltrano::sweep
