// Sprite transfers: the platform-free rectangle clipping and the blend of one
// drawing context into another through the platform's pixel calls.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "graphics/pixel_rows.h"  // for: BlendPixel

namespace velk {

// A rectangle in a picture's pixels, right and bottom exclusive; 64-bit, so that
// the host's coordinates, sizes and origins add up without wrapping.
struct PixelBox {
    int64_t left;
    int64_t top;
    int64_t right;
    int64_t bottom;
};

// Clips one transfer from `source` to `dest` so that both rectangles lie inside
// their pictures: boxes of one size make an unscaled copy (both moved by the
// same cut), others a scaled one (cut by the same share). The results are the
// rectangles to copy; false when nothing is left, so no size costs anything.
bool ClipTransfer(const PixelBox& source, const PixelBox& dest, LONG source_width, LONG source_height,
                  LONG dest_width, LONG dest_height, RECT* source_rect, RECT* dest_rect);

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
// single-pixel platform calls, column by column: the way for contexts whose
// pixels are not plain memory (a mapping mode, an origin, a mix mode). The
// source is read whole before the first write, so an overlap within one picture
// blends the original pixels.
void AlphaBlendPixelByPixel(HDC source, LONG from_x, LONG from_y, LONG w, LONG h, HDC dest, LONG to_x, LONG to_y,
                            LONG alpha);

struct SpriteSlot;
// A transfer whose source or destination keeps per-pixel alpha, placed already
// (`source` and `dest` in pixels, inside both pictures; sizes that differ pick
// the nearest source pixel): each source pixel composited source-over, a plain
// source as opaque, `weight` (256ths, held to 0 to 256) scaling the source's
// alpha, and with `keyed` the source's colour key making its pixels
// transparent. False, with nothing drawn, when a picture's memory is out of reach.
bool CompositeOnMemory(SpriteSlot& from, SpriteSlot& to, const RECT& source, const RECT& dest, int32_t weight,
                       bool keyed);

}  // namespace velk
