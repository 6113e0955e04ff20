// The named values of the control's modes and states. The control's public
// properties take and give them as the plain integers its hosts store.
#pragma once

#include <cstdint>

namespace veltrano::anigif {

// What the animation is doing: the value the Action property reads.
enum class PlayState : int32_t { kStopped = 0, kPlaying = 1, kPaused = 2 };

// What a value written to the Action property asks for.
enum class ActionRequest : int32_t {
  kStop = 0,     // back to frame 1, clock stopped
  kPlay = 1,     // go on from the frame on screen
  kPause = 2,    // keep the frame on screen
  kStep = 3,     // show the next frame and pause
  kRestart = 4,  // back to frame 1 and play
};
inline constexpr int32_t kLastActionRequest = 4;

// How the image is scaled into the control (the Stretch property).
enum class StretchMode : int32_t {
  kClip = 0,         // unscaled; the control is never larger than the image
  kFit = 1,          // scaled to fit, keeping its proportions
  kFill = 2,         // scaled to fill the control
  kShrinkToFit = 3,  // as kFit, but never enlarged
  kImageSize = 4,    // unscaled; the control takes the image's size
};
inline constexpr int32_t kLastStretchMode = 4;

// Which way the frames are flipped (the Mirrored property): one bit per axis.
enum class MirrorStyle : int32_t { kNone = 0, kHorizontal = 1, kVertical = 2, kBoth = 3 };
inline constexpr int32_t kLastMirrorStyle = 3;

constexpr MirrorStyle operator^(MirrorStyle a, MirrorStyle b) {
  return static_cast<MirrorStyle>(static_cast<int32_t>(a) ^ static_cast<int32_t>(b));
}
// Whether `style` flips along `axis` (kHorizontal or kVertical).
constexpr bool Flips(MirrorStyle style, MirrorStyle axis) {
  return (static_cast<int32_t>(style) & static_cast<int32_t>(axis)) != 0;
}

}  // namespace veltrano::anigif
