// BitBlt and unscaled StretchBlt: raster operations, depth conversions,
// clipping and mirroring.
#include <gtest/gtest.h>

#include "tests/platform/gdi/gdi_test_util.h"

namespace veltrano::gdi {
namespace {

using testing::Surface;

TEST(BitBlt, RasterOperationsOnColourPixels) {
  struct Case {
    DWORD rop;
    uint32_t expected;
  } cases[] = {
      {SRCCOPY, 0x00336699},   {SRCAND, 0x00306090},     {SRCPAINT, 0x00F3F6F9},
      {SRCINVERT, 0x00C39669}, {NOTSRCCOPY, 0x00CC9966},
  };
  for (int dstBpp : {24, 32}) {
    for (const Case& c : cases) {
      Surface src(1, 1, 24), dst(1, 1, dstBpp);
      src.Set(0, 0, 0x00336699);
      dst.Set(0, 0, dstBpp == 32 ? 0xAAF0F0F0 : 0x00F0F0F0);  // 32 bits: a stray fourth byte
      ASSERT_NE(BitBlt(dst.dc, 0, 0, 1, 1, src.dc, 0, 0, c.rop), 0);
      EXPECT_EQ(dst.At(0, 0), c.expected) << std::hex << c.rop << " into " << std::dec << dstBpp;
    }
  }
  Surface src(1, 1, 24), dst(1, 1, 24);
  EXPECT_EQ(BitBlt(dst.dc, 0, 0, 1, 1, src.dc, 0, 0, 0x00BB0226), 0);  // unsupported
}

TEST(BitBlt, IndexedSourcesMapThroughTheirTable) {
  Surface strip(4, 1, 8, {0x000000, 0x112233, 0xFFFFFF, 0x0000FF});
  strip.Load({1, 2, 3, 0});
  for (int bpp : {24, 32}) {
    Surface dst(4, 1, bpp);
    BitBlt(dst.dc, 0, 0, 4, 1, strip.dc, 0, 0, SRCCOPY);
    EXPECT_EQ(dst.Values(), (std::vector<uint32_t>{0x112233, 0xFFFFFF, 0x0000FF, 0x000000}));
  }
  // A mono source takes the colours of its own table, whatever they are.
  Surface mono(3, 1, 1, {0x00FF0000, 0x000000FF});
  mono.Load({0, 1, 0});
  Surface dst(3, 1, 32);
  BitBlt(dst.dc, 0, 0, 3, 1, mono.dc, 0, 0, SRCCOPY);
  EXPECT_EQ(dst.Values(), (std::vector<uint32_t>{0xFF0000, 0x0000FF, 0xFF0000}));
  // And the raster operation works on the resulting colours.
  dst.Load({0x123456, 0x123456, 0x123456});
  BitBlt(dst.dc, 0, 0, 3, 1, mono.dc, 0, 0, SRCAND);
  EXPECT_EQ(dst.Values(), (std::vector<uint32_t>{0x120000, 0x000056, 0x120000}));
}

TEST(BitBlt, IntoEightBitsKeepsSharedIndicesAndOtherwiseTakesNearest) {
  // Both tables hold white at 1 and 2: the indices are kept, not collapsed.
  const std::initializer_list<uint32_t> table = {0x000000, 0xFFFFFF, 0xFFFFFF, 0x808080};
  Surface a(4, 1, 8, table), b(4, 1, 8, table);
  a.Load({3, 2, 1, 0});
  BitBlt(b.dc, 0, 0, 4, 1, a.dc, 0, 0, SRCCOPY);
  EXPECT_EQ(b.Values(), (std::vector<uint32_t>{3, 2, 1, 0}));

  // Different tables: nearest colour, lowest index on ties.
  Surface c(4, 1, 8, {0xFF0000, 0x00FF00, 0x0000FF, 0xFF0000});
  a.Load({0, 1, 3, 3});
  SetDIBColorTable(a.dc, 3, 1, std::initializer_list<uint32_t>{0xF01010}.begin());
  BitBlt(c.dc, 0, 0, 4, 1, a.dc, 0, 0, SRCCOPY);
  // Black finds the black of the unused entries (4); white is as far from
  // red, green and blue: the tie goes to red (0); 0xF01010 is nearest red.
  EXPECT_EQ(c.Values(), (std::vector<uint32_t>{4, 0, 0, 0}));

  Surface rgb(3, 1, 24);
  rgb.Load({0x00EE1111, 0x0011EE11, 0x001111EE});
  BitBlt(c.dc, 0, 0, 3, 1, rgb.dc, 0, 0, SRCCOPY);
  EXPECT_EQ(c.Values(), (std::vector<uint32_t>{0, 1, 2, 0}));

  // Raster operations on an indexed destination work on the indices.
  Surface idx(1, 1, 8, std::vector<uint32_t>(256, 0));
  Surface src(1, 1, 8, std::vector<uint32_t>(256, 0));
  idx.Set(0, 0, 0x0F);
  src.Set(0, 0, 0x3C);
  BitBlt(idx.dc, 0, 0, 1, 1, src.dc, 0, 0, SRCAND);
  EXPECT_EQ(idx.At(0, 0), 0x0Cu);
  BitBlt(idx.dc, 0, 0, 1, 1, src.dc, 0, 0, SRCPAINT);
  EXPECT_EQ(idx.At(0, 0), 0x3Cu);
}

TEST(BitBlt, ColourToMonoComparesWithTheSourceBackground) {
  // The transparency-mask case: an 8-bit frame whose table is all black but
  // for the transparent index, which is white.
  std::vector<uint32_t> maskTable(256, 0);
  maskTable[7] = 0xFFFFFF;
  Surface frame(4, 1, 8, maskTable);
  frame.Load({7, 1, 7, 0});
  Surface mask(4, 1, 1, {0x000000, 0xFFFFFF});
  mask.Load({1, 1, 1, 1});
  BitBlt(mask.dc, 0, 0, 4, 1, frame.dc, 0, 0, SRCAND);
  EXPECT_EQ(mask.Values(), (std::vector<uint32_t>{1, 0, 1, 0}));

  // A colour source: 1 only where the pixel equals the background colour.
  Surface rgb(4, 1, 32);
  rgb.Load({0xFFFFFF, 0xFEFFFF, 0x123456, 0x000000});
  BitBlt(mask.dc, 0, 0, 4, 1, rgb.dc, 0, 0, SRCCOPY);
  EXPECT_EQ(mask.Values(), (std::vector<uint32_t>{1, 0, 0, 0}));
  SetBkColor(rgb.dc, RGB(0x12, 0x34, 0x56));  // a COLORREF: red in the low byte
  BitBlt(mask.dc, 0, 0, 4, 1, rgb.dc, 0, 0, SRCCOPY);
  EXPECT_EQ(mask.Values(), (std::vector<uint32_t>{0, 0, 1, 0}));

  // Mono to mono copies bits, whatever the two tables say.
  Surface inverted(4, 1, 1, {0xFFFFFF, 0x000000});
  inverted.Load({0, 1, 1, 0});
  BitBlt(mask.dc, 0, 0, 4, 1, inverted.dc, 0, 0, SRCCOPY);
  EXPECT_EQ(mask.Values(), (std::vector<uint32_t>{0, 1, 1, 0}));
}

TEST(BitBlt, ClipsToBothBitmapsAndLeavesTheRestAlone) {
  Surface src(4, 4, 32), dst(5, 5, 32);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) src.Set(x, y, static_cast<uint32_t>(0x100 * (y + 1) + x + 1));
  dst.Fill(0xEEEEEE);
  // Destination partly off the top-left; source partly off the bottom-right.
  ASSERT_NE(BitBlt(dst.dc, -1, -1, 10, 10, src.dc, 0, 0, SRCCOPY), 0);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x) {
      const bool inside = x + 1 < 4 && y + 1 < 4;
      EXPECT_EQ(dst.At(x, y), inside ? 0x100u * (y + 2) + x + 2 : 0xEEEEEEu) << x << "," << y;
    }
  // A negative source origin: those destination pixels stay.
  dst.Fill(0xEEEEEE);
  BitBlt(dst.dc, 0, 0, 3, 1, src.dc, -2, 0, SRCCOPY);
  EXPECT_EQ(dst.At(0, 0), 0xEEEEEEu);
  EXPECT_EQ(dst.At(1, 0), 0xEEEEEEu);
  EXPECT_EQ(dst.At(2, 0), 0x101u);
  // Entirely outside, huge extents, extreme origins: valid calls, no change.
  dst.Fill(0xEEEEEE);
  EXPECT_NE(BitBlt(dst.dc, 100, 100, 5, 5, src.dc, 0, 0, SRCCOPY), 0);
  EXPECT_NE(BitBlt(dst.dc, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, src.dc, INT32_MAX, INT32_MAX,
                   SRCCOPY),
            0);
  EXPECT_NE(
      StretchBlt(dst.dc, INT32_MAX, 0, INT32_MIN, 5, src.dc, INT32_MIN, 0, INT32_MAX, 4, SRCCOPY),
      0);
  for (uint32_t v : dst.Values()) ASSERT_EQ(v, 0xEEEEEEu);
}

