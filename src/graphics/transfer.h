// Sprite transfers: the platform-free arithmetic (translucent blend, rectangle
// clipping) and the two ways of blending one drawing context into another.
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

void BlendRow(const uint32_t* source, uint32_t* dest, size_t count, int32_t alpha);

// Clips an unscaled copy of w x h from (*from_x, *from_y) to (*to_x, *to_y) so that
// both rectangles lie inside their pictures, moving both by the same amounts (what
// GDI does for a memory DC). False when nothing is left.
bool ClipCopy(LONG* from_x, LONG* from_y, LONG* w, LONG* h, LONG* to_x, LONG* to_y, LONG source_width,
              LONG source_height, LONG dest_width, LONG dest_height);

// Clips a scaled copy from `source` to `dest` (right and bottom exclusive) so that
// both rectangles lie inside their pictures, cutting the other rectangle by the
// same share. False when nothing is left or a size is not positive.
bool ClipStretch(RECT* source, RECT* dest, LONG source_width, LONG source_height, LONG dest_width,
                 LONG dest_height);

// Blends w x h of `source` at (from_x, from_y) over `dest` at (to_x, to_y) with
// single-pixel platform calls, column by column. The source is read whole before
// the first write, so an overlap within one picture blends the original pixels.
void AlphaBlendPixelByPixel(HDC source, LONG from_x, LONG from_y, LONG w, LONG h, HDC dest, LONG to_x, LONG to_y,
                            LONG alpha);

// The same picture through two 32-bit scratch rows blocks: false (and nothing
// drawn) when the contexts are not plain true-colour ones, where only the
// pixel calls give the exact result.
bool AlphaBlendThroughMemory(HDC source, LONG from_x, LONG from_y, LONG w, LONG h, HDC dest, LONG to_x, LONG to_y,
                             LONG alpha);

}  // namespace velk
