#include "platform/picture/interlace.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "tests/testing/gif_writer.h"

namespace veltrano::picture {
namespace {

// The display rows in storage order, pass by pass.
std::vector<int> PassOrder(int height) {
  std::vector<int> rows;
  const int start[] = {0, 4, 2, 1};
  const int step[] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass) {
    for (int y = start[pass]; y < height; y += step[pass]) rows.push_back(y);
  }
  return rows;
}

TEST(Interlace, StoredRowsMapToThePassRows) {
  for (int height = 1; height <= 40; ++height) {
    const std::vector<int> order = PassOrder(height);
    ASSERT_EQ(order.size(), static_cast<std::size_t>(height));
    for (int stored = 0; stored < height; ++stored) {
      ASSERT_EQ(InterlacedRow(stored, height), order[stored]) << height << " " << stored;
    }
  }
}

TEST(Interlace, DeinterlaceRestoresDisplayOrderInPlace) {
  for (int height : {1, 2, 3, 4, 5, 7, 8, 9, 16, 17, 65, 250}) {
    for (int width : {1, 3, 16}) {
      std::vector<std::uint8_t> display(static_cast<std::size_t>(width) * height);
      for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
          display[y * width + x] = static_cast<std::uint8_t>(y * 7 + x);
      }
      std::vector<std::uint8_t> pixels = testing::InterlaceRows(display, width, height);
      Deinterlace(pixels.data(), width, height);
      ASSERT_EQ(pixels, display) << width << "x" << height;
    }
  }
}

}  // namespace
}  // namespace veltrano::picture