TEST(BitBlt, NegativeExtentsMirrorFromTheFirstPixel) {
  Surface src(4, 2, 8, {0, 1, 2, 3, 4, 5, 6, 7}), dst(4, 2, 8, {0, 1, 2, 3, 4, 5, 6, 7});
  src.Load({0, 1, 2, 3, 4, 5, 6, 7});
  auto run = [&](int xd, int yd, int wd, int hd, int xs, int ys, int ws, int hs) {
    dst.Fill(0);
    StretchBlt(dst.dc, xd, yd, wd, hd, src.dc, xs, ys, ws, hs, SRCCOPY);
    return dst.Values();
  };
  const std::vector<uint32_t> same = {0, 1, 2, 3, 4, 5, 6, 7};
  const std::vector<uint32_t> horizontal = {3, 2, 1, 0, 7, 6, 5, 4};
  const std::vector<uint32_t> vertical = {4, 5, 6, 7, 0, 1, 2, 3};
  const std::vector<uint32_t> both = {7, 6, 5, 4, 3, 2, 1, 0};
  EXPECT_EQ(run(0, 0, 4, 2, 3, 0, -4, 2), horizontal);
  EXPECT_EQ(run(3, 0, -4, 2, 0, 0, 4, 2), horizontal);
  EXPECT_EQ(run(3, 0, -4, 2, 3, 0, -4, 2), same);  // both negative: no mirror
  EXPECT_EQ(run(0, 0, 4, 2, 0, 1, 4, -2), vertical);
  EXPECT_EQ(run(0, 0, 4, 2, 3, 1, -4, -2), both);
}

