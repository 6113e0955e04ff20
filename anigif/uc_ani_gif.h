// ucAniGIF: an embeddable control that plays an animated GIF.
//
// The control parses GIF87a/GIF89a data, has each frame decoded into one
// 8-bit strip that keeps the frames' palette indices, composes frames with
// the GIF disposal methods and transparency, and plays them on timers of its
// host with per-frame delays and loop counts. It talks to its container only
// through a ControlHost, which must outlive it; all calls come from one
// thread.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "anigif/composed_cache.h"
#include "anigif/control_types.h"
#include "anigif/frame_store.h"
#include "platform/gdi/gdi_handles.h"
#include "platform/host/control_host.h"
#include "platform/host/picture_object.h"

namespace veltrano::anigif {

// Events the control raises to the form that hosts it.
struct ucAniGIFEvents {
  std::function<void()> Click;
  std::function<void(int16_t Button, int16_t Shift, float X, float Y)> MouseDown;
  std::function<void(int16_t Button, int16_t Shift, float X, float Y)> MouseMove;
  std::function<void(int16_t Button, int16_t Shift, float X, float Y)> MouseUp;
  // FrameIndex: from the clock, the frame that was on screen before the tick.
  std::function<void(int32_t FrameIndex, bool viaTimer)> FrameChanged;
  std::function<void()> LoopsEnded;
  std::function<void(float gifWidth, float gifHeight, bool& Cancel)> RemoteLoadComplete;
  std::function<void()> RemoteLoadFailure;
};

// A caller's array of bytes as its descriptor describes it: element size and
// the element count of each dimension. `data` null means the array was never
// created; `available` is how many bytes its storage really holds.
struct ByteArrayArg {
  const uint8_t* data = nullptr;
  size_t available = 0;
  uint32_t elementSize = 1;
  std::vector<uint32_t> dims;

  static ByteArrayArg Of(const std::vector<uint8_t>& bytes);
  static ByteArrayArg Of2D(const std::vector<uint8_t>& bytes, uint32_t dim1, uint32_t dim2);
};

// True when every character of a UTF-8 file name is below U+0100, the names
// that a Windows build opens with the narrow (code page) file functions. On
// Linux both kinds of name reach the file system as the same UTF-8 bytes.
bool IsNarrowName(std::string_view name);

class PropertyBag;

class ucAniGIF : public host::ControlClient {
 public:
  explicit ucAniGIF(host::ControlHost& host);
  ~ucAniGIF() override;
  ucAniGIF(const ucAniGIF&) = delete;
  ucAniGIF& operator=(const ucAniGIF&) = delete;

  ucAniGIFEvents& Events() { return events_; }

  // ---- properties ----------------------------------------------------------
  // The frame on screen as a one-frame GIF picture; nothing while empty.
  host::PictureRef AnimatedGIF() const;
  // Design time only: loads the GIF the picture was made from (nothing
  // empties the control) and takes its size.
  void SetAnimatedGIF(const host::PictureRef& aGif);
  int32_t CurrentFrame() const { return CurrentFrame_; }
  bool Enabled() const { return host_.Enabled(); }
  void SetEnabled(bool Enable);
  int32_t FrameCount() const { return CurrentFrame_ != 0 ? store_.FrameCount() : 0; }
  void SetFrameCount(int32_t nrFrames) { (void)nrFrames; }  // read-only in effect
  // Read: 0 stopped, 1 playing, 2 paused. Write: 0 stop, 1 play, 2 pause,
  // 3 step, 4 restart (run time, with a GIF loaded; otherwise ignored).
  int32_t Action() const { return static_cast<int32_t>(Action_); }
  void SetAction(int32_t Act);
  int32_t Stretch() const { return static_cast<int32_t>(Stretch_); }
  void SetStretch(int32_t newScale);
  int32_t Mirrored() const { return static_cast<int32_t>(Mirrored_); }
  void SetMirrored(int32_t MirrorStyle);
  int32_t DelayAnimation() const { return DelayAnimation_; }
  void SetDelayAnimation(int32_t Mode);
  int32_t MinFrameDelay() const { return MinFrameDelay_; }
  void SetMinFrameDelay(int32_t Delay);
  int32_t SteppedDelay() const { return SteppedDelay_; }
  void SetSteppedDelay(int32_t newDelay);
  int32_t Loops() const { return store_.GifInfo.Loops; }
  void SetLoops(int32_t Count);
  int32_t LoopsRemaining() const;
  int32_t OffsetX() const { return OffsetX_; }
  void SetOffsetX(int32_t NewOffset);
  int32_t OffsetY() const { return OffsetY_; }
  void SetOffsetY(int32_t NewOffset);
  int32_t SolidBkgColor() const { return SolidBkgColor_; }
  void SetSolidBkgColor(int32_t Color);
  bool SolidBkgColorUsed() const { return SolidBkgColorUsed_; }
  void SetSolidBkgColorUsed(bool IgnoreTransparency);
  host::PictureRef MouseIcon() const { return MouseIcon_; }
  void SetMouseIcon(const host::PictureRef& MousePic);
  int32_t MousePointer() const { return host_.MousePointer(); }
  void SetMousePointer(int32_t Pointer);
  // Original size of the animation in the container's size units.
  int32_t ActualWidth() const;
  int32_t ActualHeight() const;

