#include "ui/win32/anigif/pointer_shapes.h"

#include <array>
#include <memory>
#include <type_traits>
#include <vector>

#include "ui/win32/windows_api.h"

namespace veltrano::win32 {
namespace {

struct GdiObjectDeleter {
  void operator()(HBITMAP bitmap) const { DeleteObject(bitmap); }
};
using OwnedBitmap = std::unique_ptr<std::remove_pointer_t<HBITMAP>, GdiObjectDeleter>;

}  // namespace

bool IsValidPointer(int16_t pointer) {
  return (pointer >= 0 && pointer <= 15) || pointer == kCustomPointer;
}

intptr_t PointerCursor(int16_t pointer) {
  // Index = pointer number 1..15: arrow, cross, I-beam, icon, size, size
  // NE-SW, size N-S, size NW-SE, size W-E, up arrow, hourglass, no drop,
  // arrow and hourglass, arrow and question mark, size all.
  static const std::array<LPCWSTR, 16> kShapes = {
      IDC_ARROW,    IDC_ARROW,       IDC_CROSS,    IDC_IBEAM,  IDC_ARROW,   IDC_SIZEALL,
      IDC_SIZENESW, IDC_SIZENS,      IDC_SIZENWSE, IDC_SIZEWE, IDC_UPARROW, IDC_WAIT,
      IDC_NO,       IDC_APPSTARTING, IDC_HELP,     IDC_SIZEALL};
  if (pointer < 1 || pointer > 15) return 0;
  return reinterpret_cast<intptr_t>(LoadCursorW(nullptr, kShapes[static_cast<size_t>(pointer)]));
}

intptr_t CursorFromPicture(const picture::Picture& image) {
  const int w = image.Width();
  const int h = image.Height();
  if (w <= 0 || h <= 0) return 0;
  const auto palette = image.Palette();
  const auto transparent = image.TransparentIndex();

  BITMAPV5HEADER header{};
  header.bV5Size = sizeof(header);
  header.bV5Width = w;
  header.bV5Height = -h;
  header.bV5Planes = 1;
  header.bV5BitCount = 32;
  header.bV5Compression = BI_BITFIELDS;
  header.bV5RedMask = 0x00FF0000;
  header.bV5GreenMask = 0x0000FF00;
  header.bV5BlueMask = 0x000000FF;
  header.bV5AlphaMask = 0xFF000000;
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  const OwnedBitmap color(CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header),
                                           DIB_RGB_COLORS, &bits, nullptr, 0));
  ReleaseDC(nullptr, screen);
  if (!color || bits == nullptr) return 0;
  auto* out = static_cast<uint32_t*>(bits);
  for (int y = 0; y < h; ++y) {
    const uint8_t* src = image.Row(y);
    for (int x = 0; x < w; ++x) {
      const uint8_t index = src[x];
      // An index without a colour in the table shows black.
      const uint32_t rgb = index < palette.size() ? palette[index] : 0;
      const bool clear = transparent && *transparent == index;
      out[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)] =
          clear ? 0u : (0xFF000000u | rgb);
    }
  }
  // The cursor keeps copies of both bitmaps.
  const OwnedBitmap mask(CreateBitmap(w, h, 1, 1, nullptr));
  ICONINFO info{};
  info.fIcon = FALSE;
  info.xHotspot = 0;
  info.yHotspot = 0;
  info.hbmMask = mask.get();
  info.hbmColor = color.get();
  return reinterpret_cast<intptr_t>(CreateIconIndirect(&info));
}

}  // namespace veltrano::win32
