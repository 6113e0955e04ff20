// The banner ucAniGIF1: the window's animated GIF control. Like every control
// of the window it is created from the window's stored layout: it reads the
// banner's property set built into the program, which holds the banner image
// and otherwise the control's default settings.
#pragma once

#include <cstdint>
#include <functional>
#include <span>

class QWidget;

namespace veltrano::qt {

// A GIF control widget that has read `propertySet` (an empty control when
// the set cannot be read); a click on it runs `onClick`.
QWidget* MakeBanner(std::span<const uint8_t> propertySet, std::function<void()> onClick);

// The banner of the main window, from its built-in property set.
QWidget* MakeWindowBanner(std::function<void()> onClick);

}  // namespace veltrano::qt
