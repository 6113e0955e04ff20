#include "platform/host/headless_control_host.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace veltrano::host {
namespace {

// A client that records what the host tells it.
struct Recorder : ControlClient {
  std::vector<std::string> log;
  void OnPaint(gdi::HDC) override { log.push_back("paint"); }
  void OnResize() override { log.push_back("resize"); }
  void OnShow() override { log.push_back("show"); }
  void OnHide() override { log.push_back("hide"); }
  void OnClick() override { log.push_back("click"); }
  void OnAsyncReadProgress(std::string_view name, int32_t status) override {
    log.push_back("progress " + std::string(name) + " " + std::to_string(status));
  }
  void OnAsyncReadComplete(std::string_view name, const std::vector<uint8_t>& data,
                           int64_t total) override {
    log.push_back("complete " + std::string(name) + " " + std::to_string(data.size()) + "/" +
                  std::to_string(total));
  }
};

TEST(VirtualClock, TimersFireInDueOrderAndReachTheirOwnControl) {
  VirtualClock clock;
  HeadlessControlHost a(clock), b(clock);
  std::vector<std::string> fired;
  auto note = [&](std::string who) {
    return [&fired, who](const TimerTick& t) {
      fired.push_back(who + "@" + std::to_string(t.time) + "#" + std::to_string(t.timerId));
    };
  };
  // The same identifier on two hosts names two different timers.
  ASSERT_TRUE(a.SetTimer(7, 30, note("a")));
  ASSERT_TRUE(b.SetTimer(7, 20, note("b")));
  ASSERT_TRUE(a.SetTimer(8, 20, note("a8")));
  clock.Advance(19);
  EXPECT_TRUE(fired.empty());
  clock.Advance(1);
  // Equal due times fire in the order the timers were armed.
  EXPECT_EQ(fired, (std::vector<std::string>{"b@20#7", "a8@20#8"}));
  EXPECT_TRUE(a.KillTimer(8));
  EXPECT_FALSE(a.KillTimer(8));
  clock.Advance(20);
  // Timers repeat until killed.
  EXPECT_EQ(fired, (std::vector<std::string>{"b@20#7", "a8@20#8", "a@30#7", "b@40#7"}));
  EXPECT_EQ(clock.Now(), 40u);
  EXPECT_EQ(clock.UntilNext(), 20);
  // A host that goes away takes its timers with it.
  {
    HeadlessControlHost c(clock);
    c.SetTimer(1, 1, note("c"));
  }
  EXPECT_EQ(clock.ArmedCount(), 2u);
}

TEST(VirtualClock, CallbacksMayKillOrReArmTheirTimer) {
  VirtualClock clock;
  HeadlessControlHost host(clock);
  std::vector<uint64_t> times;
  // A one-shot pattern: each tick kills itself and arms the next interval.
  uint32_t next = 10;
  TimerProc proc;
  proc = [&](const TimerTick& t) {
    times.push_back(clock.Now());
    host.KillTimer(t.timerId);
    if (times.size() < 4) host.SetTimer(t.timerId, next += 10, proc);
  };
  host.SetTimer(1, next, proc);
  // One Advance runs timers that callbacks arm on the way.
  clock.Advance(1000);
  EXPECT_EQ(times, (std::vector<uint64_t>{10, 30, 60, 100}));
  EXPECT_FALSE(host.IsTimerArmed(1));
  EXPECT_FALSE(clock.FireNext());
  // Re-setting an armed identifier replaces it.
  host.SetTimer(2, 50, [&](const TimerTick&) { times.push_back(0); });
  host.SetTimer(2, 5, [&](const TimerTick&) { times.push_back(1); });
  EXPECT_EQ(host.TimerInterval(2), 5u);
  EXPECT_TRUE(clock.FireNext());
  EXPECT_EQ(times.back(), 1u);
  EXPECT_EQ(clock.Now(), 1005u);
}

TEST(VirtualClock, NoTimerWithoutAParentWindow) {
  VirtualClock clock;
  HeadlessControlHost host(clock);
  host.SetParentWindow(0);
  EXPECT_FALSE(host.SetTimer(1, 10, [](const TimerTick&) {}));
  EXPECT_EQ(clock.ArmedCount(), 0u);
}

TEST(HeadlessControlHost, NotificationsReachTheAttachedClient) {
  VirtualClock clock;
  HeadlessControlHost host(clock, false);
  Recorder r;
  host.Attach(&r);
  EXPECT_FALSE(host.UserMode());
  host.SetUserMode(true);
  EXPECT_TRUE(host.UserMode());
  host.Show();
  host.Hide();
  host.Click();
  // Setting a size in twips resizes the client and notifies it.
  host.SetSize(450 * 15, 65 * 15);
  EXPECT_EQ(host.ClientWidth(), 450);
  EXPECT_EQ(host.ClientHeight(), 65);
  host.RepaintNow();
  EXPECT_EQ(host.PaintCount(), 1);
  EXPECT_EQ(r.log, (std::vector<std::string>{"show", "hide", "click", "resize", "paint"}));
  host.PropertyChanged("Stretch");
  EXPECT_EQ(host.ChangedProperties(), std::vector<std::string>{"Stretch"});
  host.MessageBox({"text", "caption", MsgButtons::kOk, MsgIcon::kCritical});
  ASSERT_EQ(host.MessageBoxes().size(), 1u);
  EXPECT_EQ(host.MessageBoxes()[0].icon, MsgIcon::kCritical);
}

TEST(HeadlessControlHost, SurfaceAboveTheBudgetIsRefusedAndLeavesNoSize) {
  VirtualClock clock;
  HeadlessControlHost host(clock);
  Recorder r;
  host.Attach(&r);
  host.SetBackground(0x00332211);
  host.Resize(3, 2);
  host.RepaintNow();
  ASSERT_TRUE(host.Surface());
  EXPECT_EQ(host.SurfacePixel(2, 1), 0x112233u);
  // 40000 x 40000 x 4 bytes: far above the budget, and above what a bitmap
  // may hold at all.
  for (auto [w, h] : {std::pair{40000, 40000}, std::pair{8193, 8192}}) {
    host.Resize(w, h);
    host.RepaintNow();
    EXPECT_FALSE(host.Surface()) << w;
    EXPECT_FALSE(host.SurfaceDC()) << w;
    EXPECT_EQ(host.SurfaceWidth(), 0) << w;
    EXPECT_EQ(host.SurfaceHeight(), 0) << w;
    EXPECT_EQ(host.SurfacePixel(0, 0), 0u) << w;
  }
  EXPECT_EQ(host.PaintCount(), 3);  // the control is still asked to paint
  EXPECT_EQ(r.log.back(), "paint");
  // A small size works again afterwards.
  host.Resize(5, 4);
  host.RepaintNow();
  EXPECT_EQ(host.SurfaceWidth(), 5);
  EXPECT_EQ(host.SurfaceHeight(), 4);
  EXPECT_EQ(host.SurfacePixel(4, 3), 0x112233u);
}

TEST(HeadlessControlHost, UnitConversionAndPointers) {
  VirtualClock clock;
  HeadlessControlHost host(clock);
  EXPECT_DOUBLE_EQ(host.Convert(300, Axis::kHorizontal, ScaleUnit::kPixels, ScaleUnit::kTwips),
                   4500);
  host.SetContainerScale(2.5);
  EXPECT_DOUBLE_EQ(
      host.Convert(200, Axis::kVertical, ScaleUnit::kPixels, ScaleUnit::kContainerSize), 500);
  EXPECT_DOUBLE_EQ(
      host.Convert(500, Axis::kVertical, ScaleUnit::kContainerPosition, ScaleUnit::kPixels), 200);
  EXPECT_TRUE(host.SetMousePointer(11));
  EXPECT_FALSE(host.SetMousePointer(42));
  EXPECT_EQ(host.MousePointer(), 11);
}

TEST(HeadlessControlHost, AsynchronousReadsWaitForTheTest) {
  VirtualClock clock;
  HeadlessControlHost host(clock);
  Recorder r;
  host.Attach(&r);
  ASSERT_TRUE(host.AsyncRead("http://example.invalid/a.gif", "remoteGIF", 0x80000));
  ASSERT_EQ(host.PendingReads().size(), 1u);
  EXPECT_EQ(host.PendingReads()[0].options, 0x80000u);
  EXPECT_FALSE(host.CompleteAsyncRead("other", {}));
  // The reported total may exceed what arrived.
  EXPECT_TRUE(host.CompleteAsyncRead("remoteGIF", {1, 2, 3}, 10));
  EXPECT_TRUE(host.PendingReads().empty());
  ASSERT_TRUE(host.AsyncRead("x", "remoteGIF", 0));
  EXPECT_TRUE(host.FailAsyncRead("remoteGIF"));
  host.CancelAsyncRead("remoteGIF");
  EXPECT_TRUE(host.PendingReads().empty());
  EXPECT_EQ(host.CancelledReads(), std::vector<std::string>{"remoteGIF"});
  host.RefuseAsyncReads(true);
  EXPECT_FALSE(host.AsyncRead("x", "remoteGIF", 0));
  EXPECT_EQ(r.log, (std::vector<std::string>{"complete remoteGIF 3/10", "progress remoteGIF 0"}));
}

}  // namespace
}  // namespace veltrano::host
