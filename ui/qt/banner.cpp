#include "ui/qt/banner.h"

#include <utility>

#include "anigif/banner_property_set.h"
#include "anigif/property_bag.h"
#include "ui/qt/anigif/ani_gif_widget.h"
#include "ui/qt/main_window.h"

namespace veltrano::qt {

QWidget* MakeBanner(std::span<const uint8_t> propertySet, std::function<void()> onClick) {
  auto* banner = new qtgif::AniGifWidget;
  banner->Control().Events().Click = std::move(onClick);
  // The control takes its place's size before it loads, so that the first
  // frame is already scaled for it.
  banner->resize(kBannerRect.size());
  // A set that cannot be read leaves the banner empty; the window works without it.
  if (auto bag = anigif::PropertyBag::Parse(propertySet)) banner->Control().ReadProperties(*bag);
  return banner;
}

QWidget* MakeWindowBanner(std::function<void()> onClick) {
  return MakeBanner(anigif::BannerPropertySet(), std::move(onClick));
}

}  // namespace veltrano::qt
