// The pixel store behind a bitmap handle.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/gdi/gdi_types.h"

namespace veltrano::gdi::detail {

struct FreeDeleter {
  void operator()(uint8_t* p) const;
};

struct Bitmap {
  int width = 0;
  int height = 0;
  int bpp = 0;              // 1, 8, 24 or 32
  ptrdiff_t stride = 0;     // bytes per row, a multiple of 4
  bool topDown = false;     // row 0 of the picture is the first row in memory
  bool isDib = true;        // false for compatible bitmaps (pixels not exposed)
  uint8_t* bits = nullptr;  // owned by storage, or borrowed for a view
  std::unique_ptr<uint8_t[], FreeDeleter> storage;
  uint32_t colors[256] = {};  // colour table as 0x00RRGGBB (1 and 8 bits)
  int tableSize = 0;          // 2 or 256 for 1 and 8 bits, 0 otherwise
  // Renewed (from one counter for all bitmaps) whenever drawing may have
  // changed the pixels or the table: equal stamps mean the same bitmap with
  // nothing drawn on it in between.
  uint64_t stamp = 0;
  BITMAPINFOHEADER header;    // the header the bitmap was created with

  // Row y of the picture, y = 0 being the top row whatever the memory order.
  uint8_t* Row(int y) const {
    return bits +
           (topDown ? static_cast<ptrdiff_t>(y) : static_cast<ptrdiff_t>(height - 1 - y)) * stride;
  }
  bool Indexed() const { return bpp <= 8; }
};

// A stamp no bitmap has had yet.
uint64_t NextStamp();

// Bytes per row for a width and depth, rows padded to 4 bytes; -1 when the
// result does not fit the 32-bit arithmetic the headers use.
int64_t RowBytes(int64_t width, int bpp);

// Checks a header the way CreateDIBSection does: biSize 40, 1 plane, 1/8/24/32
// bits, BI_RGB, non-zero width and height, size within 2 GiB.
bool ValidHeader(const BITMAPINFOHEADER& h);

// A new zeroed bitmap from a checked header, its colour table taken from
// colors (1 and 8 bits; biClrUsed entries, 0 = all). Null when out of memory.
std::unique_ptr<Bitmap> NewBitmap(const BITMAPINFOHEADER& h, const RGBQUAD* colors);

// A bitmap that borrows caller memory laid out as the header describes.
std::unique_ptr<Bitmap> ViewBitmap(const BITMAPINFOHEADER& h, const RGBQUAD* colors, void* bits);

// Fills the header a DIB of this bitmap's format and size would have
// (biSizeImage filled in, bottom-up unless it was created top-down).
BITMAPINFOHEADER HeaderOf(const Bitmap& b);

}  // namespace veltrano::gdi::detail
