// BltRotate's pixel work on plain memory: the spans of the walk (rotation_math.h)
// from a block of source pixels into destination rows, with the source's
// colour key and per-pixel alpha, between 32-bit words and 16-bit pixels.
#pragma once

#include <cstdint>

#include "graphics/pixel_rows.h"      // for: Pixel16Format
#include "graphics/rotation_math.h"  // for: RotationSpan, RotationWalk

namespace velk {

// A picture's pixels as the walk sees them: 32-bit words (`words`) or 16-bit
// pixels (`raw16` with `format16`), `pitch` pixels a row apart. Words hold red
// in their third byte (a device-independent row) unless `red_low`.
struct TurnPicture {
    uint32_t* words;
    uint16_t* raw16;
    const Pixel16Format* format16;
    int32_t pitch;
    bool red_low;
    bool alpha;  // words carry per-pixel alpha (see alpha_pixels.h)
};

// The source: the picture's block from the clip's top-left, and its key: a
// mask block beside it (white where transparent), or raw values whose bits
// under `compared` equal `key`.
struct TurnSource {
    TurnPicture picture;
    const uint32_t* mask;
    bool keyed;
    uint32_t key;
    uint32_t compared;
};

// Draws one span of the walk: each pixel takes the source pixel under its
// centre; transparent source pixels leave it. A source with per-pixel alpha is
// composited over it; a plain one onto a destination with alpha is opaque.
// Raw 16-bit copies need no format: `format16` may be null on both sides then.
void DrawTurnedSpan(const TurnSource& source, const TurnPicture& dest, const RotationSpan& span, int64_t du,
                    int64_t dv);
// Every span of the walk, as DrawTurnedSpan draws it.
void DrawTurnedSpans(const TurnSource& source, const TurnPicture& dest, RotationWalk& walk);

}  // namespace velk
