// Quarter turns, mirrors and whole-number scales of BltRotate as the exact pixel
// permutations (and replications) they must be, checked in any graphics mode:
// the rotation suite runs them in modes 1 and 2, the full-screen suite in mode 3.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <vector>

#include "core/velk.h"

namespace velk_test {

// A turn of a w x h picture whose result is a block of whole pixels: block pixel
// (i, j), divided by the zoom, shows source pixel from(i, j). The block's
// top-left lies half its size before the landing point, rounded away from it
// on an axis that runs forward (the pixel centres' floor) and toward it on one
// that runs backward.
struct ExactTurn {
    const char* name;
    double angle, scale_x, scale_y;
    bool swaps;  // a quarter turn: the block is h x w
    LONG zoom_x, zoom_y;
    bool backward_x, backward_y;
    POINT (*from)(LONG i, LONG j, LONG w, LONG h);
};

inline POINT Upright(LONG i, LONG j, LONG, LONG) { return POINT{i, j}; }
inline POINT Clockwise(LONG i, LONG j, LONG, LONG h) { return POINT{j, h - 1 - i}; }
inline POINT HalfTurn(LONG i, LONG j, LONG w, LONG h) { return POINT{w - 1 - i, h - 1 - j}; }
inline POINT Anticlockwise(LONG i, LONG j, LONG w, LONG) { return POINT{w - 1 - j, i}; }
inline POINT MirroredX(LONG i, LONG j, LONG w, LONG) { return POINT{w - 1 - i, j}; }
inline POINT MirroredY(LONG i, LONG j, LONG, LONG h) { return POINT{i, h - 1 - j}; }

inline const std::vector<ExactTurn>& ExactTurns() {
    static const std::vector<ExactTurn> turns = {
        {"0", 0, 1, 1, false, 1, 1, false, false, Upright},
        {"720", 720, 1, 1, false, 1, 1, false, false, Upright},
        {"90", 90, 1, 1, true, 1, 1, true, false, Clockwise},
        {"450", 450, 1, 1, true, 1, 1, true, false, Clockwise},
        {"-270", -270, 1, 1, true, 1, 1, true, false, Clockwise},
        {"180", 180, 1, 1, false, 1, 1, true, true, HalfTurn},
        {"270", 270, 1, 1, true, 1, 1, false, true, Anticlockwise},
        {"-90", -90, 1, 1, true, 1, 1, false, true, Anticlockwise},
        {"mirror x", 0, -1, 1, false, 1, 1, true, false, MirroredX},
        {"mirror y", 0, 1, -1, false, 1, 1, false, true, MirroredY},
        {"180 mirror x", 180, -1, 1, false, 1, 1, false, true, MirroredY},
        {"scale 2", 0, 2, 2, false, 2, 2, false, false, Upright},
        {"scale 3", 0, 3, 3, false, 3, 3, false, false, Upright},
        {"scale 2 by 3", 0, 2, 3, false, 2, 3, false, false, Upright},
        {"90 scale 3", 90, 3, 3, true, 3, 3, true, false, Clockwise},
    };
    return turns;
}

// Colours for the first 200 pixels of a picture, all distinct, none the key or
// the background below.
inline LONG DistinctColour(LONG k) { return ((k * 53) & 0xFF) | ((k * 97) & 0xFF) << 8 | (255 - k) << 16; }

// Reads a whole sprite, row by row.
using PictureReader = std::function<std::vector<COLORREF>(LONG sprite)>;

// Sprite 1 becomes each size's picture of distinct colours with two pixels of
// `key` (its colour key) and is turned by every case onto sprite 2 (40 x 40, a
// plain background): each pixel of sprite 2 is then the background or exactly
// the source pixel the case says, key pixels leaving the background.
inline void ExpectExactTurns(VelkObject* velk, const PictureReader& picture) {
    constexpr LONG kKey = 0xFF00FF, kBackground = 0x808080, kSize = 40, kToX = 17, kToY = 21;
    const SIZE sizes[] = {{5, 4}, {4, 3}};
    velk->SpriteState(1, 1);
    velk->SpriteState(2, 1);
    velk->SpriteResize(2, kSize, kSize);
    for (const SIZE& size : sizes) {
        const LONG w = size.cx, h = size.cy;
        velk->SpriteResize(1, w, h);
        for (LONG y = 0; y < h; ++y)
            for (LONG x = 0; x < w; ++x) velk->DrawPixel(x, y, DistinctColour(y * w + x), 1);
        velk->DrawPixel(1, 0, kKey, 1);
        velk->DrawPixel(w - 2, h - 1, kKey, 1);
        const std::vector<COLORREF> source = picture(1);
        velk->DSetColorKey(kKey, 1);
        for (const ExactTurn& turn : ExactTurns()) {
            SCOPED_TRACE(testing::Message() << turn.name << ", " << w << " x " << h);
            velk->DrawBox(0, 0, kSize, kSize, kBackground, 1, 2);
            const std::vector<COLORREF> background = picture(2);
            ASSERT_EQ(velk->BltRotate(1, 0, 0, w, h, 2, kToX, kToY, turn.angle, turn.scale_x, turn.scale_y), S_OK);
            const LONG block_w = (turn.swaps ? h : w) * turn.zoom_x, block_h = (turn.swaps ? w : h) * turn.zoom_y;
            const LONG left = kToX - (turn.backward_x ? block_w / 2 : (block_w + 1) / 2);
            const LONG top = kToY - (turn.backward_y ? block_h / 2 : (block_h + 1) / 2);
            std::vector<COLORREF> expected = background;
            for (LONG j = 0; j < block_h; ++j)
                for (LONG i = 0; i < block_w; ++i) {
                    const POINT at = turn.from(i / turn.zoom_x, j / turn.zoom_y, w, h);
                    const COLORREF colour = source[at.y * w + at.x];
                    if (colour != static_cast<COLORREF>(kKey)) expected[(top + j) * kSize + left + i] = colour;
                }
            const std::vector<COLORREF> drawn = picture(2);
            ASSERT_EQ(drawn.size(), expected.size());
            for (size_t at = 0; at < drawn.size(); ++at)
                ASSERT_EQ(drawn[at], expected[at]) << "at " << at % kSize << ", " << at / kSize;
        }
    }
}

}  // namespace velk_test
