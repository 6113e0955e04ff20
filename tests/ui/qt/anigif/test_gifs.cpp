#include "tests/ui/qt/anigif/test_gifs.h"

#include "tests/testing/gif_blocks.h"

namespace veltrano::qtgif::testing {

namespace gif = anigif::testing;

std::vector<uint8_t> SolidFrames(int width, int height, int frames, int delayCs) {
  gif::Bytes out;
  gif::AppendHeader(out, "GIF89a", width, height, kFrameColors);
  gif::AppendLoops(out, 0);
  for (int i = 0; i < frames; ++i) {
    gif::AppendControl(out, 1, delayCs, -1);
    gif::ImageSpec image;
    image.width = width;
    image.height = height;
    image.pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height),
                        static_cast<uint8_t>(i));
    gif::AppendImage(out, image, true);
  }
  gif::AppendTrailer(out);
  return out;
}

QColor FrameColor(int32_t frame) {
  return QColor::fromRgb(static_cast<QRgb>(kFrameColors.at(static_cast<size_t>(frame - 1))));
}

bool LoadBytes(anigif::ucAniGIF& control, const std::vector<uint8_t>& bytes) {
  return control.LoadAnimatedGIF_Array(anigif::ByteArrayArg::Of(bytes));
}

}  // namespace veltrano::qtgif::testing
