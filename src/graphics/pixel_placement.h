// Where the host's logical units land on a sprite's pixels, for the transfers.
#pragma once
#include <cstdint>

#include "graphics/sprite_store.h"
#include "graphics/transfer.h"  // for: PixelBox

namespace velk {

// A rectangle of the host's (x, y, w x h, in the sprite's logical units) in the
// sprite's pixels; a point is the rectangle of no size. In another mapping mode
// than pixels the context maps the corners, kept within a range where its
// arithmetic is exact.
PixelBox PixelBoxOf(SpriteSlot& slot, const PixelMapping& mapping, int64_t x, int64_t y, int64_t w, int64_t h);

}  // namespace velk
