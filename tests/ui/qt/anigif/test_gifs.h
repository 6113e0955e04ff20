// GIFs and helpers shared by the widget tests.
#pragma once

#include <QColor>
#include <cstdint>
#include <vector>

#include "anigif/uc_ani_gif.h"

namespace veltrano::qtgif::testing {

// Colours of the frames of SolidFrames, in order: red, green, blue.
inline const std::vector<uint32_t> kFrameColors = {0xFF0000, 0x00FF00, 0x0000FF};

// A width x height animation of `frames` frames (at most 3), each filling
// the whole image with one colour of kFrameColors, endless loop.
std::vector<uint8_t> SolidFrames(int width, int height, int frames, int delayCs = 1);

// The colour a pixel of frame i (1-based) of SolidFrames shows.
QColor FrameColor(int32_t frame);

// Loads `bytes` into the control through the array method.
bool LoadBytes(anigif::ucAniGIF& control, const std::vector<uint8_t>& bytes);

}  // namespace veltrano::qtgif::testing