  // ---- methods ------------------------------------------------------------
  bool LoadAnimatedGIF_File(std::string_view FileName);
  bool LoadAnimatedGIF_Array(const ByteArrayArg& Bytes);
  void LoadAnimatedGIF_Remote(std::string_view RemotePath);
  bool GetPalette(int32_t FrameIndex, std::vector<int32_t>& paletteEntries);
  // An empty span stands for an array that was never created.
  bool SetPalette(int32_t FrameIndex, std::span<const int32_t> paletteEntries);
  bool CacheColorTables();
  bool RestoreColorTables(bool bReleaseCache);
  void Refresh() { host_.RepaintNow(); }

  // ---- the property set the form stores ------------------------------------
  void WriteProperties(PropertyBag& bag) const;
  void ReadProperties(const PropertyBag& bag);

  // ---- host notifications ---------------------------------------------------
  void OnPaint(gdi::HDC dc) override;
  void OnResize() override;
  void OnShow() override;
  void OnHide() override;
  void OnClick() override;
  void OnMouseDown(int16_t Button, int16_t Shift, float x, float y) override;
  void OnMouseMove(int16_t Button, int16_t Shift, float x, float y) override;
  void OnMouseUp(int16_t Button, int16_t Shift, float x, float y) override;
  // Every point of the rectangle takes mouse input, transparent ones too.
  int HitTest(int x, int y) override;
  void OnAsyncReadProgress(std::string_view propertyName, int32_t status) override;
  void OnAsyncReadComplete(std::string_view propertyName, const std::vector<uint8_t>& data,
                           int64_t totalBytes) override;

  // ---- inspection, for tools and tests --------------------------------------
  // The frame store as the last load left it, the composed image brought
  // up to the frame last drawn (kept drawings can let it lag behind; the
  // const form leaves it as it is).
  const FrameStore& Store() {
    SettleCanvas();
    return store_;
  }
  const FrameStore& Store() const { return store_; }
  // Frames 2 and later wait for the short timer that decodes them.
  bool DeferredDecodePending() const { return deferredPending_; }

 private:
  friend struct ucAniGIFInternals;

  // What ArmTimer is asked to do with the control's one timer.
  enum class TimerKind : int32_t { kStop = 0, kFrameClock = 1, kDeferredDecode = 2 };
  // What BlitFrame draws.
  enum class BlitSource { kStripFrame, kComposedImage };

  struct Rect {
    int32_t x = 0, y = 0, w = 0, h = 0;
  };

  // The common load driver: frame count, 0 when the control is left empty.
  int32_t LoadGif();
  bool BuildFrames(bool& firstPass);
  bool CreateCanvas(bool maskWanted);
  void ResetGif();
  bool RenderFrame(int32_t frameIndex, gdi::HDC dc);
  void MirrorFrames(MirrorStyle otherStyle, bool firstFrameOnly, bool alsoCanvas);
  void ComputeScale(int32_t& width, int32_t& height, float& scaleX, float& scaleY);
  bool ArmTimer(TimerKind kind);
  // The timer handlers, reached through the control's own callback.
  void OnTimerTick(const host::TimerTick& tick);
  void OnDeferredDecode(const host::TimerTick& tick);
  // Milliseconds frame i stays on screen.
  int32_t FrameInterval(int32_t frameIndex) const;

