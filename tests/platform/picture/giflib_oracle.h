// Decodes GIF bytes in memory with giflib, the reference the loader is
// checked against.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "tests/testing/gif_writer.h"

namespace veltrano::picture::testing {

struct OracleFrame {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool interlaced = false;
  std::vector<std::uint32_t> palette;  // 0x00RRGGBB of the table that applies
  std::vector<std::uint8_t> indices;   // display order, top row first
};

// Every frame of the stream, or nothing when giflib refuses the data.
std::optional<std::vector<OracleFrame>> DecodeWithGiflib(std::span<const std::uint8_t> bytes);

// Writes `desc` with giflib's own encoder (its LZW settings, not the
// frame's): a second, independent source of streams. Options the writer of
// gif_writer.h adds (loops, comment, LZW knobs, sub-block size) are ignored.
std::vector<std::uint8_t> EncodeWithGiflib(const GifSpec& desc);

}  // namespace veltrano::picture::testing