TEST(BitBlt, MirrorsAFrameInPlaceWithoutTouchingItsNeighbours) {
  // A strip of three frames side by side; the middle one (x 3..6) is flipped
  // in place both ways, as the GIF control does, in every depth.
  for (int bpp : {1, 8, 24, 32}) {
    Surface strip(10, 3, bpp, {0x000000, 0xFFFFFF});
    std::vector<uint32_t> original;
    for (int i = 0; i < 30; ++i)
      original.push_back(bpp == 1 ? (i * 7 + i / 3) % 2 : static_cast<uint32_t>(i * 5 + 1));
    if (bpp == 8) {
      std::vector<uint32_t> table;
      for (int i = 0; i < 256; ++i) table.push_back(static_cast<uint32_t>(i));
      SetDIBColorTable(strip.dc, 0, 256, table.data());
    }
    strip.Load(original);
    ASSERT_NE(StretchBlt(strip.dc, 3, 0, 4, 3, strip.dc, 6, 2, -4, -3, SRCCOPY), 0);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 10; ++x) {
        const bool inFrame = x >= 3 && x <= 6;
        const int sx = inFrame ? 9 - x : x, sy = inFrame ? 2 - y : y;
        ASSERT_EQ(strip.At(x, y), original[static_cast<size_t>(sy * 10 + sx)])
            << bpp << " bpp at " << x << "," << y;
      }
    StretchBlt(strip.dc, 3, 0, 4, 3, strip.dc, 6, 2, -4, -3, SRCCOPY);
    EXPECT_EQ(strip.Values(), original) << bpp;
  }
}

TEST(BitBlt, OverlappingCopyWithinOneBitmapReadsTheOriginal) {
  Surface s(5, 3, 8, {0, 1, 2, 3, 4, 5, 6, 7, 8});
  s.Load({1, 2, 3, 4, 5, 2, 2, 2, 2, 2, 3, 3, 3, 3, 3});
  BitBlt(s.dc, 1, 1, 4, 2, s.dc, 0, 0, SRCCOPY);  // down-right by one
  EXPECT_EQ(s.Values(), (std::vector<uint32_t>{1, 2, 3, 4, 5, 2, 1, 2, 3, 4, 3, 2, 2, 2, 2}));
}

}  // namespace
}  // namespace veltrano::gdi
