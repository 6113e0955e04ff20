// The GIF control's Windows host: the frame clock on timers of the parent
// window, painting of the control's surface, clicks and pointers, and the
// banner as the window loads it.
#include "ui/win32/anigif/gif_control_window.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "anigif/banner_property_set.h"
#include "anigif/property_bag.h"
#include "tests/testing/gif_blocks.h"
#include "tests/ui/win32/win32_test_support.h"
#include "ui/win32/anigif/pointer_shapes.h"
#include "ui/win32/windows_api.h"

namespace veltrano::win32 {
namespace {

using anigif::testing::AppendControl;
using anigif::testing::AppendHeader;
using anigif::testing::AppendImage;
using anigif::testing::AppendLoops;
using anigif::testing::AppendTrailer;
using anigif::testing::Bytes;
using anigif::testing::ImageSpec;
using testing::PumpFor;
using testing::PumpUntil;
using testing::TestWindow;

constexpr uint32_t kColors[] = {0xFF0000, 0x00FF00, 0x0000FF};

// `frames` frames of one colour each (red, green, blue), `delayCs` apart.
Bytes SolidFrames(int w, int h, int frames, int delayCs, int loops = 0) {
  Bytes out;
  AppendHeader(out, "GIF89a", w, h, {kColors[0], kColors[1], kColors[2], 0});
  AppendLoops(out, loops);
  for (int i = 0; i < frames; ++i) {
    AppendControl(out, 1, delayCs, -1);
    ImageSpec image;
    image.width = w;
    image.height = h;
    image.pixels.assign(static_cast<size_t>(w * h), static_cast<uint8_t>(i));
    AppendImage(out, image, true);
  }
  AppendTrailer(out);
  return out;
}

bool Load(GifControlWindow& host, const Bytes& bytes) {
  return host.Control().LoadAnimatedGIF_Array(anigif::ByteArrayArg::Of(bytes));
}

std::unique_ptr<GifControlWindow> MakeControl(const TestWindow& parent, int w, int h,
                                              bool userMode = true) {
  auto host = std::make_unique<GifControlWindow>();
  host->SetUserMode(userMode);
  EXPECT_TRUE(host->Create(parent.Handle(), 10, 10, w, h));
  return host;
}

TEST(GifControlWindow, FrameClockIsATimerOfTheParentWindowWithTheControlsAddress) {
  TestWindow parent;
  auto host = MakeControl(parent, 8, 8);
  ASSERT_TRUE(Load(*host, SolidFrames(8, 8, 3, 5)));  // 50 ms frames
  EXPECT_EQ(host->ParentWindow(), parent.Handle());
  // The deferred decode runs first, then the frame clock takes over.
  ASSERT_TRUE(PumpUntil([&] { return host->Control().Action() == 1 && host->Control().FrameCount() == 3; },
                        3000));
  std::vector<std::pair<int32_t, bool>> changes;
  host->Control().Events().FrameChanged = [&](int32_t f, bool viaTimer) {
    changes.emplace_back(f, viaTimer);
  };
  ASSERT_TRUE(PumpUntil([&] { return changes.size() >= 4; }, 3000));
  for (const auto& [frame, viaTimer] : changes) {
    EXPECT_TRUE(viaTimer);
    EXPECT_GE(frame, 1);
    EXPECT_LE(frame, 3);
  }
  // The armed timer is known by the control's own identifier, at 50 ms.
  ASSERT_EQ(host->ArmedTimers().size(), 1u);
  EXPECT_EQ(host->ArmedTimers().begin()->second, 50u);
  // Stopping kills it.
  host->Control().SetAction(0);
  EXPECT_TRUE(host->ArmedTimers().empty());
  const size_t seen = changes.size();
  PumpFor(200);
  EXPECT_EQ(changes.size(), seen);
}

TEST(GifControlWindow, TicksFollowInOrderAndEachReportsThePreviousFrame) {
  TestWindow parent;
  auto host = MakeControl(parent, 4, 4);
  ASSERT_TRUE(Load(*host, SolidFrames(4, 4, 3, 2)));
  ASSERT_TRUE(PumpUntil([&] { return host->Control().Action() == 1 && host->Control().FrameCount() == 3; },
                        3000));
  std::vector<int32_t> reported, shown;
  host->Control().Events().FrameChanged = [&](int32_t f, bool) {
    reported.push_back(f);
    shown.push_back(host->Control().CurrentFrame());
  };
  ASSERT_TRUE(PumpUntil([&] { return reported.size() >= 6; }, 3000));
  for (size_t i = 0; i < reported.size(); ++i) {
    EXPECT_EQ(shown[i], reported[i] % 3 + 1) << "tick " << i;
    if (i > 0) {
      EXPECT_EQ(reported[i], shown[i - 1]) << "tick " << i;
    }
  }
}

TEST(GifControlWindow, TwoControlsOnOneFormKeepTheirOwnTimers) {
  TestWindow parent;
  auto fast = MakeControl(parent, 4, 4);
  auto slow = MakeControl(parent, 4, 4);
  ASSERT_TRUE(Load(*fast, SolidFrames(4, 4, 2, 2)));   // 20 ms
  ASSERT_TRUE(Load(*slow, SolidFrames(4, 4, 2, 30)));  // 300 ms
  int fastTicks = 0, slowTicks = 0;
  fast->Control().Events().FrameChanged = [&](int32_t, bool t) { fastTicks += t ? 1 : 0; };
  slow->Control().Events().FrameChanged = [&](int32_t, bool t) { slowTicks += t ? 1 : 0; };
  PumpFor(700);
  EXPECT_GT(fastTicks, 5);
  EXPECT_LE(slowTicks, 3);
  // Destroying one control takes its timer with it; the other goes on.
  slow.reset();
  const int before = fastTicks;
  PumpFor(200);
  EXPECT_GT(fastTicks, before);
}

TEST(GifControlWindow, PaintsTheControlsSurfaceAndAClickRaisesClick) {
  TestWindow parent;
  auto host = MakeControl(parent, 6, 5);
  ASSERT_TRUE(Load(*host, SolidFrames(6, 5, 1, 0)));
  host->Control().Refresh();
  ASSERT_EQ(host->SurfaceWidth(), 6);
  ASSERT_EQ(host->SurfaceHeight(), 5);
  for (int i = 0; i < 30; ++i) EXPECT_EQ(host->Pixels()[i] & 0xFFFFFF, kColors[0]) << i;

  // What reached the screen is the same red.
  HWND window = reinterpret_cast<HWND>(host->Handle());
  UpdateWindow(window);
  HDC dc = GetDC(window);
  const COLORREF shown = GetPixel(dc, 2, 2);
  ReleaseDC(window, dc);
  EXPECT_EQ(shown, RGB(0xFF, 0, 0));

  int clicks = 0;
  std::vector<float> downs;
  host->Control().Events().Click = [&] { ++clicks; };
  host->Control().Events().MouseDown = [&](int16_t b, int16_t, float x, float y) {
    downs.insert(downs.end(), {static_cast<float>(b), x, y});
  };
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 2));
  SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(3, 2));
  EXPECT_EQ(clicks, 1);
  ASSERT_EQ(downs.size(), 3u);
  EXPECT_EQ(downs[0], 1.0f);
  // Positions in the container's units: 15 twips per pixel.
  EXPECT_EQ(downs[1], 45.0f);
  EXPECT_EQ(downs[2], 30.0f);
  // Released outside: no click.
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 2));
  SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(50, 50));
  EXPECT_EQ(clicks, 1);
  // The whole rectangle takes the mouse.
  POINT p{1, 1};
  ClientToScreen(window, &p);
  EXPECT_EQ(SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y)), HTCLIENT);
}

