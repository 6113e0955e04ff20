// Bitmap creation, queries and colour tables.
#include <algorithm>
#include <cstring>
#include <mutex>

#include "platform/gdi/gdi.h"
#include "platform/gdi/object_table.h"
#include "platform/gdi/transfer.h"

namespace veltrano::gdi {

using detail::Bitmap;
using detail::Object;
using detail::ObjectTable;

namespace {

using Lock = std::lock_guard<std::mutex>;

Bitmap* FindBitmap(ObjectTable& t, HBITMAP h) {
  Object* o = t.Find(h.value, OBJ_BITMAP);
  return o && !o->deletePending ? o->bitmap.get() : nullptr;
}

// The DIB section selected into a DC, if it has a colour table.
Bitmap* SelectedTable(ObjectTable& t, HDC hdc) {
  Object* d = t.FindDc(hdc.value);
  if (!d) return nullptr;
  Bitmap* b = t.SelectedBitmap(d->dc);
  return b && b->isDib && b->tableSize > 0 ? b : nullptr;
}

template <class Entry, class ToValue>
UINT SetTable(HDC hdc, UINT start, UINT count, const Entry* colors, ToValue toValue) {
  ObjectTable& t = ObjectTable::Instance();
  Lock lock(t.mutex());
  Bitmap* b = SelectedTable(t, hdc);
  if (!b || !colors) return 0;
  const UINT size = static_cast<UINT>(b->tableSize);
  if (start >= size) return 0;
  const UINT n = std::min(count, size - start);
  for (UINT i = 0; i < n; ++i) b->colors[start + i] = toValue(colors[i]) & 0x00FFFFFFu;
  return n;
}

// GetDIBits converts freely into 24 and 32 bits; into 1 and 8 bits only
// from the same depth (the indices are then copied with the table).
bool RequestAllowed(const Bitmap& b, int bpp) {
  return bpp == 24 || bpp == 32 || ((bpp == 1 || bpp == 8) && bpp == b.bpp);
}

void WriteTable(const Bitmap& b, BITMAPINFO* bmi) {
  for (int i = 0; i < b.tableSize; ++i) bmi->bmiColors[i] = ToRgbQuad(b.colors[i]);
}

}  // namespace

HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* bmi, UINT usage, void** bits, HANDLE section,
                         DWORD) {
  if (bits) *bits = nullptr;
  if (!bmi || usage != DIB_RGB_COLORS || section) return nullptr;
  ObjectTable& t = ObjectTable::Instance();
  Lock lock(t.mutex());
  if (hdc && !t.FindDc(hdc.value)) return nullptr;
  Object o;
  o.kind = OBJ_BITMAP;
  o.bitmap = detail::NewBitmap(bmi->bmiHeader, bmi->bmiColors);
  if (!o.bitmap) return nullptr;
  if (bits) *bits = o.bitmap->bits;
  return HBITMAP(HGDIOBJ(t.Add(std::move(o))));
}

HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height) {
  ObjectTable& t = ObjectTable::Instance();
  Lock lock(t.mutex());
  Object* d = t.FindDc(hdc.value);
  if (!d || width < 0 || height < 0) return nullptr;
  if (width == 0 || height == 0) return HBITMAP(HGDIOBJ(t.DefaultBitmap()));
  const Bitmap* like = t.SelectedBitmap(d->dc);
  BITMAPINFOHEADER h;
  h.biWidth = width;
  h.biHeight = height;
  h.biBitCount = static_cast<WORD>(like ? like->bpp : 32);
  Object o;
  o.kind = OBJ_BITMAP;
  o.bitmap = detail::NewBitmap(h, nullptr);
  if (!o.bitmap) return nullptr;
  o.bitmap->isDib = false;
  if (like) std::memcpy(o.bitmap->colors, like->colors, sizeof(like->colors));
  return HBITMAP(HGDIOBJ(t.Add(std::move(o))));
}

int GetObject(HBITMAP bitmap, BITMAP* out) {
  ObjectTable& t = ObjectTable::Instance();
  Lock lock(t.mutex());
  const Bitmap* b = FindBitmap(t, bitmap);
  if (!b || !out) return 0;
  *out = BITMAP{};
  out->bmWidth = b->width;
  out->bmHeight = b->height;
  out->bmWidthBytes = static_cast<LONG>(b->stride);
  out->bmPlanes = 1;
  out->bmBitsPixel = static_cast<WORD>(b->bpp);
  out->bmBits = b->isDib ? b->bits : nullptr;
  return static_cast<int>(sizeof(BITMAP));
}

