// Owning handles of the raster layer: each lets go of what it holds when it
// is reset or destroyed, so that no caller frees GDI objects by hand.
//
// They convert to the plain handle they hold, so they pass straight to the
// layer's calls. Within one struct, declare a DC first, then the bitmap
// selected into it, then the Selection that put it there: members are
// destroyed in reverse, so the old bitmap goes back into the DC, then the
// bitmap is deleted, then the DC.
#pragma once

#include <utility>

#include "platform/gdi/gdi.h"

namespace veltrano::gdi {

// A pen, brush or bitmap, deleted with DeleteObject.
template <typename Handle>
class OwnedObject {
 public:
  OwnedObject() = default;
  explicit OwnedObject(Handle handle) : handle_(handle) {}
  ~OwnedObject() { reset(); }
  OwnedObject(OwnedObject&& other) noexcept : handle_(other.release()) {}
  OwnedObject& operator=(OwnedObject&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  Handle get() const { return handle_; }
  operator Handle() const { return handle_; }   // NOLINT: passes to the layer's calls
  operator HGDIOBJ() const { return handle_; }  // NOLINT: and to those taking any object
  explicit operator bool() const { return static_cast<bool>(handle_); }

  void reset(Handle handle = nullptr) {
    if (handle_) DeleteObject(handle_);
    handle_ = handle;
  }
  Handle release() { return std::exchange(handle_, nullptr); }

 private:
  Handle handle_;
};

using OwnedBitmap = OwnedObject<HBITMAP>;
using OwnedBrush = OwnedObject<HBRUSH>;
using OwnedPen = OwnedObject<HPEN>;

// A memory device context, deleted with DeleteDC.
class OwnedDC {
 public:
  OwnedDC() = default;
  explicit OwnedDC(HDC dc) : dc_(dc) {}
  ~OwnedDC() { reset(); }
  OwnedDC(OwnedDC&& other) noexcept : dc_(std::exchange(other.dc_, nullptr)) {}
  OwnedDC& operator=(OwnedDC&& other) noexcept {
    if (this != &other) reset(std::exchange(other.dc_, nullptr));
    return *this;
  }

  HDC get() const { return dc_; }
  operator HDC() const { return dc_; }  // NOLINT: passes to the layer's calls
  explicit operator bool() const { return static_cast<bool>(dc_); }

  void reset(HDC dc = nullptr) {
    if (dc_) DeleteDC(dc_);
    dc_ = dc;
  }

 private:
  HDC dc_;
};

// The screen's DC, released when done.
class ScreenDC {
 public:
  ScreenDC() : dc_(GetDC(nullptr)) {}
  ~ScreenDC() { ReleaseDC(nullptr, dc_); }
  ScreenDC(const ScreenDC&) = delete;
  ScreenDC& operator=(const ScreenDC&) = delete;

  operator HDC() const { return dc_; }  // NOLINT: passes to the layer's calls

 private:
  HDC dc_;
};

// An object selected into a DC: remembers the object it replaced there and
// selects that one back when reset or destroyed. Holds the replaced object
// (test it to see whether a selection is in place).
class Selection {
 public:
  Selection() = default;
  Selection(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
  ~Selection() { reset(); }
  Selection(Selection&& other) noexcept
      : dc_(std::exchange(other.dc_, nullptr)), old_(std::exchange(other.old_, nullptr)) {}
  Selection& operator=(Selection&& other) noexcept {
    if (this != &other) {
      reset();
      dc_ = std::exchange(other.dc_, nullptr);
      old_ = std::exchange(other.old_, nullptr);
    }
    return *this;
  }

  HGDIOBJ old() const { return old_; }
  explicit operator bool() const { return static_cast<bool>(old_); }

  void reset() {
    if (dc_ && old_) SelectObject(dc_, old_);
    dc_ = nullptr;
    old_ = nullptr;
  }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

}  // namespace veltrano::gdi
