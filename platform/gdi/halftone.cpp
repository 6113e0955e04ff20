#include "platform/gdi/halftone.h"

#include <algorithm>
#include <array>
#include <climits>
#include <tuple>
#include <vector>

#include "platform/gdi/row_kernels.h"

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define VELTRANO_HALFTONE_AVX2 1
#endif

namespace veltrano::gdi::detail {

namespace {

// ---- Axis plans ----------------------------------------------------------------

using AxisKey =
    std::tuple<int64_t, int64_t, int64_t, int64_t, int64_t, int64_t, int64_t, AxisFilter>;

std::shared_ptr<const HalftoneAxis> MakeAxis(const AxisKey& k) {
  auto axis = std::make_shared<HalftoneAxis>();
  const auto [destOrigin, destExtent, destLow, destHigh, srcOrigin, srcExtent, srcLimit, filter] =
      k;
  axis->drawn = PlanAxis(destOrigin, destExtent, destLow, destHigh, srcOrigin, srcExtent, srcLimit,
                         filter, &axis->plan);
  if (!axis->drawn || filter != AxisFilter::kHalftone) return axis;
  const AxisPlan& p = axis->plan;
  axis->normalised = true;
  for (int j = 0; j < p.count && axis->normalised; ++j) {
    uint64_t sum = 0;
    for (int t = p.tapStart[j]; t < p.tapStart[j + 1]; ++t) sum += p.tapWeight[t];
    axis->normalised = sum == kWeightOne;
  }
  if (p.maxTaps <= 2) {
    const size_t n = static_cast<size_t>(p.count);
    axis->first.resize(n);
    axis->second.resize(n);
    axis->firstWeight.resize(n);
    axis->secondWeight.resize(n);
    for (size_t j = 0; j < n; ++j) {
      const int t = p.tapStart[j];
      const bool two = p.tapStart[j + 1] - t == 2;
      axis->first[j] = p.tapIndex[t] - p.srcMin;
      axis->firstWeight[j] = p.tapWeight[t];
      axis->second[j] = p.tapIndex[two ? t + 1 : t] - p.srcMin;
      axis->secondWeight[j] = two ? p.tapWeight[t + 1] : 0;
    }
  }
  return axis;
}

// ---- Row kernels, written once and compiled for two instruction sets ---------

// Filters a source row horizontally with at most two taps per pixel: the
// weighted sums of red, green and blue, each in a plane of its own.
[[gnu::always_inline]] inline void PairsBody(const uint32_t* __restrict s,
                                             const int32_t* __restrict first,
                                             const int32_t* __restrict second,
                                             const uint32_t* __restrict wa,
                                             const uint32_t* __restrict wb,
                                             uint32_t* __restrict red, uint32_t* __restrict green,
                                             uint32_t* __restrict blue, int n) {
  for (int j = 0; j < n; ++j) {
    const uint32_t a = s[first[j]], b = s[second[j]];
    red[j] = wa[j] * ((a >> 16) & 0xFF) + wb[j] * ((b >> 16) & 0xFF);
    green[j] = wa[j] * ((a >> 8) & 0xFF) + wb[j] * ((b >> 8) & 0xFF);
    blue[j] = wa[j] * (a & 0xFF) + wb[j] * (b & 0xFF);
  }
}

// Every vertical sum is a level times kWeightOne squared (2^32), rounded:
// (sum + 2^31) >> 32. With each horizontal sum h split as hi * 2^16 + lo and
// the weights adding up to 2^16, Σ w·hi and Σ w·lo both fit 32 bits, and
// (Σ w·h + 2^31) >> 32 = (Σ w·hi + 2^15 + (Σ w·lo >> 16)) >> 16 exactly.
[[gnu::always_inline]] inline uint32_t Level2(uint32_t a, uint32_t b, uint32_t wa, uint32_t wb) {
  const uint32_t hi = wa * (a >> 16) + wb * (b >> 16);
  const uint32_t lo = wa * (a & 0xFFFF) + wb * (b & 0xFFFF);
  return (hi + 0x8000u + (lo >> 16)) >> 16;
}

[[gnu::always_inline]] inline void TwoRowsBody(const uint32_t* __restrict a,
                                               const uint32_t* __restrict b, uint32_t wa,
                                               uint32_t wb, uint32_t* __restrict out, int n) {
  const uint32_t* ar = a;
  const uint32_t* ag = a + n;
  const uint32_t* ab = a + 2 * n;
  const uint32_t* br = b;
  const uint32_t* bg = b + n;
  const uint32_t* bb = b + 2 * n;
  for (int j = 0; j < n; ++j) {
    out[j] = (Level2(ar[j], br[j], wa, wb) << 16) | (Level2(ag[j], bg[j], wa, wb) << 8) |
             Level2(ab[j], bb[j], wa, wb);
  }
}

// One row of full weight: (h · 2^16 + 2^31) >> 32 = (h + 2^15) >> 16.
[[gnu::always_inline]] inline void OneRowBody(const uint32_t* __restrict a,
                                              uint32_t* __restrict out, int n) {
  const uint32_t* r = a;
  const uint32_t* g = a + n;
  const uint32_t* b = a + 2 * n;
  for (int j = 0; j < n; ++j) {
    out[j] = (((r[j] + 0x8000u) >> 16) << 16) | (((g[j] + 0x8000u) >> 16) << 8) |
             ((b[j] + 0x8000u) >> 16);
  }
}

// Many rows: the split sums of each, added up in hi and lo planes (3n each).
[[gnu::always_inline]] inline void AccumulateBody(const uint32_t* __restrict h, uint32_t w,
                                                  uint32_t* __restrict hi,
                                                  uint32_t* __restrict lo, int n3) {
  for (int k = 0; k < n3; ++k) {
    hi[k] += w * (h[k] >> 16);
    lo[k] += w * (h[k] & 0xFFFF);
  }
}

[[gnu::always_inline]] inline void FinishBody(const uint32_t* __restrict hi,
                                              const uint32_t* __restrict lo,
                                              uint32_t* __restrict out, int n) {
  for (int j = 0; j < n; ++j) {
    const uint32_t r = (hi[j] + 0x8000u + (lo[j] >> 16)) >> 16;
    const uint32_t g = (hi[n + j] + 0x8000u + (lo[n + j] >> 16)) >> 16;
    const uint32_t b = (hi[2 * n + j] + 0x8000u + (lo[2 * n + j] >> 16)) >> 16;
    out[j] = (r << 16) | (g << 8) | b;
  }
}

// Whether every value of a span is the same.
[[gnu::always_inline]] inline bool UniformBody(const uint32_t* s, int n) {
  uint32_t diff = 0;
  for (int i = 0; i < n; ++i) diff |= s[i] ^ s[0];
  return diff == 0;
}

struct Kernels {
  void (*pairs)(const uint32_t*, const int32_t*, const int32_t*, const uint32_t*,
                const uint32_t*, uint32_t*, uint32_t*, uint32_t*, int);
  void (*twoRows)(const uint32_t*, const uint32_t*, uint32_t, uint32_t, uint32_t*, int);
  void (*oneRow)(const uint32_t*, uint32_t*, int);
  void (*accumulate)(const uint32_t*, uint32_t, uint32_t*, uint32_t*, int);
  void (*finish)(const uint32_t*, const uint32_t*, uint32_t*, int);
  bool (*uniform)(const uint32_t*, int);
};

#define VELTRANO_HALFTONE_KERNELS(ATTR, SUFFIX)                                                   \
  ATTR void Pairs##SUFFIX##Loop(const uint32_t* s, const int32_t* f, const int32_t* g,               \
                          const uint32_t* wa, const uint32_t* wb, uint32_t* r, uint32_t* gr,   \
                          uint32_t* b, int n) {                                                \
    PairsBody(s, f, g, wa, wb, r, gr, b, n);                                                   \
  }                                                                                            \
  ATTR void TwoRows##SUFFIX(const uint32_t* a, const uint32_t* b, uint32_t wa, uint32_t wb,    \
                            uint32_t* out, int n) {                                            \
    TwoRowsBody(a, b, wa, wb, out, n);                                                         \
  }                                                                                            \
  ATTR void OneRow##SUFFIX(const uint32_t* a, uint32_t* out, int n) { OneRowBody(a, out, n); } \
  ATTR void Accumulate##SUFFIX(const uint32_t* h, uint32_t w, uint32_t* hi, uint32_t* lo,      \
                               int n3) {                                                       \
    AccumulateBody(h, w, hi, lo, n3);                                                          \
  }                                                                                            \
  ATTR void Finish##SUFFIX(const uint32_t* hi, const uint32_t* lo, uint32_t* out, int n) {     \
    FinishBody(hi, lo, out, n);                                                                \
  }                                                                                            \
  ATTR bool Uniform##SUFFIX(const uint32_t* s, int n) { return UniformBody(s, n); }            \
  constexpr Kernels k##SUFFIX{&Pairs##SUFFIX,      &TwoRows##SUFFIX, &OneRow##SUFFIX,           \
                              &Accumulate##SUFFIX, &Finish##SUFFIX,  &Uniform##SUFFIX};

