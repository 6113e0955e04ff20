// Row-level pixel work shared by every drawing call: reading a span of a row
// as values, turning colours into a destination's pixel values, and storing
// a span with a raster operation.
//
// "Values" are pixels in the destination's terms: 0x00RRGGBB for 24/32-bit
// bitmaps, the palette index for 8-bit ones, the bit for 1-bit ones.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/gdi/bitmap.h"

namespace veltrano::gdi::detail {

enum class Rop { kCopy, kAnd, kOr, kXor, kNotCopy };

// The raster operation of a source blit; false for anything else.
bool SourceRop(DWORD rop, Rop* out);

// The value with every bit set in b's pixel format (white in colour).
uint32_t AllOnes(const Bitmap& b);

// Nearest table entry to a colour: squared RGB distance, lowest index first.
uint32_t NearestIndex(const uint32_t* table, int size, uint32_t rgb);

// Turns 0x00RRGGBB colours into values of one destination bitmap.
// Into 1 bit: 1 where the colour equals monoWhite (the source DC's
// background colour), else 0. Into 8 bits: nearest table entry (cached).
class ColorMapper {
 public:
  ColorMapper(const Bitmap& dst, uint32_t monoWhite);
  uint32_t Map(uint32_t rgb);
  void MapSpan(uint32_t* values, int n);  // in place
  bool Identity() const { return dst_.bpp > 8; }

 private:
  static constexpr int kCacheSize = 4096;
  const Bitmap& dst_;
  uint32_t monoWhite_;
  std::unique_ptr<uint32_t[]> cacheKeys_;
  std::unique_ptr<uint8_t[]> cacheValues_;
};

// Values of each palette entry of an indexed source in dst's format. An
// index is kept where an 8-bit destination has the same colour at that
// index; 1-bit to 1-bit keeps the bits.
void SourceLut(const Bitmap& src, const Bitmap& dst, ColorMapper& mapper, uint32_t lut[256]);

// Reads pixels x .. x + n - 1 of row y (all inside b). Indexed pixels go
// through lut; colour pixels are read as 0x00RRGGBB.
void ReadSpan(const Bitmap& b, int y, int x, int n, const uint32_t* lut, uint32_t* out);

// Applies rop between values and pixels x .. x + n - 1 of row y (inside b).
void StoreSpan(Bitmap& b, int y, int x, int n, const uint32_t* values, Rop rop);

// Writes one value into a whole span (fills).
void FillSpan(Bitmap& b, int y, int x, int n, uint32_t value, Rop rop);

// The value of one pixel (index, bit or colour).
uint32_t ReadValue(const Bitmap& b, int x, int y);

}  // namespace veltrano::gdi::detail
