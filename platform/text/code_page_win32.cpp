// Code page 936 through the Win32 code-page conversions.
#include <windows.h>

#include <cstdint>

#include "platform/text/text.h"
#include "platform/text/wide_text_win32.h"

namespace veltrano::text {
namespace {

constexpr UINT kGbk = 936;

bool IsLead(uint8_t b) {
  return b >= 0x81 && b <= 0xFE;
}
bool IsTrail(uint8_t b) {
  return b >= 0x40 && b <= 0xFE && b != 0x7F;
}

// Converts whole characters of the code page; false when the code page has
// no character for some of them (or is not installed).
bool Convert(std::string_view in, std::wstring& out) {
  const int inLen = static_cast<int>(in.size());
  const int n = MultiByteToWideChar(kGbk, MB_ERR_INVALID_CHARS, in.data(), inLen, nullptr, 0);
  if (n <= 0) return false;
  out.resize(static_cast<size_t>(n));
  return MultiByteToWideChar(kGbk, MB_ERR_INVALID_CHARS, in.data(), inLen, out.data(), n) == n;
}

}  // namespace

std::string GbkToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 2);
  std::wstring wide;
  // ASCII is the same in both encodings and is copied as it is; the
  // stretches between ASCII characters are cut at character boundaries (a
  // trail byte may be in the ASCII range) and converted. A stretch the code
  // page refuses is converted again one character at a time, so that only
  // the bad characters become U+FFFD, as MultiByteToWideChar would otherwise
  // substitute its own default character.
  size_t i = 0;
  while (i < bytes.size()) {
    if (static_cast<uint8_t>(bytes[i]) < 0x80) {
      out += bytes[i++];
      continue;
    }
    const size_t start = i;
    while (i < bytes.size() && static_cast<uint8_t>(bytes[i]) >= 0x80) {
      const bool pair = IsLead(static_cast<uint8_t>(bytes[i])) && i + 1 < bytes.size() &&
                        IsTrail(static_cast<uint8_t>(bytes[i + 1]));
      i += pair ? 2 : 1;
    }
    const std::string_view stretch = bytes.substr(start, i - start);
    if (Convert(stretch, wide)) {
      out += WideToUtf8(wide);
      continue;
    }
    size_t k = 0;
    while (k < stretch.size()) {
      const bool pair = IsLead(static_cast<uint8_t>(stretch[k])) && k + 1 < stretch.size() &&
                        IsTrail(static_cast<uint8_t>(stretch[k + 1]));
      const size_t len = pair ? 2 : 1;
      if (Convert(stretch.substr(k, len), wide)) {
        out += WideToUtf8(wide);
      } else if (static_cast<uint8_t>(stretch[k]) == 0x80) {
        out += "\xE2\x82\xAC";  // 0x80 is the euro sign in this code page
      } else {
        out += kReplacement;
      }
      k += len;
    }
  }
  return out;
}

}  // namespace veltrano::text