TEST(GifControlWindow, AWindowTooLargeForASurfacePaintsNothing) {
  TestWindow parent;
  auto host = MakeControl(parent, 6, 5);
  host->Control().SetStretch(2);  // the control keeps the size it is given
  ASSERT_TRUE(Load(*host, SolidFrames(6, 5, 1, 0)));
  host->Control().Refresh();
  ASSERT_EQ(host->SurfaceWidth(), 6);
  const int renders = host->RenderCount();

  // 9000 x 8000 x 4 bytes is above the surface budget: no surface is made,
  // the old one is let go, and painting the window shows nothing and
  // does not fail.
  HWND window = reinterpret_cast<HWND>(host->Handle());
  ASSERT_TRUE(MoveWindow(window, 10, 10, 9000, 8000, FALSE));
  ASSERT_EQ(host->ClientWidth(), 9000);
  ASSERT_EQ(host->ClientHeight(), 8000);
  host->Control().Refresh();
  EXPECT_EQ(host->RenderCount(), renders);
  EXPECT_EQ(host->Pixels(), nullptr);
  EXPECT_EQ(host->SurfaceWidth(), 0);
  EXPECT_EQ(host->SurfaceHeight(), 0);
  InvalidateRect(window, nullptr, FALSE);
  UpdateWindow(window);
  EXPECT_EQ(host->RenderCount(), renders);
  EXPECT_EQ(host->Pixels(), nullptr);

  // Back within the budget the frame is painted again.
  ASSERT_TRUE(MoveWindow(window, 10, 10, 6, 5, FALSE));
  host->Control().Refresh();
  EXPECT_EQ(host->RenderCount(), renders + 1);
  ASSERT_EQ(host->SurfaceWidth(), 6);
  ASSERT_EQ(host->SurfaceHeight(), 5);
  ASSERT_NE(host->Pixels(), nullptr);
  EXPECT_EQ(host->Pixels()[29] & 0xFFFFFF, kColors[0]);
}

