// DIB sections: memory layout, headers, colour tables, queries.
#include <gtest/gtest.h>

#include "tests/platform/gdi/gdi_test_util.h"

namespace veltrano::gdi {
namespace {

using testing::Surface;

BITMAPINFO Info(int w, int h, int bpp) {
  BITMAPINFO bmi{};
  bmi.bmiHeader.biWidth = w;
  bmi.bmiHeader.biHeight = h;
  bmi.bmiHeader.biBitCount = static_cast<WORD>(bpp);
  return bmi;
}

TEST(DibSection, RowsArePaddedBottomUpAndZeroed) {
  struct Case {
    int width, bpp, stride;
  } cases[] = {{33, 1, 8}, {3, 8, 4}, {5, 24, 16}, {3, 32, 12}, {1, 1, 4}};
  for (const Case& c : cases) {
    BITMAPINFO bmi = Info(c.width, 2, c.bpp);
    void* bits = nullptr;
    HBITMAP bm = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_TRUE(bm) << c.bpp;
    DIBSECTION ds;
    ASSERT_EQ(GetObject(bm, &ds), static_cast<int>(sizeof(DIBSECTION)));
    EXPECT_EQ(ds.dsBm.bmWidthBytes, c.stride) << c.width << "x" << c.bpp;
    EXPECT_EQ(ds.dsBm.bmBits, bits);
    EXPECT_EQ(ds.dsBm.bmHeight, 2);
    EXPECT_EQ(ds.dsBmih.biSizeImage, static_cast<DWORD>(2 * c.stride));
    auto* p = static_cast<uint8_t*>(bits);
    for (int i = 0; i < 2 * c.stride; ++i) ASSERT_EQ(p[i], 0);
    EXPECT_TRUE(DeleteObject(bm));
  }

  // The top row of the picture is the last row in memory.
  Surface s(3, 2, 32);
  ASSERT_TRUE(s.ok());
  SetPixel(s.dc, 1, 0, RGB(0x11, 0x22, 0x33));
  auto* p = static_cast<uint8_t*>(s.raw);
  EXPECT_EQ(p[12 + 4], 0x33);  // blue first
  EXPECT_EQ(p[12 + 5], 0x22);
  EXPECT_EQ(p[12 + 6], 0x11);
  EXPECT_EQ(p[12 + 7], 0x00);
  EXPECT_EQ(GetPixel(s.dc, 1, 0), RGB(0x11, 0x22, 0x33));

  Surface td(3, -2, 8, {0, 0x00FF0000});
  SetPixel(td.dc, 2, 0, RGB(255, 0, 0));
  EXPECT_EQ(static_cast<uint8_t*>(td.raw)[2], 1);
}

TEST(DibSection, RejectsBadHeadersAndHugeSizes) {
  auto rejected = [](BITMAPINFO bmi, UINT usage = DIB_RGB_COLORS, HANDLE section = nullptr) {
    void* bits = reinterpret_cast<void*>(1);
    HBITMAP bm = CreateDIBSection(nullptr, &bmi, usage, &bits, section, 0);
    bool ok = !bm && bits == nullptr;
    if (bm) DeleteObject(bm);
    return ok;
  };
  BITMAPINFO good = Info(4, 4, 8);
  EXPECT_FALSE(rejected(good));
  BITMAPINFO b = good;
  b.bmiHeader.biSize = 12;
  EXPECT_TRUE(rejected(b));
  for (int bpp : {0, 2, 4, 16, 48}) EXPECT_TRUE(rejected(Info(4, 4, bpp))) << bpp;
  b = good;
  b.bmiHeader.biPlanes = 2;
  EXPECT_TRUE(rejected(b));
  b = good;
  b.bmiHeader.biCompression = 3;
  EXPECT_TRUE(rejected(b));
  EXPECT_TRUE(rejected(Info(0, 4, 8)));
  EXPECT_TRUE(rejected(Info(-4, 4, 8)));
  EXPECT_TRUE(rejected(Info(4, 0, 8)));
  EXPECT_TRUE(rejected(Info(4, INT32_MIN, 8)));
  EXPECT_TRUE(rejected(good, DIB_PAL_COLORS));
  int dummy;
  EXPECT_TRUE(rejected(good, DIB_RGB_COLORS, &dummy));
  EXPECT_TRUE(rejected(Info(70000, 70000, 32)));  // more than 2 GiB
  EXPECT_TRUE(rejected(Info(INT32_MAX, 1, 32)));  // row size overflows
  EXPECT_FALSE(CreateDIBSection(nullptr, nullptr, DIB_RGB_COLORS, nullptr, nullptr, 0));
}

TEST(DibSection, ColourTablesFromHeaderAndSetDIBColorTable) {
  Surface s(2, 1, 8, {0x00102030, 0x00405060});  // biClrUsed 2: the rest black
  ASSERT_TRUE(s.ok());
  RGBQUAD q[256];
  ASSERT_EQ(GetDIBColorTable(s.dc, 0, 256, q), 256u);
  EXPECT_EQ(QuadValue(q[0]), 0x00102030u);
  EXPECT_EQ(q[0].rgbRed, 0x10);
  EXPECT_EQ(q[0].rgbBlue, 0x30);
  EXPECT_EQ(QuadValue(q[1]), 0x00405060u);
  EXPECT_EQ(QuadValue(q[2]), 0u);

  const uint32_t values[3] = {0xFF0000FF, 0x0000FF00, 0x00FF0000};  // top byte ignored
  EXPECT_EQ(SetDIBColorTable(s.dc, 254, 3, values), 2u);            // cut at the table end
  const int32_t signedValues[1] = {0x00ABCDEF};
  EXPECT_EQ(SetDIBColorTable(s.dc, 5, 1, signedValues), 1u);
  const RGBQUAD quads[1] = {ToRgbQuad(0x00123456)};
  EXPECT_EQ(SetDIBColorTable(s.dc, 6, 1, quads), 1u);
  EXPECT_EQ(SetDIBColorTable(s.dc, 256, 1, quads), 0u);
  ASSERT_EQ(GetDIBColorTable(s.dc, 0, 256, q), 256u);
  EXPECT_EQ(QuadValue(q[254]), 0x000000FFu);
  EXPECT_EQ(QuadValue(q[255]), 0x0000FF00u);
  EXPECT_EQ(QuadValue(q[5]), 0x00ABCDEFu);
  EXPECT_EQ(QuadValue(q[6]), 0x00123456u);

  // The table is what colours the indices.
  s.Set(0, 0, 5);
  EXPECT_EQ(GetPixel(s.dc, 0, 0), RGB(0xAB, 0xCD, 0xEF));

  Surface mono(8, 1, 1, {0, 0xFFFFFF});
  EXPECT_EQ(SetDIBColorTable(mono.dc, 0, 4, values), 2u);
  Surface rgb(2, 1, 24);
  EXPECT_EQ(SetDIBColorTable(rgb.dc, 0, 1, values), 0u);
  EXPECT_EQ(GetDIBColorTable(rgb.dc, 0, 1, q), 0u);
}

TEST(DibSection, GetObjectAndCompatibleBitmaps) {
  Surface s(5, -3, 24);
  BITMAP bm;
  ASSERT_EQ(GetObject(s.bitmap, &bm), static_cast<int>(sizeof(BITMAP)));
  EXPECT_EQ(bm.bmWidth, 5);
  EXPECT_EQ(bm.bmHeight, 3);  // positive even for top-down
  EXPECT_EQ(bm.bmBitsPixel, 24);
  DIBSECTION ds;
  ASSERT_TRUE(GetObject(s.bitmap, &ds));
  EXPECT_EQ(ds.dsBmih.biHeight, -3);

  HDC screen = GetDC(nullptr);
  HBITMAP cb = CreateCompatibleBitmap(screen, 4, 4);
  ASSERT_TRUE(GetObject(cb, &bm));
  EXPECT_EQ(bm.bmBitsPixel, 32);
  EXPECT_EQ(bm.bmBits, nullptr);
  EXPECT_EQ(GetObject(cb, &ds), 0);
  // A fresh memory DC holds the 1 x 1 mono bitmap, so it makes mono bitmaps.
  HDC mem = CreateCompatibleDC(screen);
  HBITMAP mono = CreateCompatibleBitmap(mem, 4, 4);
  ASSERT_TRUE(GetObject(mono, &bm));
  EXPECT_EQ(bm.bmBitsPixel, 1);
  EXPECT_EQ(CreateCompatibleBitmap(mem, 0, 5), HBITMAP(GetCurrentObject(mem, OBJ_BITMAP)));
  EXPECT_TRUE(DeleteObject(cb));
  EXPECT_TRUE(DeleteObject(mono));
  EXPECT_TRUE(DeleteDC(mem));
  EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
}

TEST(DibSection, GetDIBitsHeaderQueryAndLines) {
  Surface s(3, 4, 8, {0x000000, 0x0000FF, 0x00FF00, 0xFF0000});
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 3; ++x) s.Set(x, y, static_cast<uint32_t>((x + y) % 4));

