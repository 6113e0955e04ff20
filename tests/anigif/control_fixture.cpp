#include "tests/anigif/control_fixture.h"

namespace veltrano::anigif::testing {

Bytes MakeGif(const std::vector<FrameSpec>& frames, size_t globalColors, int loops, int screenW,
              int screenH) {
  Bytes gif;
  AppendHeader(gif, "GIF89a", screenW, screenH, Ramp(globalColors));
  if (loops >= 0) AppendLoops(gif, loops);
  for (const FrameSpec& f : frames) {
    if (f.control) AppendControl(gif, f.disposal, f.delayCs, f.transIndex);
    AppendImage(gif, f.image, globalColors != 0);
  }
  AppendTrailer(gif);
  return gif;
}

FrameSpec Frame(int left, int top, int w, int h, int colors, int seed) {
  FrameSpec f;
  f.image.left = left;
  f.image.top = top;
  f.image.width = w;
  f.image.height = h;
  f.image.pixels = Pattern(w, h, colors, seed);
  return f;
}

ControlFixture::ControlFixture(bool runMode, int width, int height)
    : host(clock, runMode), control(host) {
  host.Resize(width, height);
  control.Events().FrameChanged = [this](int32_t frame, bool viaTimer) {
    changes.push_back({frame, viaTimer, clock.Now()});
  };
  control.Events().LoopsEnded = [this] { ++loopsEnded; };
}

ControlFixture::~ControlFixture() = default;

uint8_t ControlFixture::StripIndex(int x, int y) const {
  return control.Store().StripRow(y)[x];
}

std::vector<uint8_t> ControlFixture::FrameIndices(int i) const {
  const FrameInfo& f = control.Store().Frame(i);
  std::vector<uint8_t> out;
  for (int y = 0; y < f.Height; ++y) {
    for (int x = 0; x < f.Width; ++x) out.push_back(StripIndex(f.StripX + x, y));
  }
  return out;
}

}  // namespace veltrano::anigif::testing
