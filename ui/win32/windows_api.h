// The Windows headers for the front end's sources.
//
// Include this after every project header: the portable raster layer
// (platform/gdi) uses GDI's own names (DIB_RGB_COLORS, SRCCOPY, ...) in its
// namespace, and <windows.h> turns those names into macros.
#pragma once

// Windows 7 and later.
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0601
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

// The project's own functions of these names (the window host's MessageBox,
// the file-system layer's DeleteFile and CopyFile) are not the A/W macros.
#undef MessageBox
#undef DeleteFile
#undef CopyFile
#undef GetDriveType
