// Checks and pixel work over device-independent bitmap bytes: the headers of a
// BMP file before the platform's loader reads it, the two blocks a loader module
// hands back, and the loaders' alpha channel. Pure functions, so that a
// malformed or truncated picture is refused before any platform call reads it.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace velk {

// A checked picture: the description (header plus colour table) and the rows,
// both inside the bytes that were checked.
struct DibView {
    const BITMAPINFO* Info;
    const void* Bits;
    LONG Width;   // > 0
    LONG Height;  // > 0; rows may be stored top-down (negative header height)
};

// Largest width or height of a picture; far beyond any sprite, small enough
// for no overflow in the size arithmetic.
inline constexpr LONG kMaxPictureExtent = 0x7FFF;

// Bytes one stored row takes, rounded up to 32 bits; 0 when it does not fit 32 bits.
size_t DibRowBytes(LONG width, WORD bits_per_pixel);

// The description at `info` (of `info_bytes` bytes) with rows at `bits` (of
// `bits_bytes` bytes): true, with `out` filled, when the header is one the
// platform draws (info header of 40 bytes or more, positive width, non-zero
// height, one plane, 1/4/8/16/24/32 bits per pixel, uncompressed or bit
// fields), its colour table lies inside `info_bytes` and every row inside
// `bits_bytes`.
bool CheckDib(const void* info, size_t info_bytes, const void* bits, size_t bits_bytes, DibView* out);

// The first `head_bytes` bytes of a BMP file of `file_bytes` bytes: true when
// they describe a bitmap the platform's loader can read without reading past
// the file: "BM", rows inside the file, a core (12-byte) or info header of 40
// bytes or more, a sane size, and for uncompressed or bit-field rows every row
// inside the file, for run-length rows their stated size inside the file.
// `top_down` tells whether the rows are stored top row first.
inline constexpr size_t kBmpHeadBytes = 14 + 124 + 256 * 4;  // headers and the largest colour table
bool CheckBmpHeaders(const void* head, size_t head_bytes, uint64_t file_bytes, bool* top_down);

// The colour table of a BMP file with a core header and 1, 4 or 8 bits per
// pixel, from its first `head_bytes` bytes, as RGBQUAD entries into `table`
// (room for 256); the number of entries, 0 for any other file.
size_t CoreColorTable(const void* head, size_t head_bytes, RGBQUAD* table);

// Pixels 0xAARRGGBB as the loaders hand them over (alpha not premultiplied),
// made opaque for drawing: colours composited over black where alpha < 255,
// and, when `color_key` (0x00BBGGRR) is not -1, fully transparent pixels set to
// the key colour so that the key hides them. Pixels whose alpha bytes are all 0
// carry no alpha at all (a loader that leaves the byte unused) and are kept as
// opaque.
void FlattenAlpha(uint32_t* pixels, size_t count, LONG color_key);

// A picture that carries alpha as pixels 0xAARRGGBB (straight alpha), top row
// first, into `out` (Width x Height): 32 bits per pixel, either as the loaders
// hand them over (uncompressed, alpha in the top byte) or with an alpha mask
// in a header of 56 bytes or more (channel masks from the bit fields). False
// for every other picture, and for one whose alpha is 0 everywhere, which is
// a writer that leaves the byte unused: such a picture is opaque.
bool DibAlphaPixels(const DibView& picture, std::vector<uint32_t>* out);

// From the first `head_bytes` bytes of a BMP file: true when it is 32 bits per
// pixel with a non-zero alpha mask in its header.
bool BmpCarriesAlpha(const void* head, size_t head_bytes);

}  // namespace velk
