// Frames and colour tables for the export tests, generated from fixed seeds.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "anigif/export_frame.h"

namespace veltrano::anigif::testing {

struct TestFrame {
  std::string name;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint8_t> rows;  // top-down, `width` bytes per row

  FramePixels View() const { return {rows.data(), width, width, height}; }
  std::uint8_t At(int x, int y) const { return rows[static_cast<std::size_t>(y) * width + x]; }
};

// Independent pixels drawn from the first `colours` indices.
inline TestFrame NoiseFrame(std::uint32_t seed, int w, int h, int colours) {
  std::mt19937 rng(seed);
  TestFrame f{"noise" + std::to_string(colours) + "_" + std::to_string(w) + "x" + std::to_string(h),
              w, h, std::vector<std::uint8_t>(static_cast<std::size_t>(w) * h)};
  for (auto& px : f.rows) px = static_cast<std::uint8_t>(rng() % static_cast<unsigned>(colours));
  return f;
}

// A diagonal ramp through all 256 indices with a little seeded grain.
inline TestFrame GradientFrame(std::uint32_t seed, int w, int h) {
  std::mt19937 rng(seed);
  TestFrame f{"gradient_" + std::to_string(w) + "x" + std::to_string(h), w, h,
              std::vector<std::uint8_t>(static_cast<std::size_t>(w) * h)};
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const int base = (x * 255 / (w > 1 ? w - 1 : 1) + y * 97 / (h > 1 ? h - 1 : 1)) / 2;
      const int grain = static_cast<int>(rng() % 3) - 1;
      f.rows[static_cast<std::size_t>(y) * w + x] =
          static_cast<std::uint8_t>(std::clamp(base + grain, 0, 255));
    }
  }
  return f;
}

inline TestFrame FlatFrame(int w, int h, std::uint8_t index) {
  return {"flat" + std::to_string(index) + "_" + std::to_string(w) + "x" + std::to_string(h), w, h,
          std::vector<std::uint8_t>(static_cast<std::size_t>(w) * h, index)};
}

// `count` random colours as 0x00RRGGBB, the rest 0, the count in entry 256.
inline std::array<std::int32_t, kColorTableSlots> RandomTable(std::uint32_t seed, int count) {
  std::mt19937 rng(seed);
  std::array<std::int32_t, kColorTableSlots> t{};
  for (int i = 0; i < count; ++i)
    t[static_cast<std::size_t>(i)] = static_cast<std::int32_t>(rng() & 0xFFFFFF);
  t[256] = count;
  return t;
}

}  // namespace veltrano::anigif::testing
