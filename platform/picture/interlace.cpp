#include "platform/picture/interlace.h"

#include <cstddef>
#include <cstring>
#include <memory>
#include <vector>

namespace veltrano::picture {
namespace {

// Where the display row `row` is stored.
int StoredRow(int row, int height) {
  const int pass1 = (height + 7) / 8;
  const int pass2 = (height + 3) / 8;
  const int pass3 = (height + 1) / 4;
  if (row % 8 == 0) return row / 8;
  if (row % 8 == 4) return pass1 + row / 8;
  if (row % 4 == 2) return pass1 + pass2 + row / 4;
  return pass1 + pass2 + pass3 + row / 2;
}

}  // namespace

int InterlacedRow(int stored, int height) {
  const int pass1 = (height + 7) / 8;
  const int pass2 = (height + 3) / 8;
  const int pass3 = (height + 1) / 4;
  if (stored < pass1) return stored * 8;
  stored -= pass1;
  if (stored < pass2) return 4 + stored * 8;
  stored -= pass2;
  if (stored < pass3) return 2 + stored * 4;
  stored -= pass3;
  return 1 + stored * 2;
}

void Deinterlace(std::uint8_t* pixels, int width, int height) {
  if (width <= 0 || height <= 2) return;  // rows 0 and 1 are already in place
  const std::size_t w = static_cast<std::size_t>(width);
  auto row = [&](int y) { return pixels + static_cast<std::size_t>(y) * w; };
  std::unique_ptr<std::uint8_t[]> spare(new std::uint8_t[w]);
  std::vector<bool> done(static_cast<std::size_t>(height));
  // Follow each cycle of the permutation: display row j takes stored row
  // StoredRow(j), which is read just before it is overwritten.
  for (int start = 0; start < height; ++start) {
    if (done[start]) continue;
    done[start] = true;
    if (StoredRow(start, height) == start) continue;
    std::memcpy(spare.get(), row(start), w);
    int j = start;
    for (;;) {
      const int k = StoredRow(j, height);
      if (k == start) {
        std::memcpy(row(j), spare.get(), w);
        break;
      }
      std::memcpy(row(j), row(k), w);
      done[k] = true;
      j = k;
    }
  }
}

}  // namespace veltrano::picture
