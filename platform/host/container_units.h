// The units a hosted control and its container measure in, and the one
// conversion between them that every host of the control uses.
//
// The control measures in pixels. Its container gives it its size in twips
// (15 to a pixel, as a classic form at 96 dpi) and reports positions and
// sizes in its own scale, set per host (twips by default).
#pragma once

#include <cstdint>

#include "platform/host/control_host.h"

namespace veltrano::host {

class ContainerUnits {
 public:
  static constexpr double kTwipsPerPixel = 15.0;

  // Container units per pixel for kContainerPosition and kContainerSize.
  void SetUnitsPerPixel(double unitsPerPixel) { containerScale_ = unitsPerPixel; }

  // `value` measured in `from`, measured in `to`. Both axes convert alike.
  double Convert(double value, ScaleUnit from, ScaleUnit to) const;

  // A size in twips as whole pixels, to the nearest; below 0 is 0.
  static int TwipsToPixels(int32_t twips);

 private:
  double PerPixel(ScaleUnit unit) const;

  double containerScale_ = kTwipsPerPixel;
};

}  // namespace veltrano::host
