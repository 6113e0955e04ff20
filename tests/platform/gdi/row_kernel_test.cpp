// Unscaled transfers run through row kernels chosen per call; the general
// path (read a span of values, then store it) is the reference they must
// match byte for byte, padding included, for every depth pair and operation
// at odd widths, unaligned 1-bit spans, clipping on either side and
// mirroring, in place too.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>

#include "platform/gdi/row_kernels.h"
#include "tests/platform/gdi/gdi_test_util.h"

namespace veltrano::gdi {
namespace {

using testing::Surface;

constexpr DWORD kRops[] = {SRCCOPY, SRCAND, SRCPAINT, SRCINVERT, NOTSRCCOPY};

struct Case {
  int srcBpp, dstBpp;
  int srcW, srcH, dstW, dstH;  // negative heights: top-down
  int x, y, w, h;              // destination rectangle
  int sx, sy, sw, sh;          // source rectangle (StretchBlt extents)
  DWORD rop;
  bool inPlace;
  bool sharedTable;
  uint32_t seed;
  int mode = COLORONCOLOR;  // stretch mode of the destination
  bool clipped = false;     // the destination DC clipped to `clip`
  RECT clip;
  bool drawn = true;  // false: the destination as it was before the transfer
};

std::vector<uint32_t> Table(std::mt19937& rng, int bpp) {
  std::vector<uint32_t> t(bpp == 1 ? 2 : bpp == 8 ? 256 : 0);
  for (auto& c : t) c = rng() & 0xFFFFFF;
  // A few common colours so that colour-to-index and mono conversions meet
  // exact matches as well as nearest ones.
  if (t.size() == 256) t[7] = 0xFFFFFF, t[9] = 0;
  if (t.size() == 2 && (rng() & 1)) t = {0, 0xFFFFFF};
  return t;
}

void Randomise(Surface& s, std::mt19937& rng) {
  auto* p = static_cast<uint8_t*>(s.raw);
  const size_t bytes = static_cast<size_t>(s.stride) * s.height;
  for (size_t i = 0; i < bytes; ++i) p[i] = static_cast<uint8_t>(rng());
  if (s.bpp == 8) {
    // Mostly indices 0..15 so that shared colours show up often.
    for (size_t i = 0; i < bytes; ++i) p[i] = static_cast<uint8_t>(rng() % 3 ? p[i] & 15 : p[i]);
  }
}

std::vector<uint8_t> Draw(const Case& c, int level) {
  detail::SetRowKernelLevel(level);
  std::mt19937 rng(c.seed);
  const auto dstTable = Table(rng, c.dstBpp);
  auto srcTable = Table(rng, c.srcBpp);
  if (c.sharedTable && c.srcBpp == c.dstBpp) srcTable = dstTable;
  Surface dst(c.dstW, c.dstH, c.dstBpp, dstTable);
  Randomise(dst, rng);
  Surface src(c.srcW, c.srcH, c.srcBpp, srcTable);
  Randomise(src, rng);
  if (c.mode == HALFTONE) {
    // Whole rows of black or white, as in a transparency mask.
    auto* p = static_cast<uint8_t*>(src.raw);
    for (int row = 0; row < src.height; ++row) {
      if (rng() % 3 == 0) {
        std::memset(p + static_cast<size_t>(row) * src.stride, rng() & 1 ? 0xFF : 0,
                    static_cast<size_t>(src.stride));
      }
    }
  }
  SetBkColor(src.dc, RGB(0xFF, 0xFF, 0xFF));
  HDC from = c.inPlace ? dst.dc : src.dc;
  SetStretchBltMode(dst.dc, c.mode);
  if (c.clipped) IntersectClipRect(dst.dc, c.clip.left, c.clip.top, c.clip.right, c.clip.bottom);
  if (c.drawn && c.sw == c.w && c.sh == c.h) {
    BitBlt(dst.dc, c.x, c.y, c.w, c.h, from, c.sx, c.sy, c.rop);
  } else if (c.drawn) {
    StretchBlt(dst.dc, c.x, c.y, c.w, c.h, from, c.sx, c.sy, c.sw, c.sh, c.rop);
  }
  const auto* p = static_cast<const uint8_t*>(dst.raw);
  return std::vector<uint8_t>(p, p + static_cast<size_t>(dst.stride) * dst.height);
}

std::string Describe(const Case& c) {
  return std::to_string(c.srcBpp) + "->" + std::to_string(c.dstBpp) + " rop " +
         std::to_string(c.rop) + " dst " + std::to_string(c.x) + "," + std::to_string(c.y) + " " +
         std::to_string(c.w) + "x" + std::to_string(c.h) + " src " + std::to_string(c.sx) + "," +
         std::to_string(c.sy) + " " + std::to_string(c.sw) + "x" + std::to_string(c.sh) +
         (c.inPlace ? " in place" : "") + " seed " + std::to_string(c.seed);
}

class RowKernels : public ::testing::Test {
 protected:
  void TearDown() override { detail::SetRowKernelLevel(2); }

