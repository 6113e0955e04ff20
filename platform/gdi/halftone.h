// HALFTONE stretching with planar sums that the compiler turns into vector
// code (SSE2 everywhere, AVX2 where the processor has it, chosen at run
// time), and the axis plans of recent transfers kept for reuse while the
// sizes stay the same. Gives exactly the pixels of the general weighted-sum
// path.
#pragma once

#include <memory>

#include "platform/gdi/axis_plan.h"
#include "platform/gdi/bitmap.h"
#include "platform/gdi/pixel_rows.h"

namespace veltrano::gdi::detail {

// An axis plan with what the fast HALFTONE rows need of it, made once per
// geometry.
struct HalftoneAxis {
  AxisPlan plan;
  bool drawn = false;     // PlanAxis found something to draw
  bool normalised = false;  // every pixel's weights add up to exactly kWeightOne
  // At most two taps per pixel (enlarging): both taps of pixel j, relative
  // to srcMin, the second with weight 0 where there is one tap.
  std::vector<int32_t> first, second;
  std::vector<uint32_t> firstWeight, secondWeight;
};

// The plan of one axis, from a small cache of recent ones (the UI thread
// draws the same few geometries frame after frame).
std::shared_ptr<const HalftoneAxis> CachedAxis(int64_t destOrigin, int64_t destExtent,
                                               int64_t destLow, int64_t destHigh,
                                               int64_t srcOrigin, int64_t srcExtent,
                                               int64_t srcLimit, AxisFilter filter);

// Draws a HALFTONE transfer from `from` (the source, or a copy of it whose
// pixel (0, 0) is source pixel (ox, oy)) into dst. False, drawing nothing,
// when the plans do not suit the fast rows; the caller then takes the
// general path.
bool FastHalftoneRows(Bitmap& dst, const Bitmap& from, int ox, int oy, const HalftoneAxis& x,
                      const HalftoneAxis& y, Rop rop, uint32_t srcBackground);

}  // namespace veltrano::gdi::detail
