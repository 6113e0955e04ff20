#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "tests/anigif/control_fixture.h"

namespace veltrano::anigif::testing {
namespace {

constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF;

// Global table: 0 black, 1 red, 2 green, 3 blue.
Bytes Gif(const std::vector<FrameSpec>& frames, int loops = -1) {
  Bytes gif;
  AppendHeader(gif, "GIF89a", 0, 0, {0x000000, kRed, kGreen, kBlue});
  if (loops >= 0) AppendLoops(gif, loops);
  for (const FrameSpec& f : frames) {
    if (f.control) AppendControl(gif, f.disposal, f.delayCs, f.transIndex);
    AppendImage(gif, f.image, true);
  }
  AppendTrailer(gif);
  return gif;
}

FrameSpec Solid(int left, int top, int w, int h, uint8_t index, int disposal = 1) {
  FrameSpec f = Frame(left, top, w, h);
  f.image.pixels.assign(static_cast<size_t>(w) * h, index);
  f.disposal = disposal;
  return f;
}

// A run-time control of the animation's size that has decoded every frame
// and shows frame 1.
struct Shown : ControlFixture {
  Shown(const Bytes& gif, int w, int h) : ControlFixture(true, w, h) {
    control.SetDelayAnimation(0);
    EXPECT_TRUE(Load(gif));
    host.RepaintNow();
  }
  uint32_t At(int x, int y) const { return host.SurfacePixel(x, y); }
};

TEST(Render, TransparentPixelsShowEarlierFrames) {
  FrameSpec top = Solid(0, 0, 4, 4, 0);
  std::fill(top.image.pixels.begin(), top.image.pixels.begin() + 4, 2);  // top row green
  top.transIndex = 0;
  Shown fx(Gif({Solid(0, 0, 4, 4, 1), top}), 4, 4);
  EXPECT_EQ(fx.At(2, 2), kRed);
  fx.clock.FireNext();
  EXPECT_EQ(fx.At(0, 0), kGreen);
  EXPECT_EQ(fx.At(3, 0), kGreen);
  EXPECT_EQ(fx.At(1, 1), kRed);
  EXPECT_EQ(fx.At(3, 3), kRed);
}

TEST(Render, RestoreToBackgroundLeavesTheAreaTransparent) {
  Shown fx(Gif({Solid(0, 0, 4, 4, 1, 2), Solid(0, 0, 2, 2, 3)}), 4, 4);
  EXPECT_EQ(fx.At(3, 3), kRed);
  fx.clock.FireNext();
  EXPECT_EQ(fx.At(0, 0), kBlue);
  EXPECT_EQ(fx.At(1, 1), kBlue);
  // The control's background shows where frame 1 was disposed of.
  EXPECT_EQ(fx.At(2, 2), kWhite);
  EXPECT_EQ(fx.At(3, 0), kWhite);
}

TEST(Render, RestoreToPreviousPutsTheCanvasBackExactly) {
  FrameSpec hole = Solid(1, 1, 2, 2, 0, 3);
  hole.image.pixels = {2, 0, 0, 2};
  hole.transIndex = 0;
  Shown fx(Gif({Solid(0, 0, 4, 4, 1), hole, Solid(0, 0, 1, 1, 3)}), 4, 4);
  const FrameStore& s = fx.control.Store();
  ASSERT_TRUE(s.CanvasMask);
  const size_t canvasBytes = static_cast<size_t>(ScanlineBytes(24, 4)) * 4;
  const size_t maskBytes = static_cast<size_t>(ScanlineBytes(1, 4)) * 4;
  const std::vector<uint8_t> canvas(s.CanvasBits, s.CanvasBits + canvasBytes);
  const std::vector<uint8_t> mask(s.CanvasMaskBits, s.CanvasMaskBits + maskBytes);
  fx.clock.FireNext();  // frame 2 shown, then disposed
  EXPECT_EQ(fx.At(1, 1), kGreen);
  EXPECT_EQ(fx.At(2, 1), kRed);
  EXPECT_EQ(std::vector<uint8_t>(s.CanvasBits, s.CanvasBits + canvasBytes), canvas);
  EXPECT_EQ(std::vector<uint8_t>(s.CanvasMaskBits, s.CanvasMaskBits + maskBytes), mask);
  fx.clock.FireNext();
  EXPECT_EQ(fx.At(0, 0), kBlue);
  EXPECT_EQ(fx.At(1, 1), kRed);
}

TEST(Render, RestoreToPreviousKeepsTransparencyAtEveryLeft) {
  // Frame 1 covers only the first 8 columns, so the mask is transparent
  // under most of frame 2. Frame 2 is restored after it is shown; frame 3,
  // far to the right, then shows the background wherever frame 2 was.
  for (int width : {32, 64}) {
    for (int left : {1, 3, 7, 9, 13, 31, 33}) {
      const int end = left + width + 5;
      Shown fx(Gif({Solid(0, 0, 8, 2, 1), Solid(left, 0, width, 2, 2, 3), Solid(end, 0, 1, 1, 3)}),
               end + 1, 2);
      const FrameStore& s = fx.control.Store();
      ASSERT_TRUE(s.CanvasMask);
      const size_t maskBytes = static_cast<size_t>(ScanlineBytes(1, end + 1)) * 2;
      const std::vector<uint8_t> mask(s.CanvasMaskBits, s.CanvasMaskBits + maskBytes);
      fx.clock.FireNext();  // frame 2 shown, then restored
      EXPECT_EQ(fx.At(left + width - 1, 1), kGreen) << left << " " << width;
      EXPECT_EQ(std::vector<uint8_t>(s.CanvasMaskBits, s.CanvasMaskBits + maskBytes), mask)
          << left << " " << width;
      fx.clock.FireNext();
      for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < end; ++x) {
          ASSERT_EQ(fx.At(x, y), x < 8 ? kRed : kWhite) << x << "," << y << " left " << left;
        }
      }
      EXPECT_EQ(fx.At(end, 0), kBlue);
    }
  }
}

