// Device contexts: selection, deletion, modes and handle safety.
#include <gtest/gtest.h>

#include "platform/gdi/gdi_handles.h"
#include "tests/platform/gdi/gdi_test_util.h"

namespace veltrano::gdi {
namespace {

HBITMAP NewDib(int w, int h, int bpp) {
  BITMAPINFO bmi{};
  bmi.bmiHeader.biWidth = w;
  bmi.bmiHeader.biHeight = h;
  bmi.bmiHeader.biBitCount = static_cast<WORD>(bpp);
  return CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, nullptr, nullptr, 0);
}

TEST(DeviceContext, SelectReturnsPreviousAndABitmapLivesInOneDc) {
  const size_t live = LiveObjectCount();
  HDC a = CreateCompatibleDC(nullptr);
  HDC b = CreateCompatibleDC(nullptr);
  ASSERT_TRUE(a && b);
  EXPECT_EQ(GetObjectType(a), static_cast<DWORD>(OBJ_MEMDC));
  HBITMAP first = NewDib(4, 4, 8);
  HBITMAP second = NewDib(4, 4, 24);

  HGDIOBJ stockBitmap = SelectObject(a, first);
  ASSERT_TRUE(stockBitmap);
  EXPECT_EQ(GetObjectType(stockBitmap), static_cast<DWORD>(OBJ_BITMAP));
  EXPECT_FALSE(SelectObject(b, first));  // already in a
  EXPECT_EQ(SelectObject(a, second), HGDIOBJ(first));
  EXPECT_TRUE(SelectObject(b, first));  // free again
  EXPECT_EQ(GetCurrentObject(a, OBJ_BITMAP), HGDIOBJ(second));

  // A selected bitmap is not deleted; once let go it is.
  EXPECT_EQ(DeleteObject(second), 0);
  EXPECT_EQ(SelectObject(a, stockBitmap), HGDIOBJ(second));
  EXPECT_NE(DeleteObject(second), 0);
  EXPECT_EQ(GetObjectType(second), 0u);
  EXPECT_EQ(DeleteObject(second), 0);  // stale handle

  // Deleting the DC releases its bitmap.
  EXPECT_NE(DeleteDC(b), 0);
  EXPECT_NE(DeleteObject(first), 0);
  EXPECT_NE(DeleteDC(a), 0);
  EXPECT_EQ(DeleteDC(a), 0);
  EXPECT_EQ(LiveObjectCount(), live);
}

TEST(DeviceContext, BrushesAndPensDeletedWhileSelectedGoWithTheDc) {
  const size_t live = LiveObjectCount();
  HDC dc = CreateCompatibleDC(nullptr);
  HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
  HPEN pen = CreatePen(PS_DOT, 1, RGB(4, 5, 6));
  HGDIOBJ oldBrush = SelectObject(dc, brush);
  HGDIOBJ oldPen = SelectObject(dc, pen);
  EXPECT_EQ(oldBrush, GetStockObject(WHITE_BRUSH));
  EXPECT_EQ(oldPen, GetStockObject(BLACK_PEN));
  EXPECT_NE(DeleteObject(brush), 0);
  EXPECT_NE(DeleteObject(pen), 0);
  EXPECT_EQ(LiveObjectCount(), live + 3);  // still held by the DC
  EXPECT_NE(DeleteDC(dc), 0);
  EXPECT_EQ(LiveObjectCount(), live);

  // Stock objects survive DeleteObject.
  HGDIOBJ black = GetStockObject(BLACK_BRUSH);
  EXPECT_NE(DeleteObject(black), 0);
  EXPECT_EQ(GetObjectType(black), static_cast<DWORD>(OBJ_BRUSH));
  EXPECT_FALSE(GetStockObject(99));
}

TEST(DeviceContext, ModesOriginAndColoursReturnPreviousValues) {
  HDC dc = CreateCompatibleDC(nullptr);
  EXPECT_EQ(GetStretchBltMode(dc), BLACKONWHITE);
  EXPECT_EQ(SetStretchBltMode(dc, HALFTONE), BLACKONWHITE);
  EXPECT_EQ(SetStretchBltMode(dc, 0), 0);
  EXPECT_EQ(SetStretchBltMode(dc, 5), 0);
  EXPECT_EQ(SetStretchBltMode(dc, COLORONCOLOR), HALFTONE);

  POINT previous{-1, -1};
  EXPECT_NE(SetBrushOrgEx(dc, 3, 4, &previous), 0);
  EXPECT_EQ(previous.x, 0);
  EXPECT_EQ(previous.y, 0);
  EXPECT_NE(SetBrushOrgEx(dc, 0, 0, &previous), 0);
  EXPECT_EQ(previous.x, 3);
  EXPECT_EQ(previous.y, 4);

  EXPECT_EQ(SetBkColor(dc, RGB(1, 2, 3)), RGB(255, 255, 255));
  EXPECT_EQ(GetBkColor(dc), RGB(1, 2, 3));
  EXPECT_EQ(SetTextColor(dc, RGB(9, 9, 9)), RGB(0, 0, 0));
  EXPECT_EQ(SetBkMode(dc, TRANSPARENT), OPAQUE);
  EXPECT_EQ(SetBkMode(dc, 7), 0);
  EXPECT_NE(DeleteDC(dc), 0);

  // Every call on a dead or foreign handle fails without effect.
  EXPECT_EQ(SetStretchBltMode(dc, HALFTONE), 0);
  EXPECT_EQ(SetBrushOrgEx(dc, 1, 1, nullptr), 0);
  EXPECT_EQ(GetBkColor(dc), CLR_INVALID);
  EXPECT_FALSE(SelectObject(dc, GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(BitBlt(dc, 0, 0, 1, 1, dc, 0, 0, SRCCOPY), 0);
  EXPECT_EQ(GetObjectType(HGDIOBJ(uint64_t{0x12345678})), 0u);
  HBRUSH brush = CreateSolidBrush(0);
  EXPECT_FALSE(SelectObject(HDC(brush.value), GetStockObject(BLACK_BRUSH)));  // a brush is no DC
  EXPECT_EQ(DeleteDC(HDC(brush.value)), 0);
  EXPECT_NE(DeleteObject(brush), 0);
  EXPECT_EQ(GetDC(reinterpret_cast<HWND>(1)), HDC());
}

TEST(DeviceContext, OwnedHandlesPutTheOldBitmapBackAndFreeEverythingOnce) {
  const size_t live = LiveObjectCount();
  {
    OwnedDC dc(CreateCompatibleDC(nullptr));
    const HGDIOBJ stock = GetCurrentObject(dc, OBJ_BITMAP);
    OwnedBitmap bitmap(NewDib(4, 4, 24));
    Selection selected(dc, bitmap.get());
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BITMAP), HGDIOBJ(bitmap.get()));
    EXPECT_EQ(selected.old(), stock);

    // Moving hands over the duty of putting the old bitmap back, once.
    Selection moved = std::move(selected);
    EXPECT_FALSE(selected);
    selected.reset();
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BITMAP), HGDIOBJ(bitmap.get()));
    moved.reset();
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BITMAP), stock);

    // A moved bitmap is deleted by its new owner only.
    OwnedBitmap other = std::move(bitmap);
    EXPECT_FALSE(bitmap);
    EXPECT_EQ(LiveObjectCount(), live + 2);
    other.reset(NewDib(2, 2, 8));
    EXPECT_EQ(LiveObjectCount(), live + 2);

    // Declared DC, bitmap, selection: going out of scope deselects before
    // the bitmap and the DC are deleted.
    Selection again(dc, other.get());
  }
  EXPECT_EQ(LiveObjectCount(), live);
}

}  // namespace
}  // namespace veltrano::gdi
