// The raster layer: memory bitmaps in the DIB layout, device contexts and
// block transfers, with GDI's names and semantics, in portable C++.
//
// What is here:
//  - DIB sections of 1, 8, 24 and 32 bits per pixel. Rows are padded to 4
//    bytes; a positive biHeight means bottom-up rows (the last row in memory
//    is the top of the picture), a negative one top-down rows. The pixels are
//    zero when the section is created. 1- and 8-bit sections carry a colour
//    table of RGBQUAD (256 entries are always kept; entries beyond biClrUsed
//    are black).
//  - Memory device contexts: one selected bitmap (a 1 x 1 monochrome stock
//    bitmap at first), brush, pen, stretch mode (BLACKONWHITE at first), brush
//    origin, background colour (white) and mode (OPAQUE), text colour (black).
//    A bitmap can be selected into one DC at a time. Coordinates are pixels,
//    y growing downwards from the top row of the picture, whatever the row
//    order in memory.
//  - BitBlt/StretchBlt with SRCCOPY, SRCAND, SRCPAINT, SRCINVERT and
//    NOTSRCCOPY between any two depths, mirroring through negative extents,
//    in place too (source DC = destination DC), clipped to both bitmaps.
//  - Solid, stock and system-colour brushes, FillRect and PatBlt, Rectangle
//    with solid and styled (dotted, dashed) pens, SetPixel/GetPixel.
//  - SetDIBColorTable/GetDIBColorTable, GetDIBits (header query and pixels),
//    StretchDIBits, GetObject.
//
// Depth conversions (the source pixel is first turned into the destination's
// format, then the raster operation works bitwise on destination pixel
// values, as GDI does):
//  - into 24/32 bits: 1- and 8-bit sources map through their colour table;
//    colour sources are copied. The fourth byte of a 32-bit pixel is always
//    written as 0.
//  - into 8 bits: each source colour takes the destination table's nearest
//    entry (squared RGB distance, lowest index on ties); where the source is
//    indexed and both tables hold the same colour at an index, that index is
//    kept, so blits between bitmaps sharing a table (or within one bitmap)
//    copy indices unchanged.
//  - into 1 bit: a source pixel gives 1 when its colour equals the source
//    DC's background colour (SetBkColor, white by default) and 0 otherwise.
//    1-bit to 1-bit copies the bits unchanged.
//  - a 1-bit source into a colour or 8-bit destination: 0 and 1 take the
//    colours of the source bitmap's table (entries 0 and 1).
//  - solid brush and pen colours: copied into 24/32 bits; the nearest table
//    entry in 1 and 8 bits.
//
// Geometry:
//  - A negative width or height in BitBlt/StretchBlt counts from the given
//    origin towards smaller coordinates: (x, w < 0) covers the pixels
//    x + w + 1 .. x, the first pixel of the transfer being x. So
//    StretchBlt(dc, x, 0, w, h, dc, x + w - 1, 0, -w, h, SRCCOPY) mirrors the
//    columns x .. x + w - 1 in place. Mirroring happens when a source extent
//    and the matching destination extent have opposite signs.
//  - In PatBlt a negative extent is normalised instead (x, w < 0 covers
//    x + w .. x - 1); FillRect and Rectangle take (left, top, right, bottom)
//    with right and bottom exclusive.
//  - Everything is clipped to the destination bitmap. Destination pixels
//    whose source sample (the source pixel under the centre of the
//    destination pixel) lies outside the source bitmap are left unchanged;
//    nothing is ever read outside a bitmap.
//
// Stretch modes (StretchBlt, StretchDIBits):
//  - COLORONCOLOR: nearest neighbour. Destination pixel j (counted from the
//    first pixel of the transfer) takes source pixel floor((2j + 1) * S / 2D)
//    of a source extent S and destination extent D: the source pixel under
//    the destination pixel's centre.
//  - BLACKONWHITE / WHITEONBLACK: as COLORONCOLOR when enlarging; when
//    shrinking an axis, all source pixels that fall on one destination pixel
//    (floor(j * S / D) .. floor((j + 1) * S / D) - 1) are combined with AND
//    (BLACKONWHITE) or OR (WHITEONBLACK) in the destination's pixel format.
//  - HALFTONE: a separable filter on RGB colours, per axis: when the axis
//    shrinks, a box filter (each destination pixel is the area-weighted mean
//    of the source pixels it covers); when it enlarges, bilinear
//    interpolation between the two source pixels around the destination
//    pixel's centre (edges clamped); at equal extents a plain copy. Weights
//    are 16-bit fixed point, the result rounded to nearest, so results are
//    exact and repeatable. The colour is then converted to the destination
//    format as above, and the raster operation applied.
//
// All calls are safe on any handle value: an unknown or deleted handle makes
// the call fail (0, null or CLR_INVALID) and changes nothing. The layer keeps
// its objects in a process-wide table guarded by a mutex.
#pragma once

