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
  static LoadError Build(const ImageBlock& image, const LoadOptions& options, Picture& picture) {
    if (image.width == 0 || image.height == 0) return LoadError::kEmptyImage;
    const std::size_t count =
        static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height);
    if (count > options.max_pixels) return LoadError::kTooLarge;

    if (!picture.pixels_ || picture.capacity_ < count) {
      picture.pixels_.reset();
      picture.capacity_ = 0;
      picture.pixels_.reset(new (std::nothrow) std::uint8_t[count]);
      if (!picture.pixels_) return LoadError::kOutOfMemory;
      picture.capacity_ = count;
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
    return LoadError::kNone;
  }
};

LoadError LoadPictureInto(std::span<const std::uint8_t> bytes, Picture& picture,
                          const LoadOptions& options) {
  const FindImageResult found = FindFirstImage(bytes);
  if (found.error != LoadError::kNone) return found.error;
  try {
    return PictureBuilder::Build(found.image, options, picture);
  } catch (const std::bad_alloc&) {
    return LoadError::kOutOfMemory;
  }
}

LoadResult LoadPicture(std::span<const std::uint8_t> bytes, const LoadOptions& options) {
  LoadResult result;
  Picture picture;
  result.error = LoadPictureInto(bytes, picture, options);
  if (result.error == LoadError::kNone) result.picture = std::move(picture);
  return result;
}

}  // namespace veltrano::picture
