// Checks over the bytes of device-independent bitmaps: a BMP file as read from
// disk, and the two blocks a loader module hands back. Pure functions, so that a
// malformed or truncated picture is refused before any platform call reads it.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace velk {

// A checked picture: the description (header plus colour table) and the rows,
// both inside the bytes that were checked.
struct DibView {
    const BITMAPINFO* Info;
    const void* Bits;
    LONG Width;   // > 0
    LONG Height;  // > 0; rows may be stored top-down (negative header height)
};

// Bytes one stored row takes, rounded up to 32 bits; 0 when it does not fit 32 bits.
size_t DibRowBytes(LONG width, WORD bits_per_pixel);

// The description at `info` (of `info_bytes` bytes) with rows at `bits` (of
// `bits_bytes` bytes): true, with `out` filled, when the header is one the
// platform draws (info header of 40 bytes or more, positive width, non-zero
// height, one plane, 1/4/8/16/24/32 bits per pixel, uncompressed or bit
// fields), its colour table lies inside `info_bytes` and every row inside
// `bits_bytes`.
bool CheckDib(const void* info, size_t info_bytes, const void* bits, size_t bits_bytes, DibView* out);

// A whole BMP file in memory: the file header ("BM", the offset of the rows)
// and then CheckDib over the rest.
bool ParseBmpFile(const void* data, size_t size, DibView* out);

}  // namespace velk
