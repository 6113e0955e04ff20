#include "ui/qt/anigif/picture_cursor.h"

#include <QImage>
#include <QPixmap>

namespace veltrano::qtgif {

std::optional<QCursor> CursorFromPicture(const host::PictureRef& picture) {
  if (!picture) return std::nullopt;
  const picture::Picture& image = picture->image;
  if (image.Width() <= 0 || image.Height() <= 0) return std::nullopt;
  const auto palette = image.Palette();
  const auto transparent = image.TransparentIndex();
  QImage argb(image.Width(), image.Height(), QImage::Format_ARGB32);
  for (int y = 0; y < image.Height(); ++y) {
    const uint8_t* src = image.Row(y);
    auto* dst = reinterpret_cast<QRgb*>(argb.scanLine(y));
    for (int x = 0; x < image.Width(); ++x) {
      const uint8_t index = src[x];
      // An index without a colour in the table shows black.
      const uint32_t rgb = index < palette.size() ? palette[index] : 0;
      dst[x] = (transparent && *transparent == index) ? 0u : (0xFF000000u | rgb);
    }
  }
  return QCursor(QPixmap::fromImage(argb));
}

}  // namespace veltrano::qtgif
