// Translucent blending of one drawing context into another, and the rectangle
// arithmetic of the unscaled copy.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "graphics/transfer.h"

namespace velk {

namespace {

// A context whose logical pixels are its bitmap's pixels (default mapping, no
// origin shift, plain copy pen) on a true-colour bitmap, whose size it reports.
bool IsPlainTrueColour(HDC dc, LONG* width, LONG* height) {
    if (!dc || GetMapMode(dc) != MM_TEXT || GetGraphicsMode(dc) != GM_COMPATIBLE) return false;
    POINT origin{};
    if (!GetWindowOrgEx(dc, &origin) || origin.x || origin.y) return false;
    if (!GetViewportOrgEx(dc, &origin) || origin.x || origin.y) return false;
    // SetPixelV's answer under another mix mode is the platform's business.
    if (GetROP2(dc) != R2_COPYPEN) return false;
    BITMAP info{};
    HGDIOBJ bitmap = GetCurrentObject(dc, OBJ_BITMAP);
    if (!bitmap || !GetObjectA(bitmap, sizeof info, &info) || info.bmBitsPixel < 24) return false;
    *width = info.bmWidth;
    *height = info.bmHeight;
    return true;
}

// [start, start + size) cut to [0, extent); false when empty.
bool ClipAxis(int64_t* start, int64_t* size, int64_t extent) {
    const int64_t low = std::max<int64_t>(*start, 0);
    const int64_t high = std::min<int64_t>(*start + *size, extent);
    if (low >= high) return false;
    *start = low;
    *size = high - low;
    return true;
}

}  // namespace

void BlendRow(const uint32_t* source, uint32_t* dest, size_t count, int32_t alpha) {
    for (size_t i = 0; i < count; ++i) dest[i] = BlendPixel(source[i], dest[i], alpha);
}

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

bool AlphaBlendThroughMemory(HDC source, LONG from_x, LONG from_y, LONG w, LONG h, HDC dest, LONG to_x, LONG to_y,
                             LONG alpha) {
    LONG source_width = 0, source_height = 0, dest_width = 0, dest_height = 0;
    if (!IsPlainTrueColour(source, &source_width, &source_height) ||
        !IsPlainTrueColour(dest, &dest_width, &dest_height))
        return false;
    if (w <= 0 || h <= 0) return true;

    // Only destination pixels inside its bitmap can change.
    int64_t x0 = to_x, y0 = to_y, cw = w, ch = h;
    if (!ClipAxis(&x0, &cw, dest_width) || !ClipAxis(&y0, &ch, dest_height)) return true;

    // One top-down 32-bit block: source pixels in the upper half, destination below.
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = static_cast<LONG>(cw);
    info.bmiHeader.biHeight = -2 * static_cast<LONG>(ch);
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP block = CreateDIBSection(dest, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC scratch = block ? CreateCompatibleDC(dest) : nullptr;
    if (!scratch) {
        if (block) DeleteObject(block);
        return false;
    }
    HGDIOBJ previous = SelectObject(scratch, block);
    const size_t pixels = static_cast<size_t>(cw) * static_cast<size_t>(ch);
    uint32_t* words = static_cast<uint32_t*>(bits);
    // A source pixel outside its bitmap reads as the invalid colour: 255 in every channel.
    memset(words, 0xFF, pixels * sizeof *words);

    int64_t sx = from_x + (x0 - to_x), sy = from_y + (y0 - to_y);
    int64_t inside_x = sx, inside_y = sy, inside_w = cw, inside_h = ch;
    if (ClipAxis(&inside_x, &inside_w, source_width) && ClipAxis(&inside_y, &inside_h, source_height)) {
        BitBlt(scratch, static_cast<int>(inside_x - sx), static_cast<int>(inside_y - sy), static_cast<int>(inside_w),
               static_cast<int>(inside_h), source, static_cast<int>(inside_x), static_cast<int>(inside_y), SRCCOPY);
    }
    BitBlt(scratch, 0, static_cast<int>(ch), static_cast<int>(cw), static_cast<int>(ch), dest, static_cast<int>(x0),
           static_cast<int>(y0), SRCCOPY);
    GdiFlush();
    BlendRow(words, words + pixels, pixels, alpha);
    BitBlt(dest, static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(cw), static_cast<int>(ch), scratch, 0,
           static_cast<int>(ch), SRCCOPY);
    SelectObject(scratch, previous);
    DeleteDC(scratch);
    DeleteObject(block);
    return true;
}

}  // namespace velk
