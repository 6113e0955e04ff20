// Frame export: one frame of the control, written as a complete single-frame
// GIF89a stream that our own LZW encoder compresses, and read back as a
// picture (what the control's AnimatedGIF property returns).
//
// The encoder reads the frame's palette indices in place through a view, so it
// works on the frame strip directly (bottom-up rows: a negative stride) and on
// any other 8-bit buffer. It keeps all its state in buffers of its own; an
// export may run while a deferred decode still holds the control's scratch
// buffers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "anigif/frame_store.h"

namespace veltrano::anigif {

// A frame's palette indices, one byte per pixel.
struct FramePixels {
  const std::uint8_t* top_row = nullptr;  // first pixel of the frame's top row
  std::ptrdiff_t stride = 0;              // bytes from a row to the row below it
  std::int32_t width = 0;
  std::int32_t height = 0;
};

// A colour table as the control keeps it: entries 0..255 as 0x00RRGGBB and
// entry 256 holding the number of entries in use.
inline constexpr int kColorTableSlots = 257;
using ColorTableView = std::span<const std::int32_t, kColorTableSlots>;

// The view of a frame that sits at column `strip_x` of an 8-bit bottom-up DIB
// (`bits` = lowest memory row, `row_bytes` = padded length of one row), from
// the strip's top row down. An empty view (width 0) when the frame does not lie
// inside the strip.
FramePixels FrameInStrip(const std::uint8_t* bits, std::ptrdiff_t row_bytes,
                         std::int32_t strip_height, std::int32_t strip_x, std::int32_t width,
                         std::int32_t height);

// Writes the frame as a GIF89a stream: header with the frame's size, a
// 256-entry global colour table built from `table`, a graphic control
// extension only when `trans_flag` is 1, the image descriptor, LZW data with a
// minimum code size of 8, the block terminator and the trailer.
//
// Returns no bytes when there is nothing to export: an empty frame, a side
// longer than a GIF can hold (65535), or memory that cannot be had.
std::vector<std::uint8_t> EncodeFrameGif(const FramePixels& pixels, ColorTableView table,
                                         std::uint8_t trans_flag, std::uint8_t trans_index);

// The stream of frame `k` (1-based) of a decoded animation: the frame's
// indices as the strip holds them now (so as currently mirrored), its colour
// table and its transparency. No bytes when there is no such frame, its table
// does not exist or it does not lie inside the strip.
std::vector<std::uint8_t> ExportFrameGif(const FrameStore& store, std::int32_t k);

// Frame `k` as a picture: its stream loaded back through the frame store's
// picture loading. Nothing when there is no stream or it cannot be loaded.
// (Inline: whoever asks for a frame links both the encoder and the store.)
inline std::optional<picture::Picture> ExportFrame(const FrameStore& store, std::int32_t k) {
  const std::vector<std::uint8_t> gif = ExportFrameGif(store, k);
  if (gif.empty()) return std::nullopt;
  return LoadPictureFromBytes(gif, gif.size());
}

}  // namespace veltrano::anigif
