// A control on a headless host with a virtual clock, and helpers to build
// animations and look into the frame strip.
#pragma once

#include <cstdint>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "anigif/uc_ani_gif.h"
#include "anigif/uc_ani_gif_internals.h"
#include "platform/gdi/gdi.h"
#include "platform/host/headless_control_host.h"
#include "tests/testing/gif_blocks.h"

namespace veltrano::anigif::testing {

struct FrameSpec {
  ImageSpec image;
  int disposal = 0;
  int delayCs = 10;
  int transIndex = -1;
  bool control = true;  // write a graphic control extension
};

// An animation with a global table of `globalColors` entries (0 = none).
Bytes MakeGif(const std::vector<FrameSpec>& frames, size_t globalColors = 4, int loops = -1,
              int screenW = 0, int screenH = 0);

// A frame of w x h at (left, top) filled with Pattern(w, h, colors, seed).
FrameSpec Frame(int left, int top, int w, int h, int colors = 4, int seed = 0);

// A random animation of w x h for drawing comparisons: partial frames at
// random places, every disposal, transparency now and then; frame 1 covers
// the whole image except in every third round, where it is a random part.
struct RandomAnimation {
  int w = 0, h = 0;
  Bytes gif;
};
RandomAnimation MakeRandomAnimation(std::mt19937& rng, int round, int minFrames, int maxFrames);
// The client size for drawing it: a little larger than the image when
// unscaled; when stretched, anything from a third to three times its size
// on each axis.
void PickClientSize(std::mt19937& rng, const RandomAnimation& a, bool stretched, int* cw, int* ch);

struct FrameChange {
  int32_t frame;
  bool viaTimer;
  uint64_t time;
  friend bool operator==(const FrameChange&, const FrameChange&) = default;
  friend void PrintTo(const FrameChange& c, std::ostream* os) {
    *os << "{" << c.frame << ", " << (c.viaTimer ? "timer" : "request") << ", " << c.time << "}";
  }
};

class ControlFixture {
 public:
  explicit ControlFixture(bool runMode = true, int width = 0, int height = 0);
  ~ControlFixture();

  bool Load(const Bytes& gif) { return control.LoadAnimatedGIF_Array(ByteArrayArg::Of(gif)); }
  // Loads gif with every frame decoded and the clock stopped, frame 1 shown,
  // stretched to fill the control or unscaled. `cacheBudget` bytes for the
  // drawings of the composed image the control keeps.
  bool LoadStopped(const Bytes& gif, bool stretched, size_t cacheBudget);
  // Palette index of the strip at (x, y), y from the top.
  uint8_t StripIndex(int x, int y) const;
  // The decoded indices of frame i, top row first.
  std::vector<uint8_t> FrameIndices(int i) const;

  host::VirtualClock clock;
  host::HeadlessControlHost host;
  ucAniGIF control;
  std::vector<FrameChange> changes;
  int loopsEnded = 0;
};

}  // namespace veltrano::anigif::testing
