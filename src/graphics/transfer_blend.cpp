// Translucent blending of one drawing context into another, and the rectangle
// arithmetic of the unscaled copy.
#include <windows.h>

#include <algorithm>
#include <vector>

#include "graphics/transfer.h"

namespace velk {

namespace {

// One axis of an unscaled copy: [from, from + size) onto [to, to + size).
bool ClipCopyAxis(int64_t* from, int64_t* to, int64_t* size, int64_t source_extent, int64_t dest_extent) {
    const int64_t cut = std::max<int64_t>({0, -*from, -*to});
    *from += cut;
    *to += cut;
    *size = std::min<int64_t>({*size - cut, source_extent - *from, dest_extent - *to});
    return *size > 0;
}

}  // namespace

bool ClipCopy(LONG* from_x, LONG* from_y, LONG* w, LONG* h, LONG* to_x, LONG* to_y, LONG source_width,
              LONG source_height, LONG dest_width, LONG dest_height) {
    int64_t fx = *from_x, fy = *from_y, tx = *to_x, ty = *to_y, cw = *w, ch = *h;
    if (!ClipCopyAxis(&fx, &tx, &cw, source_width, dest_width) ||
        !ClipCopyAxis(&fy, &ty, &ch, source_height, dest_height))
        return false;
    *from_x = static_cast<LONG>(fx);
    *from_y = static_cast<LONG>(fy);
    *to_x = static_cast<LONG>(tx);
    *to_y = static_cast<LONG>(ty);
    *w = static_cast<LONG>(cw);
    *h = static_cast<LONG>(ch);
    return true;
}

namespace {

// One axis of a scaled copy: [*s0, *s1) in the source maps onto [*d0, *d1).
// Edges stay within 2^30 of the origin, so the shares below cannot overflow.
bool ClipStretchAxis(int64_t* s0, int64_t* s1, int64_t* d0, int64_t* d1, int64_t source_extent,
                     int64_t dest_extent) {
    auto bound = [](int64_t v) { return std::min<int64_t>(std::max<int64_t>(v, -(int64_t{1} << 30)), int64_t{1} << 30); };
    int64_t a = bound(*s0), b = bound(*s1), c = bound(*d0), d = bound(*d1);
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
    if (c >= d) return false;
    // A destination cut down to a sliver of one source pixel still shows that pixel.
    if (a >= b) {
        if (a != b || a < 0 || a >= source_extent) return false;
        b = a + 1;
    }
    *s0 = a;
    *s1 = b;
    *d0 = c;
    *d1 = d;
    return true;
}

RECT RectOf(const PixelBox& box) {
    return RECT{static_cast<LONG>(box.left), static_cast<LONG>(box.top), static_cast<LONG>(box.right),
                static_cast<LONG>(box.bottom)};
}

bool ClipStretchBoxes(PixelBox* s, PixelBox* d, LONG source_width, LONG source_height, LONG dest_width,
                      LONG dest_height) {
    return ClipStretchAxis(&s->left, &s->right, &d->left, &d->right, source_width, dest_width) &&
           ClipStretchAxis(&s->top, &s->bottom, &d->top, &d->bottom, source_height, dest_height);
}

}  // namespace

bool ClipStretch(RECT* source, RECT* dest, LONG source_width, LONG source_height, LONG dest_width,
                 LONG dest_height) {
    PixelBox s{source->left, source->top, source->right, source->bottom};
    PixelBox d{dest->left, dest->top, dest->right, dest->bottom};
    if (!ClipStretchBoxes(&s, &d, source_width, source_height, dest_width, dest_height)) return false;
    *source = RectOf(s);
    *dest = RectOf(d);
    return true;
}

bool ClipTransfer(const PixelBox& source, const PixelBox& dest, LONG source_width, LONG source_height,
                  LONG dest_width, LONG dest_height, RECT* source_rect, RECT* dest_rect) {
    PixelBox s = source, d = dest;
    int64_t w = s.right - s.left, h = s.bottom - s.top;
    if (w == d.right - d.left && h == d.bottom - d.top) {
        if (!ClipCopyAxis(&s.left, &d.left, &w, source_width, dest_width) ||
            !ClipCopyAxis(&s.top, &d.top, &h, source_height, dest_height))
            return false;
        s.right = s.left + w;
        d.right = d.left + w;
        s.bottom = s.top + h;
        d.bottom = d.top + h;
    } else if (!ClipStretchBoxes(&s, &d, source_width, source_height, dest_width, dest_height)) {
        return false;
    }
    *source_rect = RectOf(s);
    *dest_rect = RectOf(d);
    return true;
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
