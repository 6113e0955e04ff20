#include "tools/printable_text.h"

#include <cstdint>

namespace veltrano::tools {
namespace {

void AppendHex(std::string& out, unsigned char byte) {
  static constexpr char kDigits[] = "0123456789abcdef";
  out += "\\x";
  out += kDigits[byte >> 4];
  out += kDigits[byte & 0x0F];
}

// Length of the valid UTF-8 sequence at the start of `s` (shortest form, no
// surrogates, at most U+10FFFF), or 0 when it is not one.
size_t SequenceLength(std::string_view s, uint32_t& codePoint) {
  const auto b0 = static_cast<unsigned char>(s[0]);
  size_t n;
  uint32_t min;
  if (b0 < 0x80) {
    codePoint = b0;
    return 1;
  } else if ((b0 & 0xE0) == 0xC0) {
    n = 2, min = 0x80, codePoint = b0 & 0x1F;
  } else if ((b0 & 0xF0) == 0xE0) {
    n = 3, min = 0x800, codePoint = b0 & 0x0F;
  } else if ((b0 & 0xF8) == 0xF0) {
    n = 4, min = 0x10000, codePoint = b0 & 0x07;
  } else {
    return 0;
  }
  if (s.size() < n) return 0;
  for (size_t i = 1; i < n; ++i) {
    const auto b = static_cast<unsigned char>(s[i]);
    if ((b & 0xC0) != 0x80) return 0;
    codePoint = (codePoint << 6) | (b & 0x3F);
  }
  if (codePoint < min || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
    return 0;
  }
  return n;
}

}  // namespace

std::string Printable(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  while (!text.empty()) {
    uint32_t cp = 0;
    const size_t n = SequenceLength(text, cp);
    if (n == 0) {
      AppendHex(out, static_cast<unsigned char>(text[0]));
      text.remove_prefix(1);
      continue;
    }
    const bool control = cp < 0x20 || cp == 0x7F || (cp >= 0x80 && cp <= 0x9F);
    if (!control) {
      out.append(text.substr(0, n));
    } else if (cp == '\n') {
      out += "\\n";
    } else if (cp == '\r') {
      out += "\\r";
    } else if (cp == '\t') {
      out += "\\t";
    } else {
      for (size_t i = 0; i < n; ++i) AppendHex(out, static_cast<unsigned char>(text[i]));
    }
    text.remove_prefix(n);
  }
  return out;
}

}  // namespace veltrano::tools
