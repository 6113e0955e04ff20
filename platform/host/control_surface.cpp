#include "platform/host/control_surface.h"

#include <algorithm>

#include "platform/gdi/gdi.h"

namespace veltrano::host {

bool ControlSurface::Make(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (bitmap_ && width == width_ && height == height_) return true;
  Free();
  const int w = std::max(width, 1);
  const int h = std::max(height, 1);
  if (static_cast<uint64_t>(w) * static_cast<uint64_t>(h) * 4 > kMaxBytes) return false;
  dc_.reset(gdi::CreateCompatibleDC(gdi::HDC()));
  if (!dc_) return false;
  gdi::BITMAPINFO info{};
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;  // top-down, like a QImage and SetDIBitsToDevice's rows
  info.bmiHeader.biBitCount = 32;
  bitmap_.reset(gdi::CreateDIBSection(dc_, &info, gdi::DIB_RGB_COLORS, &bits_, nullptr, 0));
  if (!bitmap_ || bits_ == nullptr) {
    // No bitmap, no size: nothing may read pixels that are not there.
    Free();
    return false;
  }
  oldBitmap_ = gdi::Selection(dc_, bitmap_);
  width_ = width;
  height_ = height;
  return true;
}

void ControlSurface::Free() {
  oldBitmap_.reset();
  bitmap_.reset();
  dc_.reset();
  bits_ = nullptr;
  width_ = height_ = 0;
}

void ControlSurface::Fill(gdi::COLORREF color) {
  if (!bitmap_) return;
  const gdi::OwnedBrush brush(gdi::CreateSolidBrush(color));
  const gdi::RECT all{0, 0, std::max(width_, 1), std::max(height_, 1)};
  gdi::FillRect(dc_, &all, brush);
}

uint32_t ControlSurface::Pixel(int x, int y) const {
  if (bits_ == nullptr || x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  const auto* row =
      static_cast<const uint32_t*>(bits_) + static_cast<size_t>(y) * static_cast<size_t>(stride());
  return row[x] & 0x00FFFFFF;
}

}  // namespace veltrano::host
