// Interlaced GIF images store their rows in four passes: every 8th row from
// row 0, every 8th from row 4, every 4th from row 2, every 2nd from row 1.
// A pass with no rows (an image shorter than 5, 3 or 2 rows) is simply empty.
#pragma once

#include <cstdint>

namespace veltrano::picture {

// The display row (0 = top) of the `stored`-th row of an interlaced image of
// `height` rows. Requires 0 <= stored < height.
int InterlacedRow(int stored, int height);

// Reorders the rows of `pixels` (width × height bytes, in stored order) into
// display order, in place. Needs only one spare row.
void Deinterlace(std::uint8_t* pixels, int width, int height);

}  // namespace veltrano::picture
