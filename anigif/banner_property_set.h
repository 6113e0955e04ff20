// The property set the main window stores for its banner control ucAniGIF1:
// assets/banner.props, built into the program. The window hands it to the
// control when it creates the banner:
//
//   if (auto bag = PropertyBag::Parse(BannerPropertySet())) control.ReadProperties(*bag);
#pragma once

#include <cstdint>
#include <span>

namespace veltrano::anigif {

std::span<const uint8_t> BannerPropertySet();

}  // namespace veltrano::anigif
