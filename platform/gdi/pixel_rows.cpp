#include "platform/gdi/pixel_rows.h"

#include <cstring>
#include <type_traits>

#include "platform/gdi/rop_ops.h"
#include "platform/gdi/row_kernels.h"

namespace veltrano::gdi::detail {

namespace {

// Source values come either from an array (Src = const uint32_t*) or are one
// constant (Src = uint32_t); At() hides the difference from the loops.
inline uint32_t At(const uint32_t* values, int i) {
  return values[i];
}
inline uint32_t At(uint32_t value, int) {
  return value;
}

template <class Op, class Src>
void Store32(uint8_t* p, int n, Src src, Op op) {
  for (int i = 0; i < n; ++i) Put32(p + 4 * i, op(Load32(p + 4 * i), At(src, i)) & kRgbMask);
}

template <class Src>
void Store32(uint8_t* p, int n, Src src, CopyOp) {
  for (int i = 0; i < n; ++i) Put32(p + 4 * i, At(src, i) & kRgbMask);
}

template <class Op, class Src>
void Store24(uint8_t* p, int n, Src src, Op op) {
  for (int i = 0; i < n; ++i, p += 3) {
    uint32_t d = p[0] | (p[1] << 8) | (static_cast<uint32_t>(p[2]) << 16);
    uint32_t r = op(d, At(src, i));
    p[0] = static_cast<uint8_t>(r);
    p[1] = static_cast<uint8_t>(r >> 8);
    p[2] = static_cast<uint8_t>(r >> 16);
  }
}

template <class Op, class Src>
void Store8(uint8_t* p, int n, Src src, Op op) {
  for (int i = 0; i < n; ++i) p[i] = static_cast<uint8_t>(op(p[i], At(src, i)));
}

template <class Op, class Src>
void Store1(uint8_t* row, int x, int n, Src src, Op op) {
  for (int i = 0; i < n; ++i) {
    int xi = x + i;
    uint8_t& byte = row[xi >> 3];
    int shift = 7 - (xi & 7);
    uint32_t d = (byte >> shift) & 1u;
    uint32_t r = op(d, At(src, i)) & 1u;
    byte = static_cast<uint8_t>((byte & ~(1u << shift)) | (r << shift));
  }
}

// One value over a 1-bit span: the partial bytes at either end merged under
// a mask, whole bytes in between set at once.
template <class Op>
void FillBits(uint8_t* row, int x, int n, uint32_t value, Op op) {
  const unsigned s = (value & 1u) ? 0xFFu : 0u;
  auto partial = [&](int count) {
    const int offset = x & 7;
    const unsigned keep = (0xFFu >> offset) & ~(0xFFu >> (offset + count));
    uint8_t& byte = row[x >> 3];
    byte = static_cast<uint8_t>((byte & ~keep) | (op(byte, s) & keep));
    x += count;
    n -= count;
  };
  if ((x & 7) != 0) partial(n < 8 - (x & 7) ? n : 8 - (x & 7));
  uint8_t* p = row + (x >> 3);
  const int bytes = n >> 3;
  if constexpr (std::is_same_v<Op, CopyOp> || std::is_same_v<Op, NotCopyOp>) {
    std::memset(p, static_cast<int>(op(0, s) & 0xFFu), static_cast<size_t>(bytes));
  } else {
    for (int k = 0; k < bytes; ++k) p[k] = static_cast<uint8_t>(op(p[k], s));
  }
  x += 8 * bytes;
  n -= 8 * bytes;
  if (n > 0) partial(n);
}

template <class Src>
void StoreAny(Bitmap& b, int y, int x, int n, Src src, Rop rop) {
  uint8_t* row = b.Row(y);
  WithOp(rop, [&](auto op) {
    switch (b.bpp) {
      case 32:
        Store32(row + 4 * static_cast<ptrdiff_t>(x), n, src, op);
        break;
      case 24:
        Store24(row + 3 * static_cast<ptrdiff_t>(x), n, src, op);
        break;
      case 8:
        Store8(row + x, n, src, op);
        break;
      default:
        Store1(row, x, n, src, op);
        break;
    }
  });
}

}  // namespace

bool SourceRop(DWORD rop, Rop* out) {
  switch (rop) {
    case SRCCOPY:
      *out = Rop::kCopy;
      return true;
    case SRCAND:
      *out = Rop::kAnd;
      return true;
    case SRCPAINT:
      *out = Rop::kOr;
      return true;
    case SRCINVERT:
      *out = Rop::kXor;
      return true;
    case NOTSRCCOPY:
      *out = Rop::kNotCopy;
      return true;
    default:
      return false;
  }
}

uint32_t AllOnes(const Bitmap& b) {
  if (b.bpp == 1) return 1;
  if (b.bpp == 8) return 0xFF;
  return kRgbMask;
}

uint32_t NearestIndex(const uint32_t* table, int size, uint32_t rgb) {
  int r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, bl = rgb & 0xFF;
  uint32_t best = 0;
  int bestDistance = 1 << 30;
  for (int i = 0; i < size; ++i) {
    uint32_t c = table[i];
    int dr = static_cast<int>((c >> 16) & 0xFF) - r;
    int dg = static_cast<int>((c >> 8) & 0xFF) - g;
    int db = static_cast<int>(c & 0xFF) - bl;
    int d = dr * dr + dg * dg + db * db;
    if (d < bestDistance) {
      bestDistance = d;
      best = static_cast<uint32_t>(i);
      if (d == 0) break;
    }
  }
  return best;
}

ColorMapper::ColorMapper(const Bitmap& dst, uint32_t monoWhite)
    : dst_(dst), monoWhite_(monoWhite & kRgbMask) {
  if (dst.bpp == 8) {
    cacheKeys_.reset(new uint32_t[kCacheSize]);
    cacheValues_.reset(new uint8_t[kCacheSize]);
    std::memset(cacheKeys_.get(), 0xFF, sizeof(uint32_t) * kCacheSize);
  }
}

uint32_t ColorMapper::Map(uint32_t rgb) {
  rgb &= kRgbMask;
  switch (dst_.bpp) {
    case 1:
      return rgb == monoWhite_ ? 1u : 0u;
    case 8: {
      uint32_t slot = ((rgb * 2654435761u) >> 20) & (kCacheSize - 1);
      if (cacheKeys_[slot] != rgb) {
        cacheKeys_[slot] = rgb;
        cacheValues_[slot] = static_cast<uint8_t>(NearestIndex(dst_.colors, dst_.tableSize, rgb));
      }
      return cacheValues_[slot];
    }
    default:
      return rgb;
  }
}

void ColorMapper::MapSpan(uint32_t* values, int n) {
  if (Identity()) return;
  for (int i = 0; i < n; ++i) values[i] = Map(values[i]);
}

void SourceLut(const Bitmap& src, const Bitmap& dst, ColorMapper& mapper, uint32_t lut[256]) {
  const int entries = src.bpp == 1 ? 2 : 256;
  if (src.bpp == 1 && dst.bpp == 1) {
    lut[0] = 0;
    lut[1] = 1;
    return;
  }
  if (mapper.Identity()) {
    // Colour destinations take the table's colours as they are.
    for (int i = 0; i < entries; ++i) lut[i] = src.colors[i] & kRgbMask;
    return;
  }
  for (int i = 0; i < entries; ++i) {
    uint32_t c = src.colors[i];
    if (dst.bpp == 8 && dst.colors[i] == c) {
      lut[i] = static_cast<uint32_t>(i);
    } else {
      lut[i] = mapper.Map(c);
    }
  }
}

void ReadSpan(const Bitmap& b, int y, int x, int n, const uint32_t* lut, uint32_t* out) {
  const uint8_t* row = b.Row(y);
  switch (b.bpp) {
    case 32: {
      const uint8_t* p = row + 4 * static_cast<ptrdiff_t>(x);
      for (int i = 0; i < n; ++i) out[i] = Load32(p + 4 * i) & kRgbMask;
      break;
    }
    case 24: {
      // Four bytes per load; the last pixel alone, so as not to read past
      // the row's end.
      const uint8_t* p = row + 3 * static_cast<ptrdiff_t>(x);
      int i = 0;
      for (; i + 1 < n; ++i, p += 3) out[i] = Load32(p) & kRgbMask;
      if (i < n) out[i] = Load24(p);
      break;
    }
    case 8: {
      const uint8_t* p = row + x;
      for (int i = 0; i < n; ++i) out[i] = lut[p[i]];
      break;
    }
    default: {
      // Eight pixels per step, each picking lut[0] or lut[1] without a branch.
      const uint32_t zero = lut[0], diff = lut[0] ^ lut[1];
      const int lastByte = (x + n - 1) >> 3;
      int i = 0;
      for (; i < n; i += 8) {
        const unsigned byte = Bits8(row, x + i, lastByte);
        const int count = n - i < 8 ? n - i : 8;
        for (int k = 0; k < count; ++k)
          out[i + k] = zero ^ (diff & (0u - ((byte >> (7 - k)) & 1u)));
      }
      break;
    }
  }
}

void StoreSpan(Bitmap& b, int y, int x, int n, const uint32_t* values, Rop rop) {
  StoreAny(b, y, x, n, values, rop);
}

void FillSpan(Bitmap& b, int y, int x, int n, uint32_t value, Rop rop) {
  if (RowKernelLevel() <= 0) {
    StoreAny(b, y, x, n, value, rop);
    return;
  }
  uint8_t* row = b.Row(y);
  if (b.bpp == 1) {
    WithOp(rop, [&](auto op) { FillBits(row, x, n, value, op); });
    return;
  }
  if (rop != Rop::kCopy) {
    StoreAny(b, y, x, n, value, rop);
    return;
  }
  switch (b.bpp) {
    case 32: {
      uint8_t* p = row + 4 * static_cast<ptrdiff_t>(x);
      const uint32_t v = value & kRgbMask;
      for (int i = 0; i < n; ++i) Put32(p + 4 * i, v);
      break;
    }
    case 24: {
      // Four pixels are three whole words.
      uint8_t* p = row + 3 * static_cast<ptrdiff_t>(x);
      const uint32_t v = value & kRgbMask;
      const uint32_t w0 = v | (v << 24), w1 = (v >> 8) | (v << 16), w2 = (v >> 16) | (v << 8);
      int i = 0;
      for (; i + 4 <= n; i += 4, p += 12) {
        Put32(p, w0);
        Put32(p + 4, w1);
        Put32(p + 8, w2);
      }
      for (; i < n; ++i, p += 3) Put24(p, v);
      break;
    }
    default:
      std::memset(row + x, static_cast<int>(value & 0xFFu), static_cast<size_t>(n));
      break;
  }
}

uint32_t ReadValue(const Bitmap& b, int x, int y) {
  static const uint32_t kIdentity[256] = {
#define V4(n) n, n + 1, n + 2, n + 3
#define V16(n) V4(n), V4(n + 4), V4(n + 8), V4(n + 12)
#define V64(n) V16(n), V16(n + 16), V16(n + 32), V16(n + 48)
      V64(0u), V64(64u), V64(128u), V64(192u)
#undef V64
#undef V16
#undef V4
  };
  uint32_t v = 0;
  ReadSpan(b, y, x, 1, kIdentity, &v);
  return v;
}

}  // namespace veltrano::gdi::detail
