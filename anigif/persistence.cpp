// The control's property set: what the form stores for it and hands back when
// it loads. Values are written with the defaults of a new control, so a set
// holds only what was changed.
#include <algorithm>
#include <utility>

#include "anigif/property_bag.h"
#include "anigif/uc_ani_gif.h"

namespace veltrano::anigif {
namespace {

constexpr int16_t kDefaultDelay = 50;

// A stored value outside the range its setter accepts comes from a damaged or
// hand-made set; the control takes the default rather than a mode it has no
// drawing or timing for.
int32_t InRangeOr(int32_t value, int32_t low, int32_t high, int32_t fallback) {
  return value >= low && value <= high ? value : fallback;
}

}  // namespace

void ucAniGIF::WriteProperties(PropertyBag& bag) const {
  bag.WriteProperty("GIF", store_.GifBytes);
  bag.WriteProperty("Delay", MinFrameDelay_, int16_t{kDefaultDelay});
  bag.WriteProperty("Stretch", Stretch(), int32_t{1});
  bag.WriteProperty("Loops", Loops(), int32_t{0});
  bag.WriteProperty("DelayLoad", DelayAnimation_, int32_t{1});
  bag.WriteProperty("Mirror", Mirrored(), int32_t{0});
  bag.WriteProperty("MouseIcon", MouseIcon_, host::PictureRef{});
  bag.WriteProperty("MousePointer", host_.MousePointer(), int16_t{0});
  bag.WriteProperty("Enabled", host_.Enabled(), true);
  bag.WriteProperty("OffsetX", OffsetX_, int32_t{0});
  bag.WriteProperty("OffsetY", OffsetY_, int32_t{0});
  bag.WriteProperty("BkgFill", SolidBkgColor_, int32_t{0});
  bag.WriteProperty("BkgUsed", SolidBkgColorUsed_, false);
  bag.WriteProperty("StepDelay", SteppedDelay_, int32_t{0});
}

void ucAniGIF::ReadProperties(const PropertyBag& bag) {
  ForgetComposedDrawings();
  store_.GifBytes = bag.ReadBytes("GIF", std::move(store_.GifBytes));
  // A delay below the floor would re-arm the frame clock without pause.
  MinFrameDelay_ =
      static_cast<int16_t>(std::clamp<int32_t>(bag.ReadI16("Delay", MinFrameDelay_), 10, 32700));
  Stretch_ = static_cast<StretchMode>(InRangeOr(bag.ReadI32("Stretch", 1), 0, kLastStretchMode, 1));
  const int32_t delayLoad = bag.ReadI32("DelayLoad", 1);
  DelayAnimation_ = delayLoad == -1 ? 1 : InRangeOr(delayLoad, 0, 3, 1);
  Mirrored_ = static_cast<MirrorStyle>(InRangeOr(bag.ReadI32("Mirror", 0), 0, kLastMirrorStyle, 0));
  host_.SetEnabled(bag.ReadBool("Enabled", true));
  MouseIcon_ = bag.ReadPicture("MouseIcon", nullptr);
  (void)host_.ApplyMouseIcon(MouseIcon_);
  (void)host_.SetMousePointer(bag.ReadI16("MousePointer", 0));  // invalid values are ignored
  SolidBkgColor_ = bag.ReadI32("BkgFill", 0);
  SolidBkgColorUsed_ = bag.ReadBool("BkgUsed", false);
  SteppedDelay_ = std::max(bag.ReadI32("StepDelay", 0), 0);
  OffsetX_ = bag.ReadI32("OffsetX", 0);
  OffsetY_ = bag.ReadI32("OffsetY", 0);

  if (LoadGif() == 0) return;  // an empty control; "Loops" stays unread
  // The loop counter is wide, so any stored count restarts it without
  // overflowing.
  store_.GifInfo.Loops = bag.ReadI32("Loops", store_.GifInfo.Loops);
  LoopsRemaining_ = store_.GifInfo.Loops;
}

}  // namespace veltrano::anigif