#include "platform/gdi/gdi_types.h"

namespace veltrano::gdi {

// ---- Device contexts -----------------------------------------------------

// The "screen" DC. Only a null window is supported (there is no window
// system behind this layer); it has no pixels of its own (drawing on it does
// nothing) and its compatible format is 32 bits per pixel.
HDC GetDC(HWND hwnd);
int ReleaseDC(HWND hwnd, HDC hdc);

// A memory DC; hdc may be null or any DC. Its compatible format is 32 bits.
HDC CreateCompatibleDC(HDC hdc);
// Deletes a memory DC. The objects selected into it are released (not
// deleted) and can then be deleted.
BOOL DeleteDC(HDC hdc);

// Selects a bitmap, brush or pen into hdc and returns the previous object of
// that kind; null on failure (for instance a bitmap already selected into
// another DC).
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ obj);
// The object of kind OBJ_BITMAP, OBJ_BRUSH or OBJ_PEN selected into hdc.
HGDIOBJ GetCurrentObject(HDC hdc, UINT type);
// Deletes a bitmap, brush or pen. Stock objects are not deleted (returns
// nonzero). A bitmap that is selected into a DC is not deleted (returns 0);
// a selected brush or pen is deleted when its DC lets go of it.
BOOL DeleteObject(HGDIOBJ obj);
HGDIOBJ GetStockObject(int index);
// OBJ_BITMAP, OBJ_BRUSH, OBJ_PEN, OBJ_MEMDC or OBJ_DC; 0 for a bad handle.
DWORD GetObjectType(HGDIOBJ obj);
DWORD GetObjectType(HDC hdc);

// Returns the previous mode; 0 on failure (bad DC or mode).
int SetStretchBltMode(HDC hdc, int mode);
int GetStretchBltMode(HDC hdc);
BOOL SetBrushOrgEx(HDC hdc, int x, int y, POINT* previous);
BOOL GetBrushOrgEx(HDC hdc, POINT* origin);
// Return the previous colour, CLR_INVALID on failure.
COLORREF SetBkColor(HDC hdc, COLORREF color);
COLORREF GetBkColor(HDC hdc);
COLORREF SetTextColor(HDC hdc, COLORREF color);
COLORREF GetTextColor(HDC hdc);
// TRANSPARENT or OPAQUE; returns the previous mode, 0 on failure.
int SetBkMode(HDC hdc, int mode);
int GetBkMode(HDC hdc);

// A DC may carry one clip rectangle (this layer has no other regions).
// IntersectClipRect narrows it (the first call sets it); SelectClipRgn with
// a null region removes it. It bounds BitBlt, StretchBlt, StretchDIBits,
// PatBlt and FillRect: pixels outside it are left as they are, and every
// pixel inside gets exactly the value the unclipped call gives it (a
// stretched pixel reads the same source pixels with the same weights).
// Rectangle and SetPixel ignore it. Both return NULLREGION when nothing is
// left to draw on, SIMPLEREGION otherwise, RGN_ERROR for a bad DC or a
// region that is not null.
int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom);
int SelectClipRgn(HDC hdc, HRGN region);

// ---- Bitmaps --------------------------------------------------------------

// Creates a DIB section from bmi (biSize 40, 1 plane, 1/8/24/32 bits,
// BI_RGB, usage DIB_RGB_COLORS) and stores its pixel pointer in *bits when
// bits is not null. hdc may be null. A file-mapping section is not
// supported (section must be null). Returns null (and *bits = null) on bad
// parameters or when the memory cannot be had.
HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* bmi, UINT usage, void** bits,
                         HANDLE section = nullptr, DWORD offset = 0);
// A bitmap in the format of the bitmap selected into hdc (1 bit for a fresh
// memory DC, as in GDI) or 32 bits for the screen DC; zeroed. Its pixels are
// not exposed (GetObject reports bmBits null). A zero size gives the stock
// 1 x 1 monochrome bitmap.
HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height);

// GetObject for bitmaps. Returns the number of bytes written, 0 on failure.
// The DIBSECTION form fails for bitmaps that are not DIB sections.
int GetObject(HBITMAP bitmap, BITMAP* out);
int GetObject(HBITMAP bitmap, DIBSECTION* out);

// Colour tables of the 1- or 8-bit DIB section selected into hdc. Entries
// start .. start + count - 1, cut at the table size (2 or 256). Return the
// number of entries set or read; 0 when the selected bitmap has no table.
UINT SetDIBColorTable(HDC hdc, UINT start, UINT count, const RGBQUAD* colors);
// The same with entries as 32-bit 0x00RRGGBB values (the RGBQUAD layout read
// as a little-endian number; the top byte is ignored).
UINT SetDIBColorTable(HDC hdc, UINT start, UINT count, const uint32_t* colors);
UINT SetDIBColorTable(HDC hdc, UINT start, UINT count, const int32_t* colors);
UINT GetDIBColorTable(HDC hdc, UINT start, UINT count, RGBQUAD* colors);

