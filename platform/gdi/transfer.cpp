#include "platform/gdi/transfer.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

#include "platform/gdi/axis_plan.h"
#include "platform/gdi/halftone.h"
#include "platform/gdi/row_kernels.h"

namespace veltrano::gdi::detail {

namespace {

int64_t Abs(int64_t v) {
  return v < 0 ? -v : v;
}

bool RangesMeet(int aLo, int aHi, int bLo, int bHi) {
  return aLo <= bHi && bLo <= aHi;
}

// A copy of the source pixels a transfer reads, for transfers within one
// bitmap whose source and destination overlap (mirroring in place). The
// copy starts on a byte boundary so that 1-bit rows copy as bytes.
std::unique_ptr<Bitmap> CopyRegion(const Bitmap& src, const AxisPlan& px, const AxisPlan& py,
                                   int* ox, int* oy) {
  int x0 = px.srcMin & ~7;
  BITMAPINFOHEADER h;
  h.biWidth = px.srcMax + 1 - x0;
  h.biHeight = -(py.srcMax + 1 - py.srcMin);
  h.biBitCount = static_cast<WORD>(src.bpp);
  auto copy = NewBitmap(h, nullptr);
  if (!copy) return nullptr;
  std::memcpy(copy->colors, src.colors, sizeof(src.colors));
  copy->tableSize = src.tableSize;
  ptrdiff_t start = static_cast<ptrdiff_t>(x0) * src.bpp / 8;
  size_t bytes = static_cast<size_t>(std::min(copy->stride, src.stride - start));
  for (int y = py.srcMin; y <= py.srcMax; ++y)
    std::memcpy(copy->Row(y - py.srcMin), src.Row(y) + start, bytes);
  *ox = x0;
  *oy = py.srcMin;
  return copy;
}

struct Plans {
  const AxisPlan& x;
  const AxisPlan& y;
  const Bitmap& from;  // the source or its copy
  int ox, oy;          // offset of `from` in source coordinates
};

// Nearest and AND/OR scans: everything happens in destination values.
void ValueRows(const TransferRequest& r, const Plans& p, int mode) {
  Bitmap& dst = *r.dst;
  const AxisPlan& px = p.x;
  const AxisPlan& py = p.y;
  ColorMapper mapper(dst, r.srcBackground);
  uint32_t lut[256] = {};
  if (p.from.Indexed()) SourceLut(p.from, dst, mapper, lut);
  const bool mapColours = !p.from.Indexed() && !mapper.Identity();
  const bool useAnd = mode == BLACKONWHITE;
  const int spanLength = px.srcMax - px.srcMin + 1;

  // Unscaled rows with a kernel for these depths: straight from row to row.
  if (px.unscaled && py.maxTaps == 1 && !mapColours) {
    RowKernel kernel;
    if (kernel.Choose(p.from, dst, r.rop, px.reversed, lut)) {
      for (int jy = 0; jy < py.count; ++jy) {
        kernel.Run(p.from.Row(py.tapIndex[jy] - p.oy), px.srcMin - p.ox, dst.Row(py.destBegin + jy),
                   px.destBegin, px.count);
      }
      return;
    }
  }

  std::vector<uint32_t> span(static_cast<size_t>(spanLength));
  std::vector<uint32_t> values(static_cast<size_t>(px.count));
  std::vector<uint32_t> extra(py.maxTaps > 1 ? static_cast<size_t>(px.count) : 0);

  auto horizontal = [&](int sy, uint32_t* out) {
    const int y = sy - p.oy;
    if (px.unscaled) {
      ReadSpan(p.from, y, px.srcMin - p.ox, px.count, lut, out);
      if (mapColours) mapper.MapSpan(out, px.count);
      if (px.reversed) std::reverse(out, out + px.count);
      return;
    }
    ReadSpan(p.from, y, px.srcMin - p.ox, spanLength, lut, span.data());
    if (mapColours) mapper.MapSpan(span.data(), spanLength);
    const int32_t* idx = px.tapIndex.data();
    const int32_t* start = px.tapStart.data();
    const uint32_t* s = span.data() - px.srcMin;
    if (px.maxTaps == 1) {
      for (int j = 0; j < px.count; ++j) out[j] = s[idx[j]];
      return;
    }
    for (int j = 0; j < px.count; ++j) {
      uint32_t v = s[idx[start[j]]];
      for (int t = start[j] + 1; t < start[j + 1]; ++t)
        v = useAnd ? (v & s[idx[t]]) : (v | s[idx[t]]);
      out[j] = v;
    }
  };

  // The common unscaled copy into 32 bits: read straight into the
  // destination row (values are already 0x00RRGGBB with a zero top byte).
  if (dst.bpp == 32 && r.rop == Rop::kCopy && px.unscaled && !px.reversed && py.maxTaps == 1 &&
      !mapColours) {
    for (int jy = 0; jy < py.count; ++jy) {
      auto* out = reinterpret_cast<uint32_t*>(dst.Row(py.destBegin + jy)) + px.destBegin;
      ReadSpan(p.from, py.tapIndex[jy] - p.oy, px.srcMin - p.ox, px.count, lut, out);
    }
    return;
  }

  int cachedRow = INT_MIN;
  for (int jy = 0; jy < py.count; ++jy) {
    const int first = py.tapStart[jy];
    const int end = py.tapStart[jy + 1];
    if (end - first != 1 || py.tapIndex[first] != cachedRow) {
      horizontal(py.tapIndex[first], values.data());
      for (int t = first + 1; t < end; ++t) {
        horizontal(py.tapIndex[t], extra.data());
        for (int j = 0; j < px.count; ++j)
          values[j] = useAnd ? (values[j] & extra[j]) : (values[j] | extra[j]);
      }
      cachedRow = end - first == 1 ? py.tapIndex[first] : INT_MIN;
    }
    StoreSpan(dst, py.destBegin + jy, px.destBegin, px.count, values.data(), r.rop);
  }
}

// HALFTONE: weighted RGB sums, horizontally per source row (kept in a small
// ring so each source row is filtered once), then vertically per
// destination row.
void HalftoneRows(const TransferRequest& r, const Plans& p) {
  Bitmap& dst = *r.dst;
  const AxisPlan& px = p.x;
  const AxisPlan& py = p.y;
  ColorMapper mapper(dst, r.srcBackground);
  const int n = px.count;
  const int spanLength = px.srcMax - px.srcMin + 1;
  // Destination rows use consecutive source rows and neighbours share at
  // most their boundary rows, so three slots keep every row filtered once
  // while bounding the memory however far the picture shrinks.
  const int ringSize = std::min(py.maxTaps + 1, 3);

  std::vector<uint32_t> span(static_cast<size_t>(spanLength));
  std::vector<uint32_t> ring(static_cast<size_t>(ringSize) * 3 * n);
  std::vector<int> ringRow(static_cast<size_t>(ringSize), INT_MIN);
  std::vector<uint64_t> sums(3 * static_cast<size_t>(n));
  std::vector<uint32_t> out(static_cast<size_t>(n));

  // Enlarging horizontally gives at most two taps per pixel: lay them out as
  // exactly two (a zero weight where there is one) for a branch-free loop.
  std::vector<int32_t> pairIndex;
  std::vector<uint32_t> pairWeight;
  if (px.maxTaps <= 2) {
    pairIndex.resize(2 * static_cast<size_t>(n));
    pairWeight.resize(2 * static_cast<size_t>(n));
    for (int j = 0; j < n; ++j) {
      const int t = px.tapStart[j];
      const bool two = px.tapStart[j + 1] - t == 2;
      pairIndex[2 * j] = px.tapIndex[t] - px.srcMin;
      pairWeight[2 * j] = px.tapWeight[t];
      pairIndex[2 * j + 1] = px.tapIndex[two ? t + 1 : t] - px.srcMin;
      pairWeight[2 * j + 1] = two ? px.tapWeight[t + 1] : 0;
    }
  }

  auto filtered = [&](int sy) -> const uint32_t* {
    const int slot = ((sy % ringSize) + ringSize) % ringSize;
    uint32_t* h = ring.data() + static_cast<size_t>(slot) * 3 * n;
    if (ringRow[slot] == sy) return h;
    ringRow[slot] = sy;
    ReadSpan(p.from, sy - p.oy, px.srcMin - p.ox, spanLength, p.from.colors, span.data());
    if (!pairIndex.empty()) {
      const uint32_t* s = span.data();
      for (int j = 0; j < n; ++j) {
        const uint32_t a = s[pairIndex[2 * j]], b = s[pairIndex[2 * j + 1]];
        const uint32_t wa = pairWeight[2 * j], wb = pairWeight[2 * j + 1];
        h[3 * j] = wa * ((a >> 16) & 0xFF) + wb * ((b >> 16) & 0xFF);
        h[3 * j + 1] = wa * ((a >> 8) & 0xFF) + wb * ((b >> 8) & 0xFF);
        h[3 * j + 2] = wa * (a & 0xFF) + wb * (b & 0xFF);
      }
      return h;
    }
    const uint32_t* s = span.data() - px.srcMin;
    const int32_t* idx = px.tapIndex.data();
    const uint32_t* wt = px.tapWeight.data();
    for (int j = 0; j < n; ++j) {
      uint32_t red = 0, green = 0, blue = 0;
      for (int t = px.tapStart[j]; t < px.tapStart[j + 1]; ++t) {
        const uint32_t c = s[idx[t]];
        const uint32_t w = wt[t];
        red += w * ((c >> 16) & 0xFF);
        green += w * ((c >> 8) & 0xFF);
        blue += w * (c & 0xFF);
      }
      h[3 * j] = red;
      h[3 * j + 1] = green;
      h[3 * j + 2] = blue;
    }
    return h;
  };

  // Each vertical sum is a colour level times kWeightOne squared (2^32).
  static_assert(kWeightOne == 1u << 16);
  constexpr uint64_t kHalf = uint64_t{1} << 31;
  for (int jy = 0; jy < py.count; ++jy) {
    const int first = py.tapStart[jy], taps = py.tapStart[jy + 1] - first;
    const int rowA = py.tapIndex[first];
    if (taps == 1 || (taps == 2 && py.tapIndex[first + 1] - rowA == 1)) {
      // One row, or two neighbouring rows (which sit in different ring
      // slots): weigh and round each pixel in one go.
      const uint32_t* a = filtered(rowA);
      const uint32_t* b = taps == 2 ? filtered(rowA + 1) : a;
      const uint64_t wa = py.tapWeight[first];
      const uint64_t wb = taps == 2 ? py.tapWeight[first + 1] : 0;
      for (int j = 0; j < n; ++j) {
        const uint32_t red = static_cast<uint32_t>((wa * a[3 * j] + wb * b[3 * j] + kHalf) >> 32);
        const uint32_t green =
            static_cast<uint32_t>((wa * a[3 * j + 1] + wb * b[3 * j + 1] + kHalf) >> 32);
        const uint32_t blue =
            static_cast<uint32_t>((wa * a[3 * j + 2] + wb * b[3 * j + 2] + kHalf) >> 32);
        out[j] = (red << 16) | (green << 8) | blue;
      }
    } else {
      std::fill(sums.begin(), sums.end(), uint64_t{0});
      for (int t = first; t < first + taps; ++t) {
        const uint32_t* h = filtered(py.tapIndex[t]);
        const uint64_t w = py.tapWeight[t];
        for (int k = 0; k < 3 * n; ++k) sums[k] += w * h[k];
      }
      for (int j = 0; j < n; ++j) {
        const uint32_t red = static_cast<uint32_t>((sums[3 * j] + kHalf) >> 32);
        const uint32_t green = static_cast<uint32_t>((sums[3 * j + 1] + kHalf) >> 32);
        const uint32_t blue = static_cast<uint32_t>((sums[3 * j + 2] + kHalf) >> 32);
        out[j] = (red << 16) | (green << 8) | blue;
      }
    }
    mapper.MapSpan(out.data(), n);
    StoreSpan(dst, py.destBegin + jy, px.destBegin, n, out.data(), r.rop);
  }
}

}  // namespace

int Transfer(const TransferRequest& r) {
  if (!r.dst || !r.src) return 0;
  const bool stretched = Abs(r.wSrc) != Abs(r.wDest) || Abs(r.hSrc) != Abs(r.hDest);
  const int mode = stretched ? r.stretchMode : COLORONCOLOR;
  AxisFilter filter = AxisFilter::kNearest;
  if (mode == HALFTONE) filter = AxisFilter::kHalftone;
  if (mode == BLACKONWHITE || mode == WHITEONBLACK) filter = AxisFilter::kCombine;

  // Plans come from a cache of recent geometries: a pure function of these
  // numbers, so a kept plan is the plan that would be made.
  // A clip only narrows which destination pixels are drawn; each drawn
  // pixel's taps stay those of the whole transfer.
  const int64_t left = r.clipped ? std::max<int64_t>(r.clip.left, 0) : 0;
  const int64_t top = r.clipped ? std::max<int64_t>(r.clip.top, 0) : 0;
  const int64_t right = r.clipped ? std::min<int64_t>(r.clip.right, r.dst->width) : r.dst->width;
  const int64_t bottom =
      r.clipped ? std::min<int64_t>(r.clip.bottom, r.dst->height) : r.dst->height;
  const auto planX =
      CachedAxis(r.xDest, r.wDest, left, right, r.xSrc, r.wSrc, r.src->width, filter);
  if (!planX->drawn) return 0;
  const auto planY =
      CachedAxis(r.yDest, r.hDest, top, bottom, r.ySrc, r.hSrc, r.src->height, filter);
  if (!planY->drawn) return 0;
  const AxisPlan& px = planX->plan;
  const AxisPlan& py = planY->plan;

  std::unique_ptr<Bitmap> copy;
  int ox = 0, oy = 0;
  if (r.src == r.dst &&
      RangesMeet(px.srcMin, px.srcMax, px.destBegin, px.destBegin + px.count - 1) &&
      RangesMeet(py.srcMin, py.srcMax, py.destBegin, py.destBegin + py.count - 1)) {
    copy = CopyRegion(*r.src, px, py, &ox, &oy);
    if (!copy) return 0;
  }
  const Plans plans{px, py, copy ? *copy : *r.src, ox, oy};
  if (mode == HALFTONE) {
    if (!FastHalftoneRows(*r.dst, plans.from, ox, oy, *planX, *planY, r.rop, r.srcBackground))
      HalftoneRows(r, plans);
  } else {
    ValueRows(r, plans, mode);
  }
  return py.count;
}

}  // namespace veltrano::gdi::detail
