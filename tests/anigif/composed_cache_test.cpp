#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "tests/anigif/control_fixture.h"

namespace veltrano::anigif::testing {
namespace {

using Internals = ucAniGIFInternals;

std::vector<uint8_t> CanvasBytes(ucAniGIF& control) {
  const FrameStore& s = control.Store();  // brings the composed image up to date
  std::vector<uint8_t> out;
  if (!s.CanvasBits) return out;
  const size_t canvas = static_cast<size_t>(ScanlineBytes(24, s.GifInfo.Width)) * s.GifInfo.Height;
  out.assign(s.CanvasBits, s.CanvasBits + canvas);
  if (s.CanvasMaskBits) {
    const size_t mask = static_cast<size_t>(ScanlineBytes(1, s.GifInfo.Width)) * s.GifInfo.Height;
    out.insert(out.end(), s.CanvasMaskBits, s.CanvasMaskBits + mask);
  }
  return out;
}

// Two controls play the same random animation through the same steps: one
// keeps drawings of the composed image, the other keeps none and draws the
// whole composed image every time. Their surfaces must match after every
// step, and their composed images whenever they are looked at, through
// several loops and with everything that changes how frames compose or
// where they go happening in between: colours, mirroring, offsets, a solid
// background, a new size, a frame drawn again, frames out of order.
TEST(ComposedCache, KeptDrawingsGiveThePixelsOfComposingEveryFrame) {
  std::mt19937 rng(1207);
  auto pick = [&](int lo, int hi) { return lo + static_cast<int>(rng() % (hi - lo + 1)); };
  int roundsKept = 0;
  for (int round = 0; round < 30; ++round) {
    const RandomAnimation a = MakeRandomAnimation(rng, round, 2, 12);
    const int w = a.w, h = a.h;
    const bool stretched = round % 2 == 1;
    int cw, ch;
    PickClientSize(rng, a, stretched, &cw, &ch);
    ControlFixture kept(true, cw, ch), plain(true, cw, ch);
    ASSERT_TRUE(kept.LoadStopped(a.gif, stretched, ComposedCache::kDefaultBudget));
    ASSERT_TRUE(plain.LoadStopped(a.gif, stretched, 0));
    const int count = kept.control.FrameCount();
    ASSERT_EQ(count, plain.control.FrameCount());
    // Now and then a budget one byte short of what the drawings of every
    // frame need, or just enough.
    const FrameStore& store = kept.control.Store();
    const size_t need =
        static_cast<size_t>(stretched ? cw * ch : store.GifInfo.Width * store.GifInfo.Height) * 4 *
        (store.CanvasMask ? 2 : 1) * count;
    const bool short_budget = round % 5 == 4;
    if (short_budget) Internals::SetComposedCacheBudget(kept.control, need - 1);
    if (round % 5 == 3) Internals::SetComposedCacheBudget(kept.control, need);
    auto both = [&](auto&& f) {
      f(kept);
      f(plain);
    };
    bool keptSome = false;
    int frame = 1;
    for (int step = 0; step < 8 * count; ++step) {
      // Two undisturbed loops first; after them something changes now and
      // then.
      const int event = step >= 3 * count && pick(0, 4) == 0 ? pick(0, 8) : -1;
      switch (event) {
        case 0: {
          const int offset = pick(-2, 2);
          both([&](ControlFixture& fx) { fx.control.SetOffsetX(offset); });
          break;
        }
        case 1: {
          const int style = pick(0, 3);
          both([&](ControlFixture& fx) { fx.control.SetMirrored(style); });
          break;
        }
        case 2: {
          const bool used = pick(0, 1) == 1;
          both([&](ControlFixture& fx) {
            fx.control.SetSolidBkgColor(0x123456);
            fx.control.SetSolidBkgColorUsed(used);
          });
          break;
        }
        case 3: {
          std::vector<int32_t> table(4);
          for (int32_t& c : table) c = static_cast<int32_t>(rng() & 0xFFFFFF);
          both([&](ControlFixture& fx) { fx.control.SetPalette(0, table); });
          break;
        }
        case 4: {
          const bool restore = pick(0, 1) == 1;
          both([&](ControlFixture& fx) {
            if (restore) {
              fx.control.RestoreColorTables(false);
            } else {
              fx.control.CacheColorTables();
            }
          });
          break;
        }
        case 5:
          if (stretched) {
            const int nw = pick(w / 3 + 1, 3 * w), nh = pick(h / 3 + 1, 3 * h);
            both([&](ControlFixture& fx) { fx.host.Resize(nw, nh); });
          }
          break;
        case 6:
          frame = frame == 1 ? count : frame - 1;  // the same frame again
          break;
        case 7:
          frame = pick(1, count);  // out of order
          break;
        case 8:
          ASSERT_EQ(CanvasBytes(kept.control), CanvasBytes(plain.control))
              << "round " << round << " step " << step;
          break;
        default:
          break;
      }
      ASSERT_TRUE(Internals::RenderFrame(kept.control, frame, kept.host.SurfaceDC()));
      ASSERT_TRUE(Internals::RenderFrame(plain.control, frame, plain.host.SurfaceDC()));
      // Reading renews the surface's stamp: the plain control draws whole.
      gdi::GetPixel(plain.host.SurfaceDC(), 0, 0);
      const int sw = std::max(cw, 3 * w), sh = std::max(ch, 3 * h);
      for (int y = 0; y < sh; ++y) {
        for (int x = 0; x < sw; ++x) {
          ASSERT_EQ(kept.host.SurfacePixel(x, y), plain.host.SurfacePixel(x, y))
              << "round " << round << " step " << step << " frame " << frame << " at " << x
              << "," << y;
        }
      }
      if (step == 3 * count - 1) {
        // Two whole loops in order: every frame's drawing is kept, unless
        // the budget is too small or a solid background is used.
        for (int k = 1; k <= count; ++k) {
          EXPECT_EQ(Internals::KeepsDrawing(kept.control, k), !short_budget) << round << " " << k;
        }
        keptSome = Internals::KeepsDrawing(kept.control, 1);
        ASSERT_EQ(CanvasBytes(kept.control), CanvasBytes(plain.control)) << "round " << round;
      }
      frame = frame == count ? 1 : frame + 1;
    }
    ASSERT_EQ(CanvasBytes(kept.control), CanvasBytes(plain.control)) << "round " << round;
    roundsKept += keptSome ? 1 : 0;
  }
  EXPECT_GE(roundsKept, 20);
}

}  // namespace
}  // namespace veltrano::anigif::testing
