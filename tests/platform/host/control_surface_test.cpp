#include "platform/host/control_surface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "platform/gdi/gdi.h"
#include "platform/host/container_units.h"
#include "platform/host/control_painter.h"

namespace veltrano::host {
namespace {

// Asserts that `s` holds nothing at all.
void ExpectEmpty(const ControlSurface& s) {
  EXPECT_FALSE(s);
  EXPECT_FALSE(s.dc());
  EXPECT_FALSE(s.bitmap());
  EXPECT_EQ(s.bits(), nullptr);
  EXPECT_EQ(s.width(), 0);
  EXPECT_EQ(s.height(), 0);
  EXPECT_EQ(s.stride(), 0);
  EXPECT_EQ(s.Pixel(0, 0), 0u);
}

TEST(ControlSurface, MakeSelectsATopDownBitmapThatFillAndPixelSee) {
  const size_t before = gdi::LiveObjectCount();
  ControlSurface s;
  ExpectEmpty(s);
  ASSERT_TRUE(s.Make(4, 3));
  ASSERT_TRUE(s);
  EXPECT_EQ(s.width(), 4);
  EXPECT_EQ(s.height(), 3);
  EXPECT_EQ(s.stride(), 4);
  ASSERT_NE(s.bits(), nullptr);
  // The bitmap is the one drawn on through the DC: a DC and a bitmap, no more.
  EXPECT_EQ(gdi::GetCurrentObject(s.dc(), gdi::OBJ_BITMAP), gdi::HGDIOBJ(s.bitmap()));
  EXPECT_EQ(gdi::LiveObjectCount(), before + 2);

  // Fill covers every pixel and keeps no brush; Pixel reads 0x00RRGGBB from
  // a COLORREF's 0x00BBGGRR.
  s.Fill(0x00332211);
  EXPECT_EQ(gdi::LiveObjectCount(), before + 2);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 4; ++x) ASSERT_EQ(s.Pixel(x, y), 0x112233u) << x << "," << y;
  }
  EXPECT_EQ(s.Pixel(4, 0), 0u);
  EXPECT_EQ(s.Pixel(0, 3), 0u);
  EXPECT_EQ(s.Pixel(-1, 0), 0u);

  // Rows run top down: what is drawn on row 0 through the DC is the first
  // row of bits, and the padding byte is not part of a pixel.
  gdi::SetPixel(s.dc(), 1, 0, 0x000000FF);
  const auto* bits = static_cast<const uint32_t*>(s.bits());
  EXPECT_EQ(bits[1] & 0x00FFFFFF, 0xFF0000u);
  EXPECT_EQ(s.Pixel(1, 0), 0xFF0000u);
  static_cast<uint32_t*>(s.bits())[4 * 2 + 3] = 0xAB445566;
  EXPECT_EQ(s.Pixel(3, 2), 0x445566u);
  EXPECT_EQ(gdi::GetPixel(s.dc(), 3, 2), 0x00665544u);

  s.Free();
  ExpectEmpty(s);
  EXPECT_EQ(gdi::LiveObjectCount(), before);
  s.Fill(0x00FFFFFF);  // nothing to fill, nothing made
  EXPECT_EQ(gdi::LiveObjectCount(), before);
}

