#include "platform/gdi/row_kernels.h"

#include <atomic>
#include <cstddef>
#include <cstring>
#include <type_traits>

#include "platform/gdi/rop_ops.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define VELTRANO_GDI_X86_SIMD 1
#endif

namespace veltrano::gdi::detail {

namespace {

std::atomic<int> gLevel{2};

// ---- Source readers: the destination value of span pixel i ----------------

struct Indexed8 {
  const uint8_t* p;
  const uint32_t* lut;
  uint32_t operator()(int i) const { return lut[p[i]]; }
};
struct Indexed8Reversed {
  const uint8_t* p;  // the rightmost pixel of the span
  const uint32_t* lut;
  uint32_t operator()(int i) const { return lut[p[-i]]; }
};
struct Colour24 {
  const uint8_t* p;
  uint32_t operator()(int i) const { return Load24(p + 3 * static_cast<ptrdiff_t>(i)); }
};
struct Colour24Reversed {
  const uint8_t* p;  // the rightmost pixel of the span
  uint32_t operator()(int i) const { return Load24(p - 3 * static_cast<ptrdiff_t>(i)); }
};
struct Mono {
  const uint8_t* row;
  int x;
  uint32_t zero, diff;  // lut[0], lut[0] ^ lut[1]
  uint32_t operator()(int i) const {
    const int b = x + i;
    const uint32_t bit = (row[b >> 3] >> (7 - (b & 7))) & 1u;
    return zero ^ (diff & (0u - bit));
  }
};

// ---- Destination writers ---------------------------------------------------

template <class Op, class Get>
void To32(uint8_t* d, int n, Op op, Get get) {
  for (int i = 0; i < n; ++i, d += 4) Put32(d, op(Load32(d), get(i)) & kRgbMask);
}

// A copy writes each pixel as a 32-bit word whose spare top byte the next
// pixel overwrites (the last pixel alone writes three bytes). Otherwise four
// pixels at a time as three 32-bit words, the rest byte by byte.
template <class Op, class Get>
void To24(uint8_t* d, int n, Op op, Get get) {
  int i = 0;
  if constexpr (std::is_same_v<Op, CopyOp>) {
    for (; i + 1 < n; ++i, d += 3) Put32(d, get(i));
    if (i < n) Put24(d, get(i));
    return;
  }
  for (; i + 4 <= n; i += 4, d += 12) {
    const uint32_t w0 = Load32(d), w1 = Load32(d + 4), w2 = Load32(d + 8);
    const uint32_t r0 = op(w0 & kRgbMask, get(i)) & kRgbMask;
    const uint32_t r1 = op((w0 >> 24) | ((w1 & 0xFFFFu) << 8), get(i + 1)) & kRgbMask;
    const uint32_t r2 = op((w1 >> 16) | ((w2 & 0xFFu) << 16), get(i + 2)) & kRgbMask;
    const uint32_t r3 = op(w2 >> 8, get(i + 3)) & kRgbMask;
    Put32(d, r0 | (r1 << 24));
    Put32(d + 4, (r1 >> 8) | (r2 << 16));
    Put32(d + 8, (r2 >> 16) | (r3 << 8));
  }
  for (; i < n; ++i, d += 3) Put24(d, op(Load24(d), get(i)));
}

template <class Op, class Get>
void To8(uint8_t* d, int n, Op op, Get get) {
  for (int i = 0; i < n; ++i) d[i] = static_cast<uint8_t>(op(d[i], get(i)));
}

template <int Bpp, class Op, class Get>
void StoreTo(uint8_t* row, int x, int n, Op op, Get get) {
  if constexpr (Bpp == 32) {
    To32(row + 4 * static_cast<ptrdiff_t>(x), n, op, get);
  } else if constexpr (Bpp == 24) {
    To24(row + 3 * static_cast<ptrdiff_t>(x), n, op, get);
  } else {
    To8(row + x, n, op, get);
  }
}

// Into 1 bit a byte at a time: bits(i, count) gives span pixels i ..
// i + count - 1 (count <= 8) in the top bits of a byte; the partial bytes at
// both ends of the span are merged under a mask, whole bytes in between are
// written as they come.
template <class Op, class Bits>
void To1(uint8_t* row, int x, int n, Op op, Bits bits) {
  int i = 0;
  auto partial = [&](int count) {
    const int offset = x & 7;
    const unsigned s = bits(i, count) >> offset;
    const unsigned keep = (0xFFu >> offset) & ~(0xFFu >> (offset + count));
    uint8_t& b = row[x >> 3];
    b = static_cast<uint8_t>((b & ~keep) | (op(b, s) & keep));
    i += count;
    x += count;
  };
  if ((x & 7) != 0) partial(n < 8 - (x & 7) ? n : 8 - (x & 7));
  uint8_t* p = row + (x >> 3);
  for (; i + 8 <= n; i += 8, x += 8, ++p) *p = static_cast<uint8_t>(op(*p, bits(i, 8)));
  if (i < n) partial(n - i);
}

// ---- Kernels ---------------------------------------------------------------

template <class Op, int Bpp, bool Reversed>
void FromIndexed8(const RowKernel& k, const uint8_t* s, int sx, uint8_t* d, int dx, int n) {
  if constexpr (Reversed) {
    StoreTo<Bpp>(d, dx, n, Op{}, Indexed8Reversed{s + sx + n - 1, k.lut});
  } else {
    StoreTo<Bpp>(d, dx, n, Op{}, Indexed8{s + sx, k.lut});
  }
}

template <class Op>
void Indexed8To1(const RowKernel& k, const uint8_t* s, int sx, uint8_t* d, int dx, int n) {
  const uint8_t* p = s + sx;
  const uint8_t* bit = k.lutBit;
  To1(d, dx, n, Op{}, [p, bit](int i, int count) {
    unsigned v = 0;
    if (count == 8) {
      for (int j = 0; j < 8; ++j) v |= static_cast<unsigned>(bit[p[i + j]]) << (7 - j);
    } else {
      for (int j = 0; j < count; ++j) v |= static_cast<unsigned>(bit[p[i + j]]) << (7 - j);
    }
    return v;
  });
}

template <class Op>
void Mono1To1(const RowKernel&, const uint8_t* s, int sx, uint8_t* d, int dx, int n) {
  const int lastByte = (sx + n - 1) >> 3;
  To1(d, dx, n, Op{}, [s, sx, lastByte](int i, int) { return Bits8(s, sx + i, lastByte); });
}

// A 1-bit source into 32 bits: each source byte picks its eight values
// from the expansion table.
template <class Op>
void MonoTo32(const RowKernel& k, const uint8_t* s, int sx, uint8_t* d, int dx, int n) {
  const Op op;
  const int lastByte = (sx + n - 1) >> 3;
  uint8_t* q = d + 4 * static_cast<ptrdiff_t>(dx);
  int i = 0;
  for (; i + 8 <= n; i += 8, q += 32) {
    // Local copies keep the compiler sure that the table and the row do not
    // overlap, so the eight pixels go as one vector operation.
    uint32_t e[8], v[8];
    std::memcpy(e, k.expand.get() + 8 * Bits8(s, sx + i, lastByte), sizeof(e));
    std::memcpy(v, q, sizeof(v));
    for (int j = 0; j < 8; ++j) v[j] = op(v[j], e[j]) & kRgbMask;
    std::memcpy(q, v, sizeof(v));
  }
  if (i < n) {
    const uint32_t* e = k.expand.get() + 8 * Bits8(s, sx + i, lastByte);
    for (int j = 0; i + j < n; ++j) Put32(q + 4 * j, op(Load32(q + 4 * j), e[j]) & kRgbMask);
  }
}

template <class Op, int Bpp>
void MonoToColour(const RowKernel& k, const uint8_t* s, int sx, uint8_t* d, int dx, int n) {
  StoreTo<Bpp>(d, dx, n, Op{}, Mono{s, sx, k.lut[0], k.lut[0] ^ k.lut[1]});
}

#ifdef VELTRANO_GDI_X86_SIMD
bool CpuHasSsse3() {
  static const bool has = __builtin_cpu_supports("ssse3");
  return has;
}

// 24 to 32 bits four pixels at a time: one 16-byte load covers four source
// pixels (and reads four bytes beyond them, so it stops while six pixels
// remain). Returns the number of pixels done.
template <Rop R>
__attribute__((target("ssse3"))) int Colour24To32Ssse3(const uint8_t* s, uint8_t* d, int n) {
  const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
  const __m128i rgb = _mm_set1_epi32(static_cast<int>(kRgbMask));
  int i = 0;
  for (; i + 6 <= n; i += 4) {
    __m128i v = _mm_shuffle_epi8(
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 3 * static_cast<ptrdiff_t>(i))),
        spread);
    auto* q = reinterpret_cast<__m128i*>(d + 4 * static_cast<ptrdiff_t>(i));
    if constexpr (R == Rop::kAnd) {
      v = _mm_and_si128(_mm_loadu_si128(q), v);
    } else if constexpr (R == Rop::kOr) {
      v = _mm_or_si128(_mm_loadu_si128(q), v);
    } else if constexpr (R == Rop::kXor) {
      v = _mm_xor_si128(_mm_loadu_si128(q), v);
    } else if constexpr (R == Rop::kNotCopy) {
      v = _mm_xor_si128(v, _mm_set1_epi32(-1));
    }
    _mm_storeu_si128(q, _mm_and_si128(v, rgb));
  }
  return i;
}
#endif

