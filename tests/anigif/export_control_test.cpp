// ExportFrame on the control's own frame store: what the AnimatedGIF property
// hands out is each frame as the strip holds it, with its table and
// transparency, and taking it never disturbs a decode still to come.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <vector>

#include "anigif/export_frame.h"
#include "tests/anigif/control_fixture.h"

namespace veltrano::anigif::testing {
namespace {

// Frame k exported and loaded back equals what the strip and the store hold.
void ExpectExportMatchesStore(const ControlFixture& fx, int k) {
  SCOPED_TRACE(::testing::Message() << "frame " << k);
  const FrameStore& store = fx.control.Store();
  const FrameInfo& f = store.Frame(k);
  const std::optional<picture::Picture> pic = ExportFrame(store, k);
  ASSERT_TRUE(pic.has_value());
  ASSERT_EQ(pic->Width(), f.Width);
  ASSERT_EQ(pic->Height(), f.Height);
  EXPECT_TRUE(pic->Complete());
  const std::vector<uint8_t> got(pic->Indices().begin(), pic->Indices().end());
  EXPECT_EQ(got, fx.FrameIndices(k));

  const ColorTable& table = store.ColorTables[static_cast<size_t>(f.ColorTable)];
  ASSERT_EQ(pic->Palette().size(), 256u);
  for (int i = 0; i < 256; ++i) {
    const uint32_t want = i < table[kColorCountSlot] ? static_cast<uint32_t>(table[i]) : 0u;
    ASSERT_EQ(pic->Palette()[static_cast<size_t>(i)], want) << "entry " << i;
  }
  if (f.TransFlag == 1) {
    EXPECT_EQ(pic->TransparentIndex(), std::optional<uint8_t>(f.TransIndex));
  } else {
    EXPECT_EQ(pic->TransparentIndex(), std::nullopt);
  }
}

TEST(ExportFrameFromStore, EveryFrameComesBackWithItsTableAndTransparency) {
  FrameSpec first = Frame(0, 0, 30, 20, 4, 1);
  FrameSpec local = Frame(5, 3, 12, 9, 16, 2);  // 16-colour local table, transparent
  local.image.localTable = Ramp(16);
  for (uint32_t& c : local.image.localTable) c ^= 0x3060A0;
  local.transIndex = 7;
  FrameSpec tall =
      Frame(0, 0, 40, 25, 4, 3);  // taller than frame 1: frame 1 is shorter than the strip
  tall.transIndex = 2;
  ControlFixture fx;
  fx.control.SetDelayAnimation(0);
  ASSERT_TRUE(fx.Load(MakeGif({first, local, tall})));
  ASSERT_EQ(fx.control.FrameCount(), 3);
  for (int k = 1; k <= 3; ++k) ExpectExportMatchesStore(fx, k);
  // The indices are the frames' own, not colours.
  EXPECT_EQ(fx.FrameIndices(2), local.image.pixels);
}

TEST(ExportFrameFromStore, TheBannerFramesComeBack) {
  std::ifstream in(VELTRANO_BANNER_GIF, std::ios::binary);
  const Bytes gif((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_FALSE(gif.empty());
  ControlFixture fx;
  fx.control.SetDelayAnimation(0);
  ASSERT_TRUE(fx.Load(gif));
  ASSERT_GE(fx.control.FrameCount(), 10);
  for (int k = 1; k <= fx.control.FrameCount(); ++k) ExpectExportMatchesStore(fx, k);
}

TEST(ExportFrameFromStore, AMirroredFrameExportsAsShown) {
  const FrameSpec f = Frame(0, 0, 20, 6, 4, 5);
  ControlFixture design(false);
  ASSERT_TRUE(design.Load(MakeGif({f})));
  design.control.SetMirrored(1);
  ASSERT_NE(design.FrameIndices(1), f.image.pixels);
  ExpectExportMatchesStore(design, 1);
}

TEST(ExportFrameFromStore, ExportingLeavesAPendingDecodeAlone) {
  std::vector<FrameSpec> frames;
  for (int i = 0; i < 5; ++i) frames.push_back(Frame(0, 0, 9, 7, 4, i + 10));
  ControlFixture fx;
  ASSERT_TRUE(fx.Load(MakeGif(frames)));
  ASSERT_TRUE(fx.control.DeferredDecodePending());
  const FrameStore& store = fx.control.Store();
  const std::vector<uint8_t> frame_buf = store.FrameBuf;
  const std::vector<int32_t> pow2 = store.Pow2;
  ASSERT_FALSE(frame_buf.empty());

  ExpectExportMatchesStore(fx, 1);
  EXPECT_EQ(store.FrameBuf, frame_buf);
  EXPECT_EQ(store.Pow2, pow2);
  EXPECT_TRUE(fx.control.DeferredDecodePending());

  fx.clock.Advance(20);
  ASSERT_FALSE(fx.control.DeferredDecodePending());
  for (int k = 1; k <= 5; ++k) {
    EXPECT_EQ(fx.FrameIndices(k), frames[static_cast<size_t>(k - 1)].image.pixels) << k;
    ExpectExportMatchesStore(fx, k);
  }
}

TEST(ExportFrameFromStore, NoFrameNoPicture) {
  ControlFixture fx;
  EXPECT_EQ(ExportFrame(fx.control.Store(), 1), std::nullopt);  // nothing loaded
  fx.control.SetDelayAnimation(0);
  ASSERT_TRUE(fx.Load(MakeGif({Frame(0, 0, 4, 4)})));
  EXPECT_EQ(ExportFrame(fx.control.Store(), 0), std::nullopt);
  EXPECT_EQ(ExportFrame(fx.control.Store(), 2), std::nullopt);
  EXPECT_TRUE(ExportFrame(fx.control.Store(), 1).has_value());
}

}  // namespace
}  // namespace veltrano::anigif::testing
