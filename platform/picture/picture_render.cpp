#include "platform/picture/picture_render.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace veltrano::picture {
namespace {

using gdi::BITMAPINFO;
using gdi::DIBSECTION;
using gdi::HBITMAP;
using gdi::HDC;
using gdi::HGDIOBJ;
using gdi::RGBQUAD;

bool IsIndexTable(const RGBQUAD* table, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    if (!(table[i] == RGBQUAD{static_cast<std::uint8_t>(i), 0, 0, 0})) return false;
  }
  return true;
}

bool PaletteIsIndexPalette(const Picture& picture) {
  const auto palette = picture.Palette();
  for (std::size_t k = 0; k < palette.size(); ++k) {
    if (palette[k] != k) return false;
  }
  return true;
}

// The fast way: the target holds indices of the same palette, so copy them.
// Returns false when the target is not such a section.
bool WriteIndicesDirectly(const Picture& picture, HDC dc, int x, int y, int w, int h) {
  if (w != picture.Width() || h != picture.Height()) return false;
  const HBITMAP bitmap(gdi::GetCurrentObject(dc, gdi::OBJ_BITMAP));
  DIBSECTION dib;
  if (!bitmap || gdi::GetObject(bitmap, &dib) == 0 || dib.dsBm.bmBits == nullptr ||
      dib.dsBm.bmBitsPixel != 8) {
    return false;
  }
  RGBQUAD table[256];
  if (gdi::GetDIBColorTable(dc, 0, 256, table) != 256 || !IsIndexTable(table, 256) ||
      !PaletteIsIndexPalette(picture)) {
    return false;
  }

  // Clip the picture's rectangle to the section.
  const int target_w = dib.dsBm.bmWidth;
  const int target_h = dib.dsBm.bmHeight;
  const int x0 = std::max(x, 0);
  const int y0 = std::max(y, 0);
  const int x1 = static_cast<int>(std::min<long long>(static_cast<long long>(x) + w, target_w));
  const int y1 = static_cast<int>(std::min<long long>(static_cast<long long>(y) + h, target_h));
  if (x0 >= x1 || y0 >= y1) return true;  // nothing visible, nothing to do

  auto* bits = static_cast<std::uint8_t*>(dib.dsBm.bmBits);
  const std::size_t stride = static_cast<std::size_t>(dib.dsBm.bmWidthBytes);
  const bool bottom_up = dib.dsBmih.biHeight > 0;
  const auto transparent = picture.TransparentIndex();
  const std::size_t n = static_cast<std::size_t>(x1 - x0);
  for (int ty = y0; ty < y1; ++ty) {
    const std::size_t memory_row = static_cast<std::size_t>(bottom_up ? target_h - 1 - ty : ty);
    std::uint8_t* out = bits + memory_row * stride + x0;
    const std::uint8_t* in = picture.Row(ty - y) + (x0 - x);
    if (!transparent) {
      std::memcpy(out, in, n);
    } else {
      for (std::size_t i = 0; i < n; ++i) {
        if (in[i] != *transparent) out[i] = in[i];
      }
    }
  }
  return true;
}

// A memory DC holding a temporary top-down DIB section; frees both.
class ScratchBitmap {
 public:
  ScratchBitmap(const BITMAPINFO& info) {
    void* bits = nullptr;
    bitmap_ = gdi::CreateDIBSection(nullptr, &info, gdi::DIB_RGB_COLORS, &bits);
    bits_ = static_cast<std::uint8_t*>(bits);
    if (!bitmap_) return;
    dc_ = gdi::CreateCompatibleDC(nullptr);
    if (dc_) old_ = gdi::SelectObject(dc_, bitmap_);
  }
  ~ScratchBitmap() {
    if (dc_) {
      if (old_) gdi::SelectObject(dc_, old_);
      gdi::DeleteDC(dc_);
    }
    if (bitmap_) gdi::DeleteObject(bitmap_);
  }
  ScratchBitmap(const ScratchBitmap&) = delete;
  ScratchBitmap& operator=(const ScratchBitmap&) = delete;

