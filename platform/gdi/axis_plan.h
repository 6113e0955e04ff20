// One axis of a (stretched, possibly mirrored) transfer: which destination
// pixels are drawn and which source pixels, with which weights, make each.
#pragma once

#include <cstdint>
#include <vector>

namespace veltrano::gdi::detail {

enum class AxisFilter {
  kNearest,   // the source pixel under the destination pixel's centre
  kCombine,   // every source pixel the destination pixel covers (AND/OR scans)
  kHalftone,  // box average when shrinking, bilinear when enlarging
};

// Weights of kHalftone taps add up to this.
inline constexpr uint32_t kWeightOne = 65536;

struct AxisPlan {
  int destBegin = 0;  // first drawn destination coordinate
  int count = 0;      // drawn destination pixels (consecutive)
  // Taps of drawn pixel j: indices tapStart[j] .. tapStart[j + 1] - 1 into
  // tapIndex (absolute source coordinates, all inside the source) and
  // tapWeight (kHalftone only).
  std::vector<int32_t> tapStart;
  std::vector<int32_t> tapIndex;
  std::vector<uint32_t> tapWeight;
  int srcMin = 0;  // smallest and largest tap index
  int srcMax = -1;
  // One tap per pixel, source index srcFirst + j (or srcFirst - j when
  // reversed): an unscaled axis.
  bool unscaled = false;
  bool reversed = false;
  int srcFirst = 0;
  int maxTaps = 0;  // most taps of any pixel
};

// Plans an axis. Extents are signed: a negative extent covers the pixels
// origin + extent + 1 .. origin, the origin being the first pixel of the
// transfer; opposite signs mirror. Destination pixels outside
// [destLow, destHigh) (the bitmap, cut to a clip) or whose centre falls
// outside [0, srcLimit) in the source are not drawn; the taps of a drawn
// pixel do not depend on destLow and destHigh. Returns false when nothing is
// drawn.
bool PlanAxis(int64_t destOrigin, int64_t destExtent, int64_t destLow, int64_t destHigh,
              int64_t srcOrigin, int64_t srcExtent, int64_t srcLimit, AxisFilter filter,
              AxisPlan* plan);

}  // namespace veltrano::gdi::detail
