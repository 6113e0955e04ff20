// Placeholder bodies so that dependants can link while the layer is filled in.
#include "platform/gdi/gdi.h"

namespace veltrano::gdi {

HDC GetDC(HWND) { return nullptr; }
int ReleaseDC(HWND, HDC) { return 0; }
HDC CreateCompatibleDC(HDC) { return nullptr; }
BOOL DeleteDC(HDC) { return 0; }
HGDIOBJ SelectObject(HDC, HGDIOBJ) { return nullptr; }
HGDIOBJ GetCurrentObject(HDC, UINT) { return nullptr; }
BOOL DeleteObject(HGDIOBJ) { return 0; }
HGDIOBJ GetStockObject(int) { return nullptr; }
DWORD GetObjectType(HGDIOBJ) { return 0; }
DWORD GetObjectType(HDC) { return 0; }
int SetStretchBltMode(HDC, int) { return 0; }
int GetStretchBltMode(HDC) { return 0; }
BOOL SetBrushOrgEx(HDC, int, int, POINT*) { return 0; }
BOOL GetBrushOrgEx(HDC, POINT*) { return 0; }
COLORREF SetBkColor(HDC, COLORREF) { return CLR_INVALID; }
COLORREF GetBkColor(HDC) { return CLR_INVALID; }
COLORREF SetTextColor(HDC, COLORREF) { return CLR_INVALID; }
COLORREF GetTextColor(HDC) { return CLR_INVALID; }
int SetBkMode(HDC, int) { return 0; }
int GetBkMode(HDC) { return 0; }
HBITMAP CreateDIBSection(HDC, const BITMAPINFO*, UINT, void** bits, HANDLE, DWORD) {
  if (bits) *bits = nullptr;
  return nullptr;
}
HBITMAP CreateCompatibleBitmap(HDC, int, int) { return nullptr; }
int GetObject(HBITMAP, BITMAP*) { return 0; }
int GetObject(HBITMAP, DIBSECTION*) { return 0; }
UINT SetDIBColorTable(HDC, UINT, UINT, const RGBQUAD*) { return 0; }
UINT SetDIBColorTable(HDC, UINT, UINT, const uint32_t*) { return 0; }
UINT SetDIBColorTable(HDC, UINT, UINT, const int32_t*) { return 0; }
UINT GetDIBColorTable(HDC, UINT, UINT, RGBQUAD*) { return 0; }
int GetDIBits(HDC, HBITMAP, UINT, UINT, void*, BITMAPINFO*, UINT) { return 0; }
BOOL BitBlt(HDC, int, int, int, int, HDC, int, int, DWORD) { return 0; }
BOOL StretchBlt(HDC, int, int, int, int, HDC, int, int, int, int, DWORD) { return 0; }
int StretchDIBits(HDC, int, int, int, int, int, int, int, int, const void*, const BITMAPINFO*,
                  UINT, DWORD) {
  return 0;
}
HBRUSH CreateSolidBrush(COLORREF) { return nullptr; }
HBRUSH GetSysColorBrush(int) { return nullptr; }
COLORREF GetSysColor(int) { return 0; }
HPEN CreatePen(int, int, COLORREF) { return nullptr; }
int FillRect(HDC, const RECT*, HBRUSH) { return 0; }
BOOL PatBlt(HDC, int, int, int, int, DWORD) { return 0; }
BOOL Rectangle(HDC, int, int, int, int) { return 0; }
COLORREF SetPixel(HDC, int, int, COLORREF) { return CLR_INVALID; }
COLORREF GetPixel(HDC, int, int) { return CLR_INVALID; }
size_t LiveObjectCount() { return 0; }

}  // namespace veltrano::gdi
