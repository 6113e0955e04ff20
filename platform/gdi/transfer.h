// The one block-transfer engine behind BitBlt, StretchBlt, StretchDIBits and
// GetDIBits.
#pragma once

#include <cstdint>

#include "platform/gdi/bitmap.h"
#include "platform/gdi/pixel_rows.h"

namespace veltrano::gdi::detail {

struct TransferRequest {
  Bitmap* dst = nullptr;
  const Bitmap* src = nullptr;
  // Signed extents; see PlanAxis for their meaning.
  int64_t xDest = 0, yDest = 0, wDest = 0, hDest = 0;
  int64_t xSrc = 0, ySrc = 0, wSrc = 0, hSrc = 0;
  Rop rop = Rop::kCopy;
  int stretchMode = COLORONCOLOR;
  uint32_t srcBackground = 0x00FFFFFF;  // 0x00RRGGBB, for colour-to-mono
  // Destination pixels outside it are not drawn.
  bool clipped = false;
  RECT clip;
};

// Draws; returns the number of destination rows touched (0 when clipping
// left nothing).
int Transfer(const TransferRequest& request);

}  // namespace veltrano::gdi::detail
