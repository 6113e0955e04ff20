// What an embeddable control needs from the container that hosts it, and the
// notifications the container delivers to the control. The Qt widget host
// implements it for real; the headless host runs it on a virtual clock.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gdi/gdi_types.h"
#include "platform/host/picture_object.h"
#include "platform/host/window_host.h"

namespace veltrano::host {

// Units the host converts between. Container units are whatever the hosting
// form measures in (twips for a classic form).
enum class ScaleUnit { kPixels, kTwips, kContainerPosition, kContainerSize };
enum class Axis { kHorizontal, kVertical };

// Arguments of a window timer's callback: the owning window, the message, the
// timer's identifier and the time of the tick in milliseconds.
struct TimerTick {
  intptr_t window = 0;
  uint32_t message = 0;
  uintptr_t timerId = 0;
  uint32_t time = 0;
};
using TimerProc = std::function<void(const TimerTick&)>;

// Notifications from the host, one at a time on the user-interface thread.
class ControlClient {
 public:
  virtual ~ControlClient() = default;
  // dc is the control's device context, its client area at (0, 0).
  virtual void OnPaint(gdi::HDC dc) = 0;
  virtual void OnResize() {}
  virtual void OnShow() {}
  virtual void OnHide() {}
  virtual void OnClick() {}
  // Button and shift as the window system reports them; x and y in pixels.
  virtual void OnMouseDown(int16_t, int16_t, float, float) {}
  virtual void OnMouseMove(int16_t, int16_t, float, float) {}
  virtual void OnMouseUp(int16_t, int16_t, float, float) {}
  // 3 = the point belongs to the control.
  virtual int HitTest(int, int) { return 3; }
  // Progress of an asynchronous read; status 0 means the transfer failed.
  virtual void OnAsyncReadProgress(std::string_view, int32_t) {}
  // The whole of an asynchronous read. totalBytes is what the transfer
  // reported; data holds what actually arrived and may be shorter.
  virtual void OnAsyncReadComplete(std::string_view, const std::vector<uint8_t>&, int64_t) {}
};

class ControlHost {
 public:
  virtual ~ControlHost() = default;

  // The control whose notifications this host delivers (may be null).
  virtual void Attach(ControlClient* client) = 0;

  // Ambient user mode: false while the form is designed, true at run time.
  virtual bool UserMode() const = 0;
  // A persisted property changed; the designer marks the form as modified.
  virtual void PropertyChanged(std::string_view name) = 0;
  // Delivers a paint notification to the control at once.
  virtual void RepaintNow() = 0;

  // The control's inner size in pixels (fractional where the container's
  // units do not map onto whole pixels).
  virtual double ClientWidth() const = 0;
  virtual double ClientHeight() const = 0;
  // Gives the control a new outer size, in twips.
  virtual void SetSize(int32_t widthTwips, int32_t heightTwips) = 0;
  virtual double Convert(double value, Axis axis, ScaleUnit from, ScaleUnit to) const = 0;

  virtual bool Enabled() const = 0;
  virtual void SetEnabled(bool enabled) = 0;
  virtual int16_t MousePointer() const = 0;
  // Fails (false) for a pointer value the host does not know.
  virtual bool SetMousePointer(int16_t pointer) = 0;
  // The custom mouse icon (pointer 99); null takes it away. False when the
  // host cannot use the picture. Hosts without custom icons accept and ignore
  // it.
  virtual bool ApplyMouseIcon(const PictureRef& icon) {
    (void)icon;
    return true;
  }

  // The window of the form the control sits on; 0 when there is none.
  virtual intptr_t ParentWindow() const = 0;
  // Window timers of the parent window. Setting an identifier that is already
  // armed replaces it. A timer repeats until it is killed. Returns false when
  // the timer cannot be armed (for example without a parent window).
  virtual bool SetTimer(uintptr_t timerId, uint32_t intervalMs, TimerProc proc) = 0;
  virtual bool KillTimer(uintptr_t timerId) = 0;

  // Starts reading a file path or URL in the background; the outcome arrives
  // as OnAsyncReadProgress / OnAsyncReadComplete under propertyName. Returns
  // false when the request is refused.
  virtual bool AsyncRead(std::string_view path, std::string_view propertyName,
                         uint32_t options) = 0;
  virtual void CancelAsyncRead(std::string_view propertyName) = 0;

  // A modal message box with an OK button.
  virtual void MessageBox(const MessageBoxRequest& request) = 0;
};

}  // namespace veltrano::host
