// The control's life in its host: creation and destruction, the properties
// that steer drawing and the clock, and the host's notifications.
#include "anigif/uc_ani_gif.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "anigif/export_frame.h"
#include "anigif/property_bag.h"
#include "platform/gdi/gdi.h"

namespace veltrano::anigif {
namespace {

constexpr gdi::COLORREF kWindowFrameColor = gdi::kSystemColorFlag | gdi::COLOR_WINDOWFRAME;
constexpr int32_t kMinDelayFloor = 10;
constexpr int32_t kMinDelayCeiling = 32700;

// The request that puts the animation back into `state`.
ActionRequest RequestFor(PlayState state) {
  switch (state) {
    case PlayState::kPlaying:
      return ActionRequest::kPlay;
    case PlayState::kPaused:
      return ActionRequest::kPause;
    case PlayState::kStopped:
      break;
  }
  return ActionRequest::kStop;
}

int32_t RoundHalfEven(double v) {
  const double r = std::nearbyint(v);
  if (r >= std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (r <= std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(r);
}

}  // namespace

ucAniGIF::ucAniGIF(host::ControlHost& host)
    : host_(host), outlinePen_(gdi::CreatePen(gdi::PS_DOT, 1, kWindowFrameColor)) {
  host_.Attach(this);
}

ucAniGIF::~ucAniGIF() {
  ResetGif();
  FreeCallbackThunk();
  host_.Attach(nullptr);
}

// ---- properties ------------------------------------------------------------

host::PictureRef ucAniGIF::AnimatedGIF() const {
  if (CurrentFrame_ == 0) return nullptr;
  // The encoder keeps its state to itself, so a decode still pending keeps
  // the frame store's scratch buffers as they are.
  return MakePictureObject(ExportFrameGif(store_, CurrentFrame_));
}

void ucAniGIF::SetAnimatedGIF(const host::PictureRef& aGif) {
  if (UserMode()) return;
  if (aGif) {
    store_.GifBytes = aGif->gifBytes;
  } else {
    store_.GifBytes.clear();
  }
  if (LoadGif() != 0) {
    // The control takes the image's own size, whatever its scaling mode.
    const StretchMode saved = Stretch_;
    Stretch_ = StretchMode::kImageSize;
    OnResize();
    Stretch_ = saved;
    store_.GifInfo.ScaleX = 1.0f;
    store_.GifInfo.ScaleY = 1.0f;
  }
  Refresh();
  host_.PropertyChanged("AnimatedGIF");
}

void ucAniGIF::SetEnabled(bool Enable) {
  host_.SetEnabled(Enable);
  host_.PropertyChanged("Enabled");
}

void ucAniGIF::SetMouseIcon(const host::PictureRef& MousePic) {
  MouseIcon_ = MousePic;
  (void)host_.ApplyMouseIcon(MousePic);  // a picture the host cannot use is ignored
  if (!MousePic) (void)host_.SetMousePointer(0);
  host_.PropertyChanged("MouseIcon");
}

void ucAniGIF::SetMousePointer(int32_t Pointer) {
  // The host keeps the pointer in 16 bits; anything else is an invalid value.
  if (Pointer < std::numeric_limits<int16_t>::min() ||
      Pointer > std::numeric_limits<int16_t>::max()) {
    return;
  }
  (void)host_.SetMousePointer(static_cast<int16_t>(Pointer));
}

void ucAniGIF::SetStretch(int32_t newScale) {
  if (newScale < 0 || newScale > kLastStretchMode || newScale == Stretch()) return;
  const PlayState saved = Action_;
  Stretch_ = static_cast<StretchMode>(newScale);
  Request(ActionRequest::kPause);
  OnResize();
  Request(RequestFor(saved));
  if (saved != PlayState::kPlaying) Refresh();
  host_.PropertyChanged("Stretch");
}

void ucAniGIF::SetMirrored(int32_t MirrorStyle) {
  if (MirrorStyle < 0 || MirrorStyle > kLastMirrorStyle) return;
  const auto style = static_cast<anigif::MirrorStyle>(MirrorStyle);
  if (CurrentFrame_ == 0) {
    Mirrored_ = style;
    host_.PropertyChanged("Mirrored");
    return;
  }
  if (style == Mirrored_) return;
  const PlayState saved = Action_;
  Request(ActionRequest::kPause);
  MirrorFrames(style, !UserMode(), UserMode());
  Mirrored_ = style;
  if (saved == PlayState::kPlaying) {
    Request(ActionRequest::kPlay);
  } else {
    Refresh();
  }
  host_.PropertyChanged("Mirrored");
}

void ucAniGIF::SetDelayAnimation(int32_t Mode) {
  if (Mode < 0 || Mode > 3 || Mode == DelayAnimation_) return;
  DelayAnimation_ = Mode;
  host_.PropertyChanged("DelayAnimation");
}

void ucAniGIF::SetMinFrameDelay(int32_t Delay) {
  const auto clamped = static_cast<int16_t>(std::clamp(Delay, kMinDelayFloor, kMinDelayCeiling));
  if (clamped == MinFrameDelay_) return;
  MinFrameDelay_ = clamped;
  host_.PropertyChanged("Delay");
}

void ucAniGIF::SetSteppedDelay(int32_t newDelay) {
  SteppedDelay_ = std::max(newDelay, 0);
}

void ucAniGIF::SetLoops(int32_t Count) {
  if (Count == store_.GifInfo.Loops) return;
  // The one count without an absolute value in 32 bits keeps the largest.
  store_.GifInfo.Loops = Count == std::numeric_limits<int32_t>::min()
                             ? std::numeric_limits<int32_t>::max()
                             : std::abs(Count);
  host_.PropertyChanged("Loops");
}

int32_t ucAniGIF::LoopsRemaining() const {
  if (CurrentFrame_ == 0) return 0;
  if (Loops() == 0) return std::numeric_limits<int32_t>::max();
  return LoopsRemaining_;
}

void ucAniGIF::SetOffsetX(int32_t NewOffset) {
  OffsetX_ = NewOffset;
  if (!(Action_ == PlayState::kPlaying && UserMode())) Refresh();
}

void ucAniGIF::SetOffsetY(int32_t NewOffset) {
  OffsetY_ = NewOffset;
  if (!(Action_ == PlayState::kPlaying && UserMode())) Refresh();
}

void ucAniGIF::SetSolidBkgColor(int32_t Color) {
  if (Color != SolidBkgColor_) ForgetComposedDrawings();
  SolidBkgColor_ = Color;
  if (SolidBkgColorUsed_ && !UserMode()) Refresh();
}

void ucAniGIF::SetSolidBkgColorUsed(bool IgnoreTransparency) {
  if (IgnoreTransparency != SolidBkgColorUsed_) ForgetComposedDrawings();
  SolidBkgColorUsed_ = IgnoreTransparency;
  if (!UserMode()) Refresh();
}

int32_t ucAniGIF::ActualWidth() const {
  return static_cast<int32_t>(
      std::floor(host_.Convert(store_.GifInfo.Width, host::Axis::kHorizontal,
                               host::ScaleUnit::kPixels, host::ScaleUnit::kContainerSize)));
}

int32_t ucAniGIF::ActualHeight() const {
  return static_cast<int32_t>(
      std::floor(host_.Convert(store_.GifInfo.Height, host::Axis::kVertical,
                               host::ScaleUnit::kPixels, host::ScaleUnit::kContainerSize)));
}

// ---- host notifications ----------------------------------------------------

void ucAniGIF::OnResize() {
  if (CurrentFrame_ == 0 || InResize_) return;
  int32_t w = RoundHalfEven(host_.ClientWidth());
  int32_t h = RoundHalfEven(host_.ClientHeight());
  ComputeScale(w, h, store_.GifInfo.ScaleX, store_.GifInfo.ScaleY);
  InResize_ = true;
  host_.SetSize(RoundHalfEven(host_.Convert(w, host::Axis::kHorizontal, host::ScaleUnit::kPixels,
                                            host::ScaleUnit::kTwips)),
                RoundHalfEven(host_.Convert(h, host::Axis::kVertical, host::ScaleUnit::kPixels,
                                            host::ScaleUnit::kTwips)));
  InResize_ = false;
}

void ucAniGIF::OnShow() {
  if (Action_ == PlayState::kPaused) ArmTimer(TimerKind::kFrameClock);
}

void ucAniGIF::OnHide() {
  Request(ActionRequest::kPause);
}

int ucAniGIF::HitTest(int x, int y) {
  (void)x;
  (void)y;
  return 3;
}

void ucAniGIF::OnClick() {
  if (events_.Click) events_.Click();
}

namespace {
float ToContainer(const host::ControlHost& host, float v, host::Axis axis) {
  return static_cast<float>(std::floor(
      host.Convert(v, axis, host::ScaleUnit::kPixels, host::ScaleUnit::kContainerPosition)));
}
}  // namespace

void ucAniGIF::OnMouseDown(int16_t Button, int16_t Shift, float x, float y) {
  if (events_.MouseDown) {
    events_.MouseDown(Button, Shift, ToContainer(host_, x, host::Axis::kHorizontal),
                      ToContainer(host_, y, host::Axis::kVertical));
  }
}

void ucAniGIF::OnMouseMove(int16_t Button, int16_t Shift, float x, float y) {
  if (events_.MouseMove) {
    events_.MouseMove(Button, Shift, ToContainer(host_, x, host::Axis::kHorizontal),
                      ToContainer(host_, y, host::Axis::kVertical));
  }
}

void ucAniGIF::OnMouseUp(int16_t Button, int16_t Shift, float x, float y) {
  if (events_.MouseUp) {
    events_.MouseUp(Button, Shift, ToContainer(host_, x, host::Axis::kHorizontal),
                    ToContainer(host_, y, host::Axis::kVertical));
  }
}

}  // namespace veltrano::anigif