TEST(Render, SmallFirstFrameLeavesTheRestTransparentAndEachLoopStartsClean) {
  Shown fx(Gif({Solid(1, 1, 2, 2, 1), Solid(0, 0, 4, 4, 2)}), 4, 4);
  EXPECT_EQ(fx.At(1, 1), kRed);
  EXPECT_EQ(fx.At(0, 0), kWhite);
  fx.clock.FireNext();
  EXPECT_EQ(fx.At(0, 0), kGreen);
  fx.clock.FireNext();  // back to frame 1: the canvas is cleared first
  EXPECT_EQ(fx.At(1, 1), kRed);
  EXPECT_EQ(fx.At(0, 0), kWhite);
}

// Each loop starts from an empty image, also under a frame 1 that covers
// the whole image: its transparent pixels show the background, not what the
// last loop left there.
TEST(Render, WholeFirstFrameStartsEveryLoopFromAnEmptyImage) {
  FrameSpec first = Solid(0, 0, 4, 4, 1);
  first.image.pixels[15] = 0;  // (3, 3)
  first.transIndex = 0;
  Shown fx(Gif({first, Solid(2, 2, 2, 2, 2)}), 4, 4);
  for (int loop = 0; loop < 2; ++loop) {
    EXPECT_EQ(fx.At(0, 0), kRed) << "loop " << loop;
    EXPECT_EQ(fx.At(3, 3), kWhite) << "loop " << loop;
    fx.clock.FireNext();
    EXPECT_EQ(fx.At(3, 3), kGreen) << "loop " << loop;
    fx.clock.FireNext();
  }
}

TEST(Render, OpaqueFrameAfterATransparentOneGetsItsTrueColours) {
  // All frames disposed to the background: each is drawn alone, straight
  // from the strip, and both use the global table, whose entry 0 is the
  // transparent index of frame 1 and a real colour of frame 2.
  FrameSpec holed = Solid(0, 0, 4, 4, 0, 2);
  holed.image.pixels[5] = 2;
  holed.transIndex = 0;
  FrameSpec opaque = Solid(0, 0, 4, 4, 0, 2);
  opaque.image.pixels[0] = 1;
  Shown fx(Gif({holed, opaque}), 4, 4);
  ASSERT_FALSE(fx.control.Store().CanvasBitmap);
  const std::vector<int32_t> table = {0x123456, static_cast<int32_t>(kRed),
                                      static_cast<int32_t>(kGreen), static_cast<int32_t>(kBlue)};
  ASSERT_TRUE(fx.control.SetPalette(0, table));
  fx.host.RepaintNow();
  EXPECT_EQ(fx.At(1, 1), kGreen);
  EXPECT_EQ(fx.At(0, 0), kWhite);
  fx.clock.FireNext();
  EXPECT_EQ(fx.At(0, 0), kRed);
  EXPECT_EQ(fx.At(3, 3), 0x123456u);
}