void PairsPlainLoop(const uint32_t*, const int32_t*, const int32_t*, const uint32_t*,
                    const uint32_t*, uint32_t*, uint32_t*, uint32_t*, int);
void PairsPlain(const uint32_t* s, const int32_t* f, const int32_t* g, const uint32_t* wa,
                const uint32_t* wb, uint32_t* r, uint32_t* gr, uint32_t* b, int n) {
  PairsPlainLoop(s, f, g, wa, wb, r, gr, b, n);
}
VELTRANO_HALFTONE_KERNELS(, Plain)
#ifdef VELTRANO_HALFTONE_AVX2
void PairsAvx2Loop(const uint32_t*, const int32_t*, const int32_t*, const uint32_t*,
                   const uint32_t*, uint32_t*, uint32_t*, uint32_t*, int);
// Eight pixels at a time, their taps gathered from the span.
__attribute__((target("avx2"))) void PairsAvx2(const uint32_t* s, const int32_t* f,
                                               const int32_t* g, const uint32_t* wa,
                                               const uint32_t* wb, uint32_t* r, uint32_t* gr,
                                               uint32_t* b, int n) {
  const __m256i byte = _mm256_set1_epi32(0xFF);
  const auto* base = reinterpret_cast<const int*>(s);
  int j = 0;
  for (; j + 8 <= n; j += 8) {
    const __m256i a = _mm256_i32gather_epi32(
        base, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(f + j)), 4);
    const __m256i c = _mm256_i32gather_epi32(
        base, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(g + j)), 4);
    const __m256i u = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(wa + j));
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(wb + j));
    const __m256i ar = _mm256_and_si256(_mm256_srli_epi32(a, 16), byte);
    const __m256i ag = _mm256_and_si256(_mm256_srli_epi32(a, 8), byte);
    const __m256i ab = _mm256_and_si256(a, byte);
    const __m256i cr = _mm256_and_si256(_mm256_srli_epi32(c, 16), byte);
    const __m256i cg = _mm256_and_si256(_mm256_srli_epi32(c, 8), byte);
    const __m256i cb = _mm256_and_si256(c, byte);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(r + j),
                        _mm256_add_epi32(_mm256_mullo_epi32(u, ar), _mm256_mullo_epi32(v, cr)));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(gr + j),
                        _mm256_add_epi32(_mm256_mullo_epi32(u, ag), _mm256_mullo_epi32(v, cg)));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(b + j),
                        _mm256_add_epi32(_mm256_mullo_epi32(u, ab), _mm256_mullo_epi32(v, cb)));
  }
  PairsAvx2Loop(s, f + j, g + j, wa + j, wb + j, r + j, gr + j, b + j, n - j);
}
VELTRANO_HALFTONE_KERNELS(__attribute__((target("avx2"))), Avx2)

