#include <gtest/gtest.h>

#include "tests/anigif/control_fixture.h"

namespace veltrano::anigif::testing {
namespace {

TEST(FrameStore, SingleFrameHasAStripOfItsOwnSizeAndNoCanvas) {
  for (bool transparent : {false, true}) {
    ControlFixture fx;
    FrameSpec f = Frame(3, 2, 7, 5);
    if (transparent) f.transIndex = 1;
    ASSERT_TRUE(fx.Load(MakeGif({f})));
    const FrameStore& s = fx.control.Store();
    EXPECT_EQ(fx.control.FrameCount(), 1);
    EXPECT_EQ(fx.control.CurrentFrame(), 1);
    EXPECT_EQ(s.StripWidth, 7);
    EXPECT_EQ(s.StripHeight, 5);
    EXPECT_FALSE(s.CanvasBitmap);
    EXPECT_FALSE(s.CanvasMask);
    EXPECT_EQ(s.MaskTable.size(), transparent ? 256u : 0u);
    EXPECT_EQ(fx.FrameIndices(1), f.image.pixels);
    // A single frame is shown at once and announced; the clock stays off.
    EXPECT_EQ(fx.changes, (std::vector<FrameChange>{{1, false, 0}}));
    EXPECT_EQ(fx.control.Action(), 0);
    // Decoding is complete: the raw data and the parser's tables are gone.
    EXPECT_TRUE(s.GifBytes.empty());
    EXPECT_TRUE(s.BlockInfo.empty());
    EXPECT_TRUE(s.FrameBuf.empty());
  }
}

TEST(FrameStore, FramesLieSideBySideInTheStrip) {
  ControlFixture fx;
  fx.control.SetDelayAnimation(0);
  std::vector<FrameSpec> frames = {Frame(0, 0, 10, 5, 4, 1), Frame(0, 0, 20, 8, 4, 2),
                                   Frame(5, 1, 30, 6, 4, 3)};
  frames[2].image.localTable = Ramp(16);
  frames[2].image.pixels = Pattern(30, 6, 16, 3);
  frames[2].image.interlaced = true;
  ASSERT_TRUE(fx.Load(MakeGif(frames)));
  const FrameStore& s = fx.control.Store();
  EXPECT_EQ(s.StripWidth, 60);
  EXPECT_EQ(s.StripHeight, 8);
  EXPECT_EQ(s.Frame(1).StripX, 0);
  EXPECT_EQ(s.Frame(2).StripX, 10);
  EXPECT_EQ(s.Frame(3).StripX, 30);
  for (int i = 1; i <= 3; ++i) {
    EXPECT_EQ(fx.FrameIndices(i), frames[static_cast<size_t>(i - 1)].image.pixels) << i;
  }
  // No frame is transparent, but frame 1 leaves part of the animation
  // undrawn: a canvas with a mask, so that part stays transparent.
  EXPECT_TRUE(s.CanvasBitmap);
  EXPECT_TRUE(s.CanvasMask);
  EXPECT_EQ(fx.control.Action(), 1);
}

TEST(FrameStore, CanvasAndMaskFollowDisposalAndTransparency) {
  struct Case {
    const char* name;
    std::vector<FrameSpec> frames;
    bool canvas;
    bool mask;
  };
  auto disposed = [](FrameSpec f, int d, int trans = -1) {
    f.disposal = d;
    f.transIndex = trans;
    return f;
  };
  const std::vector<Case> cases = {
      {"disposal 0 only, none transparent", {Frame(0, 0, 8, 8), Frame(2, 2, 4, 4)}, true, false},
      {"disposal 0, first frame smaller", {Frame(0, 0, 4, 8), Frame(2, 2, 6, 4)}, true, true},
      {"all disposal 2",
       {disposed(Frame(0, 0, 8, 8), 2), disposed(Frame(0, 0, 8, 8), 2, 1)},
       false,
       false},
      {"disposal 1, second transparent, first covers all",
       {disposed(Frame(0, 0, 8, 8), 1), disposed(Frame(2, 2, 4, 4), 1, 1)},
       true,
       false},
      {"disposal 1, second transparent, first smaller",
       {disposed(Frame(0, 0, 6, 8), 1), disposed(Frame(2, 2, 6, 4), 1, 1)},
       true,
       true},
      {"first transparent",
       {disposed(Frame(0, 0, 8, 8), 1, 0), disposed(Frame(0, 0, 8, 8), 1)},
       true,
       true},
      {"a disposal 3 frame",
       {disposed(Frame(0, 0, 8, 8), 1), disposed(Frame(0, 0, 8, 8), 3)},
       true,
       true},
  };
  for (const Case& c : cases) {
    ControlFixture fx;
    fx.control.SetDelayAnimation(0);
    ASSERT_TRUE(fx.Load(MakeGif(c.frames))) << c.name;
    EXPECT_EQ(static_cast<bool>(fx.control.Store().CanvasBitmap), c.canvas) << c.name;
    EXPECT_EQ(static_cast<bool>(fx.control.Store().CanvasMask), c.mask) << c.name;
  }
}

TEST(FrameStore, StripHoldsPaletteIndicesNotColours) {
  // Design mode keeps the index palette in the strip (nothing animates).
  ControlFixture fx(false);
  FrameSpec f = Frame(0, 0, 4, 2, 16);
  f.image.localTable = Ramp(16);
  f.image.pixels = {7, 7, 1, 2, 3, 4, 5, 15};
  f.transIndex = 3;
  ASSERT_TRUE(fx.Load(MakeGif({f, Frame(0, 0, 4, 2)})));
  EXPECT_EQ(fx.StripIndex(0, 0), 7);
  EXPECT_EQ(fx.StripIndex(3, 1), 15);
  // The transparent pixel keeps its index; it is not turned into 0.
  EXPECT_EQ(fx.StripIndex(0, 1), 3);
  // While the index palette is loaded, index 7 shows as blue 7.
  EXPECT_EQ(gdi::GetPixel(fx.control.Store().StripDC, 0, 0), gdi::RGB(0, 0, 7));
}

TEST(FrameStore, DesignModeDecodesOnlyTheFirstFrameAndKeepsTheData) {
  ControlFixture fx(false);
  std::vector<FrameSpec> frames;
  for (int i = 0; i < 10; ++i) frames.push_back(Frame(0, 0, 6 + i, 4, 4, i));
  const Bytes gif = MakeGif(frames);
  ASSERT_TRUE(fx.Load(gif));
  const FrameStore& s = fx.control.Store();
  EXPECT_EQ(fx.control.FrameCount(), 10);
  EXPECT_EQ(s.StripWidth, 6);
  EXPECT_EQ(fx.FrameIndices(1), frames[0].image.pixels);
  EXPECT_EQ(s.GifBytes, gif);
  EXPECT_FALSE(s.CanvasBitmap);
  EXPECT_EQ(fx.host.Clock().ArmedCount(), 0u);
  EXPECT_TRUE(fx.changes.empty());
}

TEST(FrameStore, DeferredDecodingFillsTheStripOnTheFirstTick) {
  ControlFixture fx;
  std::vector<FrameSpec> frames;
  for (int i = 0; i < 5; ++i) frames.push_back(Frame(0, 0, 5, 5, 4, i + 1));
  ASSERT_TRUE(fx.Load(MakeGif(frames)));
  EXPECT_EQ(fx.FrameIndices(1), frames[0].image.pixels);
  EXPECT_TRUE(fx.control.DeferredDecodePending());
  EXPECT_EQ(fx.control.Action(), 1);
  // Nothing of frames 2..5 is in the strip yet.
  for (int x = 5; x < 25; ++x) ASSERT_EQ(fx.StripIndex(x, 0), 0) << x;
  fx.clock.Advance(19);
  EXPECT_TRUE(fx.control.DeferredDecodePending());
  fx.clock.Advance(1);
  EXPECT_FALSE(fx.control.DeferredDecodePending());
  for (int i = 2; i <= 5; ++i) {
    EXPECT_EQ(fx.FrameIndices(i), frames[static_cast<size_t>(i - 1)].image.pixels) << i;
  }
  // The animation starts with frame 1's interval (100 ms).
  EXPECT_EQ(fx.control.Action(), 1);
  EXPECT_TRUE(fx.control.Store().GifBytes.empty());
  fx.clock.Advance(99);
  EXPECT_TRUE(fx.changes.empty());
  fx.clock.Advance(1);
  EXPECT_EQ(fx.changes, (std::vector<FrameChange>{{1, true, 120}}));
}

TEST(FrameStore, DelayAnimationTwoAnnouncesFrameOneAndStaysStill) {
  ControlFixture fx;
  fx.control.SetDelayAnimation(2);
  ASSERT_TRUE(fx.Load(MakeGif({Frame(0, 0, 4, 4), Frame(0, 0, 4, 4, 4, 1)})));
  fx.clock.Advance(20);
  EXPECT_EQ(fx.changes, (std::vector<FrameChange>{{1, false, 20}}));
  EXPECT_EQ(fx.control.Action(), 0);
  EXPECT_EQ(fx.host.Clock().ArmedCount(), 0u);
  fx.control.SetAction(1);
  EXPECT_EQ(fx.control.Action(), 1);
}

TEST(FrameStore, HugeDeclaredFramesFailCleanlyWithinTheBudget) {
  const size_t liveBefore = gdi::LiveObjectCount();
  for (bool runMode : {true, false}) {
    ControlFixture fx(runMode);
    // A few bytes of data that declare frames of 65535 x 65535.
    FrameSpec huge = Frame(0, 0, 1, 1);
    huge.image.width = 65535;
    huge.image.height = 65535;
    EXPECT_FALSE(fx.Load(MakeGif({huge, huge, huge})));
    EXPECT_EQ(fx.control.FrameCount(), 0);
    EXPECT_EQ(fx.control.CurrentFrame(), 0);
    EXPECT_FALSE(fx.control.Store().StripBitmap);
    if (runMode) {
      // The strip alone would fit (125 MiB); with the canvas it does not.
      FrameSpec wide = Frame(0, 0, 1, 1);
      wide.image.width = 16384;
      wide.image.height = 4000;
      EXPECT_FALSE(fx.Load(MakeGif({wide, wide})));
      EXPECT_EQ(fx.control.CurrentFrame(), 0);
    }
    // One 1 x 1 frame far out: nothing but the animation's size is large,
    // and that alone is above the budget, with or without a canvas.
    for (int frames : {1, 2}) {
      const std::vector<FrameSpec> far(static_cast<size_t>(frames), Frame(65535, 65535, 1, 1));
      EXPECT_FALSE(fx.Load(MakeGif(far))) << frames;
      EXPECT_EQ(fx.control.CurrentFrame(), 0) << frames;
      EXPECT_FALSE(fx.control.Store().StripBitmap) << frames;
      EXPECT_FALSE(fx.control.Store().CanvasBitmap) << frames;
    }
    // 9000 x 9000 at 24 bits (232 MiB) is within it.
    EXPECT_TRUE(fx.Load(MakeGif({Frame(8999, 8999, 1, 1)})));
    EXPECT_EQ(fx.control.CurrentFrame(), 1);
    // A small file loads afterwards as usual.
    EXPECT_TRUE(fx.Load(MakeGif({Frame(0, 0, 3, 3)})));
  }
  EXPECT_EQ(gdi::LiveObjectCount(), liveBefore);
}

TEST(FrameStore, LoopCountsAboveThe16BitRangeStillAnimate) {
  ControlFixture fx;
  fx.control.SetDelayAnimation(0);
  ASSERT_TRUE(fx.Load(MakeGif({Frame(0, 0, 2, 2), Frame(0, 0, 2, 2, 4, 1)}, 4, 40000)));
  EXPECT_EQ(fx.control.Loops(), 40000);
  EXPECT_EQ(fx.control.LoopsRemaining(), 40000);
  EXPECT_EQ(fx.control.Action(), 1);
  fx.clock.Advance(200);  // frames 2, 1: one loop played
  EXPECT_EQ(fx.control.LoopsRemaining(), 39999);
  EXPECT_EQ(fx.control.Action(), 1);
}

TEST(FrameStore, FrameCutShortIsDecodedFromTheBytesPresent) {
  ControlFixture fx;
  fx.control.SetDelayAnimation(0);
  FrameSpec big = Frame(0, 0, 40, 40, 4, 1);
  Bytes gif = MakeGif({Frame(0, 0, 40, 40), big});
  gif.resize(gif.size() - 200);  // into the second frame's data sub-blocks
  ASSERT_TRUE(fx.Load(gif));
  ASSERT_EQ(fx.control.FrameCount(), 2);
  // The first rows that arrived are there; the rest of the frame is 0.
  const std::vector<uint8_t> got = fx.FrameIndices(2);
  EXPECT_TRUE(std::equal(got.begin(), got.begin() + 40, big.image.pixels.begin()));
  EXPECT_EQ(got.back(), 0);
}

TEST(FrameStore, ResetReleasesEverything) {
  const size_t liveBefore = gdi::LiveObjectCount();
  {
    ControlFixture fx;
    FrameSpec a = Frame(0, 0, 6, 6);
    a.disposal = 3;
    a.transIndex = 2;
    ASSERT_TRUE(fx.Load(MakeGif({Frame(0, 0, 8, 8), a})));
    fx.clock.Advance(20);
    ASSERT_TRUE(fx.control.Store().CanvasMask);
    EXPECT_TRUE(fx.control.CacheColorTables());
    ucAniGIFInternals::ResetGif(fx.control);
    const FrameStore& s = fx.control.Store();
    EXPECT_EQ(fx.control.CurrentFrame(), 0);
    EXPECT_EQ(fx.control.Action(), 0);
    EXPECT_FALSE(s.StripDC || s.StripBitmap || s.CanvasDC || s.CanvasBitmap || s.CanvasMask);
    EXPECT_TRUE(s.Frames.empty() && s.ColorTables.empty() && s.MaskTable.empty());
    EXPECT_EQ(s.CacheFlag, 0);
    EXPECT_EQ(fx.host.Clock().ArmedCount(), 0u);
    // A second load on the same control works from scratch.
    ASSERT_TRUE(fx.Load(MakeGif({Frame(0, 0, 8, 8), a})));
  }
  EXPECT_EQ(gdi::LiveObjectCount(), liveBefore);
}

TEST(FrameStore, BadDataLeavesTheControlEmpty) {
  ControlFixture fx;
  ASSERT_TRUE(fx.Load(MakeGif({Frame(0, 0, 4, 4)})));
  const Bytes notGif = {'P', 'N', 'G', 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13};
  EXPECT_FALSE(fx.Load(notGif));
  EXPECT_EQ(fx.control.CurrentFrame(), 0);
  EXPECT_EQ(fx.control.FrameCount(), 0);
  EXPECT_FALSE(fx.control.Store().StripBitmap);
  // A frame of zero width gives a strip that cannot be made.
  FrameSpec empty = Frame(0, 0, 1, 1);
  empty.image.width = 0;
  EXPECT_FALSE(fx.Load(MakeGif({empty})));
  EXPECT_EQ(fx.control.CurrentFrame(), 0);
}

}  // namespace
}  // namespace veltrano::anigif::testing
