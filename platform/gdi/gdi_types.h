// Types, constants and colour helpers of the raster layer.
//
// The names and layouts follow the Windows GDI ones so that code written
// against this layer reads like (and can later be pointed at) the real thing.
//
// Two colour formats exist and must not be mixed up:
//  - COLORREF: 0x00BBGGRR (red in the low byte). Used by brushes, pens,
//    SetBkColor, GetPixel/SetPixel and GetSysColor, as in GDI.
//  - RGBQUAD: the colour-table entry, bytes blue, green, red, reserved in
//    memory. Read as a little-endian 32-bit value it is 0x00RRGGBB; that
//    value form is what the GIF control keeps in its tables, and what the
//    uint32_t/int32_t overloads of SetDIBColorTable take. 24- and 32-bit
//    pixels use the same byte order (blue first).
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

namespace veltrano::gdi {

static_assert(std::endian::native == std::endian::little,
              "the DIB layouts below assume a little-endian host");

using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using LONG = int32_t;
using UINT = uint32_t;
using BOOL = int;  // nonzero = success, as in GDI
using COLORREF = uint32_t;
using HANDLE = void*;
using HWND = void*;

// ---- Handles -------------------------------------------------------------
// Handles are small values looked up in the layer's object table; a stale or
// foreign handle is simply rejected by every call (no undefined behaviour).

struct HGDIOBJ {
  uint64_t value = 0;
  constexpr HGDIOBJ() = default;
  constexpr HGDIOBJ(std::nullptr_t) {}
  constexpr explicit HGDIOBJ(uint64_t v) : value(v) {}
  constexpr explicit operator bool() const { return value != 0; }
  friend constexpr bool operator==(HGDIOBJ, HGDIOBJ) = default;
};

#define VELTRANO_GDI_TYPED_HANDLE(Name)                             \
  struct Name {                                                     \
    uint64_t value = 0;                                             \
    constexpr Name() = default;                                     \
    constexpr Name(std::nullptr_t) {}                               \
    constexpr explicit Name(HGDIOBJ o) : value(o.value) {}          \
    constexpr operator HGDIOBJ() const { return HGDIOBJ(value); }   \
    constexpr explicit operator bool() const { return value != 0; } \
    friend constexpr bool operator==(Name, Name) = default;         \
  }

VELTRANO_GDI_TYPED_HANDLE(HBITMAP);
VELTRANO_GDI_TYPED_HANDLE(HBRUSH);
VELTRANO_GDI_TYPED_HANDLE(HPEN);
// Regions exist only as the null region (SelectClipRgn).
VELTRANO_GDI_TYPED_HANDLE(HRGN);
#undef VELTRANO_GDI_TYPED_HANDLE

// A device context is not a GDI object (it is freed with DeleteDC/ReleaseDC).
struct HDC {
  uint64_t value = 0;
  constexpr HDC() = default;
  constexpr HDC(std::nullptr_t) {}
  constexpr explicit HDC(uint64_t v) : value(v) {}
  constexpr explicit operator bool() const { return value != 0; }
  friend constexpr bool operator==(HDC, HDC) = default;
};

// ---- Geometry ------------------------------------------------------------

struct POINT {
  LONG x = 0;
  LONG y = 0;
};

struct RECT {
  LONG left = 0;
  LONG top = 0;
  LONG right = 0;   // exclusive
  LONG bottom = 0;  // exclusive
};

// ---- Bitmap headers ------------------------------------------------------

struct RGBQUAD {
  BYTE rgbBlue = 0;
  BYTE rgbGreen = 0;
  BYTE rgbRed = 0;
  BYTE rgbReserved = 0;
  friend constexpr bool operator==(RGBQUAD, RGBQUAD) = default;
};
static_assert(sizeof(RGBQUAD) == 4);

struct BITMAPINFOHEADER {
  DWORD biSize = 40;
  LONG biWidth = 0;
  LONG biHeight = 0;  // > 0: bottom-up rows; < 0: top-down rows
  WORD biPlanes = 1;
  WORD biBitCount = 0;  // 1, 8, 24 or 32 (0 in a header query: "tell me")
  DWORD biCompression = 0;
  DWORD biSizeImage = 0;
  LONG biXPelsPerMeter = 0;
  LONG biYPelsPerMeter = 0;
  DWORD biClrUsed = 0;  // colour-table entries; 0 = 2^biBitCount for 1 and 8 bits
  DWORD biClrImportant = 0;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);

// Unlike the C declaration (bmiColors[1] followed by a variable tail), the
// table here always has room for 256 entries, so no call can read past it.
struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[256];
};

