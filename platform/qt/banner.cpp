#include "platform/qt/banner.h"

#include <QFile>
#include <utility>
#include <vector>

#include "platform/qt/anigif/ani_gif_widget.h"
#include "platform/qt/resources.h"

namespace veltrano::qt {

QByteArray BannerGif() {
  EnsureResources();
  QFile file(QString::fromLatin1(kBannerResource));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

QWidget* MakeBanner(const QByteArray& gif, std::function<void()> onClick) {
  auto* banner = new qtgif::AniGifWidget;
  banner->Control().Events().Click = std::move(onClick);
  const std::vector<uint8_t> bytes(gif.begin(), gif.end());
  // A banner that cannot be read stays empty; the window works without it.
  banner->Control().LoadAnimatedGIF_Array(anigif::ByteArrayArg::Of(bytes));
  return banner;
}

}  // namespace veltrano::qt
