// Paths the sweep builds from what it reads on a drive.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace veltrano::sweep {

// The root of drive `index` (0 = A:): "E:\" for 4.
std::string DriveRoot(int16_t index);

// The path that an autorun.inf value names on the drive with root `root`: the
// root followed by the value, or nullopt when the value cannot name a file
// below that root. Refused are: an empty value (the root itself), a value
// that leaves the root ("..\x", "sub\..\..\x"), names another drive or a
// share ("C:\Windows\x.exe", "\\server\share", "\x"), a stream ("x.exe:s"),
// and characters no Windows name can hold (control characters, * ? " < > |).
// Such a value names no file on the drive, so the sweep ignores it.
std::optional<std::string> PathOnDrive(std::string_view root, std::string_view value);

}  // namespace veltrano::sweep
