// ControlPainter: the paint cycle of a host that shows its control in a
// window.
//
// The control draws on a surface the size of the window, filled with the
// window's background first. A paint the host asks for itself (RepaintNow)
// renders at once and is then presented; a paint the window system asks for
// (an expose) renders afresh unless a rendering is waiting to be presented
// at the window's present size.
#pragma once

#include "platform/gdi/gdi_types.h"
#include "platform/host/control_host.h"
#include "platform/host/control_surface.h"

namespace veltrano::host {

class ControlPainter {
 public:
  // Lets `client` (may be null) paint on a surface of width x height
  // (each at least 1) filled with `background` (0x00BBGGRR). False, with no
  // surface, when that size is above ControlSurface::kMaxBytes.
  bool Render(ControlClient* client, int width, int height, gdi::COLORREF background);
  // Whether a paint of the window system must render before it presents.
  bool NeedsRender(int width, int height) const;
  // The rendering was shown: the next expose renders afresh.
  void Presented() { fresh_ = false; }
  void Free() { surface_.Free(); }

  const ControlSurface& surface() const { return surface_; }
  int RenderCount() const { return renders_; }

 private:
  ControlSurface surface_;
  bool fresh_ = false;  // rendered since the last presentation
  int renders_ = 0;
};

}  // namespace veltrano::host
