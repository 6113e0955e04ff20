// ControlSurface: the memory surface a host lets the GIF control paint on.
//
// A 32-bit top-down DIB section of the raster layer, selected into a memory
// DC of its own. Every host of the control (the headless one, the Qt widget
// and the Win32 window) keeps one the size of its client area, fills it with
// its background colour and hands the DC to the control's paint handler.
//
// A surface above kMaxBytes is refused before anything is allocated: a
// control stretched to a huge size, or sized by a tiny file that claims a
// huge animation, must not take gigabytes. A refused or failed Make leaves
// no surface at all (no DC, no bits, size 0 x 0), never the previous one.
#pragma once

#include <cstdint>

#include "platform/gdi/gdi_handles.h"
#include "platform/gdi/gdi_types.h"

namespace veltrano::host {

class ControlSurface {
 public:
  // The most a surface may take, the same budget as the control's frame
  // store: 256 MiB.
  static constexpr uint64_t kMaxBytes = uint64_t{256} << 20;

  ControlSurface() = default;
  ~ControlSurface() = default;
  ControlSurface(const ControlSurface&) = delete;
  ControlSurface& operator=(const ControlSurface&) = delete;

  // Makes a surface of width x height pixels; keeps the present one (and its
  // pixels) when it already has that size. A side of 0 (or less) is backed
  // by a single pixel, so the control always gets a DC, but is reported as
  // 0. False, with no surface left, when the size is above the budget or
  // the bitmap cannot be had.
  bool Make(int width, int height);
  // Lets go of the surface; a surface that has none stays empty.
  void Free();
  // Fills the whole bitmap with a solid colour (0x00BBGGRR); does nothing
  // without a surface.
  void Fill(gdi::COLORREF color);

  explicit operator bool() const { return static_cast<bool>(bitmap_); }
  gdi::HDC dc() const { return dc_; }
  gdi::HBITMAP bitmap() const { return bitmap_; }
  // The pixels: rows of stride() 32-bit values (0x00RRGGBB, the fourth byte
  // padding), top row first; null without a surface.
  void* bits() const { return bits_; }
  int width() const { return width_; }
  int height() const { return height_; }
  // Pixels per row of bits(): the width, at least 1 while there is a
  // surface; 0 without one.
  int stride() const { return bits_ == nullptr ? 0 : (width_ > 0 ? width_ : 1); }
  // The pixel at (x, y) as 0x00RRGGBB; 0 outside the surface or without one.
  uint32_t Pixel(int x, int y) const;

 private:
  // In this order: destroyed, the old bitmap goes back into the DC, then
  // the surface's bitmap is deleted, then the DC.
  gdi::OwnedDC dc_;
  gdi::OwnedBitmap bitmap_;
  gdi::Selection oldBitmap_;
  void* bits_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace veltrano::host
