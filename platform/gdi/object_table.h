// The process-wide table of GDI objects and device contexts.
//
// Handle values carry their object kind in the low 4 bits (the OBJ_* code)
// and a serial number above it; serials are never reused, so a stale handle
// can never reach a newer object.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform/gdi/bitmap.h"
#include "platform/gdi/gdi_types.h"

namespace veltrano::gdi::detail {

struct BrushData {
  COLORREF color = 0;  // resolved (no system-colour flag)
  bool hollow = false;
};

struct PenData {
  int style = PS_SOLID;
  int width = 1;
  COLORREF color = 0;  // resolved
};

struct DcData {
  bool screen = false;
  uint64_t bitmap = 0;  // handle values of the selected objects
  uint64_t brush = 0;
  uint64_t pen = 0;
  int stretchMode = BLACKONWHITE;
  POINT brushOrigin;
  COLORREF bkColor = RGB(255, 255, 255);
  COLORREF textColor = RGB(0, 0, 0);
  int bkMode = OPAQUE;
  bool clipped = false;  // clip: pixels outside are not drawn
  RECT clip;
};

struct Object {
  int kind = 0;  // OBJ_BITMAP, OBJ_BRUSH, OBJ_PEN, OBJ_DC or OBJ_MEMDC
  bool stock = false;
  int selections = 0;          // DCs holding this object
  bool deletePending = false;  // brush or pen deleted while selected
  std::unique_ptr<Bitmap> bitmap;
  BrushData brush;
  PenData pen;
  DcData dc;
};

class ObjectTable {
 public:
  static ObjectTable& Instance();

  std::mutex& mutex() { return mutex_; }

  // All below expect the mutex to be held.
  uint64_t Add(Object object);
  Object* Find(uint64_t handle, int kind);
  Object* FindDc(uint64_t handle);  // OBJ_DC or OBJ_MEMDC
  void Erase(uint64_t handle);
  // The bitmap selected into a DC (null for the screen DC).
  // The bitmap selected into dc, its stamp renewed; null for none.
  Bitmap* SelectedBitmap(const DcData& dc);
  // The stamp of the bitmap selected into dc, 0 for none.
  uint64_t SelectedStamp(const DcData& dc);

  uint64_t Stock(int index) const;  // 0 for an unknown index
  uint64_t DefaultBitmap() const { return defaultBitmap_; }
  uint64_t SysColorBrush(int index) const;
  size_t LiveCount() const;

 private:
  ObjectTable();

  std::mutex mutex_;
  std::unordered_map<uint64_t, Object> objects_;
  uint64_t nextSerial_ = 1;
  uint64_t stock_[NULL_PEN + 1] = {};
  uint64_t sysBrushes_[31] = {};
  uint64_t defaultBitmap_ = 0;
  size_t stockCount_ = 0;
};

COLORREF ResolveSysColor(COLORREF color);
COLORREF SysColor(int index);

}  // namespace veltrano::gdi::detail
