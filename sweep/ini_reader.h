// The INI reader behind GetFromINI. It behaves like the Windows profile-string
// reader the program was designed around:
//
//  - a line ends at any run of CR and LF characters;
//  - every line is trimmed of 0x09-0x0D, 0x1A and blanks at both ends;
//  - a line whose first character is ';' is a comment ('#' is not special,
//    and "; ..." after a value stays part of the value);
//  - "[name]" starts a section; the name is the text up to the last ']',
//    trimmed, and whatever follows that ']' is ignored; a line that starts
//    with '[' but has no ']' is an ordinary line;
//  - other lines split at their first '=' into key and value, both trimmed; a
//    line without '=' is a key with an empty value;
//  - sections and keys match without regard to ASCII letter case; only the
//    first section of a name is searched and the first matching key wins;
//  - a NUL character ends the value; a value of two or more characters that
//    starts and ends with the same quote (' or ") loses both quotes;
//  - the value is cut to 254 characters (code points).
//
// The file's bytes are decoded first: a UTF-16 byte-order mark means UTF-16,
// a UTF-8 mark or well-formed UTF-8 means UTF-8, anything else is read in
// code page 936 (GBK), the code page these files are written in.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace veltrano::fs {
class FileSystem;
}

namespace veltrano::sweep {

// The most of an INI file that is read. A real autorun.inf is a few hundred
// bytes; anything beyond this is ignored.
inline constexpr std::size_t kIniMaxBytes = 32u << 20;
// The longest value returned, in characters.
inline constexpr std::size_t kIniValueMaxChars = 254;

// The file's bytes as UTF-8 text (see above for how the encoding is chosen).
std::string DecodeIniBytes(std::string_view bytes);

// The INI file at `path` as UTF-8 text, at most kIniMaxBytes of it; empty
// when it cannot be read.
std::string ReadIniText(fs::FileSystem& fileSystem, std::string_view path);

// The value of `key` in the first section named `section` of the UTF-8 INI
// text `text`; empty when the section or the key is missing.
std::string FindIniValue(std::string_view text, std::string_view section, std::string_view key);

}  // namespace veltrano::sweep
