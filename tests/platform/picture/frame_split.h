// Splits a multi-frame GIF into single-frame GIFs the way the GIF control's
// frame builder hands frames to the picture loader: the header with the
// frame's size as the logical screen, a 256-entry index palette (entry i is
// blue i) as the global table, the frame's graphic control extension with
// transparency switched off, the image block with left = top = 0 and any
// local table overwritten by index palette entries, and a trailer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace veltrano::picture::testing {

struct FramePlace {
  std::size_t control = 0;  // offset of the "!" of its graphic control extension, or 0
  std::size_t start = 0;    // offset of the "," of its image descriptor
  std::size_t length = 0;   // from "," to the data terminator, inclusive
  bool local_table = false;
};

// The frames of a well-formed stream, in file order.
std::vector<FramePlace> FindFrames(std::span<const std::uint8_t> gif);

std::vector<std::uint8_t> RebuildFrame(std::span<const std::uint8_t> gif, const FramePlace& frame);
// The same into `out`, which keeps its capacity from one frame to the next.
void RebuildFrameInto(std::span<const std::uint8_t> gif, const FramePlace& frame,
                      std::vector<std::uint8_t>& out);

}  // namespace veltrano::picture::testing
