// Sprite records: the nine pictures of the object, each a GDI memory DC with a
// double-height bitmap (lower half = mask) or a DirectDraw surface, and the two
// back ends that create, key and release those representations.
#pragma once
#include <windows.h>
#include <ddraw.h>  // for: IDirectDrawSurface7

#include <cstdint>

namespace velk {

inline constexpr int kSpriteCount = 9;
inline constexpr LONG kNoColorKey = -1;

// Drawing-context state of a DirectDraw sprite, kept between the fresh contexts
// its surface hands out so that it lasts as long as a GDI sprite's does.
struct ContextState {
    bool Saved;  // false: the platform's initial state
    int RasterOp;
    int MapMode;
    int BackgroundMode;
    int CharacterExtra;
    POINT Origin;
    POINT Position;
};

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
    ContextState Context;  // DirectDraw sprites only; a GDI sprite's DC holds its own
};
static_assert(sizeof(LOGFONTA) == 60, "the font record is the platform's 60-byte one");

// The slot's state right after the object's construction.
void ResetSpriteSlot(SpriteSlot& slot);

// Which representation a slot holds; a GDI context wins during a mode change.
enum class SpriteKind { Empty, Gdi, DirectDraw };
inline SpriteKind KindOf(const SpriteSlot& slot) {
    if (slot.MemoryDC) return SpriteKind::Gdi;
    if (slot.Surface) return SpriteKind::DirectDraw;
    return SpriteKind::Empty;
}
inline bool IsEmpty(const SpriteSlot& slot) { return KindOf(slot) == SpriteKind::Empty; }

// Requested kinds of SpriteMake (the graphics mode numbers), and SpriteKill parts.
inline constexpr int kMakeGdi = 1, kMakeDirectDraw = 2;
inline constexpr int kKillWhatever = 0, kKillGdi = 1, kKillDirectDraw = 2;

// A drawing context on the slot's picture: the memory DC itself for GDI, a fresh
// surface DC for DirectDraw (null when the surface refuses one).
HDC SpriteGetDC(SpriteSlot& slot);
void SpriteReleaseDC(SpriteSlot& slot, HDC dc);

void CaptureContextState(HDC dc, ContextState& state);
void ApplyContextState(HDC dc, const ContextState& state);

// Holds a sprite's context for one member's work.
class SpriteContext {
public:
    explicit SpriteContext(SpriteSlot& slot) : slot_(slot), dc_(SpriteGetDC(slot)) {}
    ~SpriteContext() { SpriteReleaseDC(slot_, dc_); }
    SpriteContext(const SpriteContext&) = delete;
    SpriteContext& operator=(const SpriteContext&) = delete;
    HDC get() const { return dc_; }
    operator HDC() const { return dc_; }

private:
    SpriteSlot& slot_;
    HDC dc_;
};

// Sizes below one pixel would give the platform's monochrome 1 x 1 stand-in
// bitmap or a refused surface, so every sprite is at least 1 x 1.
inline LONG SpriteExtent(LONG size) { return size < 1 ? 1 : size; }

// ---------------------------------------------------------------- GDI back end
// Memory DC plus a width x (2 x height) bitmap, picture filled with the
// button-face colour. False when the platform refuses the bitmap.
bool GdiSpriteCreate(SpriteSlot& slot, LONG width, LONG height);
void GdiSpriteRelease(SpriteSlot& slot);
// Turns pixels of `color` black and writes the mask rows (white there, black
// elsewhere). With keep_marked, pixels the mask already marks stay transparent.
void GdiSpriteApplyKey(SpriteSlot& slot, COLORREF color, bool keep_marked);
// The same result one platform pixel call at a time; the reference for the fast way.
void GdiSpriteApplyKeyPixelByPixel(SpriteSlot& slot, COLORREF color, bool keep_marked);

// The key rule on whole rows: picture and mask as 0x00RRGGBB words (the layout
// of a 32-bit device-independent row), `count` pixels each.
void ApplyColorKeyToRows(uint32_t* picture, uint32_t* mask, size_t count, COLORREF color, bool keep_marked);

// ---------------------------------------------------------------- DirectDraw back end
// A system-memory off-screen surface of the display's pixel format, or null.
IDirectDrawSurface7* DirectDrawSpriteCreate(IDirectDraw7* direct_draw, LONG width, LONG height);
// Makes the surface's raw pixel value of `color` its source colour key.
void DirectDrawSpriteSetKey(IDirectDrawSurface7* surface, COLORREF color);
// Raw pixel value of `color` from the channel masks of a pixel format.
DWORD RawPixelFromFormat(const DDPIXELFORMAT& format, COLORREF color);

}  // namespace velk