template <class Op, int Bpp, bool Reversed>
void FromColour24(const RowKernel& k, const uint8_t* s, int sx, uint8_t* d, int dx, int n) {
  if constexpr (Reversed) {
    StoreTo<Bpp>(d, dx, n, Op{}, Colour24Reversed{s + 3 * (static_cast<ptrdiff_t>(sx) + n - 1)});
  } else {
    const uint8_t* p = s + 3 * static_cast<ptrdiff_t>(sx);
    int done = 0;
#ifdef VELTRANO_GDI_X86_SIMD
    if constexpr (Bpp == 32) {
      if (k.simd) done = Colour24To32Ssse3<Op::kRop>(p, d + 4 * static_cast<ptrdiff_t>(dx), n);
    }
#else
    (void)k;
#endif
    StoreTo<Bpp>(d, dx + done, n - done, Op{}, Colour24{p + 3 * static_cast<ptrdiff_t>(done)});
  }
}

#ifdef VELTRANO_GDI_X86_SIMD
bool CpuHasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}

// One vector of 32-bit source pixels with the operation applied onto the
// destination vector at q.
template <Rop R>
__attribute__((target("avx2"))) inline __m256i Apply32Avx2(__m256i v, const __m256i* q) {
  if constexpr (R == Rop::kAnd) {
    v = _mm256_and_si256(_mm256_loadu_si256(q), v);
  } else if constexpr (R == Rop::kOr) {
    v = _mm256_or_si256(_mm256_loadu_si256(q), v);
  } else if constexpr (R == Rop::kXor) {
    v = _mm256_xor_si256(_mm256_loadu_si256(q), v);
  } else if constexpr (R == Rop::kNotCopy) {
    v = _mm256_xor_si256(v, _mm256_set1_epi32(-1));
  }
  return _mm256_and_si256(v, _mm256_set1_epi32(static_cast<int>(kRgbMask)));
}

