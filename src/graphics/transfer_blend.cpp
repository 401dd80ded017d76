// Translucent blending of one drawing context into another, and the rectangle
// arithmetic of the unscaled copy.
#include <windows.h>

#include <algorithm>
#include <vector>

#include "graphics/transfer.h"

namespace velk {

bool ClipCopy(LONG* from_x, LONG* from_y, LONG* w, LONG* h, LONG* to_x, LONG* to_y, LONG source_width,
              LONG source_height, LONG dest_width, LONG dest_height) {
    auto axis = [](LONG* from, LONG* to, LONG* size, LONG source_extent, LONG dest_extent) {
        int64_t f = *from, t = *to, n = *size;
        const int64_t cut = std::max<int64_t>({0, -f, -t});
        f += cut;
        t += cut;
        n = std::min<int64_t>({n - cut, source_extent - f, dest_extent - t});
        if (n <= 0) return false;
        *from = static_cast<LONG>(f);
        *to = static_cast<LONG>(t);
        *size = static_cast<LONG>(n);
        return true;
    };
    return axis(from_x, to_x, w, source_width, dest_width) && axis(from_y, to_y, h, source_height, dest_height);
}

namespace {

// One axis of ClipStretch: [*s0, *s1) in the source maps onto [*d0, *d1).
bool ClipStretchAxis(LONG* s0, LONG* s1, LONG* d0, LONG* d1, LONG source_extent, LONG dest_extent) {
    int64_t a = *s0, b = *s1, c = *d0, d = *d1;
    const int64_t source_size = b - a, dest_size = d - c;
    if (source_size <= 0 || dest_size <= 0) return false;
    // A cut of n pixels on one side removes n x (other size / this size) on the other, rounded.
    auto share = [](int64_t n, int64_t to, int64_t from) { return (n * to + from / 2) / from; };
    if (c < 0) {
        a += share(-c, source_size, dest_size);
        c = 0;
    }
    if (d > dest_extent) {
        b -= share(d - dest_extent, source_size, dest_size);
        d = dest_extent;
    }
    if (a < 0) {
        c += share(-a, dest_size, source_size);
        a = 0;
    }
    if (b > source_extent) {
        d -= share(b - source_extent, dest_size, source_size);
        b = source_extent;
    }
    if (a >= b || c >= d) return false;
    *s0 = static_cast<LONG>(a);
    *s1 = static_cast<LONG>(b);
    *d0 = static_cast<LONG>(c);
    *d1 = static_cast<LONG>(d);
    return true;
}

}  // namespace

bool ClipStretch(RECT* source, RECT* dest, LONG source_width, LONG source_height, LONG dest_width,
                 LONG dest_height) {
    return ClipStretchAxis(&source->left, &source->right, &dest->left, &dest->right, source_width, dest_width) &&
           ClipStretchAxis(&source->top, &source->bottom, &dest->top, &dest->bottom, source_height, dest_height);
}

void AlphaBlendPixelByPixel(HDC source, LONG from_x, LONG from_y, LONG w, LONG h, HDC dest, LONG to_x, LONG to_y,
                            LONG alpha) {
    if (w <= 0 || h <= 0) return;
    // Within one picture the source is taken whole first, so that the order of
    // the visits cannot feed written pixels back in. Absurd areas (which no
    // pixel loop finishes anyway) are read as they go.
    std::vector<COLORREF> snapshot;
    const bool take_snapshot = source == dest && static_cast<uint64_t>(w) * static_cast<uint64_t>(h) <= (1u << 24);
    if (take_snapshot) {
        snapshot.resize(static_cast<size_t>(w) * static_cast<size_t>(h));
        for (LONG x = 0; x < w; ++x)
            for (LONG y = 0; y < h; ++y)
                snapshot[static_cast<size_t>(x) * h + y] = GetPixel(source, from_x + x, from_y + y);
    }
    for (LONG x = 0; x < w; ++x) {
        for (LONG y = 0; y < h; ++y) {
            const COLORREF s =
                take_snapshot ? snapshot[static_cast<size_t>(x) * h + y] : GetPixel(source, from_x + x, from_y + y);
            const COLORREF d = GetPixel(dest, to_x + x, to_y + y);
            SetPixelV(dest, to_x + x, to_y + y, BlendPixel(s, d, alpha));
        }
    }
}

}  // namespace velk
