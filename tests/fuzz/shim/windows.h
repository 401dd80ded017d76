// The few platform types and constants the pure sources name, with the
// platform's sizes and layouts, so that those sources build natively for the
// fuzz targets. The registry and folder calls of the user directory answer
// "not there": the targets reach only the composition beside them.
#pragma once
#include <cstdint>

using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using LONG = int32_t;
using UINT = unsigned int;
using COLORREF = DWORD;
using BOOL = int;
using LONG_PTR = intptr_t;
using UINT_PTR = uintptr_t;
using WPARAM = UINT_PTR;
using LPARAM = LONG_PTR;
using LRESULT = LONG_PTR;
using HWND = struct HWND__*;
using HKEY = struct HKEY__*;
#define __cdecl
#define CALLBACK
using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);

#define MAX_PATH 260
#define BI_RGB 0
#define BI_RLE8 1
#define BI_RLE4 2
#define BI_BITFIELDS 3

struct POINT {
    LONG x;
    LONG y;
};

struct RGBQUAD {
    BYTE rgbBlue, rgbGreen, rgbRed, rgbReserved;
};

struct BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40, "the platform's layout");

struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
};

// The user directory's setting and folder: absent here.
#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000001u)))
#define KEY_READ 0x20019
#define ERROR_SUCCESS 0L
#define REG_SZ 1
#define REG_EXPAND_SZ 2
inline LONG RegOpenKeyExA(HKEY, const char*, DWORD, DWORD, HKEY*) { return 2; }
inline LONG RegQueryValueExA(HKEY, const char*, DWORD*, DWORD*, BYTE*, DWORD*) { return 2; }
inline LONG RegCloseKey(HKEY) { return 0; }
inline BOOL CreateDirectoryA(const char*, void*) { return 0; }