  bool ok() const { return bitmap_ && dc_ && old_ && bits_ != nullptr; }
  HDC dc() const { return dc_; }
  std::uint8_t* bits() const { return bits_; }

 private:
  HBITMAP bitmap_;
  HDC dc_;
  HGDIOBJ old_;
  std::uint8_t* bits_ = nullptr;
};

BITMAPINFO TopDownHeader(int width, int height, int bits_per_pixel) {
  BITMAPINFO info{};
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biBitCount = static_cast<gdi::WORD>(bits_per_pixel);
  info.bmiHeader.biClrUsed = bits_per_pixel == 8 ? 256 : 2;
  return info;
}

std::size_t Stride(int width, int bits_per_pixel) {
  return ((static_cast<std::size_t>(width) * bits_per_pixel + 31) / 32) * 4;
}

// The general way: an 8-bit copy of the picture with its own colours, blitted
// with the raster layer's conversions. Transparent pixels are masked out
// first (AND with a mask that is white where transparent) and then drawn as
// black, so OR-ing the picture leaves them alone.
bool DrawColors(const Picture& picture, HDC dc, int x, int y, int w, int h) {
  const int pw = picture.Width();
  const int ph = picture.Height();
  const auto transparent = picture.TransparentIndex();

  BITMAPINFO info = TopDownHeader(pw, ph, 8);
  const auto palette = picture.Palette();
  for (std::size_t i = 0; i < palette.size() && i < 256; ++i) {
    info.bmiColors[i] = {static_cast<std::uint8_t>(palette[i]),
                         static_cast<std::uint8_t>(palette[i] >> 8),
                         static_cast<std::uint8_t>(palette[i] >> 16), 0};
  }
  if (transparent) info.bmiColors[*transparent] = {0, 0, 0, 0};
  ScratchBitmap image(info);
  if (!image.ok()) return false;
  const std::size_t stride = Stride(pw, 8);
  for (int row = 0; row < ph; ++row) {
    std::memcpy(image.bits() + static_cast<std::size_t>(row) * stride, picture.Row(row),
                static_cast<std::size_t>(pw));
  }

  if (!transparent) return gdi::StretchBlt(dc, x, y, w, h, image.dc(), 0, 0, pw, ph, gdi::SRCCOPY);

  BITMAPINFO mask_info = TopDownHeader(pw, ph, 1);
  mask_info.bmiColors[1] = {255, 255, 255, 0};
  ScratchBitmap mask(mask_info);
  if (!mask.ok()) return false;
  const std::size_t mask_stride = Stride(pw, 1);
  for (int row = 0; row < ph; ++row) {
    const std::uint8_t* in = picture.Row(row);
    std::uint8_t* out = mask.bits() + static_cast<std::size_t>(row) * mask_stride;
    for (int col = 0; col < pw; ++col) {
      if (in[col] == *transparent) out[col >> 3] |= static_cast<std::uint8_t>(0x80 >> (col & 7));
    }
  }
  return gdi::StretchBlt(dc, x, y, w, h, mask.dc(), 0, 0, pw, ph, gdi::SRCAND) &&
         gdi::StretchBlt(dc, x, y, w, h, image.dc(), 0, 0, pw, ph, gdi::SRCPAINT);
}

}  // namespace

bool Render(const Picture& picture, gdi::HDC dc, int x, int y, int w, int h) {
  if (picture.PixelCount() == 0 || w == 0 || h == 0) return false;
  if (!gdi::GetCurrentObject(dc, gdi::OBJ_BITMAP)) return false;
  if (w > 0 && h > 0 && WriteIndicesDirectly(picture, dc, x, y, w, h)) return true;
  return DrawColors(picture, dc, x, y, w, h);
}

}  // namespace veltrano::picture
