#include "platform/text/wide_text_win32.h"

#include <windows.h>

#include <climits>

namespace veltrano::text {

std::optional<std::wstring> Utf8ToWide(std::string_view utf8) {
  if (utf8.empty()) return std::wstring();
  if (utf8.size() > static_cast<size_t>(INT_MAX)) return std::nullopt;
  const int inLen = static_cast<int>(utf8.size());
  const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), inLen, nullptr, 0);
  if (n <= 0) return std::nullopt;
  std::wstring out(static_cast<size_t>(n), L'\0');
  if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), inLen, out.data(), n) != n) {
    return std::nullopt;
  }
  return out;
}

std::string WideToUtf8(std::wstring_view wide) {
  if (wide.empty()) return std::string();
  if (wide.size() > static_cast<size_t>(INT_MAX / 3)) return std::string();
  const int inLen = static_cast<int>(wide.size());
  // Without WC_ERR_INVALID_CHARS an unpaired surrogate is written as U+FFFD.
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), inLen, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return std::string();
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), inLen, out.data(), n, nullptr, nullptr);
  return out;
}

}  // namespace veltrano::text