TEST(Render, SolidBackgroundFillsTheImageAreaWithASystemColour) {
  FrameSpec f = Solid(0, 0, 4, 4, 0);
  f.image.pixels[0] = 1;
  f.transIndex = 0;
  ControlFixture fx(true, 6, 6);
  fx.control.SetStretch(0);
  fx.control.SetSolidBkgColorUsed(true);
  fx.control.SetSolidBkgColor(static_cast<int32_t>(0x8000000F));
  ASSERT_TRUE(fx.Load(Gif({f})));
  fx.host.RepaintNow();
  const uint32_t face = gdi::ColorRefToQuadValue(gdi::GetSysColor(15));
  EXPECT_EQ(fx.host.SurfacePixel(0, 0), kRed);
  EXPECT_EQ(fx.host.SurfacePixel(2, 2), face);
  EXPECT_EQ(fx.host.SurfacePixel(3, 3), face);
  EXPECT_EQ(fx.host.SurfacePixel(5, 5), kWhite);
}

TEST(Render, OffsetsMoveTheFrameBeforeScaling) {
  ControlFixture fx(true, 8, 8);
  fx.control.SetStretch(2);
  ASSERT_TRUE(fx.Load(Gif({Solid(1, 1, 1, 1, 3)})));  // a 2 x 2 image
  EXPECT_EQ(fx.control.Store().GifInfo.ScaleX, 4.0f);
  fx.control.SetOffsetX(-1);
  // x = (1 - 1) x 4, y = 1 x 4: a 4 x 4 block at (0, 4).
  EXPECT_EQ(fx.host.SurfacePixel(0, 4), kBlue);
  EXPECT_EQ(fx.host.SurfacePixel(3, 7), kBlue);
  EXPECT_EQ(fx.host.SurfacePixel(4, 4), kWhite);
  EXPECT_EQ(fx.host.SurfacePixel(0, 3), kWhite);
}

TEST(Render, StretchedDrawingLeavesTheTargetsModeAndBrushOrigin) {
  ControlFixture fx(true, 8, 8);
  fx.control.SetStretch(2);
  ASSERT_TRUE(fx.Load(Gif({Solid(0, 0, 4, 4, 2)})));
  gdi::BITMAPINFO info{};
  info.bmiHeader.biWidth = 8;
  info.bmiHeader.biHeight = 8;
  info.bmiHeader.biBitCount = 32;
  const gdi::HDC dc = gdi::CreateCompatibleDC(gdi::HDC());
  const gdi::HBITMAP target = gdi::CreateDIBSection(dc, &info, gdi::DIB_RGB_COLORS, nullptr);
  const gdi::HGDIOBJ old = gdi::SelectObject(dc, target);
  gdi::SetStretchBltMode(dc, gdi::COLORONCOLOR);
  gdi::SetBrushOrgEx(dc, 3, 4, nullptr);
  EXPECT_TRUE(ucAniGIFInternals::RenderFrame(fx.control, 1, dc));
  EXPECT_FALSE(ucAniGIFInternals::RenderFrame(fx.control, 0, dc));
  EXPECT_EQ(gdi::GetStretchBltMode(dc), gdi::COLORONCOLOR);
  gdi::POINT origin;
  gdi::GetBrushOrgEx(dc, &origin);
  EXPECT_EQ(origin.x, 3);
  EXPECT_EQ(origin.y, 4);
  EXPECT_EQ(gdi::GetPixel(dc, 7, 7), gdi::RGB(0, 255, 0));
  gdi::SelectObject(dc, old);
  gdi::DeleteObject(target);
  gdi::DeleteDC(dc);
}

TEST(Render, DesignTimeOutlineWithNothingLoaded) {
  ControlFixture design(false, 12, 6);
  design.host.RepaintNow();
  const uint32_t frame = gdi::ColorRefToQuadValue(gdi::GetSysColor(gdi::COLOR_WINDOWFRAME));
  ASSERT_NE(frame, kWhite);
  EXPECT_EQ(design.host.SurfacePixel(0, 0), frame);
  EXPECT_EQ(design.host.SurfacePixel(1, 0), frame);
  EXPECT_EQ(design.host.SurfacePixel(4, 0), kWhite);  // a gap of the dotted line
  EXPECT_EQ(design.host.SurfacePixel(5, 3), kWhite);  // the inside is left alone
  int outline = 0;
  for (int x = 0; x < 12; ++x) outline += design.host.SurfacePixel(x, 5) == frame;
  EXPECT_GT(outline, 0);
  // At run time an empty control draws nothing at all.
  ControlFixture run(true, 12, 6);
  run.host.RepaintNow();
  for (int x = 0; x < 12; ++x) ASSERT_EQ(run.host.SurfacePixel(x, 0), kWhite);
}

