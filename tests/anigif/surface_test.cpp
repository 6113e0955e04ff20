// The control's properties as a form sees them: ranges, clamping, which
// setters tell the designer, design-time assignment of a picture, and the
// AnimatedGIF picture of the frame on screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include "anigif/property_bag.h"
#include "tests/anigif/control_fixture.h"

namespace veltrano::anigif::testing {
namespace {

using Names = std::vector<std::string>;

Bytes ThreeFrames(int loops = -1) {
  return MakeGif({Frame(0, 0, 8, 6, 4, 1), Frame(2, 1, 4, 3, 4, 2), Frame(0, 0, 8, 6, 4, 3)}, 4,
                 loops);
}

TEST(SurfaceProperties, ClampedIgnoredAndNotified) {
  ControlFixture fx;
  ucAniGIF& c = fx.control;
  c.SetMinFrameDelay(5);
  EXPECT_EQ(c.MinFrameDelay(), 10);
  c.SetMinFrameDelay(40000);
  EXPECT_EQ(c.MinFrameDelay(), 32700);
  c.SetMinFrameDelay(32700);  // unchanged: nothing to tell
  c.SetLoops(-3);
  EXPECT_EQ(c.Loops(), 3);
  c.SetLoops(3);  // unchanged
  c.SetStretch(5);
  c.SetStretch(-1);
  c.SetMirrored(4);
  c.SetDelayAnimation(4);
  c.SetDelayAnimation(1);  // already 1
  EXPECT_EQ(c.Stretch(), 1);
  EXPECT_EQ(c.Mirrored(), 0);
  EXPECT_EQ(c.DelayAnimation(), 1);
  c.SetSteppedDelay(-7);
  EXPECT_EQ(c.SteppedDelay(), 0);
  c.SetOffsetX(3);
  c.SetSolidBkgColor(0x123456);
  c.SetSolidBkgColorUsed(true);
  c.SetMirrored(2);  // nothing loaded: stored and told
  EXPECT_EQ(c.Mirrored(), 2);
  c.SetDelayAnimation(3);
  c.SetEnabled(false);
  EXPECT_FALSE(c.Enabled());
  EXPECT_FALSE(fx.host.Enabled());
  EXPECT_EQ(fx.host.ChangedProperties(),
            (Names{"Delay", "Delay", "Loops", "Mirrored", "DelayAnimation", "Enabled"}));
}

TEST(SurfaceProperties, NothingLoaded) {
  ControlFixture fx;
  EXPECT_EQ(fx.control.FrameCount(), 0);
  EXPECT_EQ(fx.control.LoopsRemaining(), 0);
  EXPECT_EQ(fx.control.CurrentFrame(), 0);
  EXPECT_EQ(fx.control.AnimatedGIF(), nullptr);
  fx.control.SetLoops(0);
  EXPECT_EQ(fx.control.LoopsRemaining(), 0);
}

TEST(SurfaceProperties, FrameCountIsReadOnlyAndLoopsRemainingIsWide) {
  ControlFixture fx;
  fx.control.SetDelayAnimation(0);
  ASSERT_TRUE(fx.Load(ThreeFrames(0)));
  fx.control.SetFrameCount(9);
  EXPECT_EQ(fx.control.FrameCount(), 3);
  EXPECT_EQ(fx.control.LoopsRemaining(), std::numeric_limits<int32_t>::max());
  // A count above 16 bits restarts the counter without overflowing.
  fx.control.SetLoops(40000);
  fx.control.SetAction(4);
  EXPECT_EQ(fx.control.LoopsRemaining(), 40000);
}

TEST(SurfaceProperties, MousePointerAndIcon) {
  ControlFixture fx;
  fx.control.SetMousePointer(99);
  EXPECT_EQ(fx.control.MousePointer(), 99);
  fx.control.SetMousePointer(70000);  // not a 16-bit pointer: ignored
  fx.control.SetMousePointer(42);     // the host refuses it: ignored
  EXPECT_EQ(fx.control.MousePointer(), 99);
  const host::PictureRef icon = MakePictureObject(MakeGif({Frame(0, 0, 4, 4)}));
  ASSERT_NE(icon, nullptr);
  fx.control.SetMouseIcon(icon);
  EXPECT_EQ(fx.control.MouseIcon(), icon);
  EXPECT_EQ(fx.host.AppliedMouseIcon(), icon);
  EXPECT_EQ(fx.control.MousePointer(), 99);
  fx.control.SetMouseIcon(nullptr);  // no icon: the standard pointer again
  EXPECT_EQ(fx.host.AppliedMouseIcon(), nullptr);
  EXPECT_EQ(fx.control.MousePointer(), 0);
  EXPECT_EQ(fx.host.ChangedProperties(), (Names{"MouseIcon", "MouseIcon"}));
}

TEST(SurfaceStretch, StoppedRewindsToFrameOne) {
  ControlFixture fx(true, 20, 20);
  fx.control.SetDelayAnimation(2);  // decoded, not playing
  ASSERT_TRUE(fx.Load(ThreeFrames()));
  fx.control.SetAction(3);
  fx.control.SetAction(0);
  ASSERT_EQ(fx.control.Action(), 0);
  fx.control.SetAction(3);  // step to frame 2, paused
  fx.control.SetAction(0);  // stopped on frame 1
  fx.changes.clear();
  const int paints = fx.host.PaintCount();
  fx.control.SetStretch(2);
  EXPECT_EQ(fx.control.Stretch(), 2);
  EXPECT_EQ(fx.control.CurrentFrame(), 1);
  ASSERT_EQ(fx.changes.size(), 1u);
  EXPECT_EQ(fx.changes[0].frame, 1);
  EXPECT_FALSE(fx.changes[0].viaTimer);
  EXPECT_GT(fx.host.PaintCount(), paints);
  EXPECT_EQ(fx.host.ChangedProperties().back(), "Stretch");
}

TEST(SurfaceStretch, PlayingPausesForTheResizeAndGoesOn) {
  ControlFixture fx(true, 20, 20);
  fx.control.SetDelayAnimation(0);
  ASSERT_TRUE(fx.Load(ThreeFrames()));
  ASSERT_EQ(fx.control.Action(), 1);
  fx.clock.Advance(100);
  const int32_t frame = fx.control.CurrentFrame();
  fx.changes.clear();
  fx.control.SetStretch(0);
  EXPECT_EQ(fx.control.Action(), 1);
  EXPECT_EQ(fx.control.CurrentFrame(), frame);
  EXPECT_TRUE(fx.changes.empty());
  EXPECT_TRUE(fx.host.IsTimerArmed(reinterpret_cast<uintptr_t>(&fx.control)));
  fx.clock.Advance(100);
  EXPECT_FALSE(fx.changes.empty());  // still animating
}

TEST(SurfaceMirrored, LoadedFramesAreFlippedOnceAndNotified) {
  ControlFixture fx(false);
  const FrameSpec f = Frame(0, 0, 6, 2, 4, 7);
  ASSERT_TRUE(fx.Load(MakeGif({f})));
  fx.control.SetMirrored(1);
  std::vector<uint8_t> want = f.image.pixels;
  for (int y = 0; y < 2; ++y) std::reverse(want.begin() + y * 6, want.begin() + y * 6 + 6);
  EXPECT_EQ(fx.FrameIndices(1), want);
  fx.control.SetMirrored(1);  // unchanged: the strip stays as it is
  EXPECT_EQ(fx.FrameIndices(1), want);
  fx.control.SetMirrored(0);
  EXPECT_EQ(fx.FrameIndices(1), f.image.pixels);
  EXPECT_EQ(fx.host.ChangedProperties(), (Names{"Mirrored", "Mirrored"}));
}

TEST(SurfaceDesignTime, AssignedPictureSizesTheControl) {
  ControlFixture fx(false, 100, 100);
  fx.control.SetStretch(2);
  const Bytes gif = MakeGif({Frame(0, 0, 32, 16, 4, 1), Frame(0, 0, 32, 16, 4, 2)});
  fx.control.SetAnimatedGIF(MakePictureObject(gif));
  EXPECT_EQ(fx.control.CurrentFrame(), 1);
  EXPECT_EQ(fx.host.ClientWidth(), 32);
  EXPECT_EQ(fx.host.ClientHeight(), 16);
  EXPECT_EQ(fx.host.LastSetWidthTwips(), 32 * 15);
  EXPECT_EQ(fx.control.Stretch(), 2);  // restored after sizing
  EXPECT_EQ(fx.control.Store().GifInfo.ScaleX, 1.0f);
  EXPECT_EQ(fx.control.Store().GifInfo.ScaleY, 1.0f);
  EXPECT_EQ(fx.control.Store().GifBytes, gif);  // kept for saving the form
  EXPECT_EQ(fx.control.ActualWidth(), 32 * 15);
  EXPECT_EQ(fx.control.ActualHeight(), 16 * 15);
  EXPECT_EQ(fx.host.ChangedProperties().back(), "AnimatedGIF");

  fx.control.SetAnimatedGIF(nullptr);
  EXPECT_EQ(fx.control.CurrentFrame(), 0);
  EXPECT_TRUE(fx.control.Store().GifBytes.empty());
}

TEST(SurfaceDesignTime, AssigningAtRunTimeDoesNothing) {
  ControlFixture fx(true, 10, 10);
  fx.control.SetAnimatedGIF(MakePictureObject(ThreeFrames()));
  EXPECT_EQ(fx.control.CurrentFrame(), 0);
  EXPECT_TRUE(fx.host.ChangedProperties().empty());
}

TEST(SurfaceAnimatedGIF, GetterExportsTheFrameOnScreen) {
  ControlFixture fx(true, 8, 6);
  fx.control.SetDelayAnimation(2);
  FrameSpec second = Frame(2, 1, 4, 3, 4, 2);
  second.transIndex = 3;
  const Bytes gif = MakeGif({Frame(0, 0, 8, 6, 4, 1), second});
  ASSERT_TRUE(fx.Load(gif));
  fx.control.SetAction(3);
  ASSERT_EQ(fx.control.CurrentFrame(), 2);
  const host::PictureRef p = fx.control.AnimatedGIF();
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->image.Width(), 4);
  EXPECT_EQ(p->image.Height(), 3);
  EXPECT_EQ(std::vector<uint8_t>(p->image.Indices().begin(), p->image.Indices().end()),
            second.image.pixels);
  EXPECT_EQ(p->image.TransparentIndex(), std::optional<uint8_t>(3));
  const std::vector<uint32_t> ramp = Ramp(4);
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(p->image.Palette()[i], ramp[i]) << i;
  // The picture carries its own stream: what a designer would store.
  const host::PictureRef again = MakePictureObject(p->gifBytes);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->image.Width(), 4);
}

