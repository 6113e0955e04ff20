// UTF-8 <-> UTF-16 at the edge of the Win32 calls (Windows builds only).
// Inside the program all text is UTF-8; the W entry points take and give
// UTF-16 in wchar_t strings.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace veltrano::text {

// UTF-8 to UTF-16. nullopt when `utf8` is not well-formed UTF-8, so that a
// damaged name never reaches a Win32 call as some other name.
std::optional<std::wstring> Utf8ToWide(std::string_view utf8);

// UTF-16 to UTF-8. An unpaired surrogate (possible in NTFS names) becomes
// U+FFFD.
std::string WideToUtf8(std::wstring_view wide);

}  // namespace veltrano::text