// 32 into 32 bits 32 pixels at a time, then eight at a time (four vectors
// in flight keep a whole-frame copy close to memcpy's speed). Returns the
// number of pixels done.
template <Rop R>
__attribute__((target("avx2"))) int Colour32To32Avx2(const uint8_t* s, uint8_t* d, int n) {
  auto* from = reinterpret_cast<const __m256i*>(s);
  auto* to = reinterpret_cast<__m256i*>(d);
  int i = 0;
  for (; i + 32 <= n; i += 32, from += 4, to += 4) {
    const __m256i a = _mm256_loadu_si256(from), b = _mm256_loadu_si256(from + 1);
    const __m256i c = _mm256_loadu_si256(from + 2), e = _mm256_loadu_si256(from + 3);
    _mm256_storeu_si256(to, Apply32Avx2<R>(a, to));
    _mm256_storeu_si256(to + 1, Apply32Avx2<R>(b, to + 1));
    _mm256_storeu_si256(to + 2, Apply32Avx2<R>(c, to + 2));
    _mm256_storeu_si256(to + 3, Apply32Avx2<R>(e, to + 3));
  }
  for (; i + 8 <= n; i += 8, ++from, ++to) {
    _mm256_storeu_si256(to, Apply32Avx2<R>(_mm256_loadu_si256(from), to));
  }
  return i;
}
#endif

