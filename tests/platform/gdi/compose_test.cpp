// The GIF control's drawing recipe end to end: an 8-bit strip of palette
// indices, a substitute mask table, a 24-bit canvas with a 1-bit mask, and a
// 32-bit window surface.
#include <gtest/gtest.h>

#include "tests/platform/gdi/gdi_test_util.h"

namespace veltrano::gdi {
namespace {

using testing::Surface;
using V = std::vector<uint32_t>;

constexpr uint32_t kBackground = 0x00336699;
constexpr int kTrans = 2;

struct Scene {
  // A 3 x 2 frame: index 2 is transparent.
  Surface strip{3, 2, 8, std::vector<uint32_t>(256, 0)};
  std::vector<int32_t> palette = std::vector<int32_t>(256, 0);
  std::vector<int32_t> maskTable = std::vector<int32_t>(256, 0);

  Scene() {
    palette[0] = 0x00FF0000;
    palette[1] = 0x0000FF00;
    palette[kTrans] = 0x00FFFFFF;  // its own colour must never show
    strip.Load({0, kTrans, 1, 1, kTrans, 0});
  }
  // Draws the frame's transparency mask with SRCAND, then its colours with
  // SRCPAINT, the transparent entry set to black for the moment.
  void DrawFrame(HDC dc, int x, int y, int w, int h, bool stretched) {
    maskTable[kTrans] = 0x00FFFFFF;
    SetDIBColorTable(strip.dc, 0, 256, maskTable.data());
    maskTable[kTrans] = 0;
    Blit(dc, x, y, w, h, stretched, SRCAND);
    std::vector<int32_t> colours = palette;
    colours[kTrans] = 0;
    SetDIBColorTable(strip.dc, 0, 256, colours.data());
    Blit(dc, x, y, w, h, stretched, SRCPAINT);
  }
  void Blit(HDC dc, int x, int y, int w, int h, bool stretched, DWORD rop) {
    if (stretched) {
      StretchBlt(dc, x, y, w, h, strip.dc, 0, 0, 3, 2, rop);
    } else {
      BitBlt(dc, x, y, w, h, strip.dc, 0, 0, rop);
    }
  }
};

TEST(Compose, TransparentFrameDrawnDirectlyLetsTheBackgroundThrough) {
  Scene scene;
  Surface window(4, 3, 32);
  window.Fill(kBackground);
  scene.DrawFrame(window.dc, 1, 1, 3, 2, false);
  EXPECT_EQ(window.Values(), (V{kBackground, kBackground, kBackground, kBackground,  //
                                kBackground, 0xFF0000, kBackground, 0x00FF00,        //
                                kBackground, 0x00FF00, kBackground, 0xFF0000}));
}

TEST(Compose, CanvasAndMaskCarryEarlierFramesThroughTransparentPixels) {
  Scene scene;
  Surface canvas(3, 2, 24);
  Surface mask(3, 2, 1, {0x000000, 0xFFFFFF});
  // An earlier frame left blue at (1, 0) and marked it opaque.
  canvas.Set(1, 0, 0x0000FF);
  mask.Fill(1);
  mask.Set(1, 0, 0);

  // The frame's mask: opaque pixels clear their bit, transparent ones keep it.
  scene.maskTable[kTrans] = 0x00FFFFFF;
  SetDIBColorTable(scene.strip.dc, 0, 256, scene.maskTable.data());
  scene.maskTable[kTrans] = 0;
  BitBlt(mask.dc, 0, 0, 3, 2, scene.strip.dc, 0, 0, SRCAND);
  EXPECT_EQ(mask.Values(), (V{0, 0, 0, 0, 1, 0}));
  scene.DrawFrame(canvas.dc, 0, 0, 3, 2, false);
  EXPECT_EQ(canvas.Values(), (V{0xFF0000, 0x0000FF, 0x00FF00, 0x00FF00, 0, 0xFF0000}));

  // Presenting: mask with SRCAND (mono to colour through its table), canvas
  // with SRCPAINT. The one pixel no frame covered shows the window.
  Surface window(3, 2, 32);
  window.Fill(kBackground);
  BitBlt(window.dc, 0, 0, 3, 2, mask.dc, 0, 0, SRCAND);
  BitBlt(window.dc, 0, 0, 3, 2, canvas.dc, 0, 0, SRCPAINT);
  EXPECT_EQ(window.Values(), (V{0xFF0000, 0x0000FF, 0x00FF00, 0x00FF00, kBackground, 0xFF0000}));

  // Disposal to background: black into the canvas, white into the mask.
  RECT all{0, 0, 3, 2};
  FillRect(canvas.dc, &all, HBRUSH(GetStockObject(BLACK_BRUSH)));
  FillRect(mask.dc, &all, HBRUSH(GetStockObject(WHITE_BRUSH)));
  window.Fill(kBackground);
  BitBlt(window.dc, 0, 0, 3, 2, mask.dc, 0, 0, SRCAND);
  BitBlt(window.dc, 0, 0, 3, 2, canvas.dc, 0, 0, SRCPAINT);
  EXPECT_EQ(window.Values(), V(6, kBackground));
}

TEST(Compose, HalftoneStretchedDrawOfAnOpaqueUniformFrame) {
  Scene scene;
  scene.strip.Fill(1);  // all green, no transparent pixel
  Surface window(7, 5, 32);
  window.Fill(kBackground);
  const int oldMode = SetStretchBltMode(window.dc, HALFTONE);
  POINT oldOrigin;
  SetBrushOrgEx(window.dc, 0, 0, &oldOrigin);
  scene.DrawFrame(window.dc, 0, 0, 6, 4, true);
  SetStretchBltMode(window.dc, oldMode);
  SetBrushOrgEx(window.dc, oldOrigin.x, oldOrigin.y, nullptr);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x)
      ASSERT_EQ(window.At(x, y), x < 6 && y < 4 ? 0x00FF00u : kBackground) << x << "," << y;
  EXPECT_EQ(GetStretchBltMode(window.dc), BLACKONWHITE);
}

}  // namespace
}  // namespace veltrano::gdi
