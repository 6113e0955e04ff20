// StretchBlt in each stretch mode, StretchDIBits, and a randomised check of
// scaled, mirrored and clipped transfers against a direct per-pixel model.
#include <gtest/gtest.h>

#include <random>

#include "tests/platform/gdi/gdi_test_util.h"

namespace veltrano::gdi {
namespace {

using testing::Surface;

std::vector<uint32_t> Stretch1D(int mode, std::vector<uint32_t> in, int bpp, int dstWidth,
                                int srcExtent = 0) {
  const int n = static_cast<int>(in.size());
  Surface src(n, 1, bpp, {0x000000, 0xFFFFFF}), dst(dstWidth, 1, bpp, {0x000000, 0xFFFFFF});
  src.Load(in);
  SetStretchBltMode(dst.dc, mode);
  const int xs = srcExtent < 0 ? n - 1 : 0;
  StretchBlt(dst.dc, 0, 0, dstWidth, 1, src.dc, xs, 0, srcExtent ? srcExtent : n, 1, SRCCOPY);
  return dst.Values();
}

using V = std::vector<uint32_t>;

TEST(StretchBlt, ColorOnColorSamplesUnderThePixelCentre) {
  EXPECT_EQ(Stretch1D(COLORONCOLOR, {1, 2}, 32, 4), (V{1, 1, 2, 2}));
  EXPECT_EQ(Stretch1D(COLORONCOLOR, {1, 2, 3}, 32, 5), (V{1, 1, 2, 3, 3}));
  EXPECT_EQ(Stretch1D(COLORONCOLOR, {1, 2, 3, 4}, 32, 2), (V{2, 4}));
  EXPECT_EQ(Stretch1D(COLORONCOLOR, {1, 2, 3, 4, 5}, 32, 2), (V{2, 4}));
  EXPECT_EQ(Stretch1D(COLORONCOLOR, {1, 2, 3}, 32, 6, -3), (V{3, 3, 2, 2, 1, 1}));
}

TEST(StretchBlt, AndOrScansCombineWhatIsDroppedWhenShrinking) {
  const V bits = {1, 0, 1, 1, 0, 0};
  EXPECT_EQ(Stretch1D(BLACKONWHITE, bits, 1, 3), (V{0, 1, 0}));
  EXPECT_EQ(Stretch1D(WHITEONBLACK, bits, 1, 3), (V{1, 1, 0}));
  EXPECT_EQ(Stretch1D(COLORONCOLOR, bits, 1, 3), (V{0, 1, 0}));
  EXPECT_EQ(Stretch1D(WHITEONBLACK, {1, 0}, 1, 4), (V{1, 1, 0, 0}));  // enlarging: replicate
  // On colours the scans combine the RGB values bitwise.
  EXPECT_EQ(Stretch1D(BLACKONWHITE, {0xF0F0F0, 0x3C3C3C}, 32, 1), (V{0x303030}));
  EXPECT_EQ(Stretch1D(WHITEONBLACK, {0xF0F0F0, 0x0C3C3C}, 32, 1), (V{0xFCFCFC}));

  // A fresh DC shrinks with BLACKONWHITE.
  Surface src(2, 1, 1, {0, 0xFFFFFF}), dst(1, 1, 1, {0, 0xFFFFFF});
  src.Load({1, 0});
  dst.Fill(1);
  EXPECT_EQ(GetStretchBltMode(dst.dc), BLACKONWHITE);
  StretchBlt(dst.dc, 0, 0, 1, 1, src.dc, 0, 0, 2, 1, SRCCOPY);
  EXPECT_EQ(dst.At(0, 0), 0u);
  // The vertical direction combines rows the same way.
  Surface column(1, 4, 1, {0, 0xFFFFFF}), half(1, 2, 1, {0, 0xFFFFFF});
  column.Load({1, 1, 0, 1});
  StretchBlt(half.dc, 0, 0, 1, 2, column.dc, 0, 0, 1, 4, SRCCOPY);
  EXPECT_EQ(half.Values(), (V{1, 0}));
}

TEST(StretchBlt, HalftoneBoxAveragesWhenShrinkingAndInterpolatesWhenEnlarging) {
  EXPECT_EQ(Stretch1D(HALFTONE, {0, 100, 200, 255}, 24, 2), (V{50, 228}));
  EXPECT_EQ(Stretch1D(HALFTONE, {0, 90, 180}, 24, 2), (V{30, 150}));
  EXPECT_EQ(Stretch1D(HALFTONE, {0, 200}, 24, 4), (V{0, 50, 150, 200}));
  EXPECT_EQ(Stretch1D(HALFTONE, {0, 200}, 24, 4, -2), (V{200, 150, 50, 0}));
  // Channels are filtered separately.
  EXPECT_EQ(Stretch1D(HALFTONE, {0xFF0000, 0x0000FF}, 32, 1), (V{0x800080}));
  // Equal extents copy exactly.
  EXPECT_EQ(Stretch1D(HALFTONE, {7, 0x123456, 9}, 24, 3), (V{7, 0x123456, 9}));

  // Both axes: 2 x 2 to 1 x 1 is the mean of the four pixels.
  Surface four(2, 2, 32), one(1, 1, 32);
  four.Load({10, 20, 30, 40});
  SetStretchBltMode(one.dc, HALFTONE);
  StretchBlt(one.dc, 0, 0, 1, 1, four.dc, 0, 0, 2, 2, SRCCOPY);
  EXPECT_EQ(one.At(0, 0), 25u);

  // Down the columns the same weights apply as along the rows: enlarging
  // blends two neighbouring rows (edges clamped), shrinking averages them.
  auto column = [](std::vector<uint32_t> in, int dstHeight, bool flip) {
    const int n = static_cast<int>(in.size());
    Surface src(1, n, 24), dst(1, dstHeight, 24);
    src.Load(in);
    SetStretchBltMode(dst.dc, HALFTONE);
    StretchBlt(dst.dc, 0, 0, 1, dstHeight, src.dc, 0, flip ? n - 1 : 0, 1, flip ? -n : n, SRCCOPY);
    return dst.Values();
  };
  EXPECT_EQ(column({0, 200}, 4, false), (V{0, 50, 150, 200}));
  EXPECT_EQ(column({0, 200}, 4, true), (V{200, 150, 50, 0}));
  EXPECT_EQ(column({0, 100, 200, 255}, 2, false), (V{50, 228}));
  EXPECT_EQ(column({0, 90, 180}, 2, false), (V{30, 150}));

  // A long shrink averages every row it covers.
  Surface tall(1, 3001, 24), dot(1, 3, 24);
  for (int y = 0; y < 3001; ++y) tall.Set(0, y, y % 2 ? 0x000000 : 0x00C8C8C8);
  SetStretchBltMode(dot.dc, HALFTONE);
  StretchBlt(dot.dc, 0, 0, 1, 3, tall.dc, 0, 0, 1, 3001, SRCCOPY);
  for (int y = 0; y < 3; ++y) EXPECT_EQ(dot.At(0, y), 0x00646464u) << y;

  // An 8-bit source is filtered on its table's colours; an unscaled 8-bit to
  // 8-bit transfer keeps the indices.
  Surface idx(2, 1, 8, {0x000000, 0x0000C8, 0x0000C8});
  idx.Load({0, 2});
  Surface wide(4, 1, 24);
  SetStretchBltMode(wide.dc, HALFTONE);
  StretchBlt(wide.dc, 0, 0, 4, 1, idx.dc, 0, 0, 2, 1, SRCCOPY);
  EXPECT_EQ(wide.Values(), (V{0, 50, 150, 200}));
  Surface same(2, 1, 8, {0x000000, 0x0000C8, 0x0000C8});
  SetStretchBltMode(same.dc, HALFTONE);
  StretchBlt(same.dc, 0, 0, 2, 1, idx.dc, 0, 0, 2, 1, SRCCOPY);
  EXPECT_EQ(same.Values(), (V{0, 2}));
}

TEST(StretchBlt, ClippingDoesNotMoveTheSamples) {
  for (int mode : {COLORONCOLOR, HALFTONE}) {
    Surface src(3, 3, 24);
    for (int i = 0; i < 9; ++i) src.Set(i % 3, i / 3, static_cast<uint32_t>(i * 25));
    Surface full(7, 7, 24), clipped(7, 7, 24);
    SetStretchBltMode(full.dc, mode);
    SetStretchBltMode(clipped.dc, mode);
    StretchBlt(full.dc, 0, 0, 7, 7, src.dc, 0, 0, 3, 3, SRCCOPY);
    StretchBlt(clipped.dc, -2, -3, 7, 7, src.dc, 0, 0, 3, 3, SRCCOPY);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 5; ++x) ASSERT_EQ(clipped.At(x, y), full.At(x + 2, y + 3)) << mode;
  }
}

TEST(StretchDIBits, DrawsPackedBottomUpAndTopDownDibs) {
  // 2 x 2, 8 bits, rows padded to 4 bytes; bottom-up: the first row in
  // memory is the bottom of the picture.
  BITMAPINFO bmi{};
  bmi.bmiHeader.biWidth = 2;
  bmi.bmiHeader.biHeight = 2;
  bmi.bmiHeader.biBitCount = 8;
  bmi.bmiHeader.biClrUsed = 4;
  for (int i = 0; i < 4; ++i) bmi.bmiColors[i] = ToRgbQuad(static_cast<uint32_t>(0x10 * (i + 1)));
  const uint8_t bits[8] = {2, 3, 0, 0, 0, 1, 0, 0};
  Surface dst(2, 2, 32);
  EXPECT_EQ(StretchDIBits(dst.dc, 0, 0, 2, 2, 0, 0, 2, 2, bits, &bmi, DIB_RGB_COLORS, SRCCOPY), 2);
  EXPECT_EQ(dst.Values(), (V{0x10, 0x20, 0x30, 0x40}));
  // Source line 1 counted from the bottom is the top row.
  dst.Fill(0);
  StretchDIBits(dst.dc, 0, 0, 2, 1, 0, 1, 2, 1, bits, &bmi, DIB_RGB_COLORS, SRCCOPY);
  EXPECT_EQ(dst.Values(), (V{0x10, 0x20, 0, 0}));
  // Top-down: the first row in memory is the top.
  bmi.bmiHeader.biHeight = -2;
  StretchDIBits(dst.dc, 0, 0, 2, 2, 0, 0, 2, 2, bits, &bmi, DIB_RGB_COLORS, SRCCOPY);
  EXPECT_EQ(dst.Values(), (V{0x30, 0x40, 0x10, 0x20}));
  bmi.bmiHeader.biBitCount = 16;
  EXPECT_EQ(StretchDIBits(dst.dc, 0, 0, 2, 2, 0, 0, 2, 2, bits, &bmi, DIB_RGB_COLORS, SRCCOPY), 0);
}

// A direct model of a COLORONCOLOR transfer into a colour bitmap, written
// per destination pixel from the definitions, to check the row engine's
// planning, clipping, mirroring and caching on random cases.
uint32_t SourceColour(const Surface& s, const std::vector<uint32_t>& table, int x, int y) {
  const uint32_t v = s.At(x, y);
  return s.bpp <= 8 ? table[v] : (v & 0xFFFFFF);
}

TEST(StretchBlt, RandomTransfersMatchAPerPixelModel) {
  std::mt19937 rng(20240607);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const int depths[] = {1, 8, 24, 32};
  const DWORD rops[] = {SRCCOPY, SRCAND, SRCPAINT, SRCINVERT};
  for (int iter = 0; iter < 1000; ++iter) {
    const int srcBpp = depths[pick(0, 3)], dstBpp = pick(0, 1) ? 24 : 32;
    std::vector<uint32_t> table;
    for (int i = 0; i < 256; ++i) table.push_back(static_cast<uint32_t>(rng()) & 0xFFFFFF);
    if (srcBpp == 1) table.resize(2);
    Surface src(pick(1, 20), pick(1, 7) * (pick(0, 1) ? 1 : -1), srcBpp, table);
    Surface dst(pick(1, 9), pick(1, 7), dstBpp);
    table.resize(256, 0);
    for (int y = 0; y < src.height; ++y)
      for (int x = 0; x < src.width; ++x) src.Set(x, y, static_cast<uint32_t>(rng()));
    for (int y = 0; y < dst.height; ++y)
      for (int x = 0; x < dst.width; ++x) dst.Set(x, y, static_cast<uint32_t>(rng()) & 0xFFFFFF);
    const std::vector<uint32_t> before = dst.Values();

    const int xd = pick(-4, 10), yd = pick(-4, 8), wd = pick(-12, 12), hd = pick(-9, 9);
    const int xs = pick(-4, 22), ys = pick(-4, 8);
    // A third of the cases unscaled (the BitBlt paths), mirrored or not.
    const bool unscaled = pick(0, 2) == 0;
    const int ws = unscaled ? wd * (pick(0, 1) ? 1 : -1) : pick(-24, 24);
    const int hs = unscaled ? hd * (pick(0, 1) ? 1 : -1) : pick(-9, 9);
    const DWORD rop = rops[pick(0, 3)];
    SetStretchBltMode(dst.dc, COLORONCOLOR);
    ASSERT_NE(StretchBlt(dst.dc, xd, yd, wd, hd, src.dc, xs, ys, ws, hs, rop), 0);

    std::vector<uint32_t> expected = before;
    if (wd && hd && ws && hs) {
      const int dw = std::abs(wd), dh = std::abs(hd), sw = std::abs(ws), sh = std::abs(hs);
      const int dxl = wd < 0 ? xd + wd + 1 : xd, dyl = hd < 0 ? yd + hd + 1 : yd;
      const int sxl = ws < 0 ? xs + ws + 1 : xs, syl = hs < 0 ? ys + hs + 1 : ys;
      const bool fx = (wd < 0) != (ws < 0), fy = (hd < 0) != (hs < 0);
      for (int j = 0; j < dh; ++j)
        for (int i = 0; i < dw; ++i) {
          const int dx = dxl + i, dy = dyl + j;
          int cx = ((2 * i + 1) * sw) / (2 * dw), cy = ((2 * j + 1) * sh) / (2 * dh);
          const int sx = sxl + (fx ? sw - 1 - cx : cx), sy = syl + (fy ? sh - 1 - cy : cy);
          if (dx < 0 || dy < 0 || dx >= dst.width || dy >= dst.height) continue;
          if (sx < 0 || sy < 0 || sx >= src.width || sy >= src.height) continue;
          const uint32_t s = SourceColour(src, table, sx, sy);
          uint32_t& d = expected[static_cast<size_t>(dy * dst.width + dx)];
          switch (rop) {
            case SRCCOPY:
              d = s;
              break;
            case SRCAND:
              d &= s;
              break;
            case SRCPAINT:
              d |= s;
              break;
            default:
              d ^= s;
              break;
          }
        }
    }
    ASSERT_EQ(dst.Values(), expected)
        << "case " << iter << ": " << srcBpp << "->" << dstBpp << " dst " << xd << "," << yd << " "
        << wd << "x" << hd << " src " << xs << "," << ys << " " << ws << "x" << hs;
  }
}

}  // namespace
}  // namespace veltrano::gdi
