// GDI back end of the sprite store: a memory DC with a 32-bit top-down DIB
// section whose lower half is the transparency mask. GDI draws on it as on any
// bitmap, and the library reaches its pixels directly.
#include <windows.h>

#include <climits>
#include <cstdlib>
#include <cstring>

#include "graphics/pixel_rows.h"
#include "graphics/sprite_store.h"

namespace velk {

void SyncGdiBits() {
    if (GdiGetBatchLimit() != 1) GdiFlush();
}

bool GdiSpriteCreate(SpriteSlot& slot, LONG width, LONG height) {
    if (height > INT_MAX / 2 || static_cast<int64_t>(width) * 2 * height > INT_MAX / 4) return false;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -2 * height;  // top-down: row y starts at word y * width
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC desktop = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(desktop);
    void* bits = nullptr;
    HBITMAP bitmap = dc ? CreateDIBSection(desktop, &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
    ReleaseDC(nullptr, desktop);
    if (!bitmap || !bits) {
        if (bitmap) DeleteObject(bitmap);
        if (dc) DeleteDC(dc);
        return false;
    }
    SelectObject(dc, bitmap);
    RECT picture = {0, 0, width, height};
    FillRect(dc, &picture, GetSysColorBrush(COLOR_BTNFACE));
    // An unset mask would make transfers show stray transparent pixels; start opaque.
    SyncGdiBits();
    uint32_t* words = static_cast<uint32_t*>(bits);
    const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
    memset(words + pixels, 0, pixels * sizeof *words);
    GdiSpriteClipToPicture(dc, width, height);
    slot.MemoryDC = dc;
    slot.Bitmap = bitmap;
    slot.Pixels = words;
    return true;
}

void GdiSpriteRelease(SpriteSlot& slot) {
    // The DC goes first so that the bitmap is no longer selected when it is deleted.
    if (slot.MemoryDC) DeleteDC(slot.MemoryDC);
    if (slot.Bitmap) DeleteObject(slot.Bitmap);
    slot.MemoryDC = nullptr;
    slot.Bitmap = nullptr;
    slot.Pixels = nullptr;
}

void GdiSpriteApplyKey(SpriteSlot& slot, COLORREF color) {
    if (!slot.Pixels || slot.Width < 1 || slot.Height < 1) return;
    SyncGdiBits();
    const size_t pixels = static_cast<size_t>(slot.Width) * static_cast<size_t>(slot.Height);
    ColorKeyRows(slot.Pixels, slot.Pixels + pixels, pixels, color);
}

void ResetContext(HDC dc) {
    SetMapMode(dc, MM_TEXT);
    SetWindowOrgEx(dc, 0, 0, nullptr);
    SetViewportOrgEx(dc, 0, 0, nullptr);
    SetROP2(dc, R2_COPYPEN);
}

void GdiSpriteClipToPicture(HDC dc, LONG width, LONG height) {
    // The region is in pixels, so no origin or mapping mode the host sets moves it.
    HRGN picture = CreateRectRgn(0, 0, width, height);
    SelectClipRgn(dc, picture);
    if (picture) DeleteObject(picture);
}

bool GdiSpriteSize(const SpriteSlot& slot, LONG* width, LONG* height) {
    BITMAP info{};
    if (!slot.Pixels || !slot.Bitmap || !GetObjectA(slot.Bitmap, sizeof info, &info)) return false;
    *width = info.bmWidth;
    *height = std::abs(info.bmHeight) / 2;
    return *width > 0 && *height > 0;
}

}  // namespace velk