TEST(Render, MirroringMovesFramesAndFlipsTheirPixels) {
  FrameSpec small = Frame(10, 0, 20, 2, 4, 1);
  FrameSpec wide = Frame(0, 0, 100, 4, 4, 2);
  ControlFixture design(false);
  ASSERT_TRUE(design.Load(Gif({small, wide})));
  const std::vector<uint8_t> before = design.FrameIndices(1);
  design.control.SetMirrored(1);
  EXPECT_EQ(design.control.Store().Frame(1).Left, 70);
  std::vector<uint8_t> flipped = design.FrameIndices(1);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 20; ++x) {
      ASSERT_EQ(flipped[static_cast<size_t>(y * 20 + x)],
                before[static_cast<size_t>(y * 20 + 19 - x)]);
    }
  }
  design.control.SetMirrored(0);
  EXPECT_EQ(design.control.Store().Frame(1).Left, 10);
  EXPECT_EQ(design.FrameIndices(1), before);
  // From horizontal to vertical flips both ways at once.
  design.control.SetMirrored(1);
  design.control.SetMirrored(2);
  EXPECT_EQ(design.control.Store().Frame(1).Left, 10);
  EXPECT_EQ(design.control.Store().Frame(1).Top, 2);
  const std::vector<uint8_t> vertical = design.FrameIndices(1);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 20; ++x) {
      ASSERT_EQ(vertical[static_cast<size_t>(y * 20 + x)],
                before[static_cast<size_t>((1 - y) * 20 + x)]);
    }
  }
  EXPECT_EQ(design.host.ChangedProperties().back(), "Mirrored");
  design.control.SetMirrored(4);  // out of range: nothing
  EXPECT_EQ(design.control.Mirrored(), 2);
}

TEST(Render, MirroringBeforeALoadAppliesToEveryDecodedFrame) {
  std::vector<FrameSpec> frames = {Frame(0, 0, 6, 3, 4, 1), Frame(2, 0, 4, 3, 4, 2)};
  ControlFixture plain, mirrored;
  mirrored.control.SetMirrored(1);
  ASSERT_TRUE(plain.Load(Gif(frames)));
  ASSERT_TRUE(mirrored.Load(Gif(frames)));
  mirrored.clock.Advance(20);
  plain.clock.Advance(20);
  EXPECT_EQ(mirrored.control.Mirrored(), 1);
  EXPECT_EQ(mirrored.control.Store().Frame(2).Left, 0);
  for (int i = 1; i <= 2; ++i) {
    const std::vector<uint8_t> a = plain.FrameIndices(i), b = mirrored.FrameIndices(i);
    const int w = plain.control.Store().Frame(i).Width;
    for (size_t k = 0; k < a.size(); ++k) {
      const size_t y = k / static_cast<size_t>(w), x = k % static_cast<size_t>(w);
      ASSERT_EQ(b[k], a[y * w + (w - 1 - x)]) << i;
    }
  }
  // A new load while frames still wait for decoding keeps no stale mark.
  ASSERT_TRUE(mirrored.Load(Gif(frames)));
  ASSERT_TRUE(mirrored.Load(Gif(frames)));
  mirrored.clock.Advance(20);
  EXPECT_EQ(mirrored.control.Mirrored(), 1);
  EXPECT_EQ(mirrored.FrameIndices(1)[0], plain.FrameIndices(1)[5]);
}

struct ScaleCase {
  int stretch;
  int clientW, clientH;
  float scaleX, scaleY;
  int sizeW, sizeH;
};

TEST(Render, StretchModesSetScaleAndControlSize) {
  const std::vector<ScaleCase> cases = {
      {0, 200, 50, 1.0f, 1.0f, 100, 50},   {1, 300, 100, 1.0f, 1.0f, 100, 100},
      {1, 50, 200, 0.5f, 0.5f, 50, 50},    {2, 300, 50, 3.0f, 0.5f, 300, 50},
      {3, 300, 400, 1.0f, 1.0f, 100, 100}, {3, 300, 50, 0.5f, 0.5f, 50, 50},
      {4, 37, 900, 1.0f, 1.0f, 100, 100},
  };
  for (const ScaleCase& c : cases) {
    ControlFixture fx(true, 10, 10);
    fx.control.SetStretch(c.stretch);
    ASSERT_TRUE(fx.Load(Gif({Solid(0, 0, 100, 100, 1)})));
    fx.host.Resize(c.clientW, c.clientH);
    const GifInfoRecord& g = fx.control.Store().GifInfo;
    EXPECT_EQ(g.ScaleX, c.scaleX) << c.stretch << " " << c.clientW << "x" << c.clientH;
    EXPECT_EQ(g.ScaleY, c.scaleY) << c.stretch << " " << c.clientW << "x" << c.clientH;
    EXPECT_EQ(fx.host.LastSetWidthTwips(), c.sizeW * 15) << c.stretch;
    EXPECT_EQ(fx.host.LastSetHeightTwips(), c.sizeH * 15) << c.stretch;
  }
}

