// Device contexts and object selection and deletion.
#include <algorithm>
#include <mutex>
#include <utility>

#include "platform/gdi/gdi.h"
#include "platform/gdi/object_table.h"

namespace veltrano::gdi {

using detail::DcData;
using detail::Object;
using detail::ObjectTable;

namespace {

using Lock = std::lock_guard<std::mutex>;

int KindOf(uint64_t handle) {
  return static_cast<int>(handle & 0xF);
}

HDC NewDc(ObjectTable& t, bool screen) {
  Object o;
  o.kind = screen ? OBJ_DC : OBJ_MEMDC;
  o.dc.screen = screen;
  o.dc.bitmap = screen ? 0 : t.DefaultBitmap();
  o.dc.brush = t.Stock(WHITE_BRUSH);
  o.dc.pen = t.Stock(BLACK_PEN);
  return HDC(t.Add(std::move(o)));
}

// Lets go of one selection of an object; a brush or pen deleted while
// selected goes away with its last selection.
void Release(ObjectTable& t, uint64_t handle) {
  Object* o = nullptr;
  for (int kind : {OBJ_BITMAP, OBJ_BRUSH, OBJ_PEN}) {
    if ((o = t.Find(handle, kind))) break;
  }
  if (!o || o->stock) return;
  if (o->selections > 0) --o->selections;
  if (o->selections == 0 && o->deletePending) t.Erase(handle);
}

void Hold(Object* o) {
  if (!o->stock) ++o->selections;
}

template <class F>
auto WithDc(HDC hdc, auto failure, F&& f) {
  ObjectTable& t = ObjectTable::Instance();
  Lock lock(t.mutex());
  Object* o = t.FindDc(hdc.value);
  if (!o) return failure;
  return f(o->dc);
}

}  // namespace

HDC GetDC(HWND hwnd) {
  if (hwnd) return nullptr;
  ObjectTable& t = ObjectTable::Instance();
  Lock lock(t.mutex());
  return NewDc(t, true);
}

int ReleaseDC(HWND, HDC hdc) {
  ObjectTable& t = ObjectTable::Instance();
  Lock lock(t.mutex());
  if (!t.Find(hdc.value, OBJ_DC)) return 0;
  t.Erase(hdc.value);
  return 1;
}

HDC CreateCompatibleDC(HDC hdc) {
  ObjectTable& t = ObjectTable::Instance();
  Lock lock(t.mutex());
  if (hdc && !t.FindDc(hdc.value)) return nullptr;
  return NewDc(t, false);
}

BOOL DeleteDC(HDC hdc) {
  ObjectTable& t = ObjectTable::Instance();
  Lock lock(t.mutex());
  Object* o = t.FindDc(hdc.value);
  if (!o) return 0;
  const DcData dc = o->dc;
  t.Erase(hdc.value);
  Release(t, dc.bitmap);
  Release(t, dc.brush);
  Release(t, dc.pen);
  return 1;
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ obj) {
  ObjectTable& t = ObjectTable::Instance();
  Lock lock(t.mutex());
  Object* d = t.FindDc(hdc.value);
  const int kind = KindOf(obj.value);
  Object* o = t.Find(obj.value, kind);
  if (!d || !o || o->deletePending) return nullptr;
  DcData& dc = d->dc;
  uint64_t* slot = nullptr;
  switch (kind) {
    case OBJ_BITMAP:
      if (dc.screen) return nullptr;
      if (dc.bitmap == obj.value) return obj;
      if (!o->stock && o->selections > 0) return nullptr;  // held by another DC
      slot = &dc.bitmap;
      break;
    case OBJ_BRUSH:
      slot = &dc.brush;
      break;
    case OBJ_PEN:
      slot = &dc.pen;
      break;
    default:
      return nullptr;
  }
  const uint64_t previous = *slot;
  Hold(o);
  *slot = obj.value;
  Release(t, previous);
  return HGDIOBJ(previous);
}

HGDIOBJ GetCurrentObject(HDC hdc, UINT type) {
  return WithDc(hdc, HGDIOBJ(), [&](DcData& dc) {
    switch (type) {
      case OBJ_BITMAP:
        return HGDIOBJ(dc.bitmap);
      case OBJ_BRUSH:
        return HGDIOBJ(dc.brush);
      case OBJ_PEN:
        return HGDIOBJ(dc.pen);
      default:
        return HGDIOBJ();
    }
  });
}

BOOL DeleteObject(HGDIOBJ obj) {
  ObjectTable& t = ObjectTable::Instance();
  Lock lock(t.mutex());
  const int kind = KindOf(obj.value);
  if (kind != OBJ_BITMAP && kind != OBJ_BRUSH && kind != OBJ_PEN) return 0;
  Object* o = t.Find(obj.value, kind);
  if (!o || o->deletePending) return 0;
  if (o->stock) return 1;
  if (o->selections > 0) {
    if (kind == OBJ_BITMAP) return 0;
    o->deletePending = true;
    return 1;
  }
  t.Erase(obj.value);
  return 1;
}

HGDIOBJ GetStockObject(int index) {
  ObjectTable& t = ObjectTable::Instance();
  Lock lock(t.mutex());
  return HGDIOBJ(t.Stock(index));
}

DWORD GetObjectType(HGDIOBJ obj) {
  ObjectTable& t = ObjectTable::Instance();
  Lock lock(t.mutex());
  const int kind = KindOf(obj.value);
  Object* o = t.Find(obj.value, kind);
  return o && !o->deletePending ? static_cast<DWORD>(kind) : 0;
}

DWORD GetObjectType(HDC hdc) {
  return WithDc(hdc, DWORD{0}, [](DcData& dc) -> DWORD { return dc.screen ? OBJ_DC : OBJ_MEMDC; });
}

int SetStretchBltMode(HDC hdc, int mode) {
  if (mode < BLACKONWHITE || mode > HALFTONE) return 0;
  return WithDc(hdc, 0, [&](DcData& dc) { return std::exchange(dc.stretchMode, mode); });
}

int GetStretchBltMode(HDC hdc) {
  return WithDc(hdc, 0, [](DcData& dc) { return dc.stretchMode; });
}

BOOL SetBrushOrgEx(HDC hdc, int x, int y, POINT* previous) {
  return WithDc(hdc, 0, [&](DcData& dc) {
    if (previous) *previous = dc.brushOrigin;
    dc.brushOrigin = POINT{x, y};
    return 1;
  });
}

BOOL GetBrushOrgEx(HDC hdc, POINT* origin) {
  return WithDc(hdc, 0, [&](DcData& dc) {
    if (!origin) return 0;
    *origin = dc.brushOrigin;
    return 1;
  });
}

COLORREF SetBkColor(HDC hdc, COLORREF color) {
  return WithDc(hdc, CLR_INVALID,
                [&](DcData& dc) { return std::exchange(dc.bkColor, color & 0x00FFFFFFu); });
}

COLORREF GetBkColor(HDC hdc) {
  return WithDc(hdc, CLR_INVALID, [](DcData& dc) { return dc.bkColor; });
}

COLORREF SetTextColor(HDC hdc, COLORREF color) {
  return WithDc(hdc, CLR_INVALID,
                [&](DcData& dc) { return std::exchange(dc.textColor, color & 0x00FFFFFFu); });
}

COLORREF GetTextColor(HDC hdc) {
  return WithDc(hdc, CLR_INVALID, [](DcData& dc) { return dc.textColor; });
}

int SetBkMode(HDC hdc, int mode) {
  if (mode != TRANSPARENT && mode != OPAQUE) return 0;
  return WithDc(hdc, 0, [&](DcData& dc) { return std::exchange(dc.bkMode, mode); });
}

int GetBkMode(HDC hdc) {
  return WithDc(hdc, 0, [](DcData& dc) { return dc.bkMode; });
}

int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom) {
  return WithDc(hdc, RGN_ERROR, [&](DcData& dc) {
    if (!dc.clipped) {
      dc.clip = RECT{left, top, right, bottom};
    } else {
      dc.clip.left = std::max<LONG>(dc.clip.left, left);
      dc.clip.top = std::max<LONG>(dc.clip.top, top);
      dc.clip.right = std::min<LONG>(dc.clip.right, right);
      dc.clip.bottom = std::min<LONG>(dc.clip.bottom, bottom);
    }
    dc.clipped = true;
    const bool empty = dc.clip.left >= dc.clip.right || dc.clip.top >= dc.clip.bottom;
    return empty ? NULLREGION : SIMPLEREGION;
  });
}

int SelectClipRgn(HDC hdc, HRGN region) {
  if (region) return RGN_ERROR;
  return WithDc(hdc, RGN_ERROR, [](DcData& dc) {
    dc.clipped = false;
    return SIMPLEREGION;
  });
}

size_t LiveObjectCount() {
  ObjectTable& t = ObjectTable::Instance();
  Lock lock(t.mutex());
  return t.LiveCount();
}

}  // namespace veltrano::gdi
