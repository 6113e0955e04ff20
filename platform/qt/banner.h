// The banner ucAniGIF1: the window's animated GIF control, playing the
// banner image held with the window, with the control's default settings.
#pragma once

#include <QByteArray>
#include <functional>

class QWidget;

namespace veltrano::qt {

inline constexpr const char* kBannerResource = ":/veltrano/banner.gif";

// The GIF bytes of the banner that ship inside the program.
QByteArray BannerGif();

// A GIF control widget playing `gif`; a click on it runs `onClick`.
QWidget* MakeBanner(const QByteArray& gif, std::function<void()> onClick);

}  // namespace veltrano::qt
