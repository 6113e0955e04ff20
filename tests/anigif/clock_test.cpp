#include <gtest/gtest.h>

#include "tests/anigif/control_fixture.h"

namespace veltrano::anigif::testing {
namespace {

// Three 4 x 4 frames with delays of 100, 200 and 300 ms.
Bytes ThreeFrames(int loops = -1) {
  std::vector<FrameSpec> frames;
  for (int i = 0; i < 3; ++i) {
    frames.push_back(Frame(0, 0, 4, 4, 4, i));
    frames.back().delayCs = 10 * (i + 1);
  }
  return MakeGif(frames, 4, loops);
}

// A control that has finished loading and plays from frame 1.
struct Playing : ControlFixture {
  explicit Playing(const Bytes& gif) {
    control.SetDelayAnimation(0);
    EXPECT_TRUE(Load(gif));
    changes.clear();
  }
};

TEST(Clock, FramesFollowTheirDelaysAndReportThePreviousFrame) {
  Playing fx(ThreeFrames());
  EXPECT_EQ(fx.control.Action(), 1);
  fx.clock.Advance(1000);
  // 100 ms on frame 1, 200 on frame 2, 300 on frame 3, again and again.
  EXPECT_EQ(fx.changes,
            (std::vector<FrameChange>{
                {1, true, 100}, {2, true, 300}, {3, true, 600}, {1, true, 700}, {2, true, 900}}));
  EXPECT_EQ(fx.control.CurrentFrame(), 3);
  // Each tick repaints once.
  EXPECT_EQ(fx.host.PaintCount(), 5);
}

TEST(Clock, MinimumAndSteppedDelays) {
  std::vector<FrameSpec> frames = {Frame(0, 0, 2, 2), Frame(0, 0, 2, 2, 4, 1)};
  frames[0].delayCs = 0;  // no timing in the file
  frames[1].control = false;
  Playing fx(MakeGif(frames));
  EXPECT_EQ(ucAniGIFInternals::FrameInterval(fx.control, 1), 50);
  EXPECT_EQ(ucAniGIFInternals::FrameInterval(fx.control, 2), 50);
  fx.control.SetMinFrameDelay(5);
  EXPECT_EQ(fx.control.MinFrameDelay(), 10);
  fx.control.SetMinFrameDelay(40000);
  EXPECT_EQ(fx.control.MinFrameDelay(), 32700);
  fx.control.SetMinFrameDelay(50);
  // A stepped delay wins, also below the minimum, from the next frame on.
  fx.control.SetSteppedDelay(5);
  fx.clock.Advance(50 + 5 + 5);
  EXPECT_EQ(fx.changes, (std::vector<FrameChange>{{1, true, 50}, {2, true, 55}, {1, true, 60}}));
  fx.control.SetSteppedDelay(-7);
  EXPECT_EQ(fx.control.SteppedDelay(), 0);
}

TEST(Clock, LoopsCountDownAndEnd) {
  Playing fx(ThreeFrames(2));
  EXPECT_EQ(fx.control.LoopsRemaining(), 2);
  fx.clock.Advance(100000);
  std::vector<int32_t> reported;
  for (const FrameChange& c : fx.changes) {
    EXPECT_TRUE(c.viaTimer);
    reported.push_back(c.frame);
  }
  EXPECT_EQ(reported, (std::vector<int32_t>{1, 2, 3, 1, 2, 3}));
  EXPECT_EQ(fx.loopsEnded, 1);
  EXPECT_EQ(fx.control.Action(), 0);
  EXPECT_EQ(fx.control.CurrentFrame(), 1);
  EXPECT_EQ(fx.control.LoopsRemaining(), 0);
  EXPECT_EQ(fx.clock.ArmedCount(), 0u);
  // Restarting plays the loops again.
  fx.control.SetAction(4);
  EXPECT_EQ(fx.control.LoopsRemaining(), 2);
  EXPECT_EQ(fx.control.Action(), 1);
}

TEST(Clock, EndlessAnimationsAndEmptyControlsReadTheirLoops) {
  ControlFixture empty;
  EXPECT_EQ(empty.control.LoopsRemaining(), 0);
  EXPECT_EQ(empty.control.FrameCount(), 0);
  Playing fx(ThreeFrames());
  EXPECT_EQ(fx.control.Loops(), 0);
  EXPECT_EQ(fx.control.LoopsRemaining(), 2147483647);
  fx.control.SetLoops(-3);
  EXPECT_EQ(fx.control.Loops(), 3);
}

TEST(Clock, SingleFrameNeverArmsTheClock) {
  ControlFixture fx;
  ASSERT_TRUE(fx.Load(MakeGif({Frame(0, 0, 3, 3)})));
  EXPECT_EQ(fx.clock.ArmedCount(), 0u);
  fx.control.SetAction(1);
  EXPECT_EQ(fx.control.Action(), 0);
  EXPECT_EQ(fx.clock.ArmedCount(), 0u);
}

TEST(Clock, PausePlayStepStopRestart) {
  Playing fx(ThreeFrames());
  fx.clock.Advance(150);  // frame 2 since 100 ms
  fx.control.SetAction(2);
  EXPECT_EQ(fx.control.Action(), 2);
  EXPECT_EQ(fx.clock.ArmedCount(), 0u);
  fx.clock.Advance(1000);
  EXPECT_EQ(fx.control.CurrentFrame(), 2);
  // Play resumes the paused frame with its full interval.
  fx.control.SetAction(1);
  fx.clock.Advance(199);
  EXPECT_EQ(fx.control.CurrentFrame(), 2);
  fx.clock.Advance(1);
  EXPECT_EQ(fx.control.CurrentFrame(), 3);
  fx.changes.clear();
  // Step from the last frame shows frame 1 and leaves the animation paused.
  fx.control.SetAction(3);
  EXPECT_EQ(fx.control.CurrentFrame(), 1);
  EXPECT_EQ(fx.control.Action(), 2);
  EXPECT_EQ(fx.changes, (std::vector<FrameChange>{{1, false, 1350}}));
  fx.control.SetAction(3);
  EXPECT_EQ(fx.control.CurrentFrame(), 2);
  // Stop rewinds to frame 1 and stays there.
  fx.control.SetAction(0);
  EXPECT_EQ(fx.control.CurrentFrame(), 1);
  EXPECT_EQ(fx.control.Action(), 0);
  EXPECT_EQ(fx.changes.back(), (FrameChange{1, false, 1350}));
  // Pause from stopped changes nothing; out-of-range requests are ignored.
  fx.control.SetAction(2);
  fx.control.SetAction(5);
  fx.control.SetAction(-1);
  EXPECT_EQ(fx.control.Action(), 0);
  fx.control.SetAction(4);
  EXPECT_EQ(fx.control.Action(), 1);
  fx.clock.Advance(100);
  EXPECT_EQ(fx.control.CurrentFrame(), 2);
}

TEST(Clock, RequestsAtDesignTimeOrWithoutAGifDoNothing) {
  ControlFixture design(false);
  ASSERT_TRUE(design.Load(ThreeFrames()));
  ControlFixture empty;
  for (ControlFixture* fx : {&design, &empty}) {
    for (int act = 0; act <= 4; ++act) fx->control.SetAction(act);
    EXPECT_EQ(fx->control.Action(), 0);
    EXPECT_TRUE(fx->changes.empty());
    EXPECT_EQ(fx->clock.ArmedCount(), 0u);
  }
}

TEST(Clock, HideAndShowPauseAndResume) {
  Playing fx(ThreeFrames());
  fx.host.Hide();
  EXPECT_EQ(fx.control.Action(), 2);
  fx.clock.Advance(500);
  EXPECT_TRUE(fx.changes.empty());
  fx.host.Show();
  EXPECT_EQ(fx.control.Action(), 1);
  fx.clock.Advance(100);
  EXPECT_EQ(fx.changes, (std::vector<FrameChange>{{1, true, 600}}));
  // Showing a stopped control does not start it.
  fx.control.SetAction(0);
  fx.host.Show();
  EXPECT_EQ(fx.control.Action(), 0);
}

TEST(Clock, DelayAnimationModes) {
  for (int mode = 0; mode <= 3; ++mode) {
    ControlFixture fx;
    fx.control.SetDelayAnimation(mode);
    ASSERT_TRUE(fx.Load(ThreeFrames()));
    EXPECT_EQ(fx.control.DeferredDecodePending(), mode != 0) << mode;
    fx.clock.Advance(mode == 0 ? 0 : 20);
    EXPECT_FALSE(fx.control.DeferredDecodePending());
    const bool still = (mode & 2) != 0;
    EXPECT_EQ(fx.control.Action(), still ? 0 : 1) << mode;
    if (still) {
      EXPECT_EQ(fx.changes, (std::vector<FrameChange>{{1, false, 20}}));
    } else {
      EXPECT_TRUE(fx.changes.empty());
    }
  }
}

TEST(Clock, RequestWhileFramesAwaitDecodingDecodesThemFirst) {
  ControlFixture fx;
  const Bytes gif = ThreeFrames();
  ASSERT_TRUE(fx.Load(gif));
  ASSERT_TRUE(fx.control.DeferredDecodePending());
  // Hiding the control within the first 20 ms pauses it ...
  fx.host.Hide();
  EXPECT_FALSE(fx.control.DeferredDecodePending());
  EXPECT_EQ(fx.control.Action(), 2);
  // ... and every frame is decoded, so showing it plays real frames.
  ControlFixture reference;
  reference.control.SetDelayAnimation(0);
  ASSERT_TRUE(reference.Load(gif));
  for (int i = 1; i <= 3; ++i) EXPECT_EQ(fx.FrameIndices(i), reference.FrameIndices(i)) << i;
  fx.host.Show();
  fx.clock.Advance(100);
  EXPECT_EQ(fx.control.CurrentFrame(), 2);
}

TEST(Clock, EachControlGetsItsOwnTicks) {
  host::VirtualClock clock;
  host::HeadlessControlHost hostA(clock), hostB(clock);
  ucAniGIF a(hostA), b(hostB);
  a.SetDelayAnimation(0);
  b.SetDelayAnimation(0);
  std::vector<std::string> log;
  a.Events().FrameChanged = [&](int32_t f, bool) { log.push_back("a" + std::to_string(f)); };
  b.Events().FrameChanged = [&](int32_t f, bool) { log.push_back("b" + std::to_string(f)); };
  ASSERT_TRUE(a.LoadAnimatedGIF_Array(ByteArrayArg::Of(ThreeFrames())));
  clock.Advance(50);
  ASSERT_TRUE(b.LoadAnimatedGIF_Array(ByteArrayArg::Of(ThreeFrames())));
  clock.Advance(250);
  EXPECT_EQ(log, (std::vector<std::string>{"a1", "b1", "a2"}));
  EXPECT_EQ(a.CurrentFrame(), 3);
  EXPECT_EQ(b.CurrentFrame(), 2);
}

TEST(Clock, HandlersThatReloadOrEmptyTheControlDuringATick) {
  Playing fx(ThreeFrames());
  const Bytes other = MakeGif({Frame(0, 0, 5, 5), Frame(0, 0, 5, 5, 4, 1)});
  int ticks = 0;
  fx.control.Events().FrameChanged = [&](int32_t, bool viaTimer) {
    if (viaTimer && ++ticks == 1) fx.control.LoadAnimatedGIF_Array(ByteArrayArg::Of(other));
    if (viaTimer && ticks == 3) ucAniGIFInternals::ResetGif(fx.control);
  };
  fx.clock.Advance(100);
  // The new animation owns the clock: it starts on its own frame 1.
  EXPECT_EQ(fx.control.Store().GifInfo.Width, 5);
  EXPECT_EQ(fx.control.CurrentFrame(), 1);
  EXPECT_EQ(fx.clock.ArmedCount(), 1u);
  EXPECT_EQ(fx.clock.UntilNext(), 100);  // its own frame 1
  fx.clock.Advance(10000);
  EXPECT_EQ(ticks, 3);
  EXPECT_EQ(fx.control.CurrentFrame(), 0);
  EXPECT_EQ(fx.clock.ArmedCount(), 0u);
}

}  // namespace
}  // namespace veltrano::anigif::testing
