#include "tests/platform/picture/test_images.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace veltrano::picture::testing {

std::vector<std::uint8_t> MakeImage(Pattern pattern, int width, int height, int colors,
                                    std::uint32_t seed) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> color(0, colors - 1);
  std::vector<std::uint8_t> px(static_cast<std::size_t>(width) * height);
  switch (pattern) {
    case Pattern::kNoise:
      for (auto& p : px) p = static_cast<std::uint8_t>(color(rng));
      break;
    case Pattern::kRuns: {
      std::uniform_int_distribution<int> run(1, 40);
      std::size_t i = 0;
      while (i < px.size()) {
        const std::size_t n = std::min<std::size_t>(run(rng), px.size() - i);
        std::fill_n(px.begin() + i, n, static_cast<std::uint8_t>(color(rng)));
        i += n;
      }
      break;
    }
    case Pattern::kBlocks: {
      std::uniform_int_distribution<int> xs(0, width - 1);
      std::uniform_int_distribution<int> ys(0, height - 1);
      std::fill(px.begin(), px.end(), static_cast<std::uint8_t>(color(rng)));
      for (int r = 0; r < 12; ++r) {
        int x0 = xs(rng), x1 = xs(rng), y0 = ys(rng), y1 = ys(rng);
        if (x0 > x1) std::swap(x0, x1);
        if (y0 > y1) std::swap(y0, y1);
        const auto c = static_cast<std::uint8_t>(color(rng));
        for (int y = y0; y <= y1; ++y) {
          std::fill_n(px.begin() + static_cast<std::size_t>(y) * width + x0, x1 - x0 + 1, c);
        }
      }
      std::uniform_int_distribution<std::size_t> any(0, px.size() - 1);
      for (std::size_t k = 0; k < px.size() / 500; ++k)
        px[any(rng)] = static_cast<std::uint8_t>(color(rng));
      break;
    }
    case Pattern::kPhoto: {
      std::uniform_real_distribution<double> phase(0, 6.283);
      std::normal_distribution<double> grain(0, 0.35);
      const double a = phase(rng), b = phase(rng), c = phase(rng);
      for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
          const double u = static_cast<double>(x) / width, v = static_cast<double>(y) / height;
          double t = 0.5 + 0.22 * std::sin(6.1 * u + a) * std::cos(4.3 * v + b) +
                     0.18 * std::sin(13.7 * (u + v) + c) + 0.1 * std::cos(29.0 * u * v + a);
          t = std::clamp(t, 0.0, 1.0) * (colors - 1) + grain(rng);
          px[static_cast<std::size_t>(y) * width + x] = static_cast<std::uint8_t>(
              std::clamp(static_cast<int>(std::lround(t)), 0, colors - 1));
        }
      }
      break;
    }
  }
  return px;
}

std::vector<std::uint32_t> MakePalette(int colors, std::uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<std::uint32_t> palette;
  for (int i = 0; i < colors; ++i)
    palette.push_back((rng() & 0xFFFF00u) | static_cast<std::uint32_t>(i));
  return palette;
}

}  // namespace veltrano::picture::testing