  BITMAPINFO bmi{};
  bmi.bmiHeader.biBitCount = 0;
  ASSERT_NE(GetDIBits(s.dc, s.bitmap, 0, 0, nullptr, &bmi, DIB_RGB_COLORS), 0);
  EXPECT_EQ(bmi.bmiHeader.biWidth, 3);
  EXPECT_EQ(bmi.bmiHeader.biHeight, 4);
  EXPECT_EQ(bmi.bmiHeader.biBitCount, 8);
  EXPECT_EQ(bmi.bmiHeader.biSizeImage, 16u);
  BITMAPINFO wrongSize{};
  wrongSize.bmiHeader.biSize = 12;
  EXPECT_EQ(GetDIBits(s.dc, s.bitmap, 0, 0, nullptr, &wrongSize, DIB_RGB_COLORS), 0);

  // Lines 1..2 counted from the bottom, as 32-bit bottom-up rows.
  BITMAPINFO req{};
  req.bmiHeader.biWidth = 3;
  req.bmiHeader.biHeight = 4;
  req.bmiHeader.biBitCount = 32;
  uint32_t out[6] = {};
  ASSERT_EQ(GetDIBits(s.dc, s.bitmap, 1, 2, out, &req, DIB_RGB_COLORS), 2);
  const uint32_t table[4] = {0x000000, 0x0000FF, 0x00FF00, 0xFF0000};
  for (int x = 0; x < 3; ++x) {
    EXPECT_EQ(out[x], table[(x + 2) % 4]);      // bottom line 1 = picture row 2
    EXPECT_EQ(out[3 + x], table[(x + 1) % 4]);  // bottom line 2 = picture row 1
  }
  // Top-down request: line 0 is the top row; lines past the end are cut.
  req.bmiHeader.biHeight = -4;
  uint32_t top[12] = {};
  EXPECT_EQ(GetDIBits(s.dc, s.bitmap, 3, 5, top, &req, DIB_RGB_COLORS), 1);
  for (int x = 0; x < 3; ++x) EXPECT_EQ(top[x], table[(x + 3) % 4]);

  // Same depth: indices and table copied; other indexed depths refused.
  BITMAPINFO same{};
  same.bmiHeader.biWidth = 3;
  same.bmiHeader.biHeight = -4;
  same.bmiHeader.biBitCount = 8;
  uint8_t idx[16] = {};
  ASSERT_EQ(GetDIBits(s.dc, s.bitmap, 0, 4, idx, &same, DIB_RGB_COLORS), 4);
  EXPECT_EQ(idx[4 * 2 + 1], 3);
  EXPECT_EQ(QuadValue(same.bmiColors[3]), 0xFF0000u);
  same.bmiHeader.biBitCount = 1;
  EXPECT_EQ(GetDIBits(s.dc, s.bitmap, 0, 4, idx, &same, DIB_RGB_COLORS), 0);
}

}  // namespace
}  // namespace veltrano::gdi
