#include "anigif/composed_cache.h"

#include <algorithm>
#include <limits>

namespace veltrano::anigif {
namespace {

bool Blank(const uint32_t* bits, size_t count) {
  return std::all_of(bits, bits + count, [](uint32_t v) { return v == 0; });
}

}  // namespace

void ComposedCache::Clear() {
  selected_.reset();
  drawings_.clear();
  frameCount_ = 0;
  shape_ = Shape{};
  onTarget_ = OnTarget{};
}

bool ComposedCache::Prepare(const Shape& shape, int32_t frames) {
  if (shape == shape_ && frames == frameCount_ && !drawings_.empty()) return true;
  Clear();
  if (frames < 2 || shape.width < 1 || shape.height < 1) return false;
  const uint64_t pixels = static_cast<uint64_t>(shape.width) * static_cast<uint64_t>(shape.height);
  const uint64_t perFrame = pixels * 4 * (shape.masked ? 2 : 1);
  if (perFrame > budget_ / static_cast<uint64_t>(frames)) return false;
  if (!dc_) {
    dc_.reset(gdi::CreateCompatibleDC(gdi::ScreenDC()));
    if (!dc_) return false;
    // Stretched planes are made as the composed passes make them: with
    // halftoning from brush origin (0, 0).
    gdi::SetStretchBltMode(dc_, gdi::HALFTONE);
    gdi::SetBrushOrgEx(dc_, 0, 0, nullptr);
  }
  shape_ = shape;
  frameCount_ = frames;
  drawings_.resize(static_cast<size_t>(frames) + 1);
  return true;
}

bool ComposedCache::Has(int32_t frame) const {
  return frame >= 1 && frame <= frameCount_ && drawings_[static_cast<size_t>(frame)].colours;
}

void ComposedCache::Select(gdi::HBITMAP bitmap) {
  if (selected_) {
    gdi::SelectObject(dc_, bitmap);
  } else {
    selected_ = gdi::Selection(dc_, bitmap);
  }
}

bool ComposedCache::Plane(gdi::HDC from, gdi::HBITMAP source, int32_t gifWidth, int32_t gifHeight,
                          gdi::OwnedBitmap* plane, const uint32_t** bits) {
  gdi::BITMAPINFO info{};
  info.bmiHeader.biWidth = shape_.width;
  info.bmiHeader.biHeight = -shape_.height;  // top-down: row y at y * width
  info.bmiHeader.biBitCount = 32;
  void* pixels = nullptr;
  plane->reset(gdi::CreateDIBSection(dc_, &info, gdi::DIB_RGB_COLORS, &pixels));
  if (!*plane || !pixels) return false;
  *bits = static_cast<const uint32_t*>(pixels);
  Select(*plane);
  const gdi::HGDIOBJ previous = gdi::SelectObject(from, source);
  if (shape_.stretched) {
    gdi::StretchBlt(dc_, 0, 0, shape_.width, shape_.height, from, 0, 0, gifWidth, gifHeight,
                    gdi::SRCCOPY);
  } else {
    gdi::BitBlt(dc_, 0, 0, shape_.width, shape_.height, from, 0, 0, gdi::SRCCOPY);
  }
  gdi::SelectObject(from, previous);
  return true;
}

bool ComposedCache::Record(int32_t frame, gdi::HDC canvasDC, gdi::HBITMAP canvas,
                           gdi::HBITMAP mask, int32_t gifWidth, int32_t gifHeight) {
  if (frame < 1 || frame > frameCount_) return false;
  Drawing& d = drawings_[static_cast<size_t>(frame)];
  d = Drawing{};
  const size_t count = static_cast<size_t>(shape_.width) * static_cast<size_t>(shape_.height);
  if (shape_.masked) {
    if (!Plane(canvasDC, mask, gifWidth, gifHeight, &d.mask, &d.maskBits)) return false;
    // A mask that is black everywhere blackens the whole drawing, which the
    // copy of the colours does anyway.
    if (Blank(d.maskBits, count)) {
      selected_.reset();
      d.mask.reset();
      d.maskBits = nullptr;
    }
  }
  if (!Plane(canvasDC, canvas, gifWidth, gifHeight, &d.colours, &d.colourBits)) {
    selected_.reset();
    d = Drawing{};
    return false;
  }
  LearnChange(frame);
  if (Has(Next(frame))) LearnChange(Next(frame));
  return true;
}

// The smallest box holding every pixel where frame's planes differ from the
// previous frame's (a missing mask being black everywhere).
void ComposedCache::LearnChange(int32_t frame) {
  Drawing& d = drawings_[static_cast<size_t>(frame)];
  const int32_t before = Previous(frame);
  if (!d.colours || !Has(before) || before == frame) return;
  const Drawing& p = drawings_[static_cast<size_t>(before)];
  const int32_t w = shape_.width;
  auto at = [w](const uint32_t* plane, int32_t x, int32_t y) {
    return plane ? plane[static_cast<size_t>(y) * w + x] : 0u;
  };
  auto differs = [&](int32_t x, int32_t y) {
    return at(d.colourBits, x, y) != at(p.colourBits, x, y) ||
           at(d.maskBits, x, y) != at(p.maskBits, x, y);
  };
  Box box{w, shape_.height, 0, 0};
  for (int32_t y = 0; y < shape_.height; ++y) {
    const size_t row = static_cast<size_t>(y) * w;
    const bool sameColours =
        std::equal(d.colourBits + row, d.colourBits + row + w, p.colourBits + row);
    bool sameMask = d.maskBits == p.maskBits;  // both missing
    if (d.maskBits && p.maskBits) {
      sameMask = std::equal(d.maskBits + row, d.maskBits + row + w, p.maskBits + row);
    } else if (!sameMask) {
      sameMask = Blank((d.maskBits ? d.maskBits : p.maskBits) + row, static_cast<size_t>(w));
    }
    if (sameColours && sameMask) continue;
    int32_t left = 0, right = w;
    while (!differs(left, y)) ++left;
    while (!differs(right - 1, y)) --right;
    box.left = std::min(box.left, left);
    box.right = std::max(box.right, right);
    box.top = std::min(box.top, y);
    box.bottom = y + 1;
  }
  d.change = box;
  d.changeKnown = true;
}

void ComposedCache::Blit(const Drawing& d, gdi::HDC dc, int32_t x, int32_t y, int32_t w,
                         int32_t h, int32_t fromX, int32_t fromY) {
  if (d.mask) {
    Select(d.mask);
    gdi::BitBlt(dc, x, y, w, h, dc_, fromX, fromY, gdi::SRCAND);
    Select(d.colours);
    gdi::BitBlt(dc, x, y, w, h, dc_, fromX, fromY, gdi::SRCPAINT);
  } else {
    Select(d.colours);
    gdi::BitBlt(dc, x, y, w, h, dc_, fromX, fromY, gdi::SRCCOPY);
  }
}

void ComposedCache::Draw(int32_t frame, gdi::HDC dc, int32_t x, int32_t y, int32_t w, int32_t h) {
  if (!Has(frame) || w < 1 || h < 1) return;
  const Drawing& d = drawings_[static_cast<size_t>(frame)];
  // Over the previous frame's drawing, at the same place and untouched
  // since, only the pixels that differ need drawing: elsewhere the target
  // holds t AND m OR c already, and (t AND m OR c) AND m OR c is that again.
  const OnTarget& o = onTarget_;
  const bool over = d.changeKnown && o.stamp != 0 && o.dc == dc && o.frame == Previous(frame) &&
                    o.x == x && o.y == y && o.w == w && o.h == h && gdi::BitmapStamp(dc) == o.stamp;
  if (!over) {
    Blit(d, dc, x, y, w, h, 0, 0);
  } else {
    const Box& b = d.change;
    const int32_t right = std::min(b.right, w), bottom = std::min(b.bottom, h);
    const int64_t left = int64_t{x} + b.left, top = int64_t{y} + b.top;
    if (b.left < right && b.top < bottom) {
      if (left > std::numeric_limits<int32_t>::max() || top > std::numeric_limits<int32_t>::max()) {
        Blit(d, dc, x, y, w, h, 0, 0);
      } else {
        Blit(d, dc, static_cast<int32_t>(left), static_cast<int32_t>(top), right - b.left,
             bottom - b.top, b.left, b.top);
      }
    }
  }
  onTarget_ = OnTarget{dc, gdi::BitmapStamp(dc), frame, x, y, w, h};
}

}  // namespace veltrano::anigif
