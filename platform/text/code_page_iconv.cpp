// Code page 936 through glibc's iconv.
#include <errno.h>
#include <iconv.h>

#include <cstdint>

#include "platform/text/text.h"

namespace veltrano::text {
namespace {

// One conversion descriptor per call: iconv_t keeps state, and callers may
// convert on several threads.
class Converter {
 public:
  Converter() : cd_(iconv_open("UTF-8", "CP936")) {
    if (cd_ == kInvalid) cd_ = iconv_open("UTF-8", "GBK");
  }
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return cd_ != kInvalid; }

  // Converts `in` (whole characters of the code page) and appends to `out`.
  void Append(std::string_view in, std::string& out) {
    const size_t start = out.size();
    // Never more than 3 UTF-8 bytes per input byte, U+FFFD included.
    out.resize(start + in.size() * 3);
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char* dst = out.data() + start;
    size_t dstLeft = in.size() * 3;
    while (srcLeft > 0) {
      if (iconv(cd_, &src, &srcLeft, &dst, &dstLeft) != static_cast<size_t>(-1)) break;
      if (errno == E2BIG) break;  // cannot happen with the room above
      // A byte that starts no character. Windows maps 0x80 of this code page
      // to the euro sign; everything else becomes U+FFFD.
      const std::string_view repl =
          static_cast<uint8_t>(*src) == 0x80 ? std::string_view("\xE2\x82\xAC") : kReplacement;
      for (char c : repl) *dst++ = c;
      dstLeft -= repl.size();
      ++src;
      --srcLeft;
      iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    }
    out.resize(out.size() - dstLeft);
  }

 private:
  static inline const iconv_t kInvalid = reinterpret_cast<iconv_t>(-1);
  iconv_t cd_;
};

bool IsLead(uint8_t b) {
  return b >= 0x81 && b <= 0xFE;
}
bool IsTrail(uint8_t b) {
  return b >= 0x40 && b <= 0xFE && b != 0x7F;
}

}  // namespace

std::string GbkToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 2);
  Converter conv;
  // ASCII is the same in both encodings and is copied as it is; only the
  // stretches between ASCII characters go through iconv. A trail byte may be
  // in the ASCII range, so the stretches are cut at character boundaries.
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
    if (conv.ok()) {
      conv.Append(stretch, out);
    } else {
      for (size_t k = 0; k < stretch.size(); ++k) out += kReplacement;  // no code page 936 here
    }
  }
  return out;
}

}  // namespace veltrano::text
