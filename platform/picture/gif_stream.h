// Walks a GIF stream from its signature to the first image and tells where
// that image's parts lie. Nothing is decoded or copied here.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "platform/picture/picture.h"

namespace veltrano::picture {

struct ImageBlock {
  int screen_width = 0;
  int screen_height = 0;
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool interlaced = false;
  std::optional<std::uint8_t> transparent_index;
  // Colour table bytes (red, green, blue triples) that apply to the image:
  // the local table, else the global one, else empty.
  std::span<const std::uint8_t> color_table;
  int min_code_size = 0;
  // From the first data sub-block's length byte to the end of the input.
  // The chain ends at a zero length byte or where the input ends.
  std::span<const std::uint8_t> data;
};

struct FindImageResult {
  ImageBlock image;
  LoadError error = LoadError::kNone;
};

// Locates the first image of `bytes`. Error kNone means `image` is filled in
// and its minimum code size is within 2..11; the image may still be empty.
FindImageResult FindFirstImage(std::span<const std::uint8_t> bytes);

}  // namespace veltrano::picture