TEST(ControlSurface, SameSizeKeepsTheSurfaceAndAnotherSizeMakesANewOne) {
  const size_t before = gdi::LiveObjectCount();
  ControlSurface s;
  ASSERT_TRUE(s.Make(5, 2));
  s.Fill(0x000000FF);
  const gdi::HDC dc = s.dc();
  const gdi::HBITMAP bitmap = s.bitmap();
  void* const bits = s.bits();
  // The same size again keeps the surface and what was drawn on it.
  ASSERT_TRUE(s.Make(5, 2));
  EXPECT_EQ(s.dc(), dc);
  EXPECT_EQ(s.bitmap(), bitmap);
  EXPECT_EQ(s.bits(), bits);
  EXPECT_EQ(s.Pixel(4, 1), 0xFF0000u);

  // Another size (either side) replaces it, taking the old objects along.
  for (auto [w, h] : {std::pair{5, 3}, std::pair{2, 3}, std::pair{7, 1}}) {
    ASSERT_TRUE(s.Make(w, h)) << w << "x" << h;
    EXPECT_EQ(s.width(), w);
    EXPECT_EQ(s.height(), h);
    EXPECT_EQ(s.stride(), w);
    EXPECT_EQ(gdi::LiveObjectCount(), before + 2) << w << "x" << h;
    s.Fill(0x0000FF00);
    EXPECT_EQ(s.Pixel(w - 1, h - 1), 0x00FF00u);
    EXPECT_EQ(s.Pixel(w, 0), 0u);
  }
  EXPECT_FALSE(gdi::GetObjectType(bitmap));  // the first bitmap is gone
}

TEST(ControlSurface, AboveTheBudgetNothingIsMadeAndNothingStaleIsLeft) {
  const size_t before = gdi::LiveObjectCount();
  ControlSurface s;
  ASSERT_TRUE(s.Make(3, 2));
  s.Fill(0x00332211);
  const gdi::HBITMAP good = s.bitmap();
  // Just above 256 MiB in either direction, far above, and sides whose
  // product overflows 32 bits.
  constexpr int kRows = static_cast<int>(ControlSurface::kMaxBytes / 4);
  for (auto [w, h] : {std::pair{8193, 8192}, std::pair{8192, 8193}, std::pair{1, kRows + 1},
                      std::pair{kRows + 1, 0}, std::pair{40000, 40000}, std::pair{65536, 65536}}) {
    EXPECT_FALSE(s.Make(w, h)) << w << "x" << h;
    ExpectEmpty(s);
    EXPECT_EQ(gdi::LiveObjectCount(), before) << w << "x" << h;
    // A refused size asked again is refused again, not taken for the
    // surface it already has.
    EXPECT_FALSE(s.Make(w, h)) << w << "x" << h;
    ExpectEmpty(s);
  }
  EXPECT_FALSE(gdi::GetObjectType(good));
  s.Fill(0x00FFFFFF);
  EXPECT_EQ(gdi::LiveObjectCount(), before);

  // The budget itself is allowed, and a small size works again afterwards.
  ASSERT_TRUE(s.Make(1, kRows));
  EXPECT_EQ(s.height(), kRows);
  ASSERT_TRUE(s.Make(3, 2));
  EXPECT_EQ(s.Pixel(2, 1), 0u);  // a fresh bitmap, not the first one's pixels
  s.Fill(0x00332211);
  EXPECT_EQ(s.Pixel(2, 1), 0x112233u);
  EXPECT_EQ(gdi::LiveObjectCount(), before + 2);
}

TEST(ControlSurface, AnEmptySideStillGivesADcButReportsNoPixels) {
  ControlSurface s;
  for (auto [w, h] : {std::pair{0, 0}, std::pair{0, 4}, std::pair{-3, -1}}) {
    ASSERT_TRUE(s.Make(w, h)) << w << "x" << h;
    EXPECT_TRUE(s.dc());
    EXPECT_NE(s.bits(), nullptr);
    EXPECT_EQ(s.width(), std::max(w, 0));
    EXPECT_EQ(s.height(), std::max(h, 0));
    EXPECT_EQ(s.stride(), 1);
    s.Fill(0x00FFFFFF);  // fills the one pixel behind it
    EXPECT_EQ(*static_cast<const uint32_t*>(s.bits()) & 0x00FFFFFF, 0xFFFFFFu);
    EXPECT_EQ(s.Pixel(0, 0), 0u);  // not a pixel of the client area
  }
  // A negative side is the same size as 0: the surface is kept.
  const gdi::HBITMAP bitmap = s.bitmap();
  ASSERT_TRUE(s.Make(0, -7));
  EXPECT_EQ(s.bitmap(), bitmap);
  // From 0 x 0 to 1 x 1 is another size, though the bitmap is as large.
  ASSERT_TRUE(s.Make(1, 1));
  EXPECT_EQ(s.width(), 1);
  EXPECT_EQ(s.Pixel(0, 0), 0u);
}

