#include <gtest/gtest.h>

#include "tests/anigif/control_fixture.h"

namespace veltrano::anigif::testing {
namespace {

// Frame 1 uses the 4-colour global table, frame 2 a 16-colour local one.
Bytes TwoTables() {
  FrameSpec second = Frame(0, 0, 4, 4, 16, 1);
  second.image.localTable = Ramp(16);
  return MakeGif({Frame(0, 0, 4, 4), second});
}

struct Loaded : ControlFixture {
  explicit Loaded(const Bytes& gif, bool play = false) : ControlFixture(true, 4, 4) {
    control.SetDelayAnimation(play ? 0 : 2);
    EXPECT_TRUE(Load(gif));
    if (!play) clock.Advance(20);  // decoded, standing on frame 1
  }
};

TEST(Palette, ReadingTables) {
  Loaded fx(TwoTables());
  std::vector<int32_t> entries;
  ASSERT_TRUE(fx.control.GetPalette(0, entries));
  ASSERT_EQ(entries.size(), 4u);
  const std::vector<uint32_t> ramp4 = Ramp(4);
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(entries[i], static_cast<int32_t>(ramp4[i]));
  // Blue in the lowest byte, red above green.
  EXPECT_EQ(entries[3], (255 << 16) | (((255 * 7) & 0xFF) << 8) | 0);
  EXPECT_FALSE(fx.control.GetPalette(1, entries));  // frame 1 has no table of its own
  ASSERT_TRUE(fx.control.GetPalette(2, entries));
  EXPECT_EQ(entries.size(), 16u);
  EXPECT_FALSE(fx.control.GetPalette(3, entries));
  EXPECT_FALSE(fx.control.GetPalette(-1, entries));
  ControlFixture empty;
  EXPECT_FALSE(empty.control.GetPalette(0, entries));
}

TEST(Palette, ReplacingATableChecksItsLength) {
  Loaded fx(TwoTables());
  std::vector<int32_t> before;
  ASSERT_TRUE(fx.control.GetPalette(2, before));
  const std::vector<int32_t> shortList(15, 0x123456);
  EXPECT_FALSE(fx.control.SetPalette(2, shortList));
  std::vector<int32_t> after;
  fx.control.GetPalette(2, after);
  EXPECT_EQ(after, before);
  std::vector<int32_t> longer(20);
  for (int i = 0; i < 20; ++i) longer[static_cast<size_t>(i)] = 0x010101 * i;
  EXPECT_TRUE(fx.control.SetPalette(2, longer));
  fx.control.GetPalette(2, after);
  EXPECT_EQ(after, std::vector<int32_t>(longer.begin(), longer.begin() + 16));
  EXPECT_FALSE(fx.control.SetPalette(1, longer));
  EXPECT_FALSE(fx.control.SetPalette(0, {}));
}

TEST(Palette, StoppedControlRepaintsWithTheNewColours) {
  Loaded fx(MakeGif({Frame(0, 0, 4, 4), Frame(0, 0, 4, 4, 4, 1)}));
  fx.host.RepaintNow();
  const int paints = fx.host.PaintCount();
  const uint8_t index = fx.StripIndex(0, 0);
  std::vector<int32_t> colours(4, 0x00FF00);
  ASSERT_TRUE(fx.control.SetPalette(0, colours));
  EXPECT_EQ(fx.host.PaintCount(), paints + 1);
  EXPECT_EQ(fx.host.SurfacePixel(0, 0), 0x00FF00u) << int(index);
  EXPECT_EQ(fx.control.Action(), 0);
}

TEST(Palette, PlayingControlPausesAndGoesOn) {
  Loaded fx(TwoTables(), true);
  fx.clock.Advance(50);
  ASSERT_EQ(fx.control.Action(), 1);
  std::vector<int32_t> entries;
  ASSERT_TRUE(fx.control.GetPalette(0, entries));
  EXPECT_EQ(fx.control.Action(), 1);
  ASSERT_TRUE(fx.control.SetPalette(0, entries));
  EXPECT_EQ(fx.control.Action(), 1);
  EXPECT_TRUE(fx.changes.empty());
  fx.clock.Advance(100);
  EXPECT_EQ(fx.control.CurrentFrame(), 2);
}

TEST(Palette, AccessWhileFramesAwaitDecodingDoesNotStartAStillAnimation) {
  ControlFixture fx(true, 4, 4);
  fx.control.SetDelayAnimation(2);
  ASSERT_TRUE(fx.Load(TwoTables()));
  ASSERT_EQ(fx.control.Action(), 1);  // the deferred decoding is pending
  std::vector<int32_t> entries;
  EXPECT_TRUE(fx.control.GetPalette(2, entries));
  EXPECT_EQ(fx.control.Action(), 0);
  EXPECT_EQ(fx.clock.ArmedCount(), 0u);
  EXPECT_EQ(fx.changes, (std::vector<FrameChange>{{1, false, 0}}));
}

TEST(Palette, CacheAndRestore) {
  Loaded fx(TwoTables());
  std::vector<int32_t> original;
  fx.control.GetPalette(0, original);
  EXPECT_FALSE(fx.control.RestoreColorTables(false));
  EXPECT_TRUE(fx.control.CacheColorTables());
  EXPECT_FALSE(fx.control.CacheColorTables());
  fx.control.SetPalette(0, std::vector<int32_t>(4, 7));
  EXPECT_TRUE(fx.control.RestoreColorTables(false));
  std::vector<int32_t> now;
  fx.control.GetPalette(0, now);
  EXPECT_EQ(now, original);
  EXPECT_TRUE(fx.control.RestoreColorTables(false));
  EXPECT_TRUE(fx.control.RestoreColorTables(true));
  EXPECT_FALSE(fx.control.RestoreColorTables(true));
  // A new load starts without a cache.
  EXPECT_TRUE(fx.control.CacheColorTables());
  ASSERT_TRUE(fx.Load(TwoTables()));
  EXPECT_FALSE(fx.control.RestoreColorTables(false));
}

TEST(Palette, FileWithoutAGlobalTable) {
  FrameSpec f = Frame(0, 0, 4, 4);
  f.image.localTable = Ramp(4);
  Loaded fx(MakeGif({f, f}, 0), true);
  std::vector<int32_t> entries = {42};
  EXPECT_FALSE(fx.control.GetPalette(0, entries));
  EXPECT_EQ(entries, std::vector<int32_t>{42});
  EXPECT_EQ(fx.control.Action(), 1);  // resumed all the same
  EXPECT_TRUE(fx.control.GetPalette(1, entries));
  EXPECT_EQ(entries.size(), 4u);
}

}  // namespace
}  // namespace veltrano::anigif::testing