  // Checks a case against the general path, with and without vector code.
  void Check(const Case& c) {
    const auto reference = Draw(c, 0);
    EXPECT_EQ(Draw(c, 1), reference) << Describe(c);
    EXPECT_EQ(Draw(c, 2), reference) << Describe(c);
  }
};

TEST_F(RowKernels, MatchTheGeneralPathForEveryDepthAndOperation) {
  std::mt19937 rng(20261207);
  auto pick = [&](int lo, int hi) { return lo + static_cast<int>(rng() % (hi - lo + 1)); };
  const int depths[] = {1, 8, 24, 32};
  for (int srcBpp : depths) {
    for (int dstBpp : depths) {
      for (DWORD rop : kRops) {
        for (int k = 0; k < 12; ++k) {
          Case c{};
          c.srcBpp = srcBpp;
          c.dstBpp = dstBpp;
          c.srcW = pick(1, 70);
          c.srcH = pick(1, 5) * (rng() & 1 ? 1 : -1);
          c.dstW = pick(1, 70);
          c.dstH = pick(1, 5) * (rng() & 1 ? 1 : -1);
          c.rop = rop;
          c.seed = static_cast<uint32_t>(rng());
          c.sharedTable = rng() & 1;
          // Rectangles that start before, inside or near the end of both
          // bitmaps, so spans are cut on either side.
          c.w = pick(1, 75);
          c.h = pick(1, 6);
          c.x = pick(-9, c.dstW);
          c.y = pick(-2, 4);
          c.sx = pick(-9, c.srcW);
          c.sy = pick(-2, 4);
          c.sw = c.w;
          c.sh = c.h;
          const int mirror = pick(0, 3);
          if (mirror & 1) c.sx += c.w - 1, c.sw = -c.w;
          if (mirror & 2) c.sy += c.h - 1, c.sh = -c.h;
          Check(c);
        }
      }
    }
  }
}

// The strip and the canvas are mirrored within themselves; the source and
// destination overlap.
TEST_F(RowKernels, MatchTheGeneralPathWhenMirroringInPlace) {
  std::mt19937 rng(7);
  for (int bpp : {1, 8, 24, 32}) {
    for (int k = 0; k < 20; ++k) {
      const int w = 1 + static_cast<int>(rng() % 60), h = 1 + static_cast<int>(rng() % 4);
      const int x = static_cast<int>(rng() % 9), len = 1 + static_cast<int>(rng() % w);
      Case c{};
      c.srcBpp = c.dstBpp = bpp;
      c.srcW = c.dstW = w;
      c.srcH = c.dstH = rng() & 1 ? h : -h;
      c.x = x;
      c.w = len;
      c.h = h;
      c.sx = x + len - 1;
      c.sw = -len;
      c.sh = rng() & 1 ? h : -h;
      c.sy = c.sh < 0 ? h - 1 : 0;
      c.rop = SRCCOPY;
      c.inPlace = true;
      c.seed = static_cast<uint32_t>(rng());
      Check(c);
    }
  }
}

// The spans the control draws every frame, at widths around the kernels'
// block sizes (8 pixels per mask byte, 4 and 6 pixels in the colour
// kernels) and at every bit offset of a 1-bit span, with every operation
// of the indexed spans into colour.
TEST_F(RowKernels, MatchTheGeneralPathAtBlockEdgesAndBitOffsets) {
  struct Pair {
    int srcBpp, dstBpp;
    DWORD rop;
  };
  const Pair pairs[] = {{8, 24, SRCCOPY},   {8, 24, SRCAND},     {8, 24, SRCPAINT},
                        {8, 24, SRCINVERT}, {8, 24, NOTSRCCOPY}, {8, 1, SRCCOPY},
                        {8, 1, SRCAND},     {1, 32, SRCAND},     {24, 32, SRCPAINT},
                        {8, 32, SRCCOPY},   {8, 32, SRCPAINT},   {8, 32, NOTSRCCOPY},
                        {1, 1, SRCCOPY},    {1, 1, SRCAND}};
  uint32_t seed = 1;
  for (const Pair& p : pairs) {
    for (int n = 1; n <= 19; ++n) {
      for (int offset = 0; offset < 8; ++offset) {
        Case c{};
        c.srcBpp = p.srcBpp;
        c.dstBpp = p.dstBpp;
        c.srcW = 8 + n + (offset * 3) % 8;
        c.srcH = 2;
        c.dstW = 8 + n + offset;
        c.dstH = -2;
        c.x = offset;
        c.sx = (offset * 3) % 8;
        c.w = c.sw = n;
        c.h = c.sh = 2;
        c.rop = p.rop;
        c.seed = seed++;
        Check(c);
      }
    }
  }
}

// Places a stretch whose extents are set at random on both bitmaps, cut on
// either side, mirrored on either axis or both.
template <class Pick>
void PlaceStretch(Case& c, Pick& pick) {
  c.x = pick(-9, c.dstW);
  c.y = pick(-3, 6);
  c.sx = pick(-5, c.srcW);
  c.sy = pick(-2, 4);
  const int mirror = pick(0, 3);
  if (mirror & 1) c.sx += c.sw - 1, c.sw = -c.sw;
  if (mirror & 2) c.sy += c.sh - 1, c.sh = -c.sh;
}

// HALFTONE stretches (vector sums, kept plans, uniform rows filled at once)
// against the general weighted sums: random sizes, offsets, enlarging and
// shrinking factors on each axis, mirroring, every depth pair and operation.
// Some sources are uniform in places, as a transparency mask mostly is.
TEST_F(RowKernels, HalftoneMatchesTheGeneralPath) {
  std::mt19937 rng(20261208);
  auto pick = [&](int lo, int hi) { return lo + static_cast<int>(rng() % (hi - lo + 1)); };
  const int depths[] = {1, 8, 24, 32};
  for (int srcBpp : depths) {
    for (int dstBpp : depths) {
      for (DWORD rop : kRops) {
        for (int k = 0; k < 6; ++k) {
          Case c{};
          c.mode = HALFTONE;
          c.srcBpp = srcBpp;
          c.dstBpp = dstBpp;
          c.srcW = pick(1, 60);
          c.srcH = pick(1, 12) * (rng() & 1 ? 1 : -1);
          c.dstW = pick(1, 90);
          c.dstH = pick(1, 14) * (rng() & 1 ? 1 : -1);
          c.rop = rop;
          c.seed = static_cast<uint32_t>(rng());
          c.sharedTable = rng() & 1;
          c.sw = pick(1, 60);
          c.sh = pick(1, 12);
          // From a quarter to four times the source on each axis.
          c.w = std::max(1, c.sw * pick(1, 16) / 4);
          c.h = std::max(1, c.sh * pick(1, 16) / 4);
          PlaceStretch(c, pick);
          c.inPlace = srcBpp == dstBpp && pick(0, 5) == 0;
          Check(c);
        }
      }
    }
  }
}

// The bits of destination pixel (x, y) in the bytes Draw returns.
uint32_t PixelBits(const std::vector<uint8_t>& bytes, const Case& c, int x, int y) {
  const int height = std::abs(c.dstH);
  const size_t stride = static_cast<size_t>((c.dstW * c.dstBpp + 31) / 32 * 4);
  const uint8_t* row = bytes.data() + stride * static_cast<size_t>(c.dstH < 0 ? y : height - 1 - y);
  if (c.dstBpp == 1) return (row[x / 8] >> (7 - x % 8)) & 1u;
  uint32_t v = 0;
  for (int b = 0; b < c.dstBpp / 8; ++b) v |= uint32_t{row[x * c.dstBpp / 8 + b]} << (8 * b);
  return v;
}

// A transfer into a clipped DC gives every pixel inside the clip exactly its
// value from the whole transfer (stretched pixels read the same taps) and
// leaves every pixel outside as it was: every stretch mode, depth pair and
// operation, enlarging, shrinking and mirroring, with clips cutting the
// transfer anywhere, on the general path and the fast ones.
TEST_F(RowKernels, ClippedTransfersDrawThePixelsOfTheWholeOneInsideTheClip) {
  std::mt19937 rng(1225);
  auto pick = [&](int lo, int hi) { return lo + static_cast<int>(rng() % (hi - lo + 1)); };
  const int depths[] = {1, 8, 24, 32};
  const int modes[] = {HALFTONE, COLORONCOLOR, BLACKONWHITE, WHITEONBLACK};
  for (int srcBpp : depths) {
    for (int dstBpp : depths) {
      for (int k = 0; k < 20; ++k) {
        Case c{};
        c.mode = modes[k % 4];
        c.srcBpp = srcBpp;
        c.dstBpp = dstBpp;
        c.srcW = pick(1, 40);
        c.srcH = pick(1, 10) * (rng() & 1 ? 1 : -1);
        c.dstW = pick(1, 60);
        c.dstH = pick(1, 12) * (rng() & 1 ? 1 : -1);
        c.rop = kRops[pick(0, 4)];
        c.seed = static_cast<uint32_t>(rng());
        c.sharedTable = rng() & 1;
        c.sw = pick(1, 40);
        c.sh = pick(1, 10);
        c.w = k % 5 == 0 ? c.sw : std::max(1, c.sw * pick(1, 16) / 4);
        c.h = k % 5 == 0 ? c.sh : std::max(1, c.sh * pick(1, 16) / 4);
        PlaceStretch(c, pick);
        const int height = std::abs(c.dstH);
        const RECT clip{pick(-4, c.dstW), pick(-2, height), 0, 0};
        c.clip = RECT{clip.left, clip.top, clip.left + pick(0, c.dstW), clip.top + pick(0, height)};

        const auto whole = Draw(c, 0);
        Case before = c;
        before.drawn = false;
        const auto untouched = Draw(before, 0);
        c.clipped = true;
        for (int level : {0, 1, 2}) {
          const auto clipped = Draw(c, level);
          for (int y = 0; y < height; ++y) {
            for (int x = 0; x < c.dstW; ++x) {
              const bool inside =
                  x >= c.clip.left && x < c.clip.right && y >= c.clip.top && y < c.clip.bottom;
              ASSERT_EQ(PixelBits(clipped, c, x, y), PixelBits(inside ? whole : untouched, c, x, y))
                  << Describe(c) << " mode " << c.mode << " level " << level << " clip "
                  << c.clip.left << "," << c.clip.top << " to " << c.clip.right << ","
                  << c.clip.bottom << " at " << x << "," << y;
            }
          }
        }
      }
    }
  }
}

// Solid fills (PatBlt's operations and FillRect) write whole words and bytes;
// the pixel-by-pixel fill is the reference.
TEST_F(RowKernels, FillsMatchThePixelByPixelFill) {
  std::mt19937 rng(99);
  auto pick = [&](int lo, int hi) { return lo + static_cast<int>(rng() % (hi - lo + 1)); };
  const DWORD patterns[] = {PATCOPY, PATINVERT, DSTINVERT, BLACKNESS, WHITENESS};
  for (int bpp : {1, 8, 24, 32}) {
    for (int k = 0; k < 40; ++k) {
      const int w = pick(1, 70), h = pick(1, 4) * (rng() & 1 ? 1 : -1);
      const RECT box{pick(-9, w), pick(-2, 3), 0, 0};
      const RECT rect{box.left, box.top, box.left + pick(0, 75), box.top + pick(0, 5)};
      const COLORREF colour = rng() & 0xFFFFFF;
      const DWORD rop = patterns[k % 5];
      const uint32_t seed = static_cast<uint32_t>(rng());
      auto fill = [&](int level) {
        detail::SetRowKernelLevel(level);
        std::mt19937 fillRng(seed);
        Surface s(w, h, bpp, Table(fillRng, bpp));
        Randomise(s, fillRng);
        const HBRUSH brush = CreateSolidBrush(colour);
        const HGDIOBJ old = SelectObject(s.dc, brush);
        if (k % 2) {
          FillRect(s.dc, &rect, brush);
        } else {
          PatBlt(s.dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, rop);
        }
        SelectObject(s.dc, old);
        DeleteObject(brush);
        const auto* p = static_cast<const uint8_t*>(s.raw);
        return std::vector<uint8_t>(p, p + static_cast<size_t>(s.stride) * s.height);
      };
      const auto reference = fill(0);
      EXPECT_EQ(fill(1), reference) << bpp << " bits, fill " << k << " of " << rect.left << ","
                                    << rect.top << " to " << rect.right << "," << rect.bottom;
    }
  }
}

}  // namespace
}  // namespace veltrano::gdi
