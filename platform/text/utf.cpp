#include <cstdint>
#include <cstring>

#include "platform/text/text.h"

namespace veltrano::text {
namespace {

// Length of the well-formed UTF-8 sequence at the start of `s`, or 0 when the
// bytes there do not form one. `s` is not empty.
size_t SequenceLength(std::string_view s) {
  const auto b0 = static_cast<uint8_t>(s[0]);
  if (b0 < 0x80) return 1;
  size_t len;
  uint8_t lo = 0x80, hi = 0xBF;  // allowed range of the second byte
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    len = 2;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    len = 3;
    if (b0 == 0xE0) lo = 0xA0;  // no overlong forms
    if (b0 == 0xED) hi = 0x9F;  // no surrogates
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    len = 4;
    if (b0 == 0xF0) lo = 0x90;  // no overlong forms
    if (b0 == 0xF4) hi = 0x8F;  // nothing above U+10FFFF
  } else {
    return 0;
  }
  if (s.size() < len) return 0;
  const auto b1 = static_cast<uint8_t>(s[1]);
  if (b1 < lo || b1 > hi) return 0;
  for (size_t i = 2; i < len; ++i) {
    if ((static_cast<uint8_t>(s[i]) & 0xC0) != 0x80) return 0;
  }
  return len;
}

bool IsAsciiWord(const char* p) {
  uint64_t w;
  std::memcpy(&w, p, sizeof w);
  return (w & 0x8080808080808080ull) == 0;
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
  size_t i = 0;
  const size_t n = bytes.size();
  while (i < n) {
    // Most of any file is ASCII: skip it eight bytes at a time.
    if (i + 8 <= n && IsAsciiWord(bytes.data() + i)) {
      i += 8;
      continue;
    }
    const size_t len = SequenceLength(bytes.substr(i));
    if (len == 0) return false;
    i += len;
  }
  return true;
}

size_t DecodeUtf8(std::string_view s, size_t i, char32_t& out) {
  const size_t len = SequenceLength(s.substr(i));
  if (len == 0) return 0;
  static constexpr uint8_t kLeadMask[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
  char32_t cp = static_cast<uint8_t>(s[i]) & kLeadMask[len];
  for (size_t k = 1; k < len; ++k) cp = (cp << 6) | (static_cast<uint8_t>(s[i + k]) & 0x3F);
  out = cp;
  return len;
}

std::string SanitizeUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  size_t i = 0;
  while (i < bytes.size()) {
    const size_t len = SequenceLength(bytes.substr(i));
    if (len == 0) {
      out += kReplacement;
      ++i;
    } else {
      out.append(bytes.data() + i, len);
      i += len;
    }
  }
  return out;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    out += kReplacement;
  } else if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
  const size_t units = bytes.size() / 2;
  auto unit = [&](size_t k) -> char32_t {
    const auto a = static_cast<uint8_t>(bytes[2 * k]);
    const auto b = static_cast<uint8_t>(bytes[2 * k + 1]);
    return bigEndian ? char32_t((a << 8) | b) : char32_t((b << 8) | a);
  };
  std::string out;
  out.reserve(units * 3 / 2);
  for (size_t k = 0; k < units; ++k) {
    const char32_t u = unit(k);
    if (u >= 0xD800 && u <= 0xDBFF && k + 1 < units) {
      const char32_t v = unit(k + 1);
      if (v >= 0xDC00 && v <= 0xDFFF) {
        AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (v - 0xDC00));
        ++k;
        continue;
      }
    }
    AppendUtf8(out, u);  // an unpaired surrogate comes out as U+FFFD
  }
  return out;
}

}  // namespace veltrano::text
