// Turns the frames found by the parser into pixels: each frame is rebuilt as
// a single-frame GIF whose colour tables are the index palette (entry i =
// blue i) and whose transparency is off, decoded, and written into the frame
// strip, so that every strip pixel holds its frame's own palette index. The
// real colours are applied only when a frame is drawn.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

#include "anigif/uc_ani_gif.h"
#include "platform/gdi/gdi.h"

namespace veltrano::anigif {
namespace {

// Bytes of the rebuilt stream ahead of the frame's own blocks: header and
// logical screen (13) and the 256-entry index palette (768).
constexpr int32_t kRebuiltHeaderEnd = 781;
constexpr int32_t kFrameBufSlack = 790;

uint64_t RowsBytes(int32_t bitsPerPixel, int64_t width, int64_t height) {
  if (width > std::numeric_limits<int32_t>::max()) throw OverflowError{};
  return static_cast<uint64_t>(ScanlineBytes(bitsPerPixel, static_cast<int32_t>(width))) *
         static_cast<uint64_t>(std::max<int64_t>(height, 0));
}

void FillIndexPalette(gdi::BITMAPINFO& info) {
  for (int i = 0; i < 256; ++i) info.bmiColors[i] = gdi::ToRgbQuad(static_cast<uint32_t>(i));
}

}  // namespace

// What can go wrong while frames are decoded is a size that does not fit
// its arithmetic or memory that cannot be had; either ends the call with
// false, and the load driver empties the control.
bool ucAniGIF::BuildFrames(bool& firstPass) {
  try {
    return BuildFramesOrThrow(firstPass);
  } catch (const OverflowError&) {
  } catch (const std::bad_alloc&) {
  }
  return false;
}

bool ucAniGIF::CreateCanvas(bool maskWanted) {
  FrameStore& s = store_;
  s.CanvasDC.reset(gdi::CreateCompatibleDC(gdi::ScreenDC()));
  if (!s.CanvasDC) return false;

  gdi::BITMAPINFO info{};
  info.bmiHeader.biWidth = s.GifInfo.Width;
  info.bmiHeader.biHeight = s.GifInfo.Height;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  s.CanvasBitmap.reset(gdi::CreateDIBSection(s.CanvasDC, &info, gdi::DIB_RGB_COLORS, &bits));
  if (!s.CanvasBitmap) return false;
  s.CanvasBits = static_cast<uint8_t*>(bits);
  s.CanvasOldBitmap = gdi::Selection(s.CanvasDC, s.CanvasBitmap);

  if (maskWanted) {
    gdi::BITMAPINFO maskInfo{};
    maskInfo.bmiHeader.biWidth = s.GifInfo.Width;
    maskInfo.bmiHeader.biHeight = s.GifInfo.Height;
    maskInfo.bmiHeader.biBitCount = 1;
    maskInfo.bmiHeader.biClrUsed = 2;
    maskInfo.bmiColors[1] = gdi::ToRgbQuad(0x00FFFFFF);
    void* maskBits = nullptr;
    s.CanvasMask.reset(
        gdi::CreateDIBSection(s.CanvasDC, &maskInfo, gdi::DIB_RGB_COLORS, &maskBits));
    if (!s.CanvasMask) return false;
    s.CanvasMaskBits = static_cast<uint8_t*>(maskBits);
  }
  return true;
}

// First pass: size the strip and decide on the composition bitmaps, then
// create them. Returns false when a bitmap cannot be had or the animation
// would need more memory than the frame store may take.
bool ucAniGIF::SurveyAndAllocate() {
  FrameStore& s = store_;
  const int32_t n = s.FrameCount();
  int64_t stripWidth = 0;
  int32_t stripHeight = 0;
  bool anyTransparent = false;
  int32_t longest = 0;
  bool allDispose2 = true;
  bool needsMask = false;
  for (int32_t i = 1; i <= n; ++i) {
    const FrameInfo& f = s.Frame(i);
    stripWidth += f.Width;
    stripHeight = std::max(stripHeight, f.Height);
    anyTransparent = anyTransparent || f.TransFlag == 1;
    longest = std::max(longest, s.Block(i).Length);
    const bool restores = f.Disposal == DisposalMethod::kRestoreBackground ||
                          f.Disposal == DisposalMethod::kRestorePrevious;
    if (f.Disposal != DisposalMethod::kRestoreBackground) allDispose2 = false;
    if (restores) needsMask = true;
  }

  const FrameInfo& first = s.Frame(1);
  bool wantCanvas = false;
  if (!UserMode() || n == 1) {
    stripWidth = first.Width;
    stripHeight = first.Height;
    needsMask = false;
  } else if (allDispose2) {
    needsMask = false;
  } else {
    // Where frame 1 does not cover the whole animation nothing has been drawn
    // yet: that area must stay transparent, not show the canvas's black,
    // whether or not any frame is transparent.
    const bool firstCoversAll = first.Width == s.GifInfo.Width && first.Height == s.GifInfo.Height;
    if (!needsMask) needsMask = first.TransFlag == 1 || !firstCoversAll;
    wantCanvas = true;
  }

  // Refuse what would not fit the budget before allocating anything: a tiny
  // file can declare frames of 65535 x 65535, or a 1 x 1 frame at (65535,
  // 65535). The animation's own image (the canvas, or what a host needs to
  // show the animation at its size when there is no canvas) always counts.
  uint64_t bytes = RowsBytes(8, stripWidth, stripHeight);
  bytes += RowsBytes(24, s.GifInfo.Width, s.GifInfo.Height);
  if (wantCanvas && needsMask) bytes += RowsBytes(1, s.GifInfo.Width, s.GifInfo.Height);
  if (bytes > kFrameStoreBudget) return false;

  if (wantCanvas && !CreateCanvas(needsMask)) return false;

  gdi::BITMAPINFO info{};
  info.bmiHeader.biWidth = static_cast<int32_t>(stripWidth);
  info.bmiHeader.biHeight = stripHeight;
  info.bmiHeader.biBitCount = 8;
  info.bmiHeader.biClrUsed = 256;
  FillIndexPalette(info);
  void* bits = nullptr;
  s.StripDC.reset(gdi::CreateCompatibleDC(gdi::ScreenDC()));
  s.StripBitmap.reset(gdi::CreateDIBSection(s.StripDC, &info, gdi::DIB_RGB_COLORS, &bits));
  if (!s.StripDC || !s.StripBitmap) {
    s.StripBitmap.reset();
    s.StripDC.reset();
    return false;
  }
  s.StripBits = static_cast<uint8_t*>(bits);
  s.StripWidth = static_cast<int32_t>(stripWidth);
  s.StripHeight = stripHeight;
  s.StripOldBitmap = gdi::Selection(s.StripDC, s.StripBitmap);

  if (anyTransparent || needsMask) s.MaskTable.assign(256, 0);

  // The header every rebuilt frame shares: the file's signature and logical
  // screen, with a 256-entry global table that is the index palette.
  s.FrameBuf.assign(static_cast<size_t>(longest) + kFrameBufSlack, 0);
  const size_t headerBytes = std::min<size_t>(13, s.GifBytes.size());
  std::memcpy(s.FrameBuf.data(), s.GifBytes.data(), headerBytes);
  for (int i = 0; i < 256; ++i) s.FrameBuf[static_cast<size_t>(13 + 3 * i + 2)] = uint8_t(i);
  s.FrameBuf[10] |= 0x87;
  return true;
}

// Rebuilds frame i as a single-frame GIF in FrameBuf, decodes it and writes
// its indices into the strip at the frame's place.
void ucAniGIF::DecodeFrame(int32_t i) {
  FrameStore& s = store_;
  FrameInfo& f = s.Frame(i);
  const BlockRecord block = s.Block(i);
  const int64_t size = static_cast<int64_t>(s.GifBytes.size());
  uint8_t* buf = s.FrameBuf.data();  // buf[k] is position k + 1
  int64_t p = kRebuiltHeaderEnd + 1;
  const int32_t firstBlock = f.StripX;
  // From here on StripX is the frame's place in the strip.
  f.StripX = i == 1 ? 0 : s.Frame(i - 1).StripX + s.Frame(i - 1).Width;

  if (firstBlock != block.Start) {
    // The frame's graphic control extension, transparency switched off.
    std::memset(buf + p - 1, 0, 8);
    if (firstBlock >= 1 && firstBlock <= size) {
      const int64_t take = std::min<int64_t>(8, size - firstBlock + 1);
      std::memcpy(buf + p - 1, s.GifBytes.data() + firstBlock - 1, static_cast<size_t>(take));
    }
    buf[p + 3 - 1] &= 0xFE;
    p += 8;
  }

  // The image block. A block that the data cut short is copied as far as the
  // data goes, and the stream ends there.
  if (block.Start < 1 || block.Start > size) return;
  const int64_t length = std::min<int64_t>(block.Length, size - block.Start + 1);
  if (length < 10 || p + length > static_cast<int64_t>(s.FrameBuf.size())) return;
  std::memcpy(buf + p - 1, s.GifBytes.data() + block.Start - 1, static_cast<size_t>(length));
  std::memset(buf + p, 0, 4);            // left and top
  std::memcpy(buf + 6, buf + p + 4, 4);  // size as the logical screen
  if (f.ColorTable != 0 && length >= 11) {
    // The local table becomes the first entries of the index palette.
    const int32_t count = s.Pow2[static_cast<size_t>((buf[p + 9 - 1] & 7) + 1)];
    for (int32_t entry = 0; entry < count; ++entry) {
      const int64_t k = p + 10 + 3 * entry;
      if (k + 2 >= p + length) break;
      buf[k - 1] = 0;
      buf[k] = 0;
      buf[k + 1] = static_cast<uint8_t>(entry);
    }
  }
  p += length;
  buf[p - 1] = 0x3B;

  picture::Picture& picture = s.FramePicture;
  if (!LoadPictureFromBytes(s.FrameBuf, static_cast<size_t>(p), picture)) {
    return;  // the strip keeps what it held there
  }
  // The picture's colours are the strip's own table, so its indices go in
  // unchanged; stay inside both the picture and the strip.
  const int32_t width = std::min({f.Width, picture.Width(), s.StripWidth - f.StripX});
  const int32_t height = std::min({f.Height, picture.Height(), s.StripHeight});
  if (width <= 0 || f.StripX < 0) return;
  for (int32_t y = 0; y < height; ++y) {
    std::memcpy(s.StripRow(y) + f.StripX, picture.Row(y), static_cast<size_t>(width));
  }
}

bool ucAniGIF::BuildFramesOrThrow(bool& firstPass) {
  FrameStore& s = store_;
  const int32_t n = s.FrameCount();
  // Every frame's local table size is looked up in Pow2 (1 .. 256).
  if (n == 0 || s.Pow2.size() < 9) return false;
  int32_t from = 1;
  int32_t to = 1;
  if (firstPass) {
    if (!SurveyAndAllocate()) return false;
  } else {
    // The deferred pass continues a first pass: its strip and header must
    // still be there.
    if (!s.StripDC || s.FrameBuf.empty() || s.BlockInfo.empty()) return false;
    if (n > 1) {
      uint32_t indexPalette[256];
      for (uint32_t k = 0; k < 256; ++k) indexPalette[k] = k;
      gdi::SetDIBColorTable(s.StripDC, 0, 256, indexPalette);
    }
    from = 2;
    to = n;
  }

  s.CurrentTable = -1;
  for (int32_t i = from; i <= to; ++i) DecodeFrame(i);

  if (firstPass) {
    CurrentFrame_ = 1;
    int32_t w = static_cast<int32_t>(std::nearbyint(host_.ClientWidth()));
    int32_t h = static_cast<int32_t>(std::nearbyint(host_.ClientHeight()));
    ComputeScale(w, h, s.GifInfo.ScaleX, s.GifInfo.ScaleY);
    if (!UserMode()) {
      firstPass = false;
    } else if (DecodesLater()) {
      if (n == 1) {
        firstPass = false;
      } else {
        MirrorFrames(MirrorStyle::kNone, true, false);
        FirstFrameMirrored_ = true;
        ArmTimer(TimerKind::kDeferredDecode);
        return true;
      }
    } else {
      bool deferred = false;
      BuildFrames(deferred);
      return true;
    }
  }
  FinishBuild();
  return true;
}

// Decoding is complete: drop the load-time data and start the animation.
void ucAniGIF::FinishBuild() {
  FrameStore& s = store_;
  ReleaseBuffer(s.FrameBuf);
  s.FramePicture = picture::Picture();
  s.Pow2.clear();
  s.BlockInfo.clear();
  MirrorFrames(MirrorStyle::kNone, !UserMode(), false);
  if (!UserMode()) return;
  ReleaseBuffer(s.GifBytes);
  if (StaysStoppedAfterLoad()) {
    RaiseFrameChanged(1, false);
  } else {
    LoopsRemaining_ = s.GifInfo.Loops;
    ArmTimer(TimerKind::kFrameClock);
  }
}

void ucAniGIF::ResetGif() {
  FrameStore& s = store_;
  ArmTimer(TimerKind::kStop);
  drawnComposed_ = {};
  composedCache_.Clear();
  composedChain_ = loopsComposed_ = 0;
  canvasBehind_ = false;
  s.Frames.clear();
  Action_ = PlayState::kStopped;
  CurrentFrame_ = 0;
  s.ReadPos = 0;
  ReleaseBitmaps();
  s.ColorTables.clear();
  s.CachedTables.clear();
  s.MaskTable.clear();
  s.Pow2.clear();
  s.BlockInfo.clear();
  s.FramePicture = picture::Picture();
  s.CurrentTable = 0;
  s.CacheFlag = 0;
  // A load that stopped while frames were still to be decoded must not leave
  // its "frame 1 already mirrored" mark for the next one.
  FirstFrameMirrored_ = false;
  deferredPending_ = false;
  FreeCallbackThunk();
  ++generation_;
}

// Each bitmap goes back out of its DC before it is deleted, then the DC.
void ucAniGIF::ReleaseBitmaps() {
  FrameStore& s = store_;
  s.StripOldBitmap.reset();
  s.StripBitmap.reset();
  s.StripDC.reset();
  s.StripBits = nullptr;
  s.StripWidth = s.StripHeight = 0;
  s.CanvasOldBitmap.reset();
  s.CanvasBitmap.reset();
  s.CanvasBits = nullptr;
  s.CanvasMask.reset();
  s.CanvasMaskBits = nullptr;
  s.CanvasDC.reset();
}

}  // namespace veltrano::anigif
