#include <algorithm>
#include <cstring>
#include <new>

#include "platform/picture/gif_stream.h"
#include "platform/picture/interlace.h"
#include "platform/picture/lzw_decoder.h"
#include "platform/picture/picture.h"

namespace veltrano::picture {

class PictureBuilder {
 public:
  static LoadResult Build(const ImageBlock& image, const LoadOptions& options) {
    LoadResult result;
    if (image.width == 0 || image.height == 0) {
      result.error = LoadError::kEmptyImage;
      return result;
    }
    const std::size_t count =
        static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height);
    if (count > options.max_pixels) {
      result.error = LoadError::kTooLarge;
      return result;
    }

    Picture picture;
    picture.pixels_.reset(new (std::nothrow) std::uint8_t[count]);
    if (!picture.pixels_) {
      result.error = LoadError::kOutOfMemory;
      return result;
    }
    picture.width_ = image.width;
    picture.height_ = image.height;
    picture.left_ = image.left;
    picture.top_ = image.top;
    picture.screen_width_ = image.screen_width;
    picture.screen_height_ = image.screen_height;
    picture.interlaced_ = image.interlaced;
    picture.transparent_index_ = image.transparent_index;
    const auto& table = image.color_table;
    picture.palette_size_ = std::min(table.size() / 3, picture.palette_.size());
    for (std::size_t i = 0; i < picture.palette_size_; ++i) {
      picture.palette_[i] = (std::uint32_t{table[3 * i]} << 16) |
                            (std::uint32_t{table[3 * i + 1]} << 8) | table[3 * i + 2];
    }

    std::uint8_t* pixels = picture.pixels_.get();
    const LzwOutcome decoded = DecodeLzw(image.data, image.min_code_size, pixels, count);
    picture.complete_ = decoded.written == count;
    if (decoded.written < count) std::memset(pixels + decoded.written, 0, count - decoded.written);
    if (image.interlaced) Deinterlace(pixels, image.width, image.height);

    result.picture = std::move(picture);
    return result;
  }
};

LoadResult LoadPicture(std::span<const std::uint8_t> bytes, const LoadOptions& options) {
  const FindImageResult found = FindFirstImage(bytes);
  if (found.error != LoadError::kNone) {
    LoadResult result;
    result.error = found.error;
    return result;
  }
  try {
    return PictureBuilder::Build(found.image, options);
  } catch (const std::bad_alloc&) {
    LoadResult result;
    result.error = LoadError::kOutOfMemory;
    return result;
  }
}

}  // namespace veltrano::picture
