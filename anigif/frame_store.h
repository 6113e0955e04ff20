// Everything a loaded animation consists of: the parser's records, the frame
// strip that holds every decoded frame's palette indices side by side, the
// composition bitmaps, and the buffers used while frames are decoded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "anigif/gif_types.h"
#include "platform/gdi/gdi_handles.h"
#include "platform/gdi/gdi_types.h"
#include "platform/picture/picture.h"

namespace veltrano::anigif {

// The most the frame strip, the animation's 24-bit image (the canvas, counted
// also when the animation is drawn without one) and the mask may take
// together. A file that would need more is refused before anything is
// allocated.
inline constexpr uint64_t kFrameStoreBudget = uint64_t{256} << 20;

struct FrameStore : GifData {
  // 8-bit bottom-up DIB section, every frame's indices side by side.
  // StripOldBitmap puts back the bitmap StripDC held before the strip.
  gdi::OwnedDC StripDC;
  gdi::OwnedBitmap StripBitmap;
  uint8_t* StripBits = nullptr;
  gdi::Selection StripOldBitmap;
  int32_t StripWidth = 0;
  int32_t StripHeight = 0;

  // 24-bit composition bitmap of the animation's size, and its 1-bit mask
  // (set bit = transparent); only for animations that need them.
  gdi::OwnedDC CanvasDC;
  gdi::OwnedBitmap CanvasBitmap;
  uint8_t* CanvasBits = nullptr;
  gdi::Selection CanvasOldBitmap;
  gdi::OwnedBitmap CanvasMask;
  uint8_t* CanvasMaskBits = nullptr;

  // All black; a drawing pass turns one entry white for a moment to draw a
  // frame's transparency mask. Empty when no frame needs it.
  std::vector<int32_t> MaskTable;

  // One rebuilt single-frame GIF at a time, 1-based like GifBytes.
  std::vector<uint8_t> FrameBuf;
  // The decoded indices of one frame at a time: every frame of a load is
  // decoded into this one buffer before it is copied into the strip.
  picture::Picture FramePicture;

  // A copy of ColorTables kept by the palette methods.
  int32_t CacheFlag = 0;
  ColorTableList CachedTables;

  // Row of the strip (image row y, 0 = top) as stored bottom-up.
  uint8_t* StripRow(int32_t y) const;
};

// Length in bytes of one DIB row. Throws OverflowError when it does not fit.
int32_t ScanlineBytes(int32_t bitsPerPixel, int32_t width);

// Decodes the first `length` bytes of `buffer` (a GIF stream) into a picture
// of palette indices; nothing when the data cannot be decoded.
std::optional<picture::Picture> LoadPictureFromBytes(const std::vector<uint8_t>& buffer,
                                                     size_t length);
// The same into `into`, reusing its pixel buffer; false when the data cannot
// be decoded.
bool LoadPictureFromBytes(const std::vector<uint8_t>& buffer, size_t length,
                          picture::Picture& into);

}  // namespace veltrano::anigif
