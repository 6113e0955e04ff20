#include "platform/gdi/object_table.h"

#include <iterator>

namespace veltrano::gdi::detail {

namespace {

// The classic Windows colour scheme, as COLORREF values, by system colour
// index.
constexpr COLORREF kSysColors[31] = {
    RGB(212, 208, 200),  // COLOR_SCROLLBAR
    RGB(58, 110, 165),   // COLOR_BACKGROUND
    RGB(10, 36, 106),    // COLOR_ACTIVECAPTION
    RGB(128, 128, 128),  // COLOR_INACTIVECAPTION
    RGB(212, 208, 200),  // COLOR_MENU
    RGB(255, 255, 255),  // COLOR_WINDOW
    RGB(0, 0, 0),        // COLOR_WINDOWFRAME
    RGB(0, 0, 0),        // COLOR_MENUTEXT
    RGB(0, 0, 0),        // COLOR_WINDOWTEXT
    RGB(255, 255, 255),  // COLOR_CAPTIONTEXT
    RGB(212, 208, 200),  // COLOR_ACTIVEBORDER
    RGB(212, 208, 200),  // COLOR_INACTIVEBORDER
    RGB(128, 128, 128),  // COLOR_APPWORKSPACE
    RGB(10, 36, 106),    // COLOR_HIGHLIGHT
    RGB(255, 255, 255),  // COLOR_HIGHLIGHTTEXT
    RGB(212, 208, 200),  // COLOR_BTNFACE
    RGB(128, 128, 128),  // COLOR_BTNSHADOW
    RGB(128, 128, 128),  // COLOR_GRAYTEXT
    RGB(0, 0, 0),        // COLOR_BTNTEXT
    RGB(212, 208, 200),  // COLOR_INACTIVECAPTIONTEXT
    RGB(255, 255, 255),  // COLOR_BTNHIGHLIGHT
    RGB(64, 64, 64),     // COLOR_3DDKSHADOW
    RGB(212, 208, 200),  // COLOR_3DLIGHT
    RGB(0, 0, 0),        // COLOR_INFOTEXT
    RGB(255, 255, 225),  // COLOR_INFOBK
    RGB(181, 181, 181),  // 25 (alternate button face)
    RGB(0, 0, 128),      // COLOR_HOTLIGHT
    RGB(166, 202, 240),  // COLOR_GRADIENTACTIVECAPTION
    RGB(192, 192, 192),  // COLOR_GRADIENTINACTIVECAPTION
    RGB(10, 36, 106),    // COLOR_MENUHILIGHT
    RGB(212, 208, 200),  // COLOR_MENUBAR
};

constexpr int kKindBits = 4;

Object Brush(COLORREF color, bool hollow) {
  Object o;
  o.kind = OBJ_BRUSH;
  o.stock = true;
  o.brush.color = color;
  o.brush.hollow = hollow;
  return o;
}

Object Pen(int style, COLORREF color) {
  Object o;
  o.kind = OBJ_PEN;
  o.stock = true;
  o.pen.style = style;
  o.pen.color = color;
  return o;
}

}  // namespace

COLORREF SysColor(int index) {
  if (index < 0 || index >= static_cast<int>(std::size(kSysColors))) return 0;
  return kSysColors[index];
}

COLORREF ResolveSysColor(COLORREF color) {
  if (color & kSystemColorFlag) return SysColor(static_cast<int>(color & 0xFFu));
  return color & 0x00FFFFFFu;
}

ObjectTable& ObjectTable::Instance() {
  // Never destroyed: objects released by other static destructors at exit
  // must still find the table.
  static ObjectTable* table = new ObjectTable;
  return *table;
}

ObjectTable::ObjectTable() {
  stock_[WHITE_BRUSH] = Add(Brush(RGB(255, 255, 255), false));
  stock_[LTGRAY_BRUSH] = Add(Brush(RGB(192, 192, 192), false));
  stock_[GRAY_BRUSH] = Add(Brush(RGB(128, 128, 128), false));
  stock_[DKGRAY_BRUSH] = Add(Brush(RGB(64, 64, 64), false));
  stock_[BLACK_BRUSH] = Add(Brush(RGB(0, 0, 0), false));
  stock_[NULL_BRUSH] = Add(Brush(0, true));
  stock_[WHITE_PEN] = Add(Pen(PS_SOLID, RGB(255, 255, 255)));
  stock_[BLACK_PEN] = Add(Pen(PS_SOLID, RGB(0, 0, 0)));
  stock_[NULL_PEN] = Add(Pen(PS_NULL, 0));
  for (int i = 0; i < static_cast<int>(std::size(sysBrushes_)); ++i)
    sysBrushes_[i] = Add(Brush(kSysColors[i], false));

  BITMAPINFOHEADER h;
  h.biWidth = 1;
  h.biHeight = 1;
  h.biBitCount = 1;
  const RGBQUAD mono[2] = {ToRgbQuad(0), ToRgbQuad(0xFFFFFF)};
  Object o;
  o.kind = OBJ_BITMAP;
  o.stock = true;
  o.bitmap = NewBitmap(h, mono);
  o.bitmap->isDib = false;
  defaultBitmap_ = Add(std::move(o));
  stockCount_ = objects_.size();
}

uint64_t ObjectTable::Add(Object object) {
  uint64_t handle = (nextSerial_++ << kKindBits) | static_cast<uint64_t>(object.kind);
  objects_.emplace(handle, std::move(object));
  return handle;
}

Object* ObjectTable::Find(uint64_t handle, int kind) {
  if (handle == 0 || static_cast<int>(handle & ((1u << kKindBits) - 1)) != kind) return nullptr;
  auto it = objects_.find(handle);
  return it == objects_.end() ? nullptr : &it->second;
}

Object* ObjectTable::FindDc(uint64_t handle) {
  if (Object* o = Find(handle, OBJ_MEMDC)) return o;
  return Find(handle, OBJ_DC);
}

void ObjectTable::Erase(uint64_t handle) {
  objects_.erase(handle);
}

Bitmap* ObjectTable::SelectedBitmap(const DcData& dc) {
  if (dc.screen) return nullptr;
  Object* o = Find(dc.bitmap, OBJ_BITMAP);
  if (!o) return nullptr;
  // Whoever asks may draw: a new stamp (readers only cost a redraw that
  // could have been spared).
  o->bitmap->stamp = NextStamp();
  return o->bitmap.get();
}

uint64_t ObjectTable::SelectedStamp(const DcData& dc) {
  if (dc.screen) return 0;
  Object* o = Find(dc.bitmap, OBJ_BITMAP);
  return o ? o->bitmap->stamp : 0;
}

uint64_t ObjectTable::Stock(int index) const {
  if (index < 0 || index > NULL_PEN) return 0;
  return stock_[index];
}

uint64_t ObjectTable::SysColorBrush(int index) const {
  if (index < 0 || index >= static_cast<int>(std::size(sysBrushes_))) return 0;
  return sysBrushes_[index];
}

size_t ObjectTable::LiveCount() const {
  return objects_.size() - stockCount_;
}

}  // namespace veltrano::gdi::detail
