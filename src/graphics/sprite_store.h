// Sprite records: the nine pictures of the object, each a GDI memory DC with a
// double-height bitmap (lower half = mask) or a DirectDraw surface.
#pragma once
#include <windows.h>
#include <ddraw.h>  // for: IDirectDrawSurface7

namespace velk {

inline constexpr int kSpriteCount = 9;

struct SpriteSlot {
    IDirectDrawSurface7* Surface;
    HDC MemoryDC;
    HBITMAP Bitmap;
    LONG Width;
    LONG Height;
    LONG ColorKey;  // 0x00BBGGRR, -1 = none
    LOGFONTA TextFont;
    LONG FillStyle;
    LONG LineStyle;
};
static_assert(sizeof(LOGFONTA) == 60, "the font record is the platform's 60-byte one");

// The slot's state right after the object's construction.
void ResetSpriteSlot(SpriteSlot& slot);

}  // namespace velk
