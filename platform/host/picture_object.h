// A picture as the GIF control's properties pass it around (AnimatedGIF,
// MouseIcon): the GIF stream it was made from and the image decoded from it.
// Pictures are shared and never change once made; a null reference is
// "nothing".
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/picture/picture.h"

namespace veltrano::host {

struct PictureObject {
  std::vector<uint8_t> gifBytes;  // the whole GIF file the image came from
  picture::Picture image;
};

using PictureRef = std::shared_ptr<const PictureObject>;

}  // namespace veltrano::host
