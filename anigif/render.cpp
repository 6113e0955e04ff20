// Drawing a frame: straight from the strip (direct mode), or through the
// composition bitmap that carries earlier frames, their disposal and the
// transparency mask (composed mode); mirroring and the stretch modes.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>

#include "anigif/uc_ani_gif.h"
#include "platform/gdi/gdi.h"

namespace veltrano::anigif {
namespace {

constexpr int32_t kWhite = 0x00FFFFFF;

// Nearest 32-bit integer, halves to even; nothing when it does not fit.
std::optional<int32_t> Nearest(double v) {
  const double r = std::nearbyint(v);
  if (!(r >= std::numeric_limits<int32_t>::min() && r <= std::numeric_limits<int32_t>::max())) {
    return std::nullopt;
  }
  return static_cast<int32_t>(r);
}

}  // namespace

void ucAniGIF::LoadStripTable(const int32_t* entries, int32_t count) {
  if (count <= 0) return;
  gdi::SetDIBColorTable(store_.StripDC, 0, static_cast<gdi::UINT>(std::min(count, 256)), entries);
}

bool ucAniGIF::RenderFrame(int32_t i, gdi::HDC dc) {
  FrameStore& s = store_;
  if (i == 0) return false;
  if (i < 0 || i > s.FrameCount() || !s.StripDC) return false;
  const FrameInfo& f = s.Frame(i);
  const bool stretched = s.GifInfo.ScaleX != 1.0f || s.GifInfo.ScaleY != 1.0f;

  if (!s.CanvasBitmap) {
    // Offsets are added before scaling. Sums beyond 32 bits draw nothing.
    const auto x = Nearest((static_cast<double>(f.Left) + OffsetX_) * s.GifInfo.ScaleX);
    const auto y = Nearest((static_cast<double>(f.Top) + OffsetY_) * s.GifInfo.ScaleY);
    const auto w = Nearest(static_cast<double>(f.Width) * s.GifInfo.ScaleX);
    const auto h = Nearest(static_cast<double>(f.Height) * s.GifInfo.ScaleY);
    if (x && y && w && h) {
      BlitFrame(BlitSource::kStripFrame, i, dc, stretched, Rect{*x, *y, *w, *h});
    }
    return true;
  }

  const auto w = Nearest(host_.ClientWidth());
  const auto h = Nearest(host_.ClientHeight());
  const Rect target{OffsetX_, OffsetY_, w.value_or(0), h.value_or(0)};
  // Frame 1 starts from an empty image, so whatever came before it, frame
  // 1 and each frame after it in order compose to the same image every
  // loop: such a drawing may be kept, and shown again instead.
  const bool inOrder = i == 1 || composedChain_ == i - 1;
  const bool keep = w && h && inOrder && KeepsComposedDrawings(stretched, target);
  if (keep && composedCache_.Has(i)) {
    if (!canvasBehind_) {
      canvasBehind_ = true;
      canvasChain_ = composedChain_;
    }
    composedCache_.Draw(i, dc, target.x, target.y, target.w, target.h);
    drawnComposed_.stamp = 0;
    composedChain_ = i;
    return true;
  }

  SettleCanvas();
  std::vector<uint8_t> SavedMaskRows;
  std::vector<uint8_t> SavedCanvasRows;
  DrawOnCanvas(i, SavedMaskRows, SavedCanvasRows);
  // Drawings are kept from the second loop on: an animation shown once
  // never pays for them.
  if (keep && loopsComposed_ >= 1 &&
      composedCache_.Record(i, s.CanvasDC, s.CanvasBitmap, s.CanvasMask, s.GifInfo.Width,
                            s.GifInfo.Height)) {
    composedCache_.Draw(i, dc, target.x, target.y, target.w, target.h);
    drawnComposed_.stamp = 0;
  } else if (w && h) {
    BlitComposed(i, dc, stretched, target);
  }
  DisposeOnCanvas(i, SavedMaskRows, SavedCanvasRows);
  composedChain_ = inOrder ? i : 0;
  if (inOrder && i == s.FrameCount() && loopsComposed_ < 2) ++loopsComposed_;
  return true;
}

void ucAniGIF::DrawOnCanvas(int32_t i, std::vector<uint8_t>& SavedMaskRows,
                            std::vector<uint8_t>& SavedCanvasRows) {
  const FrameInfo& f = store_.Frame(i);
  ComposeFrame(i, false, SavedMaskRows, SavedCanvasRows);
  BlitFrame(BlitSource::kStripFrame, i, store_.CanvasDC, false,
            Rect{f.Left, f.Top, f.Width, f.Height});
}

void ucAniGIF::DisposeOnCanvas(int32_t i, std::vector<uint8_t>& SavedMaskRows,
                               std::vector<uint8_t>& SavedCanvasRows) {
  const FrameInfo& f = store_.Frame(i);
  if (f.Disposal == DisposalMethod::kRestoreBackground ||
      f.Disposal == DisposalMethod::kRestorePrevious) {
    ComposeFrame(i, true, SavedMaskRows, SavedCanvasRows);
  }
}

bool ucAniGIF::KeepsComposedDrawings(bool stretched, const Rect& rect) {
  const FrameStore& s = store_;
  // A solid background is filled into Canvas at the scaled image's size,
  // so the composed image would depend on the scale too: not kept. Nor
  // while frames still wait for their decoding.
  if (SolidBkgColorUsed_ || deferredPending_ || !s.CanvasBitmap) return false;
  ComposedCache::Shape shape{s.GifInfo.Width, s.GifInfo.Height, false,
                             static_cast<bool>(s.CanvasMask)};
  if (stretched) {
    shape.width = rect.w;
    shape.height = rect.h;
    shape.stretched = true;
  }
  return composedCache_.Prepare(shape, s.FrameCount());
}

void ucAniGIF::SettleCanvas() {
  if (!canvasBehind_) return;
  canvasBehind_ = false;
  if (!store_.CanvasBitmap) return;
  // From frame 1 again unless Canvas holds the start of the same run.
  const int32_t from = canvasChain_ >= 1 && canvasChain_ < composedChain_ ? canvasChain_ + 1 : 1;
  std::vector<uint8_t> SavedMaskRows;
  std::vector<uint8_t> SavedCanvasRows;
  for (int32_t k = from; k <= composedChain_; ++k) {
    DrawOnCanvas(k, SavedMaskRows, SavedCanvasRows);
    DisposeOnCanvas(k, SavedMaskRows, SavedCanvasRows);
  }
}

void ucAniGIF::ForgetComposedDrawings() {
  SettleCanvas();
  composedCache_.Clear();
  composedChain_ = 0;
  loopsComposed_ = 0;
}

void ucAniGIF::ComposedChanged(int64_t x, int64_t y, int64_t w, int64_t h) {
  ComposedOnTarget& d = drawnComposed_;
  const int64_t right = std::min<int64_t>(x + std::max<int64_t>(w, 0), store_.GifInfo.Width);
  const int64_t bottom = std::min<int64_t>(y + std::max<int64_t>(h, 0), store_.GifInfo.Height);
  x = std::max<int64_t>(x, 0);
  y = std::max<int64_t>(y, 0);
  if (right <= x || bottom <= y) return;
  if (d.right <= d.left || d.bottom <= d.top) {
    d.left = static_cast<int32_t>(x);
    d.top = static_cast<int32_t>(y);
    d.right = static_cast<int32_t>(right);
    d.bottom = static_cast<int32_t>(bottom);
    return;
  }
  d.left = std::min(d.left, static_cast<int32_t>(x));
  d.top = std::min(d.top, static_cast<int32_t>(y));
  d.right = std::max(d.right, static_cast<int32_t>(right));
  d.bottom = std::max(d.bottom, static_cast<int32_t>(bottom));
}

void ucAniGIF::BlitComposed(int32_t i, gdi::HDC dc, bool stretched, const Rect& rect) {
  FrameStore& s = store_;
  ComposedOnTarget& d = drawnComposed_;
  // Drawing the composed image unscaled over what it left there before
  // changes nothing where the image has not changed since: with mask m and
  // colours c the target holds x = (t AND m) OR c, and (x AND m) OR c = x
  // (without a mask x = c). The same holds for the stretched mask and
  // colours. So when the target's bitmap has not been drawn on since (same
  // stamp) and the image goes to the same place at the same scale, only the
  // changed part needs drawing. A solid background is filled first on every
  // pass, so it always takes the whole drawing.
  const bool same = !SolidBkgColorUsed_ && d.stamp != 0 && d.dc == dc &&
                    d.stretched == stretched && d.rect.x == rect.x && d.rect.y == rect.y &&
                    d.rect.w == rect.w && d.rect.h == rect.h && gdi::BitmapStamp(dc) == d.stamp;
  if (!same) {
    BlitFrame(BlitSource::kComposedImage, i, dc, stretched, rect);
  } else if (stretched) {
    RedrawStretchedPart(i, dc, rect);
  } else {
    const int32_t right = std::min(d.right, rect.w), bottom = std::min(d.bottom, rect.h);
    if (d.left < right && d.top < bottom) {
      const int32_t w = right - d.left, h = bottom - d.top;
      const int64_t x = int64_t{rect.x} + d.left, y = int64_t{rect.y} + d.top;
      if (x > std::numeric_limits<int32_t>::max() || y > std::numeric_limits<int32_t>::max()) {
        BlitFrame(BlitSource::kComposedImage, i, dc, stretched, rect);
      } else if (s.CanvasMask) {
        gdi::SelectObject(s.CanvasDC, s.CanvasMask);
        gdi::BitBlt(dc, static_cast<int32_t>(x), static_cast<int32_t>(y), w, h, s.CanvasDC, d.left,
                    d.top, gdi::SRCAND);
        gdi::SelectObject(s.CanvasDC, s.CanvasBitmap);
        gdi::BitBlt(dc, static_cast<int32_t>(x), static_cast<int32_t>(y), w, h, s.CanvasDC, d.left,
                    d.top, gdi::SRCPAINT);
      } else {
        gdi::BitBlt(dc, static_cast<int32_t>(x), static_cast<int32_t>(y), w, h, s.CanvasDC, d.left,
                    d.top, gdi::SRCCOPY);
      }
    }
  }
  const bool drawn = !SolidBkgColorUsed_ && rect.w >= 1 && rect.h >= 1;
  d.dc = dc;
  d.stamp = drawn ? gdi::BitmapStamp(dc) : 0;
  d.stretched = stretched;
  d.rect = rect;
  d.left = d.top = d.right = d.bottom = 0;
}

void ucAniGIF::RedrawStretchedPart(int32_t i, gdi::HDC dc, const Rect& rect) {
  const ComposedOnTarget& d = drawnComposed_;
  if (d.right <= d.left || d.bottom <= d.top) return;
  // Target pixels whose stretched value may read a changed pixel. A target
  // pixel j of an axis (source extent s, target extent t) reads source
  // pixels floor(j s / t) - 1 .. floor((j + 1) s / t) + 1 at most, whether
  // the axis shrinks (box) or grows (two neighbours); pixels that read
  // nothing changed come out as they are, so a wider band is harmless.
  auto band = [](int64_t lo, int64_t hi, int64_t s, int64_t t, int64_t* from, int64_t* to) {
    const int64_t a = (lo - 1) * t, b = (hi + 1) * t;
    *from = std::clamp<int64_t>((a >= 0 ? a / s : -((-a + s - 1) / s)) - 1, 0, t);
    *to = std::clamp<int64_t>((b + s - 1) / s, 0, t);
  };
  int64_t x0, x1, y0, y1;
  band(d.left, d.right, store_.GifInfo.Width, rect.w, &x0, &x1);
  band(d.top, d.bottom, store_.GifInfo.Height, rect.h, &y0, &y1);
  if (x0 >= x1 || y0 >= y1) return;
  const int64_t left = rect.x + x0, top = rect.y + y0, right = rect.x + x1, bottom = rect.y + y1;
  if (right > std::numeric_limits<int32_t>::max() || bottom > std::numeric_limits<int32_t>::max()) {
    BlitFrame(BlitSource::kComposedImage, i, dc, true, rect);
    return;
  }
  // The clip keeps every drawn pixel's taps those of the whole stretch.
  gdi::IntersectClipRect(dc, static_cast<int>(left), static_cast<int>(top),
                         static_cast<int>(right), static_cast<int>(bottom));
  BlitFrame(BlitSource::kComposedImage, i, dc, true, rect);
  gdi::SelectClipRgn(dc, nullptr);
}

namespace {

// A stretched drawing pass draws with halftoning from brush origin (0, 0);
// the target's own mode and origin come back when the pass ends.
class StretchPass {
 public:
  StretchPass(gdi::HDC dc, bool stretched) : dc_(dc), stretched_(stretched) {
    if (!stretched_) return;
    oldMode_ = gdi::SetStretchBltMode(dc_, gdi::HALFTONE);
    gdi::SetBrushOrgEx(dc_, 0, 0, &oldOrigin_);
  }
  ~StretchPass() {
    if (!stretched_) return;
    gdi::SetStretchBltMode(dc_, oldMode_);
    gdi::SetBrushOrgEx(dc_, oldOrigin_.x, oldOrigin_.y, nullptr);
  }
  StretchPass(const StretchPass&) = delete;
  StretchPass& operator=(const StretchPass&) = delete;

