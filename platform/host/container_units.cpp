#include "platform/host/container_units.h"

#include <algorithm>
#include <cmath>

namespace veltrano::host {

double ContainerUnits::PerPixel(ScaleUnit unit) const {
  switch (unit) {
    case ScaleUnit::kPixels:
      return 1.0;
    case ScaleUnit::kTwips:
      return kTwipsPerPixel;
    case ScaleUnit::kContainerPosition:
    case ScaleUnit::kContainerSize:
      return containerScale_;
  }
  return 1.0;
}

double ContainerUnits::Convert(double value, ScaleUnit from, ScaleUnit to) const {
  return value / PerPixel(from) * PerPixel(to);
}

int ContainerUnits::TwipsToPixels(int32_t twips) {
  return static_cast<int>(std::lround(std::max(twips, 0) / kTwipsPerPixel));
}

}  // namespace veltrano::host