TEST(SurfaceAnimatedGIF, TakingThePictureLeavesAPendingDecodeAlone) {
  ControlFixture fx(true, 8, 6);
  ASSERT_TRUE(fx.Load(ThreeFrames()));  // DelayAnimation 1: frames 2.. decode later
  ASSERT_TRUE(fx.control.DeferredDecodePending());
  const std::vector<uint8_t> frameBuf = fx.control.Store().FrameBuf;
  const std::vector<int32_t> pow2 = fx.control.Store().Pow2;
  const host::PictureRef p = fx.control.AnimatedGIF();
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(std::vector<uint8_t>(p->image.Indices().begin(), p->image.Indices().end()),
            fx.FrameIndices(1));
  EXPECT_TRUE(fx.control.DeferredDecodePending());
  EXPECT_EQ(fx.control.Store().FrameBuf, frameBuf);
  EXPECT_EQ(fx.control.Store().Pow2, pow2);
  fx.clock.Advance(20);
  EXPECT_FALSE(fx.control.DeferredDecodePending());
  EXPECT_EQ(fx.control.FrameCount(), 3);
}

TEST(SurfaceMouse, ClickOnATransparentPixelAndConvertedPositions) {
  ControlFixture fx(true, 8, 8);
  FrameSpec f = Frame(0, 0, 8, 8, 4, 0);
  std::fill(f.image.pixels.begin(), f.image.pixels.end(), uint8_t{2});
  f.transIndex = 2;  // every pixel transparent
  ASSERT_TRUE(fx.Load(MakeGif({f})));
  int clicks = 0;
  fx.control.Events().Click = [&] { ++clicks; };
  EXPECT_EQ(fx.control.HitTest(3, 3), 3);
  fx.host.Click();
  EXPECT_EQ(clicks, 1);

  float gotX = -1, gotY = -1;
  int16_t gotButton = 0, gotShift = 0;
  fx.control.Events().MouseDown = [&](int16_t b, int16_t s, float x, float y) {
    gotButton = b;
    gotShift = s;
    gotX = x;
    gotY = y;
  };
  fx.host.SetContainerScale(2.5);
  fx.control.OnMouseDown(1, 4, 3.0f, 5.0f);
  EXPECT_EQ(gotButton, 1);
  EXPECT_EQ(gotShift, 4);
  EXPECT_EQ(gotX, 7.0f);  // 7.5 rounded down
  EXPECT_EQ(gotY, 12.0f);
}

}  // namespace
}  // namespace veltrano::anigif::testing
