#include "platform/host/control_painter.h"

#include <algorithm>

namespace veltrano::host {

bool ControlPainter::Render(ControlClient* client, int width, int height,
                            gdi::COLORREF background) {
  if (!surface_.Make(std::max(width, 1), std::max(height, 1))) return false;
  surface_.Fill(background);
  if (client != nullptr) client->OnPaint(surface_.dc());
  fresh_ = true;
  ++renders_;
  return true;
}

bool ControlPainter::NeedsRender(int width, int height) const {
  return !fresh_ || surface_.width() != std::max(width, 1) ||
         surface_.height() != std::max(height, 1);
}

}  // namespace veltrano::host
