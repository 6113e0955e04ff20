// Brushes, fills, system colours, the styled rectangle outline and pixels.
#include <gtest/gtest.h>

#include "tests/platform/gdi/gdi_test_util.h"

namespace veltrano::gdi {
namespace {

using testing::Surface;
using V = std::vector<uint32_t>;

TEST(Fill, FillRectCoversLeftTopInclusiveRightBottomExclusive) {
  Surface s(4, 3, 32);
  HBRUSH brush = CreateSolidBrush(RGB(0x12, 0x34, 0x56));
  RECT r{1, 1, 3, 2};
  ASSERT_NE(FillRect(s.dc, &r, brush), 0);
  EXPECT_EQ(s.Values(), (V{0, 0, 0, 0, 0, 0x123456, 0x123456, 0, 0, 0, 0, 0}));
  RECT empty{3, 0, 1, 3};  // right < left: nothing
  FillRect(s.dc, &empty, brush);
  RECT clipped{-5, 2, 50, 50};
  FillRect(s.dc, &clipped, brush);
  EXPECT_EQ(s.Values(),
            (V{0, 0, 0, 0, 0, 0x123456, 0x123456, 0, 0x123456, 0x123456, 0x123456, 0x123456}));
  EXPECT_NE(DeleteObject(brush), 0);
  EXPECT_EQ(FillRect(s.dc, &r, brush), 0);  // deleted brush

  // A system-colour value resolves through GetSysColor; the hollow brush
  // paints nothing.
  HBRUSH face = CreateSolidBrush(kSystemColorFlag | COLOR_BTNFACE);
  RECT all{0, 0, 4, 3};
  FillRect(s.dc, &all, face);
  EXPECT_EQ(s.At(0, 0), ColorRefToQuadValue(GetSysColor(COLOR_BTNFACE)));
  FillRect(s.dc, &all, HBRUSH(GetStockObject(NULL_BRUSH)));
  EXPECT_EQ(s.At(3, 2), ColorRefToQuadValue(GetSysColor(COLOR_BTNFACE)));
  DeleteObject(face);
}

TEST(Fill, BrushesOnIndexedBitmapsTakeTheNearestEntry) {
  Surface mask(9, 1, 1, {0x000000, 0xFFFFFF});
  RECT r{0, 0, 9, 1};
  FillRect(mask.dc, &r, HBRUSH(GetStockObject(WHITE_BRUSH)));
  EXPECT_EQ(mask.Values(), V(9, 1));
  r = {2, 0, 7, 1};
  FillRect(mask.dc, &r, HBRUSH(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(mask.Values(), (V{1, 1, 0, 0, 0, 0, 0, 1, 1}));

  Surface idx(2, 1, 8, {0x000000, 0xFF0000, 0x00FF00, 0x0000FF});
  HBRUSH reddish = CreateSolidBrush(RGB(200, 30, 30));
  r = {0, 0, 2, 1};
  FillRect(idx.dc, &r, reddish);
  EXPECT_EQ(idx.Values(), (V{1, 1}));
  DeleteObject(reddish);
  EXPECT_EQ(SetPixel(idx.dc, 0, 0, RGB(10, 10, 250)), RGB(0, 0, 255));
  EXPECT_EQ(idx.At(0, 0), 3u);
  EXPECT_EQ(SetPixel(idx.dc, 2, 0, 0), CLR_INVALID);
  EXPECT_EQ(GetPixel(idx.dc, 0, -1), CLR_INVALID);
}

TEST(Fill, PatBltOperationsWithTheSelectedBrush) {
  Surface s(3, 1, 24);
  s.Load({0x0F0F0F, 0x0F0F0F, 0x0F0F0F});
  HBRUSH brush = CreateSolidBrush(RGB(0xF0, 0x00, 0xFF));  // 0x00F000FF as a pixel
  HGDIOBJ old = SelectObject(s.dc, brush);
  ASSERT_NE(PatBlt(s.dc, 0, 0, 1, 1, PATCOPY), 0);
  ASSERT_NE(PatBlt(s.dc, 2, 1, -1, -1, PATINVERT), 0);  // normalised: (1, 0) 1 x 1
  ASSERT_NE(PatBlt(s.dc, 2, 0, 1, 1, DSTINVERT), 0);
  EXPECT_EQ(s.Values(), (V{0xF000FF, 0xFF0FF0, 0xF0F0F0}));
  PatBlt(s.dc, 0, 0, 2, 1, WHITENESS);
  PatBlt(s.dc, 2, 0, 1, 1, BLACKNESS);
  EXPECT_EQ(s.Values(), (V{0xFFFFFF, 0xFFFFFF, 0}));
  EXPECT_EQ(PatBlt(s.dc, 0, 0, 1, 1, SRCCOPY), 0);
  // BitBlt accepts the source-less operations too.
  EXPECT_NE(BitBlt(s.dc, 0, 0, 1, 1, nullptr, 0, 0, PATCOPY), 0);
  EXPECT_EQ(s.At(0, 0), 0xF000FFu);
  SelectObject(s.dc, old);
  DeleteObject(brush);
}

// Fills stay inside the DC's clip rectangle; clips narrow each other, an
// empty one draws nothing, and a null region removes the clip.
TEST(Fill, FillsStayInsideTheClip) {
  Surface s(4, 2, 32);
  HBRUSH brush = CreateSolidBrush(RGB(0, 0, 9));
  const HGDIOBJ old = SelectObject(s.dc, brush);
  const RECT all{0, 0, 4, 2};
  EXPECT_EQ(IntersectClipRect(s.dc, 1, 0, 9, 1), SIMPLEREGION);
  FillRect(s.dc, &all, brush);
  EXPECT_EQ(s.Values(), (V{0, 9, 9, 9, 0, 0, 0, 0}));
  EXPECT_EQ(IntersectClipRect(s.dc, -3, -3, 3, 3), SIMPLEREGION);  // now 1..2 x 0
  PatBlt(s.dc, 0, 0, 4, 2, WHITENESS);
  EXPECT_EQ(s.Values(), (V{0, 0xFFFFFF, 0xFFFFFF, 9, 0, 0, 0, 0}));
  EXPECT_EQ(IntersectClipRect(s.dc, 3, 0, 4, 2), NULLREGION);
  BitBlt(s.dc, 0, 0, 4, 2, nullptr, 0, 0, PATCOPY);
  EXPECT_EQ(s.Values(), (V{0, 0xFFFFFF, 0xFFFFFF, 9, 0, 0, 0, 0}));
  EXPECT_EQ(SelectClipRgn(s.dc, nullptr), SIMPLEREGION);
  PatBlt(s.dc, 0, 0, 4, 2, BLACKNESS);
  EXPECT_EQ(s.Values(), V(8, 0));
  EXPECT_EQ(IntersectClipRect(HDC(), 0, 0, 1, 1), RGN_ERROR);
  SelectObject(s.dc, old);
  DeleteObject(brush);
}

TEST(SysColors, ClassicSchemeAndUnknownIndices) {
  EXPECT_EQ(GetSysColor(COLOR_WINDOWFRAME), RGB(0, 0, 0));
  EXPECT_EQ(GetSysColor(COLOR_WINDOW), RGB(255, 255, 255));
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), RGB(212, 208, 200));
  EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT), RGB(10, 36, 106));
  EXPECT_EQ(GetSysColor(-1), 0u);
  EXPECT_EQ(GetSysColor(31), 0u);
  EXPECT_TRUE(GetSysColorBrush(COLOR_BTNFACE));
  EXPECT_FALSE(GetSysColorBrush(200));
}