struct BITMAP {
  LONG bmType = 0;
  LONG bmWidth = 0;
  LONG bmHeight = 0;  // always positive
  LONG bmWidthBytes = 0;
  WORD bmPlanes = 1;
  WORD bmBitsPixel = 0;
  void* bmBits = nullptr;  // the pixels of a DIB section; null for other bitmaps
};

struct DIBSECTION {
  BITMAP dsBm;
  BITMAPINFOHEADER dsBmih;  // biHeight keeps the sign given at creation
  DWORD dsBitfields[3] = {0, 0, 0};
  HANDLE dshSection = nullptr;
  DWORD dsOffset = 0;
};

inline constexpr DWORD BI_RGB = 0;
inline constexpr UINT DIB_RGB_COLORS = 0;
inline constexpr UINT DIB_PAL_COLORS = 1;  // not supported: calls using it fail

// ---- Raster operations and modes ----------------------------------------

inline constexpr DWORD SRCCOPY = 0x00CC0020;
inline constexpr DWORD SRCPAINT = 0x00EE0086;  // dest OR source
inline constexpr DWORD SRCAND = 0x008800C6;    // dest AND source
inline constexpr DWORD SRCINVERT = 0x00660046;
inline constexpr DWORD NOTSRCCOPY = 0x00330008;
inline constexpr DWORD PATCOPY = 0x00F00021;
inline constexpr DWORD PATINVERT = 0x005A0049;
inline constexpr DWORD DSTINVERT = 0x00550009;
inline constexpr DWORD BLACKNESS = 0x00000042;
inline constexpr DWORD WHITENESS = 0x00FF0062;

inline constexpr int BLACKONWHITE = 1;
inline constexpr int WHITEONBLACK = 2;
inline constexpr int COLORONCOLOR = 3;
inline constexpr int HALFTONE = 4;
inline constexpr int STRETCH_ANDSCANS = BLACKONWHITE;
inline constexpr int STRETCH_ORSCANS = WHITEONBLACK;
inline constexpr int STRETCH_DELETESCANS = COLORONCOLOR;
inline constexpr int STRETCH_HALFTONE = HALFTONE;

// Clip results.
inline constexpr int RGN_ERROR = 0;
inline constexpr int NULLREGION = 1;
inline constexpr int SIMPLEREGION = 2;

inline constexpr int TRANSPARENT = 1;
inline constexpr int OPAQUE = 2;

// ---- Stock objects, pens, system colours ---------------------------------

inline constexpr int WHITE_BRUSH = 0;
inline constexpr int LTGRAY_BRUSH = 1;
inline constexpr int GRAY_BRUSH = 2;
inline constexpr int DKGRAY_BRUSH = 3;
inline constexpr int BLACK_BRUSH = 4;
inline constexpr int NULL_BRUSH = 5;
inline constexpr int HOLLOW_BRUSH = NULL_BRUSH;
inline constexpr int WHITE_PEN = 6;
inline constexpr int BLACK_PEN = 7;
inline constexpr int NULL_PEN = 8;

inline constexpr int PS_SOLID = 0;
inline constexpr int PS_DASH = 1;        // 18 on, 6 off
inline constexpr int PS_DOT = 2;         // 3 on, 3 off
inline constexpr int PS_DASHDOT = 3;     // 9 on, 6 off, 3 on, 6 off
inline constexpr int PS_DASHDOTDOT = 4;  // 9 on, 3 off, 3 on, 3 off, 3 on, 3 off
inline constexpr int PS_NULL = 5;
inline constexpr int PS_ALTERNATE = 8;  // every other pixel

