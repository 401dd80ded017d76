// GDI back end of the sprite store: a memory DC with a double-height bitmap whose
// lower half is the transparency mask.
#include <windows.h>

#include <climits>
#include <cstring>

#include "graphics/sprite_store.h"

namespace velk {

namespace {

constexpr COLORREF kWhite = 0xFFFFFF;
constexpr COLORREF kBlack = 0;

// 0x00BBGGRR (COLORREF) to 0x00RRGGBB (a 32-bit DIB word) and back.
inline uint32_t DibWordOf(COLORREF color) {
    return ((color & 0xFF) << 16) | (color & 0xFF00) | ((color >> 16) & 0xFF);
}

// The fast way reads the bitmap through a 32-bit DIB; that round trip is exact
// only for true-colour bitmaps, so other depths take the pixel-by-pixel way.
bool IsTrueColour(HBITMAP bitmap) {
    BITMAP info{};
    if (!GetObjectA(bitmap, sizeof info, &info)) return false;
    return info.bmBitsPixel >= 24;
}

}  // namespace

bool GdiSpriteCreate(SpriteSlot& slot, LONG width, LONG height) {
    if (height > INT_MAX / 2) return false;
    HDC desktop = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(desktop);
    HBITMAP bitmap = dc ? CreateCompatibleBitmap(desktop, width, 2 * height) : nullptr;
    ReleaseDC(nullptr, desktop);
    if (!bitmap) {
        if (dc) DeleteDC(dc);
        return false;
    }
    SelectObject(dc, bitmap);
    RECT picture = {0, 0, width, height};
    FillRect(dc, &picture, GetSysColorBrush(COLOR_BTNFACE));
    // An unset mask would make transfers show stray transparent pixels; start opaque.
    RECT mask = {0, height, width, 2 * height};
    FillRect(dc, &mask, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    slot.MemoryDC = dc;
    slot.Bitmap = bitmap;
    return true;
}

void GdiSpriteRelease(SpriteSlot& slot) {
    // The DC goes first so that the bitmap is no longer selected when it is deleted.
    if (slot.MemoryDC) DeleteDC(slot.MemoryDC);
    if (slot.Bitmap) DeleteObject(slot.Bitmap);
    slot.MemoryDC = nullptr;
    slot.Bitmap = nullptr;
}

void ApplyColorKeyToRows(uint32_t* picture, uint32_t* mask, size_t count, COLORREF color, bool keep_marked) {
    // A colour with bits above the 24 colour bits never equals a pixel.
    const bool can_match = (color & 0xFF000000u) == 0;
    const uint32_t key = DibWordOf(color);
    for (size_t i = 0; i < count; ++i) {
        const uint32_t pixel = picture[i] & 0xFFFFFFu;
        const bool marked = keep_marked && (mask[i] & 0xFFFFFFu) == 0xFFFFFFu;
        const bool transparent = (can_match && pixel == key) || marked;
        if (transparent) picture[i] = 0;
        mask[i] = transparent ? 0xFFFFFFu : 0;
    }
}

void GdiSpriteApplyKey(SpriteSlot& slot, COLORREF color, bool keep_marked) {
    const LONG width = slot.Width;
    const LONG height = slot.Height;
    if (width < 1 || height < 1) return;
    if (!IsTrueColour(slot.Bitmap)) {
        GdiSpriteApplyKeyPixelByPixel(slot, color, keep_marked);
        return;
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -2 * height;  // top-down: row y is at y * width
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(slot.MemoryDC, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC scratch = dib ? CreateCompatibleDC(slot.MemoryDC) : nullptr;
    if (!scratch) {
        if (dib) DeleteObject(dib);
        GdiSpriteApplyKeyPixelByPixel(slot, color, keep_marked);
        return;
    }
    HGDIOBJ previous = SelectObject(scratch, dib);
    BitBlt(scratch, 0, 0, width, 2 * height, slot.MemoryDC, 0, 0, SRCCOPY);
    GdiFlush();
    uint32_t* words = static_cast<uint32_t*>(bits);
    const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
    ApplyColorKeyToRows(words, words + pixels, pixels, color, keep_marked);
    BitBlt(slot.MemoryDC, 0, 0, width, 2 * height, scratch, 0, 0, SRCCOPY);
    SelectObject(scratch, previous);
    DeleteDC(scratch);
    DeleteObject(dib);
}

void GdiSpriteApplyKeyPixelByPixel(SpriteSlot& slot, COLORREF color, bool keep_marked) {
    HDC dc = slot.MemoryDC;
    const LONG height = slot.Height;
    for (LONG y = 0; y < height; ++y) {
        for (LONG x = 0; x < slot.Width; ++x) {
            const COLORREF pixel = GetPixel(dc, x, y);
            const bool marked = keep_marked && GetPixel(dc, x, height + y) == kWhite;
            const bool transparent = pixel == color || marked;
            if (transparent) SetPixelV(dc, x, y, kBlack);
            SetPixelV(dc, x, height + y, transparent ? kWhite : kBlack);
        }
    }
}

}  // namespace velk
