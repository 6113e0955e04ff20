// UTF-8, the text of the program's core, to and from UTF-16, the text of the
// Windows API.
#pragma once

#include <string>
#include <string_view>

namespace veltrano::win32 {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

}  // namespace veltrano::win32
