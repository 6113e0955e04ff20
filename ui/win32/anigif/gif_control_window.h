// GifControlWindow: a child window that hosts one animated GIF control.
//
// The window is the control's container. The control paints into a 32-bit
// surface of the raster layer the size of the window; WM_PAINT copies that
// surface to the screen with SetDIBitsToDevice. The control's timers are
// window timers of the parent form (SetTimer with a timer procedure), each
// routed through a table to the procedure the control bound to itself. The
// window measures in twips like a classic form (15 twips per pixel),
// delivers mouse, click, show, hide and resize notifications, applies the
// enabled state and the mouse pointer, reads remote paths over WinHTTP and
// shows the control's message boxes.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "anigif/uc_ani_gif.h"
#include "platform/gdi/gdi_types.h"
#include "platform/host/container_units.h"
#include "platform/host/control_host.h"
#include "platform/host/control_painter.h"

namespace veltrano::win32 {

class RemoteReader;

class GifControlWindow : public host::ControlHost {
 public:
  GifControlWindow();
  ~GifControlWindow() override;
  GifControlWindow(const GifControlWindow&) = delete;
  GifControlWindow& operator=(const GifControlWindow&) = delete;

  // Creates the window as a child of `parent` (a HWND) and then the control.
  bool Create(intptr_t parent, int x, int y, int width, int height);
  intptr_t Handle() const { return window_; }
  anigif::ucAniGIF& Control() { return *control_; }

  // Design time (false) or run time (true, the default). Set before loading.
  void SetUserMode(bool userMode) { userMode_ = userMode; }
  void SetContainerScale(double unitsPerPixel) { units_.SetUnitsPerPixel(unitsPerPixel); }
  // A tooltip shown over the control.
  void SetTooltip(const std::string& text);

  // What the control painted last: the window's size, 0x00RRGGBB per pixel,
  // top row first.
  // None (null, 0 x 0) while the window is too large for a surface
  // (host::ControlSurface::kMaxBytes).
  const uint32_t* Pixels() const { return static_cast<const uint32_t*>(painter_.surface().bits()); }
  int SurfaceWidth() const { return painter_.surface().width(); }
  int SurfaceHeight() const { return painter_.surface().height(); }
  int RenderCount() const { return painter_.RenderCount(); }
  // Armed timers of this control, by identifier, with their intervals.
  const std::map<uintptr_t, uint32_t>& ArmedTimers() const { return intervals_; }

  // ---- host::ControlHost ----------------------------------------------------
  void Attach(host::ControlClient* client) override { client_ = client; }
  bool UserMode() const override { return userMode_; }
  void PropertyChanged(std::string_view name) override;
  void RepaintNow() override;
  double ClientWidth() const override;
  double ClientHeight() const override;
  void SetSize(int32_t widthTwips, int32_t heightTwips) override;
  double Convert(double value, host::Axis, host::ScaleUnit from,
                 host::ScaleUnit to) const override {
    return units_.Convert(value, from, to);
  }
  bool Enabled() const override;
  void SetEnabled(bool enabled) override;
  int16_t MousePointer() const override { return pointer_; }
  bool SetMousePointer(int16_t pointer) override;
  bool ApplyMouseIcon(const host::PictureRef& icon) override;
  intptr_t ParentWindow() const override;
  bool SetTimer(uintptr_t timerId, uint32_t intervalMs, host::TimerProc proc) override;
  bool KillTimer(uintptr_t timerId) override;
  bool AsyncRead(std::string_view path, std::string_view propertyName, uint32_t options) override;
  void CancelAsyncRead(std::string_view propertyName) override;
  void MessageBox(const host::MessageBoxRequest& request) override;

  // The names of the persisted properties the control reported changed.
  const std::vector<std::string>& ChangedProperties() const { return changed_; }

  // ---- for the window procedure ----------------------------------------------
  intptr_t HandleMessage(uint32_t message, uintptr_t wParam, intptr_t lParam);
  // A timer of the parent window fired: run the procedure bound to it.
  void FireTimer(uintptr_t timerId, uint32_t time);

 private:
  void Render();
  void Present(intptr_t dc);
  void ApplyCursor();
  void KillAllTimers();

  intptr_t window_ = 0;
  intptr_t tooltip_ = 0;
  intptr_t timerWindow_ = 0;  // the parent the timers were armed on
  host::ControlClient* client_ = nullptr;
  bool userMode_ = true;
  host::ContainerUnits units_;
  int16_t pointer_ = 0;
  struct CursorDeleter {
    void operator()(void* cursor) const;
  };
  // The cursor made from the mouse icon (an HCURSOR).
  std::unique_ptr<void, CursorDeleter> customCursor_;

  host::ControlPainter painter_;

  bool leftPressedInside_ = false;

  std::map<uintptr_t, host::TimerProc> timers_;
  std::map<uintptr_t, uint32_t> intervals_;
  std::vector<std::string> changed_;
  std::unique_ptr<RemoteReader> reader_;
  std::unique_ptr<anigif::ucAniGIF> control_;
};

}  // namespace veltrano::win32
