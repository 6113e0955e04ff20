// The raster operations as small function objects, and the switch that turns
// a Rop into one of them once per call so that the pixel loops carry no
// per-pixel branch on the operation.
#pragma once

#include <cstdint>
#include <cstring>

#include "platform/gdi/pixel_rows.h"

namespace veltrano::gdi::detail {

inline constexpr uint32_t kRgbMask = 0x00FFFFFFu;

struct CopyOp {
  static constexpr Rop kRop = Rop::kCopy;
  uint32_t operator()(uint32_t, uint32_t s) const { return s; }
};
struct AndOp {
  static constexpr Rop kRop = Rop::kAnd;
  uint32_t operator()(uint32_t d, uint32_t s) const { return d & s; }
};
struct OrOp {
  static constexpr Rop kRop = Rop::kOr;
  uint32_t operator()(uint32_t d, uint32_t s) const { return d | s; }
};
struct XorOp {
  static constexpr Rop kRop = Rop::kXor;
  uint32_t operator()(uint32_t d, uint32_t s) const { return d ^ s; }
};
struct NotCopyOp {
  static constexpr Rop kRop = Rop::kNotCopy;
  uint32_t operator()(uint32_t, uint32_t s) const { return ~s; }
};

template <class F>
void WithOp(Rop rop, F&& f) {
  switch (rop) {
    case Rop::kCopy:
      f(CopyOp{});
      break;
    case Rop::kAnd:
      f(AndOp{});
      break;
    case Rop::kOr:
      f(OrOp{});
      break;
    case Rop::kXor:
      f(XorOp{});
      break;
    case Rop::kNotCopy:
      f(NotCopyOp{});
      break;
  }
}

inline uint32_t Load32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
inline void Put32(uint8_t* p, uint32_t v) {
  std::memcpy(p, &v, 4);
}
inline uint32_t Load24(const uint8_t* p) {
  return p[0] | (p[1] << 8) | (static_cast<uint32_t>(p[2]) << 16);
}
inline void Put24(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
}

// Eight pixels of a 1-bit row starting at pixel `bit`, the first in the top
// bit of the result. Never reads past byte lastByte of the row, so a span at
// the very end of a bitmap is safe; bits beyond it come back as zero.
inline unsigned Bits8(const uint8_t* row, int bit, int lastByte) {
  const int k = bit >> 3, s = bit & 7;
  unsigned v = static_cast<unsigned>(row[k]) << s;
  if (s != 0 && k < lastByte) v |= row[k + 1] >> (8 - s);
  return v & 0xFFu;
}

}  // namespace veltrano::gdi::detail
