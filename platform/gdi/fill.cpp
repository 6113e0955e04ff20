#include "platform/gdi/fill.h"

#include <algorithm>

namespace veltrano::gdi::detail {

uint32_t SolidValue(const Bitmap& b, COLORREF color) {
  const uint32_t rgb = ColorRefToQuadValue(color & 0x00FFFFFFu);
  if (!b.Indexed()) return rgb;
  return NearestIndex(b.colors, b.tableSize, rgb);
}

COLORREF ValueColor(const Bitmap& b, uint32_t value) {
  if (b.Indexed()) return QuadValueToColorRef(b.colors[value & 0xFF]);
  return QuadValueToColorRef(value & 0x00FFFFFFu);
}

void FillBox(Bitmap& b, int64_t left, int64_t top, int64_t right, int64_t bottom, uint32_t value,
             Rop rop) {
  left = std::max<int64_t>(left, 0);
  top = std::max<int64_t>(top, 0);
  right = std::min<int64_t>(right, b.width);
  bottom = std::min<int64_t>(bottom, b.height);
  if (left >= right || top >= bottom) return;
  for (int64_t y = top; y < bottom; ++y)
    FillSpan(b, static_cast<int>(y), static_cast<int>(left), static_cast<int>(right - left), value,
             rop);
}

void ClipBox(const DcData& dc, int64_t& left, int64_t& top, int64_t& right, int64_t& bottom) {
  if (!dc.clipped) return;
  left = std::max<int64_t>(left, dc.clip.left);
  top = std::max<int64_t>(top, dc.clip.top);
  right = std::min<int64_t>(right, dc.clip.right);
  bottom = std::min<int64_t>(bottom, dc.clip.bottom);
}

bool PatternRop(DWORD rop) {
  return rop == PATCOPY || rop == PATINVERT || rop == DSTINVERT || rop == BLACKNESS ||
         rop == WHITENESS;
}

void PatternFill(ObjectTable& t, const DcData& dc, Bitmap& b, int64_t left, int64_t top,
                 int64_t right, int64_t bottom, DWORD rop) {
  ClipBox(dc, left, top, right, bottom);
  switch (rop) {
    case BLACKNESS:
      FillBox(b, left, top, right, bottom, 0, Rop::kCopy);
      return;
    case WHITENESS:
      FillBox(b, left, top, right, bottom, AllOnes(b), Rop::kCopy);
      return;
    case DSTINVERT:
      FillBox(b, left, top, right, bottom, AllOnes(b), Rop::kXor);
      return;
    default:
      break;
  }
  Object* brush = t.Find(dc.brush, OBJ_BRUSH);
  if (!brush || brush->brush.hollow) return;
  FillBox(b, left, top, right, bottom, SolidValue(b, brush->brush.color),
          rop == PATINVERT ? Rop::kXor : Rop::kCopy);
}

}  // namespace veltrano::gdi::detail
