// A control host without a window system, for tests and command-line tools.
//
// Time is virtual: timers fire only when a test advances the shared clock, in
// the order they fall due, each calling the procedure its own control armed.
// Paints go to an in-memory 32-bit surface of the client size that is filled
// with the background colour before every paint. Asynchronous reads wait
// until the test completes or fails them; message boxes are recorded.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/gdi/gdi_types.h"
#include "platform/host/container_units.h"
#include "platform/host/control_host.h"
#include "platform/host/control_surface.h"

namespace veltrano::host {

class VirtualClock {
 public:
  VirtualClock() = default;
  VirtualClock(const VirtualClock&) = delete;
  VirtualClock& operator=(const VirtualClock&) = delete;

  uint64_t Now() const { return now_; }
  // Moves time forward by `ms`, firing every timer that falls due up to the
  // new time (also timers armed by the callbacks on the way). Ties fire in
  // the order the timers were armed.
  void Advance(uint64_t ms);
  // Moves time to the next due timer and fires it. False when none is armed.
  bool FireNext();
  // Milliseconds until the next timer is due; -1 when none is armed.
  int64_t UntilNext() const;
  size_t ArmedCount() const { return timers_.size(); }
  uint64_t FiredCount() const { return fired_; }

  // Timer table, keyed by owner and identifier (used by the hosts).
  void Arm(const void* owner, intptr_t window, uintptr_t id, uint32_t intervalMs, TimerProc proc);
  bool Kill(const void* owner, uintptr_t id);
  void KillAll(const void* owner);
  bool IsArmed(const void* owner, uintptr_t id) const;
  // Interval of an armed timer; 0 when it is not armed.
  uint32_t IntervalOf(const void* owner, uintptr_t id) const;

 private:
  struct Timer {
    const void* owner = nullptr;
    intptr_t window = 0;
    uintptr_t id = 0;
    uint32_t interval = 0;
    uint64_t due = 0;
    uint64_t order = 0;
    TimerProc proc;
  };
  // Index of the earliest due timer, or -1.
  int Earliest() const;
  void Fire(size_t index);

  uint64_t now_ = 0;
  uint64_t nextOrder_ = 0;
  uint64_t fired_ = 0;
  std::vector<Timer> timers_;
};

struct AsyncReadRequest {
  std::string path;
  std::string propertyName;
  uint32_t options = 0;
};

class HeadlessControlHost : public ControlHost {
 public:
  // The most the paint surface may take (256 MiB).
  static constexpr uint64_t kMaxSurfaceBytes = ControlSurface::kMaxBytes;

  explicit HeadlessControlHost(VirtualClock& clock, bool userMode = true);
  ~HeadlessControlHost() override;
  HeadlessControlHost(const HeadlessControlHost&) = delete;
  HeadlessControlHost& operator=(const HeadlessControlHost&) = delete;

  // ---- set-up and driving by a test --------------------------------------
  void SetUserMode(bool userMode) { userMode_ = userMode; }
  // Resizes the client area (pixels) and sends the resize notification.
  void Resize(int widthPx, int heightPx);
  // Container units per pixel for kContainerPosition / kContainerSize
  // (15 = a container that measures in twips at 96 dpi).
  void SetContainerScale(double unitsPerPixel) { units_.SetUnitsPerPixel(unitsPerPixel); }
  void SetParentWindow(intptr_t window) { parentWindow_ = window; }
  // 0x00BBGGRR colour the surface is filled with before each paint.
  void SetBackground(gdi::COLORREF color) { background_ = color; }
  void Show();
  void Hide();
  void Click();
  // Refuse further asynchronous read requests.
  void RefuseAsyncReads(bool refuse) { refuseReads_ = refuse; }
  // Completes the pending read of `propertyName` with `data`, reporting
  // `totalBytes` (-1: the size of data). False when no such read is pending.
  bool CompleteAsyncRead(const std::string& propertyName, const std::vector<uint8_t>& data,
                         int64_t totalBytes = -1);
  // Reports an error status (0) for the pending read of `propertyName`.
  bool FailAsyncRead(const std::string& propertyName);

