// Drawing a decoded picture into a device context of the raster layer.
//
// Kept apart from the decoder so that the decoder builds, fuzzes and
// benchmarks without the raster layer.
#pragma once

#include "platform/gdi/gdi.h"
#include "platform/picture/picture.h"

namespace veltrano::picture {

// Draws `picture` into the bitmap selected into `dc`, onto the destination
// rectangle (x, y, w, h) as StretchBlt takes it (a negative extent mirrors),
// with the DC's stretch mode. Pixels holding the picture's transparent index
// are left as they were.
//
// When the target is an 8-bit DIB section whose colour table is the index
// palette (entry i = blue i), the picture's own colours are entries of that
// palette (colour k = blue k) and the rectangle is the picture's size, the
// palette indices are written straight into the section; indices beyond the
// picture's palette are written as they are. Otherwise the colours are drawn
// through the raster layer, which keeps indices wherever the two colour
// tables agree.
//
// Returns false when nothing could be drawn (a DC without a bitmap, an empty
// rectangle, no memory for the temporary bitmaps).
bool Render(const Picture& picture, gdi::HDC dc, int x, int y, int w, int h);

}  // namespace veltrano::picture