TEST(Render, StretchSetterPausesOrRewinds) {
  std::vector<FrameSpec> frames = {Solid(0, 0, 4, 4, 1), Solid(0, 0, 4, 4, 2)};
  ControlFixture fx(true, 4, 4);
  fx.control.SetDelayAnimation(0);
  ASSERT_TRUE(fx.Load(Gif(frames)));
  fx.clock.Advance(150);
  fx.changes.clear();
  fx.control.SetStretch(2);  // while playing: pause, resize, go on
  EXPECT_EQ(fx.control.Action(), 1);
  EXPECT_EQ(fx.control.CurrentFrame(), 2);
  EXPECT_TRUE(fx.changes.empty());
  fx.control.SetAction(2);
  fx.control.SetAction(0);
  fx.control.SetAction(3);  // paused on frame 2
  fx.changes.clear();
  fx.control.SetStretch(5);  // out of range
  EXPECT_TRUE(fx.changes.empty());
  fx.control.SetAction(0);
  fx.changes.clear();
  fx.control.SetStretch(1);  // stopped: rewinds to frame 1
  EXPECT_EQ(fx.changes, (std::vector<FrameChange>{{1, false, 150}}));
  EXPECT_EQ(fx.control.Action(), 0);
  EXPECT_EQ(fx.host.ChangedProperties().back(), "Stretch");
}

}  // namespace
}  // namespace veltrano::anigif::testing

namespace veltrano::anigif::testing {
namespace {

// Frames drawn one after the other onto a surface that keeps what the
// previous frame left (only the changed part of the composed image is drawn
// again) give the same pixels as drawing the whole composed image each time.
// Random animations: partial frames, every disposal, transparency, a small
// first frame; offsets, mirroring and a solid background changed in between;
// unscaled, and stretched (HALFTONE) up or down on each axis.
TEST(Render, RedrawingOnlyTheChangedPartGivesTheWholeDrawing) {
  std::mt19937 rng(2512);
  auto pick = [&](int lo, int hi) { return lo + static_cast<int>(rng() % (hi - lo + 1)); };
  for (int round = 0; round < 24; ++round) {
    const RandomAnimation a = MakeRandomAnimation(rng, round, 3, 14);
    const bool stretched = round % 2 == 1;
    int cw, ch;
    PickClientSize(rng, a, stretched, &cw, &ch);
    // No drawings kept per frame: they would take over from the second loop.
    ControlFixture partial(true, cw, ch), whole(true, cw, ch);
    ASSERT_TRUE(partial.LoadStopped(a.gif, stretched, 0));
    ASSERT_TRUE(whole.LoadStopped(a.gif, stretched, 0));
    const int count = partial.control.FrameCount();
    ASSERT_EQ(count, whole.control.FrameCount());
    for (int step = 0; step < 3 * count; ++step) {
      if (step == count) {
        const int offset = pick(-2, 2);
        for (ControlFixture* fx : {&partial, &whole}) fx->control.SetOffsetX(offset);
      }
      if (step == count + count / 2) {
        const int style = pick(1, 3);
        for (ControlFixture* fx : {&partial, &whole}) fx->control.SetMirrored(style);
      }
      if (step == 2 * count || step == 2 * count + count / 2 + 1) {
        // A solid background for half a loop, then none again.
        for (ControlFixture* fx : {&partial, &whole}) {
          fx->control.SetSolidBkgColor(0x123456);
          fx->control.SetSolidBkgColorUsed(step == 2 * count);
        }
      }
      const int frame = step % count + 1;
      ucAniGIFInternals::RenderFrame(partial.control, frame, partial.host.SurfaceDC());
      ucAniGIFInternals::RenderFrame(whole.control, frame, whole.host.SurfaceDC());
      // Reading through the raster layer renews the surface's stamp, so
      // this one is always drawn whole.
      gdi::GetPixel(whole.host.SurfaceDC(), 0, 0);
      for (int y = 0; y < ch; ++y) {
        for (int x = 0; x < cw; ++x) {
          ASSERT_EQ(partial.host.SurfacePixel(x, y), whole.host.SurfacePixel(x, y))
              << "round " << round << " step " << step << " at " << x << "," << y;
        }
      }
    }
  }
}

}  // namespace
}  // namespace veltrano::anigif::testing
