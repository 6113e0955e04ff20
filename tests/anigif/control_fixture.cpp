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

bool ControlFixture::LoadStopped(const Bytes& gif, bool stretched, size_t cacheBudget) {
  ucAniGIFInternals::SetComposedCacheBudget(control, cacheBudget);
  control.SetStretch(stretched ? 2 : 0);
  control.SetDelayAnimation(0);
  if (!Load(gif)) return false;
  control.SetAction(0);
  host.RepaintNow();
  return true;
}

void PickClientSize(std::mt19937& rng, const RandomAnimation& a, bool stretched, int* cw, int* ch) {
  auto pick = [&](int lo, int hi) { return lo + static_cast<int>(rng() % (hi - lo + 1)); };
  *cw = stretched ? pick(a.w / 3 + 1, 3 * a.w) : a.w + 3;
  *ch = stretched ? pick(a.h / 3 + 1, 3 * a.h) : a.h + 2;
}

RandomAnimation MakeRandomAnimation(std::mt19937& rng, int round, int minFrames, int maxFrames) {
  auto pick = [&](int lo, int hi) { return lo + static_cast<int>(rng() % (hi - lo + 1)); };
  RandomAnimation a;
  a.w = pick(9, 40);
  a.h = pick(5, 30);
  std::vector<FrameSpec> frames;
  const int n = pick(minFrames, maxFrames);
  for (int k = 0; k < n; ++k) {
    const bool smallFirst = k == 0 && round % 3 == 0;
    const int fw = smallFirst ? pick(1, a.w) : pick(1, a.w / 2);
    const int fh = smallFirst ? pick(1, a.h) : pick(1, a.h / 2);
    FrameSpec f = Frame(pick(0, a.w - fw), pick(0, a.h - fh), fw, fh, 4, pick(0, 99));
    if (k == 0 && !smallFirst) f = Frame(0, 0, a.w, a.h, 4, pick(0, 99));
    f.disposal = pick(0, 3);
    if (pick(0, 2) > 0) f.transIndex = pick(0, 3);
    frames.push_back(f);
  }
  a.gif = MakeGif(frames, 4, -1, a.w, a.h);
  return a;
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
