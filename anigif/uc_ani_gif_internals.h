// Routines of the control that are not its interface, reached from its own
// tests and benchmarks only.
#pragma once

#include <cstddef>
#include <cstdint>

#include "anigif/uc_ani_gif.h"

namespace veltrano::anigif {

struct ucAniGIFInternals {
  // Draws frame `frameIndex` onto dc as the paint handler does; false for
  // frame 0.
  static bool RenderFrame(ucAniGIF& control, int32_t frameIndex, gdi::HDC dc) {
    return control.RenderFrame(frameIndex, dc);
  }
  // Bytes the kept drawings of the composed image may take (0: none kept).
  static void SetComposedCacheBudget(ucAniGIF& control, size_t bytes) {
    control.composedCache_.SetBudget(bytes);
  }
  // Whether a drawing of frame `frameIndex` is kept.
  static bool KeepsDrawing(const ucAniGIF& control, int32_t frameIndex) {
    return control.composedCache_.Has(frameIndex);
  }
  // Releases the frame store and stops the clock, as every load starts.
  static void ResetGif(ucAniGIF& control) { control.ResetGif(); }
  // Milliseconds frame `frameIndex` stays on screen.
  static int32_t FrameInterval(const ucAniGIF& control, int32_t frameIndex) {
    return control.FrameInterval(frameIndex);
  }
};

}  // namespace veltrano::anigif