// 32 bits into 32 bits: the kept drawings of the GIF control go onto the
// surface this way.
template <class Op>
void Colour32To32(const RowKernel& k, const uint8_t* s, int sx, uint8_t* d, int dx, int n) {
  const uint8_t* p = s + 4 * static_cast<ptrdiff_t>(sx);
  uint8_t* q = d + 4 * static_cast<ptrdiff_t>(dx);
  int i = 0;
#ifdef VELTRANO_GDI_X86_SIMD
  if (k.avx2) i = Colour32To32Avx2<Op::kRop>(p, q, n);
#else
  (void)k;
#endif
  const Op op;
  for (; i < n; ++i) {
    Put32(q + 4 * i, op(Load32(q + 4 * i), Load32(p + 4 * i) & kRgbMask) & kRgbMask);
  }
}

template <class Op, bool Reversed>
RowKernel::Fn Indexed8Kernel(int dstBpp) {
  switch (dstBpp) {
    case 32:
      return &FromIndexed8<Op, 32, Reversed>;
    case 24:
      return &FromIndexed8<Op, 24, Reversed>;
    case 8:
      return &FromIndexed8<Op, 8, Reversed>;
    default:
      if constexpr (Reversed) return nullptr;
      return &Indexed8To1<Op>;
  }
}

template <class Op>
RowKernel::Fn MonoKernel(int dstBpp) {
  switch (dstBpp) {
    case 32:
      return &MonoTo32<Op>;
    case 24:
      return &MonoToColour<Op, 24>;
    case 8:
      return &MonoToColour<Op, 8>;
    default:
      return &Mono1To1<Op>;
  }
}

template <class Op, bool Reversed>
RowKernel::Fn Colour24Kernel(int dstBpp) {
  switch (dstBpp) {
    case 32:
      return &FromColour24<Op, 32, Reversed>;
    case 24:
      return &FromColour24<Op, 24, Reversed>;
    default:
      return nullptr;  // colours into indices go through the colour mapper
  }
}

}  // namespace

void SetRowKernelLevel(int level) {
  gLevel.store(level, std::memory_order_relaxed);
}

int RowKernelLevel() {
  return gLevel.load(std::memory_order_relaxed);
}

bool RowKernel::Choose(const Bitmap& src, const Bitmap& dst, Rop rop, bool reversed,
                       const uint32_t* sourceLut) {
  fn_ = nullptr;
  const int level = RowKernelLevel();
  if (level <= 0) return false;
#ifdef VELTRANO_GDI_X86_SIMD
  simd = level >= 2 && CpuHasSsse3();
  avx2 = level >= 2 && CpuHasAvx2();
#endif
  WithOp(rop, [&](auto op) {
    using Op = decltype(op);
    switch (src.bpp) {
      case 8:
        fn_ = reversed ? Indexed8Kernel<Op, true>(dst.bpp) : Indexed8Kernel<Op, false>(dst.bpp);
        break;
      case 1:
        if (!reversed) fn_ = MonoKernel<Op>(dst.bpp);
        break;
      case 24:
        fn_ = reversed ? Colour24Kernel<Op, true>(dst.bpp) : Colour24Kernel<Op, false>(dst.bpp);
        break;
      case 32:
        if (!reversed && dst.bpp == 32) fn_ = &Colour32To32<Op>;
        break;
      default:
        break;
    }
  });
  if (!fn_) return false;
  if (src.Indexed()) {
    const int entries = src.bpp == 1 ? 2 : 256;
    for (int i = 0; i < entries; ++i) {
      lut[i] = sourceLut[i];
      lutBit[i] = static_cast<uint8_t>(sourceLut[i] & 1u);
    }
  }
  if (src.bpp == 1 && dst.bpp == 32) {
    if (!expand) expand.reset(new uint32_t[256 * 8]);
    for (int b = 0; b < 256; ++b)
      for (int j = 0; j < 8; ++j) expand[8 * b + j] = (b >> (7 - j)) & 1 ? lut[1] : lut[0];
  }
  return true;
}

}  // namespace veltrano::gdi::detail