  // ---- what a test observes ------------------------------------------------
  VirtualClock& Clock() { return clock_; }
  int PaintCount() const { return paints_; }
  // The surface the last paint drew on (client size, 32 bits, top-down).
  // A client area whose surface would exceed kMaxSurfaceBytes, or whose
  // bitmap could not be had, gets none: no DC, no bitmap, size 0 x 0, and
  // the paint reaches the control with a null DC.
  gdi::HDC SurfaceDC() const { return surface_.dc(); }
  gdi::HBITMAP Surface() const { return surface_.bitmap(); }
  int SurfaceWidth() const { return surface_.width(); }
  int SurfaceHeight() const { return surface_.height(); }
  // Pixel of the surface as 0x00RRGGBB.
  uint32_t SurfacePixel(int x, int y) const { return surface_.Pixel(x, y); }
  const std::vector<std::string>& ChangedProperties() const { return changed_; }
  const std::vector<MessageBoxRequest>& MessageBoxes() const { return boxes_; }
  const std::vector<AsyncReadRequest>& PendingReads() const { return pending_; }
  const std::vector<std::string>& CancelledReads() const { return cancelled_; }
  // Size last given through SetSize, in twips.
  int32_t LastSetWidthTwips() const { return setWidthTwips_; }
  int32_t LastSetHeightTwips() const { return setHeightTwips_; }
  bool IsTimerArmed(uintptr_t timerId) const { return clock_.IsArmed(this, timerId); }
  uint32_t TimerInterval(uintptr_t timerId) const { return clock_.IntervalOf(this, timerId); }

  // ---- ControlHost ---------------------------------------------------------
  void Attach(ControlClient* client) override { client_ = client; }
  bool UserMode() const override { return userMode_; }
  void PropertyChanged(std::string_view name) override { changed_.emplace_back(name); }
  void RepaintNow() override;
  double ClientWidth() const override { return width_; }
  double ClientHeight() const override { return height_; }
  void SetSize(int32_t widthTwips, int32_t heightTwips) override;
  double Convert(double value, Axis, ScaleUnit from, ScaleUnit to) const override {
    return units_.Convert(value, from, to);
  }
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool enabled) override { enabled_ = enabled; }
  int16_t MousePointer() const override { return pointer_; }
  bool SetMousePointer(int16_t pointer) override;
  bool ApplyMouseIcon(const PictureRef& icon) override {
    mouseIcon_ = icon;
    return true;
  }
  // The custom icon last applied (null: none).
  const PictureRef& AppliedMouseIcon() const { return mouseIcon_; }
  intptr_t ParentWindow() const override { return parentWindow_; }
  bool SetTimer(uintptr_t timerId, uint32_t intervalMs, TimerProc proc) override;
  bool KillTimer(uintptr_t timerId) override;
  bool AsyncRead(std::string_view path, std::string_view propertyName, uint32_t options) override;
  void CancelAsyncRead(std::string_view propertyName) override;
  void MessageBox(const MessageBoxRequest& request) override { boxes_.push_back(request); }

 private:
  VirtualClock& clock_;
  ControlClient* client_ = nullptr;
  bool userMode_ = true;
  int width_ = 0;
  int height_ = 0;
  ContainerUnits units_;
  intptr_t parentWindow_ = 1;
  gdi::COLORREF background_ = 0x00FFFFFF;
  bool enabled_ = true;
  int16_t pointer_ = 0;
  PictureRef mouseIcon_;
  bool refuseReads_ = false;
  int paints_ = 0;
  int32_t setWidthTwips_ = 0;
  int32_t setHeightTwips_ = 0;
  ControlSurface surface_;
  std::vector<std::string> changed_;
  std::vector<MessageBoxRequest> boxes_;
  std::vector<AsyncReadRequest> pending_;
  std::vector<std::string> cancelled_;
};

}  // namespace veltrano::host
