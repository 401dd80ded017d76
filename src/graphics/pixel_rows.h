// Whole-picture pixel work on 32-bit pixel memory: the translucent blend and the
// colour key, each as a plain per-pixel reference (the arithmetic's definition)
// and an SSE2 row that must give the same words, plus the rectangle walk that
// blends one block of pixel memory into another.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace velk {

// One channel-wise blend of `source` over `dest`, weight `alpha` in 256ths: each
// 8-bit channel becomes ((s - d) * alpha >> 8) + d, of which the low 8 bits stay.
// The channel order does not matter, so it serves 0x00BBGGRR and 0x00RRGGBB alike.
inline uint32_t BlendPixel(uint32_t source, uint32_t dest, int32_t alpha) {
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const int64_t s = (source >> shift) & 0xFF;
        const int64_t d = (dest >> shift) & 0xFF;
        // 64 bits keep any weight free of overflow; the low 8 bits equal those of
        // the 32-bit wrap-around result.
        const int64_t value = (((s - d) * alpha) >> 8) + d;
        out |= (static_cast<uint32_t>(value) & 0xFFu) << shift;
    }
    return out;
}

// dest[i] := BlendPixel(source[i], dest[i], alpha), one pixel at a time.
void BlendRowReference(const uint32_t* source, uint32_t* dest, size_t count, int32_t alpha);
// The same words, four pixels per step.
void BlendRow(const uint32_t* source, uint32_t* dest, size_t count, int32_t alpha);

// The colour key on rows of 0x00RRGGBB words (a 32-bit device-independent row):
// a picture pixel of `color` turns black and its mask word white; a pixel that
// is transparent already (white mask, still black) stays so; every other mask
// word turns black (what was drawn over a transparent pixel becomes opaque).
// Bits above the 24 colour bits are ignored; a colour with such bits never matches.
void ColorKeyRowsReference(uint32_t* picture, uint32_t* mask, size_t count, COLORREF color);
void ColorKeyRows(uint32_t* picture, uint32_t* mask, size_t count, COLORREF color);

// Keyed copies of one row, each a plain reference and a row of the same words
// four (or eight 16-bit) pixels per step.
// A picture with its mask rows (transparent pixels black in the picture, white
// in the mask): dest := (dest AND mask) OR picture, which is what the two raster
// operations of a masked transfer leave, in one pass. The fast row leaves runs
// of transparent pixels untouched, so only the unused byte above the colour
// may differ from the reference there.
void MaskedCopyRowReference(const uint32_t* picture, const uint32_t* mask, uint32_t* dest, size_t count);
void MaskedCopyRow(const uint32_t* picture, const uint32_t* mask, uint32_t* dest, size_t count);
// A source colour key on raw pixels: a source pixel whose bits under
// `compared` equal `key` leaves its destination pixel, every other one is copied.
void KeyedCopyRow32Reference(const uint32_t* source, uint32_t* dest, size_t count, uint32_t key, uint32_t compared);
void KeyedCopyRow32(const uint32_t* source, uint32_t* dest, size_t count, uint32_t key, uint32_t compared);
void KeyedCopyRow16Reference(const uint16_t* source, uint16_t* dest, size_t count, uint16_t key, uint16_t compared);
void KeyedCopyRow16(const uint16_t* source, uint16_t* dest, size_t count, uint16_t key, uint16_t compared);

// 0x00BBGGRR (COLORREF) to 0x00RRGGBB (a 32-bit DIB word).
inline uint32_t DibWordOf(COLORREF color) {
    return ((color & 0xFF) << 16) | (color & 0xFF00) | ((color >> 16) & 0xFF);
}

// A block of 32-bit pixels: `height` rows of `width` words, `pitch` words apart.
struct PixelView {
    uint32_t* bits;
    LONG width;
    LONG height;
    LONG pitch;
};

// What the single-pixel calls do for a blend of w x h from (from_x, from_y) of
// `source` to (to_x, to_y) of `dest`: source pixels outside their block read as
// the invalid colour (255 in every channel), writes outside `dest` are dropped,
// and within one block the original source pixels are blended.
void BlendBlock(const PixelView& source, LONG from_x, LONG from_y, LONG w, LONG h, const PixelView& dest,
                LONG to_x, LONG to_y, int32_t alpha);
// The same picture, pixel by pixel in the order of the pixel calls (columns
// first), from a snapshot of the source; the reference for BlendBlock.
void BlendBlockReference(const PixelView& source, LONG from_x, LONG from_y, LONG w, LONG h, const PixelView& dest,
                         LONG to_x, LONG to_y, int32_t alpha);

// ---------------------------------------------------------------- per-pixel alpha rows
// Source words of a sprite that keeps alpha (alpha_pixels.h) composited
// source-over onto a row, each a plain reference per pixel and a fast row of
// the same words. Onto a plain picture (OverOpaque, its top bytes kept):
void OverOpaqueRowReference(const uint32_t* source, uint32_t* dest, size_t count);
// Eight pixels per step where the processor has AVX2, else four (the SSE2 row,
// public so that both can be checked; its runs of four transparent pixels
// leave the destination unread, four opaque ones are copied).
void OverOpaqueRow(const uint32_t* source, uint32_t* dest, size_t count);
void OverOpaqueRowSse2(const uint32_t* source, uint32_t* dest, size_t count);
// Onto a picture that keeps alpha too (OverAlpha).
void OverAlphaRowReference(const uint32_t* source, uint32_t* dest, size_t count);
// Whole transparent and whole opaque pixels without the division.
void OverAlphaRow(const uint32_t* source, uint32_t* dest, size_t count);

// ---------------------------------------------------------------- 16-bit pixels
// A 16-bit pixel format as the platform converts it: per channel (red, green,
// blue of 0x00BBGGRR) the field's mask and shift, the colour the platform reads
// for each field value, and the field value it stores for each 8-bit colour.
struct Pixel16Format {
    uint16_t mask[3];
    int shift[3];
    uint8_t to_colour[3][64];
    uint16_t to_raw[3][256];
};

inline uint32_t ColourOf16(const Pixel16Format& format, uint16_t raw) {
    uint32_t colour = 0;
    for (int c = 0; c < 3; ++c) colour |= uint32_t{format.to_colour[c][(raw & format.mask[c]) >> format.shift[c]]} << (8 * c);
    return colour;
}
inline uint16_t RawOf16(const Pixel16Format& format, uint32_t colour) {
    uint16_t raw = 0;
    for (int c = 0; c < 3; ++c) raw |= format.to_raw[c][(colour >> (8 * c)) & 0xFF];
    return raw;
}

// A block of 16-bit pixels, `pitch` pixels apart.
struct Pixel16View {
    uint16_t* bits;
    LONG width;
    LONG height;
    LONG pitch;
};

// BlendBlock on 16-bit pixels: each pixel read as the platform reads it, blended,
// and stored as the platform stores the result.
void BlendBlock16(const Pixel16View& source, LONG from_x, LONG from_y, LONG w, LONG h, const Pixel16View& dest,
                  LONG to_x, LONG to_y, int32_t alpha, const Pixel16Format& format);

// OverOpaque onto 16-bit pixels: each destination pixel the source touches is
// read as the platform reads it and stored as the platform stores the result;
// transparent source pixels leave it as it is. Source words are 0x00RRGGBB.
void OverOpaqueRow16(const uint32_t* source, uint16_t* dest, size_t count, const Pixel16Format& format);

}  // namespace velk