bool CpuHasAvx2() {
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
  }();
  return has;
}
#endif
#undef VELTRANO_HALFTONE_KERNELS

const Kernels& Choose() {
#ifdef VELTRANO_HALFTONE_AVX2
  if (RowKernelLevel() >= 2 && CpuHasAvx2()) return kAvx2;
#endif
  return kPlain;
}

}  // namespace

std::shared_ptr<const HalftoneAxis> CachedAxis(int64_t destOrigin, int64_t destExtent,
                                               int64_t destLow, int64_t destHigh,
                                               int64_t srcOrigin, int64_t srcExtent,
                                               int64_t srcLimit, AxisFilter filter) {
  struct Entry {
    AxisKey key;
    std::shared_ptr<const HalftoneAxis> axis;
  };
  // Both axes of the last few transfers: the control draws a frame, its mask
  // and the composed image, each with the same geometry as a frame before,
  // and clipped redraws of parts of them.
  constexpr size_t kEntries = 64;
  thread_local std::array<Entry, kEntries> cache;
  thread_local size_t next = 0;
  const AxisKey key{destOrigin, destExtent, destLow,  destHigh,
                    srcOrigin,  srcExtent,  srcLimit, filter};
  for (const Entry& e : cache) {
    if (e.axis && e.key == key) return e.axis;
  }
  Entry& slot = cache[next];
  next = (next + 1) % kEntries;
  slot.key = key;
  slot.axis = MakeAxis(key);
  return slot.axis;
}

