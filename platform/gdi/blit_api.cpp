// BitBlt, StretchBlt and StretchDIBits.
#include <mutex>

#include "platform/gdi/fill.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/object_table.h"
#include "platform/gdi/transfer.h"

namespace veltrano::gdi {

using detail::Bitmap;
using detail::Object;
using detail::ObjectTable;

namespace {

using Lock = std::lock_guard<std::mutex>;

// A source-less operation passed to BitBlt/StretchBlt: a pattern fill of the
// destination rectangle (negative extents normalised as in PatBlt).
BOOL PatternBlt(ObjectTable& t, Object* d, int64_t x, int64_t y, int64_t w, int64_t h, DWORD rop) {
  Bitmap* b = t.SelectedBitmap(d->dc);
  if (!b) return 1;
  if (w < 0) x += w, w = -w;
  if (h < 0) y += h, h = -h;
  detail::PatternFill(t, d->dc, *b, x, y, x + w, y + h, rop);
  return 1;
}

BOOL Blt(HDC dst, int64_t xDest, int64_t yDest, int64_t wDest, int64_t hDest, HDC src, int64_t xSrc,
         int64_t ySrc, int64_t wSrc, int64_t hSrc, DWORD rop, bool stretch) {
  ObjectTable& t = ObjectTable::Instance();
  Lock lock(t.mutex());
  Object* d = t.FindDc(dst.value);
  if (!d) return 0;
  if (detail::PatternRop(rop)) return PatternBlt(t, d, xDest, yDest, wDest, hDest, rop);
  detail::Rop op;
  if (!detail::SourceRop(rop, &op)) return 0;
  Object* s = t.FindDc(src.value);
  if (!s) return 0;
  Bitmap* to = t.SelectedBitmap(d->dc);
  const Bitmap* from = t.SelectedBitmap(s->dc);
  if (!to || !from) return 1;  // the screen DC has no pixels here
  detail::TransferRequest r;
  r.dst = to;
  r.src = from;
  r.xDest = xDest;
  r.yDest = yDest;
  r.wDest = wDest;
  r.hDest = hDest;
  r.xSrc = xSrc;
  r.ySrc = ySrc;
  r.wSrc = wSrc;
  r.hSrc = hSrc;
  r.rop = op;
  r.stretchMode = stretch ? d->dc.stretchMode : COLORONCOLOR;
  r.srcBackground = ColorRefToQuadValue(s->dc.bkColor);
  r.clipped = d->dc.clipped;
  r.clip = d->dc.clip;
  detail::Transfer(r);
  return 1;
}

}  // namespace

BOOL BitBlt(HDC dst, int x, int y, int cx, int cy, HDC src, int x1, int y1, DWORD rop) {
  return Blt(dst, x, y, cx, cy, src, x1, y1, cx, cy, rop, false);
}

BOOL StretchBlt(HDC dst, int xDest, int yDest, int wDest, int hDest, HDC src, int xSrc, int ySrc,
                int wSrc, int hSrc, DWORD rop) {
  return Blt(dst, xDest, yDest, wDest, hDest, src, xSrc, ySrc, wSrc, hSrc, rop, true);
}

int StretchDIBits(HDC hdc, int xDest, int yDest, int wDest, int hDest, int xSrc, int ySrc, int wSrc,
                  int hSrc, const void* bits, const BITMAPINFO* bmi, UINT usage, DWORD rop) {
  if (!bits || !bmi || usage != DIB_RGB_COLORS) return 0;
  ObjectTable& t = ObjectTable::Instance();
  Lock lock(t.mutex());
  Object* d = t.FindDc(hdc.value);
  if (!d) return 0;
  const int lines = hSrc < 0 ? -hSrc : hSrc;
  if (detail::PatternRop(rop)) {
    PatternBlt(t, d, xDest, yDest, wDest, hDest, rop);
    return lines;
  }
  detail::Rop op;
  if (!detail::SourceRop(rop, &op)) return 0;
  // The view only reads the caller's pixels.
  auto view = detail::ViewBitmap(bmi->bmiHeader, bmi->bmiColors, const_cast<void*>(bits));
  if (!view) return 0;
  Bitmap* to = t.SelectedBitmap(d->dc);
  if (!to) return lines;
  detail::TransferRequest r;
  r.dst = to;
  r.src = view.get();
  r.xDest = xDest;
  r.yDest = yDest;
  r.wDest = wDest;
  r.hDest = hDest;
  r.xSrc = xSrc;
  r.wSrc = wSrc;
  r.hSrc = hSrc;
  // ySrc of a bottom-up DIB counts lines from the bottom: turn the rectangle
  // into picture rows counted from the top, keeping its first-pixel origin.
  if (view->topDown) {
    r.ySrc = ySrc;
  } else if (hSrc >= 0) {
    r.ySrc = int64_t{view->height} - ySrc - hSrc;
  } else {
    r.ySrc = int64_t{view->height} - 2 - ySrc - hSrc;
  }
  r.rop = op;
  r.stretchMode = d->dc.stretchMode;
  r.srcBackground = ColorRefToQuadValue(d->dc.bkColor);
  r.clipped = d->dc.clipped;
  r.clip = d->dc.clip;
  detail::Transfer(r);
  return lines;
}

}  // namespace veltrano::gdi