inline constexpr int OBJ_PEN = 1;
inline constexpr int OBJ_BRUSH = 2;
inline constexpr int OBJ_DC = 3;
inline constexpr int OBJ_BITMAP = 7;
inline constexpr int OBJ_MEMDC = 10;

inline constexpr int COLOR_SCROLLBAR = 0;
inline constexpr int COLOR_BACKGROUND = 1;
inline constexpr int COLOR_ACTIVECAPTION = 2;
inline constexpr int COLOR_INACTIVECAPTION = 3;
inline constexpr int COLOR_MENU = 4;
inline constexpr int COLOR_WINDOW = 5;
inline constexpr int COLOR_WINDOWFRAME = 6;
inline constexpr int COLOR_MENUTEXT = 7;
inline constexpr int COLOR_WINDOWTEXT = 8;
inline constexpr int COLOR_CAPTIONTEXT = 9;
inline constexpr int COLOR_ACTIVEBORDER = 10;
inline constexpr int COLOR_INACTIVEBORDER = 11;
inline constexpr int COLOR_APPWORKSPACE = 12;
inline constexpr int COLOR_HIGHLIGHT = 13;
inline constexpr int COLOR_HIGHLIGHTTEXT = 14;
inline constexpr int COLOR_BTNFACE = 15;
inline constexpr int COLOR_BTNSHADOW = 16;
inline constexpr int COLOR_GRAYTEXT = 17;
inline constexpr int COLOR_BTNTEXT = 18;
inline constexpr int COLOR_INACTIVECAPTIONTEXT = 19;
inline constexpr int COLOR_BTNHIGHLIGHT = 20;
inline constexpr int COLOR_3DDKSHADOW = 21;
inline constexpr int COLOR_3DLIGHT = 22;
inline constexpr int COLOR_INFOTEXT = 23;
inline constexpr int COLOR_INFOBK = 24;
inline constexpr int COLOR_HOTLIGHT = 26;
inline constexpr int COLOR_GRADIENTACTIVECAPTION = 27;
inline constexpr int COLOR_GRADIENTINACTIVECAPTION = 28;
inline constexpr int COLOR_MENUHILIGHT = 29;
inline constexpr int COLOR_MENUBAR = 30;

// An OLE_COLOR-style value with bit 31 set names system colour (value & 0xFF).
// Pens and brushes accept such values and resolve them with GetSysColor.
inline constexpr COLORREF kSystemColorFlag = 0x80000000u;

inline constexpr COLORREF CLR_INVALID = 0xFFFFFFFFu;

// ---- Colour helpers ------------------------------------------------------

constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) {
  return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) |
         (static_cast<COLORREF>(b) << 16);
}
constexpr BYTE GetRValue(COLORREF c) {
  return static_cast<BYTE>(c);
}
constexpr BYTE GetGValue(COLORREF c) {
  return static_cast<BYTE>(c >> 8);
}
constexpr BYTE GetBValue(COLORREF c) {
  return static_cast<BYTE>(c >> 16);
}

// 0x00RRGGBB (RGBQUAD value) <-> 0x00BBGGRR (COLORREF): swaps red and blue.
constexpr uint32_t ColorRefToQuadValue(COLORREF c) {
  return ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}
constexpr COLORREF QuadValueToColorRef(uint32_t v) {
  return ColorRefToQuadValue(v);
}

constexpr uint32_t QuadValue(RGBQUAD q) {
  return static_cast<uint32_t>(q.rgbBlue) | (static_cast<uint32_t>(q.rgbGreen) << 8) |
         (static_cast<uint32_t>(q.rgbRed) << 16);
}
constexpr RGBQUAD ToRgbQuad(uint32_t v) {
  return RGBQUAD{static_cast<BYTE>(v), static_cast<BYTE>(v >> 8), static_cast<BYTE>(v >> 16), 0};
}

}  // namespace veltrano::gdi