TEST(ControlSurface, GoingOutOfScopeFreesEverything) {
  const size_t before = gdi::LiveObjectCount();
  gdi::HBITMAP bitmap;
  gdi::HDC dc;
  {
    ControlSurface s;
    ASSERT_TRUE(s.Make(16, 16));
    bitmap = s.bitmap();
    dc = s.dc();
    EXPECT_EQ(gdi::LiveObjectCount(), before + 2);
  }
  EXPECT_EQ(gdi::LiveObjectCount(), before);
  EXPECT_FALSE(gdi::GetObjectType(bitmap));
  EXPECT_FALSE(gdi::GetObjectType(dc));
  { ControlSurface never; }  // one that made nothing frees nothing
  EXPECT_EQ(gdi::LiveObjectCount(), before);
}

// Paints a fixed colour at (0, 0) and counts its paints.
struct DotClient : ControlClient {
  int paints = 0;
  void OnPaint(gdi::HDC dc) override {
    ++paints;
    gdi::SetPixel(dc, 0, 0, 0x000000FF);
  }
};

TEST(ControlPainter, AnExposeRendersAfreshOnlyWhenNothingWaitsAtThatSize) {
  ControlPainter painter;
  DotClient client;
  EXPECT_TRUE(painter.NeedsRender(3, 2));  // nothing rendered yet
  ASSERT_TRUE(painter.Render(&client, 3, 2, 0x00FFFFFF));
  EXPECT_EQ(client.paints, 1);
  EXPECT_EQ(painter.RenderCount(), 1);
  // The background first, then the control's own drawing over it.
  EXPECT_EQ(painter.surface().Pixel(0, 0), 0x00FF0000u);
  EXPECT_EQ(painter.surface().Pixel(2, 1), 0x00FFFFFFu);
  EXPECT_FALSE(painter.NeedsRender(3, 2));
  EXPECT_TRUE(painter.NeedsRender(4, 2));  // the window was resized since
  painter.Presented();
  EXPECT_TRUE(painter.NeedsRender(3, 2));

  // An empty window still gets a one-pixel surface, and counts as that size.
  ASSERT_TRUE(painter.Render(&client, 0, 0, 0));
  EXPECT_EQ(painter.surface().width(), 1);
  EXPECT_FALSE(painter.NeedsRender(0, 0));

  // Too large for a surface: no paint, nothing stale, and an expose tries again.
  EXPECT_FALSE(painter.Render(&client, 1 << 16, 1 << 16, 0));
  EXPECT_EQ(client.paints, 2);
  EXPECT_EQ(painter.RenderCount(), 2);
  EXPECT_EQ(painter.surface().bits(), nullptr);
  EXPECT_TRUE(painter.NeedsRender(1 << 16, 1 << 16));
}

TEST(ContainerUnits, TwipsBecomeWholePixelsAndOtherUnitsFollowTheScale) {
  EXPECT_EQ(ContainerUnits::TwipsToPixels(480), 32);
  EXPECT_EQ(ContainerUnits::TwipsToPixels(22), 1);  // 1.47
  EXPECT_EQ(ContainerUnits::TwipsToPixels(23), 2);  // 1.53
  EXPECT_EQ(ContainerUnits::TwipsToPixels(-300), 0);
  ContainerUnits units;
  EXPECT_DOUBLE_EQ(units.Convert(7, ScaleUnit::kPixels, ScaleUnit::kContainerPosition), 105);
  units.SetUnitsPerPixel(2.5);
  EXPECT_DOUBLE_EQ(units.Convert(10, ScaleUnit::kTwips, ScaleUnit::kContainerSize),
                   10 / 15.0 * 2.5);
  EXPECT_DOUBLE_EQ(units.Convert(5, ScaleUnit::kContainerSize, ScaleUnit::kTwips), 30);
}

}  // namespace
}  // namespace veltrano::host
