// Solid fills shared by PatBlt, BitBlt's source-less operations, FillRect
// and Rectangle. The object table's mutex is held by the callers.
#pragma once

#include <cstdint>

#include "platform/gdi/bitmap.h"
#include "platform/gdi/object_table.h"
#include "platform/gdi/pixel_rows.h"

namespace veltrano::gdi::detail {

// The pixel value a solid colour (COLORREF) takes in b: the colour itself
// in 24/32 bits, the nearest table entry in 1 and 8 bits.
uint32_t SolidValue(const Bitmap& b, COLORREF color);

// The colour (COLORREF) a pixel value shows in b.
COLORREF ValueColor(const Bitmap& b, uint32_t value);

// Fills left .. right - 1, top .. bottom - 1, clipped to b.
void FillBox(Bitmap& b, int64_t left, int64_t top, int64_t right, int64_t bottom, uint32_t value,
             Rop rop);

// Narrows a box to the DC's clip rectangle, if it has one.
void ClipBox(const DcData& dc, int64_t& left, int64_t& top, int64_t& right, int64_t& bottom);

// PATCOPY, PATINVERT, DSTINVERT, BLACKNESS, WHITENESS.
bool PatternRop(DWORD rop);
// Applies a pattern operation with the DC's brush over a normalised box,
// within the DC's clip.
void PatternFill(ObjectTable& t, const DcData& dc, Bitmap& b, int64_t left, int64_t top,
                 int64_t right, int64_t bottom, DWORD rop);

}  // namespace veltrano::gdi::detail