 private:
  gdi::HDC dc_;
  bool stretched_;
  int oldMode_ = 0;
  gdi::POINT oldOrigin_;
};

}  // namespace

void ucAniGIF::FillSolidBackground(gdi::HDC dc) {
  FrameStore& s = store_;
  if (dc == s.CanvasDC) ComposedChanged(0, 0, s.GifInfo.Width, s.GifInfo.Height);
  const auto right = Nearest(static_cast<double>(s.GifInfo.Width) * s.GifInfo.ScaleX);
  const auto bottom = Nearest(static_cast<double>(s.GifInfo.Height) * s.GifInfo.ScaleY);
  // A negative colour is a system colour, its index in the low byte.
  const gdi::COLORREF color = SolidBkgColor_ < 0 ? gdi::GetSysColor(SolidBkgColor_ & 0xFF)
                                                 : static_cast<gdi::COLORREF>(SolidBkgColor_);
  const gdi::OwnedBrush brush(gdi::CreateSolidBrush(color));
  const gdi::RECT area{0, 0, right.value_or(0), bottom.value_or(0)};
  gdi::FillRect(dc, &area, brush);
}

void ucAniGIF::BlitFrame(BlitSource source, int32_t frameIndex, gdi::HDC dc, bool stretched,
                         const Rect& rect) {
  FrameStore& s = store_;
  if (rect.w < 1 || rect.h < 1) return;
  const StretchPass pass(dc, stretched);
  if (SolidBkgColorUsed_) FillSolidBackground(dc);

  gdi::HDC from;
  int32_t fromX = 0;
  int32_t fromW = 0;
  int32_t fromH = 0;
  gdi::DWORD rop = gdi::SRCCOPY;
  auto transfer = [&](gdi::DWORD op) {
    if (stretched) {
      gdi::StretchBlt(dc, rect.x, rect.y, rect.w, rect.h, from, fromX, 0, fromW, fromH, op);
    } else {
      gdi::BitBlt(dc, rect.x, rect.y, rect.w, rect.h, from, fromX, 0, op);
    }
  };

  switch (source) {
    case BlitSource::kComposedImage:
      // Blacken what the mask marks opaque, then add the canvas colours.
      // Without a mask the canvas is drawn opaque.
      from = s.CanvasDC;
      fromW = s.GifInfo.Width;
      fromH = s.GifInfo.Height;
      if (s.CanvasMask) {
        gdi::SelectObject(s.CanvasDC, s.CanvasMask);
        transfer(gdi::SRCAND);
        gdi::SelectObject(s.CanvasDC, s.CanvasBitmap);
        rop = gdi::SRCPAINT;
      }
      break;
    case BlitSource::kStripFrame: {
      const FrameInfo& f = s.Frame(frameIndex);
      from = s.StripDC;
      fromX = f.StripX;
      fromW = f.Width;
      fromH = f.Height;
      ColorTable& table = s.ColorTables.at(static_cast<size_t>(f.ColorTable));
      const int32_t count = table[kColorCountSlot];
      const bool transparent = f.TransFlag == 1 && s.MaskTable.size() == 256;
      if (transparent) {
        // Blacken the target under the frame's opaque pixels first.
        s.MaskTable[f.TransIndex] = kWhite;
        LoadStripTable(s.MaskTable.data(), count);
        s.MaskTable[f.TransIndex] = 0;
        transfer(gdi::SRCAND);
        rop = gdi::SRCPAINT;
      }
      if (transparent || f.ColorTable != s.CurrentTable) {
        const int32_t saved = table[f.TransIndex];
        if (transparent) table[f.TransIndex] = 0;
        LoadStripTable(table.data(), count);
        // With its transparent entry blackened the strip does not hold the
        // frame's real table: the next opaque frame must load it again.
        s.CurrentTable = transparent ? -1 : f.ColorTable;
        table[f.TransIndex] = saved;
      }
      break;
    }
  }
  transfer(rop);
}

void ucAniGIF::ComposeFrame(int32_t i, bool afterDraw, std::vector<uint8_t>& SavedMaskRows,
                            std::vector<uint8_t>& SavedCanvasRows) {
  FrameStore& s = store_;
  const FrameInfo& f = s.Frame(i);
  const int32_t canvasRow = ScanlineBytes(24, s.GifInfo.Width);
  const int32_t maskRow = ScanlineBytes(1, s.GifInfo.Width);
  const int32_t frameRow = f.Width * 3;
  const bool haveMask = static_cast<bool>(s.CanvasMask) && s.CanvasMaskBits != nullptr;
  // The mask bytes a frame row touches: from the byte of its first column to
  // the byte of its last, which is one more than its own row length whenever
  // Left is not a multiple of 8. The edge bytes are shared with the columns
  // beside the frame, so only the frame's own bits of them are put back.
  const int32_t right = std::min(f.Left + f.Width, s.GifInfo.Width);
  const int32_t firstMaskByte = f.Left / 8;
  const int32_t frameMaskRow = f.Left >= 0 && right > f.Left ? (right + 7) / 8 - firstMaskByte : 0;
  const uint8_t firstBits = static_cast<uint8_t>(0xFF >> (f.Left & 7));
  const uint8_t lastBits = static_cast<uint8_t>(0xFF << (7 - ((right - 1) & 7)));

  // Visits the rows of the frame rectangle in the canvas and the mask, cut
  // to the bitmaps so that nothing outside them is touched.
  auto forEachRow = [&](auto&& visit) {
    for (int32_t r = 0; r < f.Height; ++r) {
      const int32_t y = f.Top + r;
      if (y < 0 || y >= s.GifInfo.Height || f.Left < 0) continue;
      const int64_t memoryRow = s.GifInfo.Height - 1 - y;
      uint8_t* canvas = s.CanvasBits + memoryRow * canvasRow + int64_t{f.Left} * 3;
      const int32_t canvasBytes = std::min(frameRow, canvasRow - f.Left * 3);
      uint8_t* mask = haveMask ? s.CanvasMaskBits + memoryRow * maskRow + firstMaskByte : nullptr;
      const int32_t maskBytes = std::min(frameMaskRow, maskRow - firstMaskByte);
      visit(r, canvas, std::max(canvasBytes, 0), mask, std::max(maskBytes, 0));
    }
  };
  // Puts the frame's bits of one saved mask row back.
  auto restoreMaskRow = [&](uint8_t* mask, const uint8_t* saved, int32_t bytes) {
    for (int32_t b = 0; b < bytes; ++b) {
      uint8_t keep = 0xFF;
      if (b == 0) keep &= firstBits;
      if (b == frameMaskRow - 1) keep &= lastBits;
      mask[b] = static_cast<uint8_t>((mask[b] & ~keep) | (saved[b] & keep));
    }
  };

  // Everything below changes the frame's rectangle of the composed image at
  // most, frame 1 the whole of it.
  if (i == 1 && !afterDraw) {
    ComposedChanged(0, 0, s.GifInfo.Width, s.GifInfo.Height);
  } else {
    ComposedChanged(f.Left, f.Top, f.Width, f.Height);
  }
  if (!afterDraw) {
    // An opaque frame 1 that covers the whole image overwrites every pixel
    // of it (and of the mask) right after; clearing first would change
    // nothing, unless the frame saves what lies under it.
    const bool coversAll = f.Left == 0 && f.Top == 0 && f.Width == s.GifInfo.Width &&
                           f.Height == s.GifInfo.Height && f.TransFlag != 1 &&
                           f.Disposal != DisposalMethod::kRestorePrevious;
    if (i == 1 && !coversAll) {
      // Every pass through the animation starts from an empty, fully
      // transparent image.
      std::memset(s.CanvasBits, 0, static_cast<size_t>(canvasRow) * s.GifInfo.Height);
      if (haveMask) {
        std::memset(s.CanvasMaskBits, 0xFF, static_cast<size_t>(maskRow) * s.GifInfo.Height);
      }
    }
    if (f.Disposal == DisposalMethod::kRestorePrevious) {
      SavedCanvasRows.assign(static_cast<size_t>(frameRow) * f.Height, 0);
      if (haveMask) SavedMaskRows.assign(static_cast<size_t>(frameMaskRow) * f.Height, 0);
      forEachRow(
          [&](int32_t r, uint8_t* canvas, int32_t canvasBytes, uint8_t* mask, int32_t maskBytes) {
            std::memcpy(&SavedCanvasRows[static_cast<size_t>(r) * frameRow], canvas, canvasBytes);
            if (mask)
              std::memcpy(&SavedMaskRows[static_cast<size_t>(r) * frameMaskRow], mask, maskBytes);
          });
    }
    if (haveMask && s.MaskTable.size() == 256) {
      // Mark as opaque every pixel the frame draws opaque; under its
      // transparent pixels the mask keeps its earlier state.
      const int32_t count = s.ColorTables.at(static_cast<size_t>(f.ColorTable))[kColorCountSlot];
      gdi::SelectObject(s.CanvasDC, s.CanvasMask);
      if (f.TransFlag == 1) {
        s.MaskTable[f.TransIndex] = kWhite;
        LoadStripTable(s.MaskTable.data(), count);
        s.MaskTable[f.TransIndex] = 0;
        gdi::BitBlt(s.CanvasDC, f.Left, f.Top, f.Width, f.Height, s.StripDC, f.StripX, 0,
                    gdi::SRCAND);
      } else {
        LoadStripTable(s.MaskTable.data(), count);
        gdi::BitBlt(s.CanvasDC, f.Left, f.Top, f.Width, f.Height, s.StripDC, f.StripX, 0,
                    gdi::SRCCOPY);
      }
      gdi::SelectObject(s.CanvasDC, s.CanvasBitmap);
      s.CurrentTable = -1;
    }
    return;
  }

  if (f.Disposal == DisposalMethod::kRestoreBackground) {
    // Restore to background: the area becomes transparent.
    const gdi::RECT area{f.Left, f.Top, f.Left + f.Width, f.Top + f.Height};
    gdi::FillRect(s.CanvasDC, &area, gdi::HBRUSH(gdi::GetStockObject(gdi::BLACK_BRUSH)));
    if (haveMask) {
      gdi::SelectObject(s.CanvasDC, s.CanvasMask);
      gdi::FillRect(s.CanvasDC, &area, gdi::HBRUSH(gdi::GetStockObject(gdi::WHITE_BRUSH)));
      gdi::SelectObject(s.CanvasDC, s.CanvasBitmap);
    }
  } else if (f.Disposal == DisposalMethod::kRestorePrevious && !SavedCanvasRows.empty()) {
    // Restore to previous: put back what lay under the frame.
    forEachRow(
        [&](int32_t r, uint8_t* canvas, int32_t canvasBytes, uint8_t* mask, int32_t maskBytes) {
          std::memcpy(canvas, &SavedCanvasRows[static_cast<size_t>(r) * frameRow], canvasBytes);
          if (mask && !SavedMaskRows.empty()) {
            restoreMaskRow(mask, &SavedMaskRows[static_cast<size_t>(r) * frameMaskRow], maskBytes);
          }
        });
  }
}

void ucAniGIF::MirrorFrames(MirrorStyle otherStyle, bool firstFrameOnly, bool alsoCanvas) {
  FrameStore& s = store_;
  int32_t first = 1;
  if (FirstFrameMirrored_) {
    FirstFrameMirrored_ = false;
    first = 2;
  }
  const MirrorStyle flip = Mirrored_ ^ otherStyle;
  if (flip == MirrorStyle::kNone) return;
  ForgetComposedDrawings();
  const bool horizontal = Flips(flip, MirrorStyle::kHorizontal);
  const bool vertical = Flips(flip, MirrorStyle::kVertical);
  const int32_t last = firstFrameOnly ? 1 : s.FrameCount();
  for (int32_t i = first; i <= last; ++i) {
    FrameInfo& f = s.Frame(i);
    int32_t sx = f.StripX, sw = f.Width, sy = 0, sh = f.Height;
    if (horizontal) {
      sx = f.StripX + f.Width - 1;
      sw = -f.Width;
      f.Left = s.GifInfo.Width - (f.Left + f.Width);
    }
    if (vertical) {
      sy = f.Height - 1;
      sh = -f.Height;
      f.Top = s.GifInfo.Height - (f.Top + f.Height);
    }
    gdi::StretchBlt(s.StripDC, f.StripX, 0, f.Width, f.Height, s.StripDC, sx, sy, sw, sh,
                    gdi::SRCCOPY);
  }
  if (alsoCanvas && s.CanvasBitmap) {
    const int32_t w = s.GifInfo.Width, h = s.GifInfo.Height;
    ComposedChanged(0, 0, w, h);
    const int32_t sx = horizontal ? w - 1 : 0, sw = horizontal ? -w : w;
    const int32_t sy = vertical ? h - 1 : 0, sh = vertical ? -h : h;
    gdi::StretchBlt(s.CanvasDC, 0, 0, w, h, s.CanvasDC, sx, sy, sw, sh, gdi::SRCCOPY);
    if (s.CanvasMask) {
      gdi::SelectObject(s.CanvasDC, s.CanvasMask);
      gdi::StretchBlt(s.CanvasDC, 0, 0, w, h, s.CanvasDC, sx, sy, sw, sh, gdi::SRCCOPY);
      gdi::SelectObject(s.CanvasDC, s.CanvasBitmap);
    }
  }
}

void ucAniGIF::ComputeScale(int32_t& width, int32_t& height, float& scaleX, float& scaleY) {
  const FrameStore& s = store_;
  if (CurrentFrame_ == 0) return;
  const int32_t gw = s.GifInfo.Width;
  const int32_t gh = s.GifInfo.Height;
  auto ratio = [](int32_t size, int32_t image) {
    return image > 0 ? static_cast<float>(static_cast<double>(size) / image) : 1.0f;
  };
  auto fitted = [&] {
    width = Nearest(static_cast<double>(gw) * scaleX).value_or(width);
    height = Nearest(static_cast<double>(gh) * scaleY).value_or(height);
  };
  switch (Stretch_) {
    case StretchMode::kClip:
      scaleX = scaleY = 1.0f;
      width = std::min(width, gw);
      height = std::min(height, gh);
      break;
    case StretchMode::kFit:
      scaleX = ratio(width, gw);
      scaleY = ratio(height, gh);
      if (scaleX <= scaleY) {
        scaleY = scaleX;
      } else {
        scaleX = scaleY;
      }
      fitted();
      break;
    case StretchMode::kFill:
      scaleX = ratio(width, gw);
      scaleY = ratio(height, gh);
      break;
    case StretchMode::kShrinkToFit:
      scaleX = ratio(width, gw);
      scaleY = ratio(height, gh);
      if (scaleX > 1.0f && scaleY > 1.0f) {
        scaleX = scaleY = 1.0f;
      } else {
        scaleX = scaleY = std::min(scaleX, scaleY);
      }
      fitted();
      break;
    case StretchMode::kImageSize:
      scaleX = scaleY = 1.0f;
      width = gw;
      height = gh;
      break;
  }
}

void ucAniGIF::OnPaint(gdi::HDC dc) {
  RenderFrame(CurrentFrame_, dc);
  if (!UserMode()) {
    // The design-time outline, over whatever the frame left.
    const auto w = Nearest(host_.ClientWidth());
    const auto h = Nearest(host_.ClientHeight());
    const gdi::HGDIOBJ oldPen = gdi::SelectObject(dc, outlinePen_);
    const gdi::HGDIOBJ oldBrush = gdi::SelectObject(dc, gdi::GetStockObject(gdi::NULL_BRUSH));
    const int oldMode = gdi::SetBkMode(dc, gdi::TRANSPARENT);
    gdi::Rectangle(dc, 0, 0, w.value_or(0), h.value_or(0));
    if (oldMode != 0) gdi::SetBkMode(dc, oldMode);
    if (oldBrush) gdi::SelectObject(dc, oldBrush);
    if (oldPen) gdi::SelectObject(dc, oldPen);
  }
}

}  // namespace veltrano::anigif