int GetObject(HBITMAP bitmap, DIBSECTION* out) {
  if (!out) return 0;
  BITMAP bm;
  if (!GetObject(bitmap, &bm) || !bm.bmBits) return 0;
  ObjectTable& t = ObjectTable::Instance();
  Lock lock(t.mutex());
  const Bitmap* b = FindBitmap(t, bitmap);
  if (!b) return 0;
  *out = DIBSECTION{};
  out->dsBm = bm;
  out->dsBmih = detail::HeaderOf(*b);
  return static_cast<int>(sizeof(DIBSECTION));
}

UINT SetDIBColorTable(HDC hdc, UINT start, UINT count, const RGBQUAD* colors) {
  return SetTable(hdc, start, count, colors, [](RGBQUAD q) { return QuadValue(q); });
}

UINT SetDIBColorTable(HDC hdc, UINT start, UINT count, const uint32_t* colors) {
  return SetTable(hdc, start, count, colors, [](uint32_t v) { return v; });
}

UINT SetDIBColorTable(HDC hdc, UINT start, UINT count, const int32_t* colors) {
  return SetTable(hdc, start, count, colors, [](int32_t v) { return static_cast<uint32_t>(v); });
}

UINT GetDIBColorTable(HDC hdc, UINT start, UINT count, RGBQUAD* colors) {
  ObjectTable& t = ObjectTable::Instance();
  Lock lock(t.mutex());
  const Bitmap* b = SelectedTable(t, hdc);
  if (!b || !colors) return 0;
  const UINT size = static_cast<UINT>(b->tableSize);
  if (start >= size) return 0;
  const UINT n = std::min(count, size - start);
  for (UINT i = 0; i < n; ++i) colors[i] = ToRgbQuad(b->colors[start + i]);
  return n;
}

int GetDIBits(HDC, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* bmi,
              UINT usage) {
  if (!bmi || usage != DIB_RGB_COLORS) return 0;
  ObjectTable& t = ObjectTable::Instance();
  Lock lock(t.mutex());
  const Bitmap* b = FindBitmap(t, bitmap);
  BITMAPINFOHEADER& request = bmi->bmiHeader;
  if (!b || request.biSize != sizeof(BITMAPINFOHEADER)) return 0;

  if (!bits && request.biBitCount == 0) {
    request = detail::HeaderOf(*b);
    return 1;
  }
  if (!RequestAllowed(*b, request.biBitCount)) return 0;
  if (request.biWidth <= 0) request.biWidth = b->width;
  if (request.biHeight == 0) request.biHeight = b->height;
  request.biPlanes = 1;
  request.biCompression = BI_RGB;
  if (b->tableSize > 0 && request.biBitCount <= 8) {
    WriteTable(*b, bmi);
    request.biClrUsed = 0;
  }
  const int64_t stride = detail::RowBytes(request.biWidth, request.biBitCount);
  const int64_t rows = request.biHeight < 0 ? -static_cast<int64_t>(request.biHeight)
                                            : static_cast<int64_t>(request.biHeight);
  if (stride < 0 || stride * rows > INT32_MAX) return 0;
  request.biSizeImage = static_cast<DWORD>(stride * rows);
  if (!bits) return 1;

  if (start >= static_cast<UINT>(b->height) || lines == 0) return 0;
  const int count = static_cast<int>(std::min<int64_t>(lines, b->height - int64_t{start}));
  BITMAPINFOHEADER viewHeader = request;
  const bool topDown = request.biHeight < 0;
  viewHeader.biHeight = topDown ? -count : count;
  auto view = detail::ViewBitmap(viewHeader, bmi->bmiColors, bits);
  if (!view) return 0;
  if (b->tableSize > 0) std::memcpy(view->colors, b->colors, sizeof(b->colors));
  detail::TransferRequest r;
  r.dst = view.get();
  r.src = b;
  r.wDest = r.wSrc = request.biWidth;
  r.hDest = r.hSrc = count;
  r.ySrc = topDown ? int64_t{start} : b->height - int64_t{start} - count;
  r.stretchMode = COLORONCOLOR;
  detail::Transfer(r);
  return count;
}

}  // namespace veltrano::gdi