  bool BuildFramesOrThrow(bool& firstPass);
  bool SurveyAndAllocate();
  void DecodeFrame(int32_t i);
  void FinishBuild();
  void ReleaseBitmaps();
  // One drawing pass onto dc at rect: frame `frameIndex` from the strip, or
  // the composed image (Canvas through CanvasMask; `frameIndex` is not read).
  void BlitFrame(BlitSource source, int32_t frameIndex, gdi::HDC dc, bool stretched,
                 const Rect& rect);
  void FillSolidBackground(gdi::HDC dc);
  void ComposeFrame(int32_t frameIndex, bool afterDraw, std::vector<uint8_t>& SavedMaskRows,
                    std::vector<uint8_t>& SavedCanvasRows);
  void LoadStripTable(const int32_t* entries, int32_t count);
  // The composed image drawn onto dc at rect: only what changed in it since
  // it was last drawn there, when that is known to give the same pixels.
  void BlitComposed(int32_t frameIndex, gdi::HDC dc, bool stretched, const Rect& rect);
  // The stretched composed image drawn again onto dc at rect within the
  // band of target pixels that the changed part of it reaches.
  void RedrawStretchedPart(int32_t frameIndex, gdi::HDC dc, const Rect& rect);
  // Notes that the composed image (Canvas or CanvasMask) changed in the
  // rectangle x, y, w, h (in its own pixels).
  void ComposedChanged(int64_t x, int64_t y, int64_t w, int64_t h);
  // Frame i drawn into Canvas (and its mask) at its place, and its disposal
  // applied after it has been shown.
  void DrawOnCanvas(int32_t i, std::vector<uint8_t>& SavedMaskRows,
                    std::vector<uint8_t>& SavedCanvasRows);
  void DisposeOnCanvas(int32_t i, std::vector<uint8_t>& SavedMaskRows,
                       std::vector<uint8_t>& SavedCanvasRows);
  // Whether the composed image drawn at rect may be kept per frame, the
  // kept drawings then being of the right shape.
  bool KeepsComposedDrawings(bool stretched, const Rect& rect);
  // Composes again, into Canvas, the frames whose kept drawings were shown
  // in its place, so that it holds what drawing them would have left.
  void SettleCanvas();
  // Before anything that changes how frames compose (colours, mirroring,
  // the solid background): the kept drawings no longer hold.
  void ForgetComposedDrawings();
  host::TimerProc BuildCallbackThunk(TimerKind handler, int32_t argumentCount, int32_t thunkNumber,
                                     ucAniGIF* owner, bool probeRunMode);
  host::TimerProc FindCallbackEntry(ucAniGIF* owner, TimerKind handler);
  void FreeCallbackThunk() { CallbackEntry_ = nullptr; }
  void ShowCallbackError(const char* text);
  void FinishPendingDecode();
  void Request(ActionRequest request);
  bool PauseForPalette();
  void RaiseFrameChanged(int32_t frameIndex, bool viaTimer);
  void ResizeToStretch();
  // DelayAnimation: any non-zero value decodes frames 2 and later after
  // frame 1 is shown; the bit of value 2 then leaves the animation stopped.
  bool DecodesLater() const { return DelayAnimation_ != 0; }
  bool StaysStoppedAfterLoad() const { return (DelayAnimation_ & 2) != 0; }
  bool UserMode() const { return host_.UserMode(); }
  uintptr_t TimerId() const { return reinterpret_cast<uintptr_t>(this); }

  host::ControlHost& host_;
  ucAniGIFEvents events_;
  FrameStore store_;

  int32_t OffsetX_ = 0;
  int32_t OffsetY_ = 0;
  int32_t SolidBkgColor_ = 0;
  bool SolidBkgColorUsed_ = false;
  int16_t MinFrameDelay_ = 50;
  // Loops still to play. Wide enough for every loop count a file can give
  // (0..65535) and for any count set through Loops.
  int32_t LoopsRemaining_ = 0;
  PlayState Action_ = PlayState::kStopped;
  StretchMode Stretch_ = StretchMode::kFit;
  int32_t CurrentFrame_ = 0;
  int32_t DelayAnimation_ = 1;
  MirrorStyle Mirrored_ = MirrorStyle::kNone;
  // Frame 1 already has the orientation Mirrored asks for, the frames after
  // it (still to be decoded) not yet.
  bool FirstFrameMirrored_ = false;
  int32_t SteppedDelay_ = 0;
  bool InResize_ = false;
  host::PictureRef MouseIcon_;

  gdi::OwnedPen outlinePen_;
  host::TimerProc CallbackEntry_;
  intptr_t ParentWindow_ = 0;
  bool deferredPending_ = false;
  // Counts resets of the frame store, so that a timer handler can tell when
  // an event handler it called has reset or reloaded the control.
  uint64_t generation_ = 0;
  // Where the composed image was last drawn unscaled without a solid
  // background, the stamp the target's bitmap had right after (0: none),
  // and the part of the composed image changed since (right <= left: none).
  struct ComposedOnTarget {
    gdi::HDC dc;
    uint64_t stamp = 0;
    bool stretched = false;
    Rect rect;
    int32_t left = 0, top = 0, right = 0, bottom = 0;
  } drawnComposed_;
  // Drawings of the composed image kept per frame once the animation plays
  // on past its first loop.
  ComposedCache composedCache_;
  // The composed image holds frames 1..composedChain_ composed in order,
  // each disposed of after it was shown (0: not such a run); whole loops
  // composed in order since the kept drawings were last forgotten.
  int32_t composedChain_ = 0;
  int32_t loopsComposed_ = 0;
  // Canvas holds the run of frames 1..canvasChain_ while kept drawings of
  // the frames after it were shown instead of composing them.
  bool canvasBehind_ = false;
  int32_t canvasChain_ = 0;
};

}  // namespace veltrano::anigif
