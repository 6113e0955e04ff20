// Brushes, pens, fills, the rectangle outline and single pixels.
#include <algorithm>
#include <mutex>
#include <utility>

#include "platform/gdi/fill.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/object_table.h"

namespace veltrano::gdi {

using detail::Bitmap;
using detail::Object;
using detail::ObjectTable;
using detail::Rop;

namespace {

using Lock = std::lock_guard<std::mutex>;

// On/off run lengths of the one-pixel styled pens.
struct Dashes {
  int runs[6];
  int count;
};

Dashes DashesOf(int style) {
  switch (style) {
    case PS_DASH:
      return {{18, 6}, 2};
    case PS_DOT:
      return {{3, 3}, 2};
    case PS_DASHDOT:
      return {{9, 6, 3, 6}, 4};
    case PS_DASHDOTDOT:
      return {{9, 3, 3, 3, 3, 3}, 6};
    case PS_ALTERNATE:
      return {{1, 1}, 2};
    default:
      return {{1}, 1};  // solid: always on
  }
}

// One straight run of the outline: len pixels from (x, y) in steps (dx, dy).
struct Segment {
  int64_t x, y;
  int dx, dy;
  int64_t len;
};

// The outline of left .. right - 1, top .. bottom - 1, one pixel wide,
// clockwise from the top-left corner, each pixel once.
int Outline(int64_t l, int64_t t, int64_t r, int64_t b, Segment out[4]) {
  if (b - t == 1) {
    out[0] = {l, t, 1, 0, r - l};
    return 1;
  }
  if (r - l == 1) {
    out[0] = {l, t, 0, 1, b - t};
    return 1;
  }
  out[0] = {l, t, 1, 0, r - l};
  out[1] = {r - 1, t + 1, 0, 1, b - t - 1};
  out[2] = {r - 2, b - 1, -1, 0, r - l - 1};
  out[3] = {l, b - 2, 0, -1, b - t - 2};
  return 4;
}

// The steps k of a run along one axis whose coordinate c0 + dir * k lies in
// [0, limit).
void VisibleSteps(int64_t c0, int dir, int64_t len, int64_t limit, int64_t* first, int64_t* end) {
  if (dir > 0) {
    *first = std::max<int64_t>(0, -c0);
    *end = std::min(len, limit - c0);
  } else {
    *first = std::max<int64_t>(0, c0 - limit + 1);
    *end = std::min(len, c0 + 1);
  }
}

void DrawOutline(Bitmap& bm, const detail::DcData& dc, const detail::PenData& pen, int64_t l,
                 int64_t t, int64_t r, int64_t b) {
  const uint32_t ink = detail::SolidValue(bm, pen.color);
  if (pen.width > 1) {
    // A wide pen draws solid, centred on the outline.
    const int64_t out = pen.width / 2, in = (pen.width - 1) / 2;
    const int64_t ol = l - out, ot = t - out, orr = r + out, ob = b + out;
    const int64_t il = l + in + 1, it = t + in + 1, ir = r - in - 1, ib = b - in - 1;
    detail::FillBox(bm, ol, ot, orr, std::min(ob, it), ink, Rop::kCopy);
    detail::FillBox(bm, ol, std::max(ot, ib), orr, ob, ink, Rop::kCopy);
    detail::FillBox(bm, ol, it, std::min(orr, il), ib, ink, Rop::kCopy);
    detail::FillBox(bm, std::max(ol, ir), it, orr, ib, ink, Rop::kCopy);
    return;
  }
  const Dashes dashes = DashesOf(pen.style);
  int period = 0;
  for (int i = 0; i < dashes.count; ++i) period += dashes.runs[i];
  // on[p] tells whether position p of one pattern period is drawn.
  bool on[36] = {};
  for (int i = 0, p = 0; i < dashes.count; ++i)
    for (int k = 0; k < dashes.runs[i]; ++k) on[p++] = i % 2 == 0;
  const bool fillGaps = dc.bkMode == OPAQUE;
  const uint32_t gap = detail::SolidValue(bm, dc.bkColor);

  // Only the pixels inside the bitmap are visited; the pattern position
  // still counts every pixel of the outline before them.
  Segment segments[4];
  const int n = Outline(l, t, r, b, segments);
  int64_t position = 0;
  for (int i = 0; i < n; ++i) {
    const Segment& s = segments[i];
    int64_t first = 0, end = s.len;
    if (s.dy == 0) {
      if (s.y >= 0 && s.y < bm.height)
        VisibleSteps(s.x, s.dx, s.len, bm.width, &first, &end);
      else
        end = 0;
    } else {
      if (s.x >= 0 && s.x < bm.width)
        VisibleSteps(s.y, s.dy, s.len, bm.height, &first, &end);
      else
        end = 0;
    }
    for (int64_t k = first; k < end; ++k) {
      const bool drawn = on[(position + k) % period];
      if (!drawn && !fillGaps) continue;
      detail::FillSpan(bm, static_cast<int>(s.y + s.dy * k), static_cast<int>(s.x + s.dx * k), 1,
                       drawn ? ink : gap, Rop::kCopy);
    }
    position += s.len;
  }
}

}  // namespace

HBRUSH CreateSolidBrush(COLORREF color) {
  ObjectTable& t = ObjectTable::Instance();
  Lock lock(t.mutex());
  Object o;
  o.kind = OBJ_BRUSH;
  o.brush.color = detail::ResolveSysColor(color);
  return HBRUSH(HGDIOBJ(t.Add(std::move(o))));
}

HBRUSH GetSysColorBrush(int index) {
  ObjectTable& t = ObjectTable::Instance();
  Lock lock(t.mutex());
  return HBRUSH(HGDIOBJ(t.SysColorBrush(index)));
}

COLORREF GetSysColor(int index) {
  return detail::SysColor(index);
}

HPEN CreatePen(int style, int width, COLORREF color) {
  if ((style < PS_SOLID || style > PS_NULL) && style != PS_ALTERNATE) return nullptr;
  if (width < 0) return nullptr;
  ObjectTable& t = ObjectTable::Instance();
  Lock lock(t.mutex());
  Object o;
  o.kind = OBJ_PEN;
  o.pen.style = style;
  o.pen.width = std::max(width, 1);
  o.pen.color = detail::ResolveSysColor(color);
  return HPEN(HGDIOBJ(t.Add(std::move(o))));
}

int FillRect(HDC hdc, const RECT* rect, HBRUSH brush) {
  ObjectTable& t = ObjectTable::Instance();
  Lock lock(t.mutex());
  Object* d = t.FindDc(hdc.value);
  Object* br = t.Find(brush.value, OBJ_BRUSH);
  if (!d || !br || br->deletePending || !rect) return 0;
  Bitmap* b = t.SelectedBitmap(d->dc);
  if (!b || br->brush.hollow) return 1;
  int64_t left = rect->left, top = rect->top, right = rect->right, bottom = rect->bottom;
  detail::ClipBox(d->dc, left, top, right, bottom);
  detail::FillBox(*b, left, top, right, bottom, detail::SolidValue(*b, br->brush.color),
                  Rop::kCopy);
  return 1;
}

BOOL PatBlt(HDC hdc, int x, int y, int w, int h, DWORD rop) {
  if (!detail::PatternRop(rop)) return 0;
  ObjectTable& t = ObjectTable::Instance();
  Lock lock(t.mutex());
  Object* d = t.FindDc(hdc.value);
  if (!d) return 0;
  Bitmap* b = t.SelectedBitmap(d->dc);
  if (!b) return 1;
  int64_t x0 = x, y0 = y, x1 = int64_t{x} + w, y1 = int64_t{y} + h;
  if (x1 < x0) std::swap(x0, x1);
  if (y1 < y0) std::swap(y0, y1);
  detail::PatternFill(t, d->dc, *b, x0, y0, x1, y1, rop);
  return 1;
}

BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom) {
  ObjectTable& t = ObjectTable::Instance();
  Lock lock(t.mutex());
  Object* d = t.FindDc(hdc.value);
  if (!d) return 0;
  Bitmap* b = t.SelectedBitmap(d->dc);
  if (!b) return 1;
  int64_t l = left, tp = top, r = right, bt = bottom;
  if (r < l) std::swap(l, r);
  if (bt < tp) std::swap(tp, bt);
  if (r == l || bt == tp) return 1;
  Object* pen = t.Find(d->dc.pen, OBJ_PEN);
  Object* brush = t.Find(d->dc.brush, OBJ_BRUSH);
  const bool outline = pen && pen->pen.style != PS_NULL;
  if (brush && !brush->brush.hollow) {
    // Without an outline the figure is one pixel smaller each way.
    const uint32_t fill = detail::SolidValue(*b, brush->brush.color);
    if (outline) {
      detail::FillBox(*b, l + 1, tp + 1, r - 1, bt - 1, fill, Rop::kCopy);
    } else {
      detail::FillBox(*b, l, tp, r - 1, bt - 1, fill, Rop::kCopy);
    }
  }
  if (outline) DrawOutline(*b, d->dc, pen->pen, l, tp, r, bt);
  return 1;
}

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color) {
  ObjectTable& t = ObjectTable::Instance();
  Lock lock(t.mutex());
  Object* d = t.FindDc(hdc.value);
  Bitmap* b = d ? t.SelectedBitmap(d->dc) : nullptr;
  if (!b || x < 0 || y < 0 || x >= b->width || y >= b->height) return CLR_INVALID;
  const uint32_t value = detail::SolidValue(*b, detail::ResolveSysColor(color));
  detail::FillSpan(*b, y, x, 1, value, Rop::kCopy);
  return detail::ValueColor(*b, value);
}

COLORREF GetPixel(HDC hdc, int x, int y) {
  ObjectTable& t = ObjectTable::Instance();
  Lock lock(t.mutex());
  Object* d = t.FindDc(hdc.value);
  const Bitmap* b = d ? t.SelectedBitmap(d->dc) : nullptr;
  if (!b || x < 0 || y < 0 || x >= b->width || y >= b->height) return CLR_INVALID;
  return detail::ValueColor(*b, detail::ReadValue(*b, x, y));
}

uint64_t BitmapStamp(HDC hdc) {
  ObjectTable& t = ObjectTable::Instance();
  Lock lock(t.mutex());
  Object* d = t.FindDc(hdc.value);
  return d ? t.SelectedStamp(d->dc) : 0;
}

}  // namespace veltrano::gdi
