// How Linux entry names (any bytes but '/' and NUL) are shown as Windows names
// (UTF-8 without the characters \ : * ? " < > |), and back.
//
// The mapping is a bijection between every Linux name and the Windows names
// it produces:
//   - a well-formed UTF-8 character outside U+F000..U+F0FF stands for itself,
//     except the eight characters \ : * ? " < > | which become U+F000 + their
//     code (':' is shown as U+F03A);
//   - a byte that does not start a well-formed UTF-8 character (0x80..0xFF)
//     becomes U+F000 + the byte (U+F080..U+F0FF);
//   - a character that is itself in U+F000..U+F0FF is written as its three
//     UTF-8 bytes, each mapped like a stray byte (U+F0EF, U+F080 + ..., ...),
//     so that it can never be mistaken for a mapped character;
//   - a final '.' or ' ' (of any name but "." and "..") becomes U+F02E or
//     U+F020, since Windows drops final dots and blanks from the paths it is
//     given: "notes." is shown as "notes" + U+F02E and stays reachable.
// Going back, U+F000 + c for one of those characters gives c, and
// U+F080..U+F0FF gives the raw byte. A Windows name that the forward mapping
// would not produce (for example U+F041, or U+F0C3 U+F0A9, which are the
// bytes of a well-formed "é") names no Linux entry.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace veltrano::fs {

// The Windows name shown for a Linux entry name.
std::string LinuxToWindowsName(std::string_view linuxName);

// The Linux entry name a Windows name stands for; nullopt when no Linux name
// maps to it.
std::optional<std::string> WindowsToLinuxName(std::string_view windowsName);

}  // namespace veltrano::fs