// With bits null and bmi->bmiHeader.biBitCount 0 (biSize must be 40): fills
// bmi->bmiHeader with the bitmap's header (for a DIB section the header it
// was created with, biSizeImage filled in) and returns nonzero.
// With bits null and a bit count set: fills biSizeImage (a zero width or
// height is taken from the bitmap) and, for a 1/8-bit request, the bitmap's
// colour table, and returns nonzero (0 for a request refused below).
// With bits: copies lines start .. start + lines - 1 of the bitmap (cut at
// its height) in the format and row order that bmi asks for: line 0 is the
// bottom line for a bottom-up request, the top one for a top-down request.
// 24- and 32-bit requests are converted as BitBlt does; 1- and 8-bit
// requests are accepted only from a bitmap of that depth, and get its
// indices and its colour table (written to bmi->bmiColors). Returns the
// number of lines copied; 0 on failure. hdc is not used.
int GetDIBits(HDC hdc, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* bmi,
              UINT usage);

// ---- Transfers ------------------------------------------------------------

// rop: SRCCOPY, SRCAND, SRCPAINT, SRCINVERT or NOTSRCCOPY; the source-less
// operations of PatBlt are accepted too (src is then ignored). Returns 0 for
// any other operation or a bad DC; nonzero when the call was valid, even if
// clipping left nothing to draw.
BOOL BitBlt(HDC dst, int x, int y, int cx, int cy, HDC src, int x1, int y1, DWORD rop);
BOOL StretchBlt(HDC dst, int xDest, int yDest, int wDest, int hDest, HDC src, int xSrc, int ySrc,
                int wSrc, int hSrc, DWORD rop);
// Draws a packed DIB (header bmi, pixels bits, laid out as CreateDIBSection
// would) onto hdc with the DC's stretch mode. As in GDI, ySrc of a
// bottom-up DIB is measured from its bottom line: the source rectangle is
// the lines ySrc .. ySrc + hSrc - 1 counted from the bottom. For a top-down
// DIB it is measured from the top. Returns the source height |hSrc| when the
// call is valid (whatever clipping leaves), 0 on failure.
int StretchDIBits(HDC hdc, int xDest, int yDest, int wDest, int hDest, int xSrc, int ySrc, int wSrc,
                  int hSrc, const void* bits, const BITMAPINFO* bmi, UINT usage, DWORD rop);

// ---- Brushes, pens, fills -------------------------------------------------

HBRUSH CreateSolidBrush(COLORREF color);
// Stock brush of a system colour; never needs to be deleted.
HBRUSH GetSysColorBrush(int index);
// Classic Windows colour scheme; 0 for an unknown index.
COLORREF GetSysColor(int index);
// style PS_SOLID .. PS_NULL or PS_ALTERNATE, width 0 or 1 = one pixel.
// Styled lines are drawn only with one-pixel pens; wider pens draw solid.
HPEN CreatePen(int style, int width, COLORREF color);

// Fills left .. right - 1, top .. bottom - 1 with brush (stock, solid or
// system-colour brush); an empty rectangle draws nothing. Returns nonzero
// on success.
int FillRect(HDC hdc, const RECT* rect, HBRUSH brush);
// PATCOPY, PATINVERT, DSTINVERT, BLACKNESS or WHITENESS with the DC's brush.
BOOL PatBlt(HDC hdc, int x, int y, int w, int h, DWORD rop);
// Outline with the DC's pen, interior with the DC's brush; the figure covers
// left .. right - 1, top .. bottom - 1 (the corners are swapped first if
// given in the wrong order). A styled pen's pattern runs clockwise from the
// top-left corner; its gaps take the background colour in OPAQUE mode and
// are left alone in TRANSPARENT mode.
BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom);

// Returns the colour actually set (the nearest table colour for 1/8 bits),
// CLR_INVALID when the point is outside the bitmap.
COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color);
COLORREF GetPixel(HDC hdc, int x, int y);

// Identifies the bitmap selected into hdc in its present state: the value
// changes when another bitmap is selected and whenever a call of this layer
// draws on it (or reads it); 0 without a bitmap. Writes through a DIB
// section's own pixel pointer are not seen. Lets a caller that drew last
// know that the pixels are still what it left.
uint64_t BitmapStamp(HDC hdc);

// ---- Diagnostics ----------------------------------------------------------

// Number of live (non-stock) bitmaps, brushes, pens and DCs; lets tests
// check that a component frees what it creates.
size_t LiveObjectCount();

}  // namespace veltrano::gdi