TEST(GifControlWindow, PointersAndDesignTime) {
  TestWindow parent;
  auto host = MakeControl(parent, 8, 8, /*userMode=*/false);
  EXPECT_TRUE(host->SetMousePointer(11));
  EXPECT_EQ(host->MousePointer(), 11);
  EXPECT_FALSE(host->SetMousePointer(16));
  EXPECT_FALSE(host->SetMousePointer(-1));
  EXPECT_EQ(host->MousePointer(), 11);
  EXPECT_TRUE(host->SetMousePointer(kCustomPointer));
  EXPECT_NE(PointerCursor(2), 0);
  EXPECT_EQ(PointerCursor(0), 0);
  // At design time the clock never starts.
  ASSERT_TRUE(Load(*host, SolidFrames(8, 8, 3, 2)));
  PumpFor(150);
  EXPECT_EQ(host->Control().Action(), 0);
  EXPECT_TRUE(host->ArmedTimers().empty());
  EXPECT_EQ(host->Control().CurrentFrame(), 1);
  host->SetEnabled(false);
  EXPECT_FALSE(host->Enabled());
  EXPECT_FALSE(IsWindowEnabled(reinterpret_cast<HWND>(host->Handle())));
}

TEST(GifControlWindow, TheBannerLoadsFromItsPropertySetAndPlays) {
  TestWindow parent;
  auto host = MakeControl(parent, 450, 65);
  auto bag = anigif::PropertyBag::Parse(anigif::BannerPropertySet());
  ASSERT_TRUE(bag.has_value());
  host->Control().ReadProperties(*bag);
  ASSERT_GE(host->Control().CurrentFrame(), 1);
  ASSERT_TRUE(PumpUntil([&] { return host->Control().Action() == 1; }, 5000));
  const int frameCount = host->Control().FrameCount();
  EXPECT_GT(frameCount, 1);
  std::vector<int32_t> frames;
  host->Control().Events().FrameChanged = [&](int32_t f, bool) { frames.push_back(f); };
  ASSERT_TRUE(PumpUntil([&] { return frames.size() >= 2; }, 10000));
  EXPECT_EQ(host->SurfaceWidth(), 450);
  EXPECT_EQ(host->SurfaceHeight(), 65);
  // The surface holds a picture, not one flat colour.
  const uint32_t first = host->Pixels()[0];
  bool varied = false;
  for (int i = 0; i < 450 * 65 && !varied; ++i) varied = host->Pixels()[i] != first;
  EXPECT_TRUE(varied);
}

}  // namespace
}  // namespace veltrano::win32
