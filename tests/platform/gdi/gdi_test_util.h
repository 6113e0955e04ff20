// Helpers for the raster-layer tests: a DIB section selected into its own
// memory DC, and raw access to its pixel memory (read straight from the
// bytes, so the tests also check the memory layout).
#pragma once

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "platform/gdi/gdi.h"

namespace veltrano::gdi::testing {

class Surface {
 public:
  // height > 0: bottom-up; < 0: top-down. colors: table entries as
  // 0x00RRGGBB (1 and 8 bits).
  Surface(int width, int height, int bpp, std::initializer_list<uint32_t> colors = {})
      : Surface(width, height, bpp, std::vector<uint32_t>(colors)) {}
  Surface(int width, int height, int bpp, const std::vector<uint32_t>& colors) {
    BITMAPINFO bmi{};
    bmi.bmiHeader.biWidth = width;
    bmi.bmiHeader.biHeight = height;
    bmi.bmiHeader.biBitCount = static_cast<WORD>(bpp);
    bmi.bmiHeader.biClrUsed = static_cast<DWORD>(colors.size());
    for (size_t i = 0; i < colors.size() && i < 256; ++i) bmi.bmiColors[i] = ToRgbQuad(colors[i]);
    dc = CreateCompatibleDC(nullptr);
    bitmap = CreateDIBSection(dc, &bmi, DIB_RGB_COLORS, &raw, nullptr, 0);
    if (bitmap) old = SelectObject(dc, bitmap);
    this->width = width;
    this->height = height < 0 ? -height : height;
    this->bpp = bpp;
    topDown = height < 0;
    stride = ((width * bpp + 31) / 32) * 4;
  }
  ~Surface() {
    if (old) SelectObject(dc, old);
    if (bitmap) DeleteObject(bitmap);
    DeleteDC(dc);
  }
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;

  bool ok() const { return dc && bitmap && raw; }
  uint8_t* Row(int y) const {
    auto* base = static_cast<uint8_t*>(raw);
    return base + static_cast<ptrdiff_t>(topDown ? y : height - 1 - y) * stride;
  }
  // The raw value at (x, y): the index for 1 and 8 bits, 0x00RRGGBB for 24
  // bits, the full 32-bit word for 32 bits.
  uint32_t At(int x, int y) const {
    const uint8_t* r = Row(y);
    switch (bpp) {
      case 1:
        return (r[x / 8] >> (7 - x % 8)) & 1u;
      case 8:
        return r[x];
      case 24:
        return r[3 * x] | (r[3 * x + 1] << 8) | (static_cast<uint32_t>(r[3 * x + 2]) << 16);
      default: {
        uint32_t v;
        std::memcpy(&v, r + 4 * x, 4);
        return v;
      }
    }
  }
  void Set(int x, int y, uint32_t v) {
    uint8_t* r = Row(y);
    switch (bpp) {
      case 1:
        r[x / 8] =
            static_cast<uint8_t>((r[x / 8] & ~(0x80u >> (x % 8))) | ((v & 1u) << (7 - x % 8)));
        break;
      case 8:
        r[x] = static_cast<uint8_t>(v);
        break;
      case 24:
        r[3 * x] = static_cast<uint8_t>(v);
        r[3 * x + 1] = static_cast<uint8_t>(v >> 8);
        r[3 * x + 2] = static_cast<uint8_t>(v >> 16);
        break;
      default:
        std::memcpy(r + 4 * x, &v, 4);
        break;
    }
  }
  void Fill(uint32_t v) {
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) Set(x, y, v);
  }
  // Rows top to bottom, as a flat vector of raw values.
  std::vector<uint32_t> Values() const {
    std::vector<uint32_t> out;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) out.push_back(At(x, y));
    return out;
  }
  // Sets every pixel from a flat vector (rows top to bottom).
  void Load(const std::vector<uint32_t>& values) {
    size_t i = 0;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) Set(x, y, values[i++]);
  }

  HDC dc;
  HBITMAP bitmap;
  HGDIOBJ old;
  void* raw = nullptr;
  int width = 0, height = 0, bpp = 0, stride = 0;
  bool topDown = false;
};

}  // namespace veltrano::gdi::testing
