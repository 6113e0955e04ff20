// Deterministic image content for tests and benchmarks, from fixed seeds.
#pragma once

#include <cstdint>
#include <vector>

namespace veltrano::picture::testing {

enum class Pattern {
  kNoise,   // independent random indices: short strings, the table fills fast
  kRuns,    // horizontal runs of random length: long strings
  kBlocks,  // flat rectangles with a few stray pixels: very long strings
  kPhoto,   // smooth shapes plus dithering noise, like a quantised photograph
};

// width × height indices in 0..colors-1, top row first.
std::vector<std::uint8_t> MakeImage(Pattern pattern, int width, int height, int colors,
                                    std::uint32_t seed);

// A palette of `colors` distinct colours.
std::vector<std::uint32_t> MakePalette(int colors, std::uint32_t seed);

}  // namespace veltrano::picture::testing
