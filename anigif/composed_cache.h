// Finished drawings of the composed image, one per frame.
//
// Putting the composed image on the target is two passes: the mask blackens
// the target under opaque pixels (AND), then the colours are added (OR),
// each stretched with halftoning when the control is scaled. Both passes
// read only the composed image, so what they write is target AND m OR c for
// two planes m and c that depend on the frame and the drawing's size alone.
// A drawing keeps those planes at the target's size in 32 bits; drawing a
// frame again is then one plain copy (the mask is left out where it is
// black everywhere, so the colours are simply copied), and only the part
// that differs from the frame before it when the target still holds that
// one.
//
// The planes are exact: a 32-bit target stores every value as it is, and a
// stretch works out each target pixel from the source alone before the
// raster operation meets the target.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/gdi/gdi_handles.h"

namespace veltrano::anigif {

class ComposedCache {
 public:
  // Size of a drawing on the target, and how it is made.
  struct Shape {
    int32_t width = 0, height = 0;  // of the planes
    bool stretched = false;         // halftone-stretched from the composed image
    bool masked = false;            // the composed image has a mask
    bool operator==(const Shape&) const = default;
  };

  // Bytes the drawings of one animation may take together.
  static constexpr size_t kDefaultBudget = size_t{64} << 20;

  ComposedCache() = default;
  ComposedCache(const ComposedCache&) = delete;
  ComposedCache& operator=(const ComposedCache&) = delete;

  void SetBudget(size_t bytes) {
    budget_ = bytes;
    Clear();
  }

  // Forgets every drawing.
  void Clear();

  // Takes drawings of this shape for an animation of `frames` frames:
  // drawings of another shape are forgotten. False when the drawings of
  // every frame would not fit the budget (nothing is kept then).
  bool Prepare(const Shape& shape, int32_t frames);

  bool Has(int32_t frame) const;

  // Keeps frame `frame`'s drawing, made from the composed image selected in
  // canvasDC (with `mask`, when the shape is masked) of gifWidth x
  // gifHeight pixels. False when a bitmap cannot be had.
  bool Record(int32_t frame, gdi::HDC canvasDC, gdi::HBITMAP canvas, gdi::HBITMAP mask,
              int32_t gifWidth, int32_t gifHeight);

  // Draws frame `frame` onto dc as the two passes would at (x, y) with
  // extent (w, h): for an unstretched drawing the extent may differ from
  // the planes' size, as the composed pass gives the control's client size.
  void Draw(int32_t frame, gdi::HDC dc, int32_t x, int32_t y, int32_t w, int32_t h);

 private:
  struct Box {
    int32_t left = 0, top = 0, right = 0, bottom = 0;  // right <= left: nothing
  };
  struct Drawing {
    gdi::OwnedBitmap colours;
    const uint32_t* colourBits = nullptr;
    gdi::OwnedBitmap mask;  // none when black everywhere
    const uint32_t* maskBits = nullptr;
    // Where this drawing differs from the previous frame's; known once both
    // are kept.
    bool changeKnown = false;
    Box change;
  };
  // The target and place of the last drawing, and the stamp its bitmap had
  // right after: while it holds, the target shows exactly that drawing.
  struct OnTarget {
    gdi::HDC dc;
    uint64_t stamp = 0;
    int32_t frame = 0, x = 0, y = 0, w = 0, h = 0;
  };

  void Select(gdi::HBITMAP bitmap);
  bool Plane(gdi::HDC from, gdi::HBITMAP source, int32_t gifWidth, int32_t gifHeight,
             gdi::OwnedBitmap* plane, const uint32_t** bits);
  // Frame before / after `frame` in a loop of the animation.
  int32_t Previous(int32_t frame) const { return frame == 1 ? frameCount_ : frame - 1; }
  int32_t Next(int32_t frame) const { return frame == frameCount_ ? 1 : frame + 1; }
  void LearnChange(int32_t frame);
  void Blit(const Drawing& d, gdi::HDC dc, int32_t x, int32_t y, int32_t w, int32_t h,
            int32_t fromX, int32_t fromY);

  size_t budget_ = kDefaultBudget;
  Shape shape_;
  int32_t frameCount_ = 0;
  // The DC first, then the bitmaps, then the selection of one of them:
  // destroyed in reverse, the DC gets its own bitmap back before any is
  // deleted.
  gdi::OwnedDC dc_;
  std::vector<Drawing> drawings_;  // by frame index, 0 unused
  gdi::Selection selected_;
  OnTarget onTarget_;
};

}  // namespace veltrano::anigif