// The design-time outline: a dotted pen in a system colour around the
// client area.
TEST(Rectangle, DottedPenRunsClockwiseThreeOnThreeOff) {
  Surface s(8, 4, 32);
  s.Fill(0x00ABCDEF);
  HPEN pen = CreatePen(PS_DOT, 1, kSystemColorFlag | COLOR_HIGHLIGHT);  // 0x8000000D
  ASSERT_TRUE(pen);
  HGDIOBJ oldPen = SelectObject(s.dc, pen);
  HGDIOBJ oldBrush = SelectObject(s.dc, GetStockObject(NULL_BRUSH));
  SetBkMode(s.dc, TRANSPARENT);
  ASSERT_NE(Rectangle(s.dc, 0, 0, 8, 4), 0);

  const uint32_t ink = ColorRefToQuadValue(GetSysColor(COLOR_HIGHLIGHT));
  const uint32_t bg = 0x00ABCDEF;
  // Path positions: top 0..7 (x 0..7), right 8..10 (y 1..3), bottom 11..17
  // (x 6..0), left 18..19 (y 2..1). Drawn where position % 6 < 3.
  auto on = [](int p) { return p % 6 < 3; };
  V expected(32, bg);
  auto mark = [&](int x, int y, int p) {
    expected[static_cast<size_t>(y * 8 + x)] = on(p) ? ink : bg;
  };
  for (int x = 0; x < 8; ++x) mark(x, 0, x);
  for (int y = 1; y < 4; ++y) mark(7, y, 7 + y);
  for (int x = 6; x >= 0; --x) mark(x, 3, 11 + (6 - x));
  for (int y = 2; y >= 1; --y) mark(0, y, 18 + (2 - y));
  EXPECT_EQ(s.Values(), expected);

  // Opaque mode paints the gaps with the background colour; the brush fills
  // the inside.
  SetBkMode(s.dc, OPAQUE);
  SetBkColor(s.dc, RGB(1, 2, 3));
  SelectObject(s.dc, GetStockObject(BLACK_BRUSH));
  Rectangle(s.dc, 0, 0, 8, 4);
  for (size_t i = 0; i < expected.size(); ++i)
    if (expected[i] == bg) expected[i] = 0x010203;
  for (int x = 1; x < 7; ++x) expected[8 + x] = expected[16 + x] = 0;
  EXPECT_EQ(s.Values(), expected);

  SelectObject(s.dc, oldBrush);
  SelectObject(s.dc, oldPen);
  DeleteObject(pen);
}

TEST(Rectangle, SolidAndDegenerateOutlines) {
  Surface s(5, 4, 8, {0x000000, 0xFFFFFF});
  HGDIOBJ old = SelectObject(s.dc, GetStockObject(NULL_BRUSH));
  SelectObject(s.dc, GetStockObject(WHITE_PEN));
  Rectangle(s.dc, 4, 3, 1, 1);             // corners swapped: covers x 1..3, y 1..2
  EXPECT_EQ(s.Values(), (V{0, 0, 0, 0, 0,  //
                           0, 1, 1, 1, 0,  //
                           0, 1, 1, 1, 0,  //
                           0, 0, 0, 0, 0}));
  s.Fill(0);
  Rectangle(s.dc, 2, 0, 3, 4);  // one pixel wide: a vertical line
  Rectangle(s.dc, 0, 0, 2, 1);  // one pixel high
  EXPECT_EQ(s.Values(), (V{1, 1, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0}));
  // A huge rectangle only costs what is visible.
  EXPECT_NE(Rectangle(s.dc, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX), 0);
  SelectObject(s.dc, old);
}

}  // namespace
}  // namespace veltrano::gdi
