// Text encodings at the edges of the program. Inside, all text is UTF-8.
//
// The UTF-8 and UTF-16 routines are plain C++; the code-page conversion is
// the platform's (iconv on Linux, the Win32 code-page calls on Windows).
#pragma once

#include <string>
#include <string_view>

namespace veltrano::text {

// U+FFFD, written where input bytes do not form a character.
inline constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// True when `bytes` is well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF). NUL bytes are allowed.
bool IsValidUtf8(std::string_view bytes);

// Decodes the well-formed UTF-8 character at byte `i` of `s` (i < size) into
// `out`; returns its length, or 0 when the bytes there do not form one.
size_t DecodeUtf8(std::string_view s, size_t i, char32_t& out);

// Copies UTF-8 text, replacing each ill-formed sequence with U+FFFD.
std::string SanitizeUtf8(std::string_view bytes);

// Converts UTF-16 (little- or big-endian, without its byte-order mark) to
// UTF-8. Unpaired surrogates become U+FFFD; an odd last byte is dropped.
std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian);

// Converts text in the Chinese ANSI code page 936 (GBK) to UTF-8. Bytes that
// do not form a character of the code page become U+FFFD; nothing else is lost.
std::string GbkToUtf8(std::string_view bytes);

// Appends code point `cp` to `out` as UTF-8 (U+FFFD for a value that is not a
// Unicode scalar value).
void AppendUtf8(std::string& out, char32_t cp);

}  // namespace veltrano::text
