// The picture loader: a GIF stream in, a picture of palette indices out.
//
// LoadPicture decodes the first image of a GIF87a/GIF89a stream. The picture
// is the image's own rectangle (its width and height from the image
// descriptor); its pixels are palette indices, one byte each, top row first,
// with interlacing already resolved. The palette is the image's local colour
// table, or the global one when it has none, as 0x00RRGGBB values.
//
// The loader is portable standard C++, reads only inside the bytes it is
// given and writes only into the picture it returns. Bad input gives an error
// code, never a crash.
//
// Image data that stops before the last pixel (a truncated file, an early end
// code, a code that cannot occur) is not an error: the pixels decoded so far
// are kept and every pixel after them holds index 0. `complete` tells the two
// cases apart.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

namespace veltrano::picture {

enum class LoadError {
  kNone = 0,
  kNotGif,       // the first six bytes are not GIF87a or GIF89a (any letter case)
  kTruncated,    // the data ends before the image's LZW minimum code size byte
  kNoImage,      // the stream holds no image descriptor
  kEmptyImage,   // the image is 0 pixels wide or high
  kBadCodeSize,  // LZW minimum code size outside 2..11
  kTooLarge,     // width × height is above LoadOptions::max_pixels
  kOutOfMemory,  // the pixel buffer could not be allocated
};

// Default pixel budget of one picture: 256 Mi pixels (256 MiB of indices).
inline constexpr std::size_t kDefaultMaxPixels = std::size_t{1} << 28;

struct LoadOptions {
  // A picture with more pixels than this is refused with kTooLarge before
  // anything is allocated.
  std::size_t max_pixels = kDefaultMaxPixels;
};

class Picture {
 public:
  Picture() = default;
  Picture(Picture&&) noexcept = default;
  Picture& operator=(Picture&&) noexcept = default;

  int Width() const { return width_; }
  int Height() const { return height_; }
  // Palette indices, Width() × Height() bytes, row by row from the top.
  std::span<const std::uint8_t> Indices() const { return {pixels_.get(), PixelCount()}; }
  std::span<std::uint8_t> MutableIndices() { return {pixels_.get(), PixelCount()}; }
  std::size_t PixelCount() const {
    return static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_);
  }
  // Index of row `y` (0 = top).
  const std::uint8_t* Row(int y) const {
    return pixels_.get() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width_);
  }

  // The colour table that applies to the image (local, else global, else
  // empty), as 0x00RRGGBB; 2 to 256 entries. Indices at or beyond its size
  // have no colour.
  std::span<const std::uint32_t> Palette() const { return {palette_.data(), palette_size_}; }
  // Transparent index of the graphic control extension that precedes the
  // image, when its transparency flag is set.
  std::optional<std::uint8_t> TransparentIndex() const { return transparent_index_; }

  // Where the image sits on the stream's logical screen, and that screen's
  // size as stored in the header. Informational: the picture is the image.
  int Left() const { return left_; }
  int Top() const { return top_; }
  int ScreenWidth() const { return screen_width_; }
  int ScreenHeight() const { return screen_height_; }
  bool Interlaced() const { return interlaced_; }
  // True when every pixel came from the image data; false when the data
  // stopped early and the remaining pixels were set to 0.
  bool Complete() const { return complete_; }

 private:
  friend class PictureBuilder;

  int width_ = 0;
  int height_ = 0;
  int left_ = 0;
  int top_ = 0;
  int screen_width_ = 0;
  int screen_height_ = 0;
  bool interlaced_ = false;
  bool complete_ = false;
  std::optional<std::uint8_t> transparent_index_;
  // Kept inline: a load allocates nothing but the indices.
  std::array<std::uint32_t, 256> palette_{};
  std::size_t palette_size_ = 0;
  std::unique_ptr<std::uint8_t[]> pixels_;
  // Bytes pixels_ holds, at least PixelCount(); a moved-from picture has no
  // buffer whatever this says.
  std::size_t capacity_ = 0;
};

struct LoadResult {
  std::optional<Picture> picture;
  LoadError error = LoadError::kNone;

  bool ok() const { return picture.has_value(); }
};

// Decodes the first image of `bytes`.
LoadResult LoadPicture(std::span<const std::uint8_t> bytes, const LoadOptions& options = {});

// Decodes the first image of `bytes` into `picture`, keeping the pixel buffer
// it already has when that is large enough: decoding many frames one after
// another then allocates (and the system maps in) one buffer, not one per
// frame. On an error `picture` keeps its buffer but its contents are
// unspecified.
LoadError LoadPictureInto(std::span<const std::uint8_t> bytes, Picture& picture,
                          const LoadOptions& options = {});

}  // namespace veltrano::picture