bool FastHalftoneRows(Bitmap& dst, const Bitmap& from, int ox, int oy, const HalftoneAxis& x,
                      const HalftoneAxis& y, Rop rop, uint32_t srcBackground) {
  if (RowKernelLevel() <= 0 || !x.normalised || !y.normalised) return false;
  const Kernels& k = Choose();
  const AxisPlan& px = x.plan;
  const AxisPlan& py = y.plan;
  ColorMapper mapper(dst, srcBackground);
  const int n = px.count;
  const size_t n3 = 3 * static_cast<size_t>(n);
  const int spanLength = px.srcMax - px.srcMin + 1;
  // As in the general path: three slots keep every source row filtered once.
  const int ringSize = std::min(py.maxTaps + 1, 3);

  thread_local std::vector<uint32_t> span, ring, hi, lo, out;
  span.resize(static_cast<size_t>(spanLength));
  ring.resize(static_cast<size_t>(ringSize) * n3);
  out.resize(static_cast<size_t>(n));
  int ringRow[3] = {INT_MIN, INT_MIN, INT_MIN};
  bool ringUniform[3] = {false, false, false};
  uint32_t ringColour[3] = {0, 0, 0};

  // The planes (red, green, blue) of source row sy, filtered.
  auto filtered = [&](int sy) -> int {
    const int slot = ((sy % ringSize) + ringSize) % ringSize;
    if (ringRow[slot] == sy) return slot;
    ringRow[slot] = sy;
    uint32_t* h = ring.data() + static_cast<size_t>(slot) * n3;
    ReadSpan(from, sy - oy, px.srcMin - ox, spanLength, from.colors, span.data());
    ringUniform[slot] = k.uniform(span.data(), spanLength);
    if (ringUniform[slot]) {
      // The weights add up to one: every pixel is that colour.
      const uint32_t c = span[0];
      ringColour[slot] = c;
      std::fill(h, h + n, ((c >> 16) & 0xFF) * kWeightOne);
      std::fill(h + n, h + 2 * n, ((c >> 8) & 0xFF) * kWeightOne);
      std::fill(h + 2 * n, h + 3 * n, (c & 0xFF) * kWeightOne);
    } else if (!x.first.empty()) {
      k.pairs(span.data(), x.first.data(), x.second.data(), x.firstWeight.data(),
              x.secondWeight.data(), h, h + n, h + 2 * n, n);
    } else {
      const uint32_t* s = span.data() - px.srcMin;
      const int32_t* idx = px.tapIndex.data();
      const uint32_t* wt = px.tapWeight.data();
      for (int j = 0; j < n; ++j) {
        uint32_t red = 0, green = 0, blue = 0;
        for (int t = px.tapStart[j]; t < px.tapStart[j + 1]; ++t) {
          const uint32_t c = s[idx[t]];
          red += wt[t] * ((c >> 16) & 0xFF);
          green += wt[t] * ((c >> 8) & 0xFF);
          blue += wt[t] * (c & 0xFF);
        }
        h[j] = red;
        h[n + j] = green;
        h[2 * n + j] = blue;
      }
    }
    return slot;
  };
  auto plane = [&](int slot) { return ring.data() + static_cast<size_t>(slot) * n3; };

  for (int jy = 0; jy < py.count; ++jy) {
    const int first = py.tapStart[jy], taps = py.tapStart[jy + 1] - first;
    const int rowA = py.tapIndex[first];
    const int destY = py.destBegin + jy;
    // A uniform colour over every row the pixel reads is that colour.
    bool uniform = true;
    uint32_t colour = 0;
    auto note = [&](int slot, bool firstRow) {
      if (!ringUniform[slot] || (!firstRow && ringColour[slot] != colour)) uniform = false;
      if (firstRow) colour = ringColour[slot];
    };
    if (taps == 1) {
      const int a = filtered(rowA);
      note(a, true);
      if (!uniform) k.oneRow(plane(a), out.data(), n);
    } else if (taps == 2 && py.tapIndex[first + 1] - rowA == 1) {
      // Neighbouring rows sit in different slots.
      const int a = filtered(rowA);
      const int b = filtered(rowA + 1);
      note(a, true);
      note(b, false);
      if (!uniform) {
        k.twoRows(plane(a), plane(b), py.tapWeight[first], py.tapWeight[first + 1], out.data(), n);
      }
    } else {
      hi.assign(n3, 0);
      lo.assign(n3, 0);
      for (int t = first; t < first + taps; ++t) {
        const int slot = filtered(py.tapIndex[t]);
        note(slot, t == first);
        k.accumulate(plane(slot), py.tapWeight[t], hi.data(), lo.data(), static_cast<int>(n3));
      }
      if (!uniform) k.finish(hi.data(), lo.data(), out.data(), n);
    }
    if (uniform) {
      FillSpan(dst, destY, px.destBegin, n, mapper.Map(colour), rop);
      continue;
    }
    mapper.MapSpan(out.data(), n);
    StoreSpan(dst, destY, px.destBegin, n, out.data(), rop);
  }
  return true;
}

}  // namespace veltrano::gdi::detail
