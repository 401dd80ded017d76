// Sprite records: the nine pictures of the object, each a GDI memory DC with a
// double-height 32-bit DIB section (lower half = mask) or a DirectDraw surface,
// and the two back ends that create, key and release those representations.
#pragma once
#include <windows.h>
#include <ddraw.h>  // for: IDirectDrawSurface7

#include <cstdint>

#include "graphics/pixel_rows.h"

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

// A DirectDraw sprite's surface lock kept from one transfer on its pixels to the
// next, so that a frame of many small sprites pays for the lock once instead of
// once per sprite; every other use of the surface gives it back first.
struct HeldLock {
    bool Held;
    DDSURFACEDESC2 Desc;
};

struct SpriteSlot {
    IDirectDrawSurface7* Surface;
    HDC MemoryDC;
    HBITMAP Bitmap;
    uint32_t* Pixels;  // the DIB section's words: width x (2 x height), top-down
    LONG Width;
    LONG Height;
    LONG ColorKey;  // 0x00BBGGRR, -1 = none
    LOGFONTA TextFont;
    LONG FillStyle;
    LONG LineStyle;
    ContextState Context;  // DirectDraw sprites only; a GDI sprite's DC holds its own
    HeldLock Lock;         // DirectDraw sprites only
    // SpriteSetAlpha: 1 when every pixel carries its alpha (see alpha_pixels.h).
    LONG PerPixelAlpha;
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

// The surface's memory for the transfers, locked without waiting and held until
// ReleaseHeldLock; null when the surface cannot be locked now.
const DDSURFACEDESC2* HeldSurfaceMemory(SpriteSlot& slot);
// Gives a held lock back. Everything that hands the surface to the platform
// (contexts, blits, other locks, colour keys, release) calls it first.
void ReleaseHeldLock(SpriteSlot& slot);

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

// Puts a context in pixel units (no mapping, no origin) for the length of one
// copy whose rectangles are already in pixels, and gives the host's state back
// afterwards. `plain` says the context is in pixel units already.
class PixelUnits {
public:
    PixelUnits(HDC dc, bool plain) : dc_(dc), saved_(dc && !plain ? SaveDC(dc) : 0) {
        if (saved_) {
            SetMapMode(dc, MM_TEXT);
            SetWindowOrgEx(dc, 0, 0, nullptr);
            SetViewportOrgEx(dc, 0, 0, nullptr);
        }
    }
    ~PixelUnits() {
        if (saved_) RestoreDC(dc_, saved_);
    }
    PixelUnits(const PixelUnits&) = delete;
    PixelUnits& operator=(const PixelUnits&) = delete;

private:
    HDC dc_;
    int saved_;
};

// How a sprite's logical units land on its pixels: in the pixel mapping mode an
// offset (pixel = logical - offset), known without a context; any other mapping
// mode only a context can apply.
struct PixelMapping {
    bool offset_only;
    int64_t dx;
    int64_t dy;
    bool plain() const { return offset_only && !dx && !dy; }
};
PixelMapping SpriteMapping(const SpriteSlot& slot);

// Sizes below one pixel would give the platform's monochrome 1 x 1 stand-in
// bitmap or a refused surface, so every sprite is at least 1 x 1.
inline LONG SpriteExtent(LONG size) { return size < 1 ? 1 : size; }

// ---------------------------------------------------------------- GDI back end
// Puts what GDI drew into the bitmaps' bits before they are read or written
// directly. A thread whose batch limit is one has no batch to flush, so the call
// (as much as a small sprite's copy costs) is left out there.
void SyncGdiBits();
// Memory DC plus a width x (2 x height) 32-bit DIB section, picture filled with
// the button-face colour, mask opaque. False when the platform refuses it.
bool GdiSpriteCreate(SpriteSlot& slot, LONG width, LONG height);
void GdiSpriteRelease(SpriteSlot& slot);
// Turns pixels of `color` black and writes the mask rows: white there and where
// the picture is transparent already, black elsewhere; whatever state the DC is in.
void GdiSpriteApplyKey(SpriteSlot& slot, COLORREF color);
// Puts mapping mode, origins and mix mode back to the platform's initial state.
void ResetContext(HDC dc);
// Limits what is drawn through the sprite's context to its picture rows: the
// mask rows below belong to the key and transfer code, which reach them directly.
void GdiSpriteClipToPicture(HDC dc, LONG width, LONG height);
// The picture size of the slot's bitmap (which is twice as high); false without one.
bool GdiSpriteSize(const SpriteSlot& slot, LONG* width, LONG* height);

// ---------------------------------------------------------------- DirectDraw back end
// A system-memory off-screen surface of the display's pixel format, or null.
// One that keeps alpha is 32-bit 0x00RRGGBB words whatever the display (16-bit
// pixels have no room for alpha).
IDirectDrawSurface7* DirectDrawSpriteCreate(IDirectDraw7* direct_draw, LONG width, LONG height,
                                            bool keep_alpha = false);
// Raw pixel value of `color` from the channel masks of a pixel format.
DWORD RawPixelFromFormat(const DDPIXELFORMAT& format, COLORREF color);
// Locks the whole surface, waiting out a busy blitter; false (and unlocked) when
// it cannot be locked or its pixels are not whole bytes.
bool DirectDrawSpriteLock(IDirectDrawSurface7* surface, DDSURFACEDESC2* desc);
// The surface's raw pixel value of `color`, as the platform stores it; pixel
// (0, 0), used as the probe, keeps its raw value.
DWORD DirectDrawSpriteKeyValue(IDirectDrawSurface7* surface, COLORREF color);
// Makes the surface's raw value of `color` (or `raw` itself) its source colour key.
void DirectDrawSpriteSetKey(IDirectDrawSurface7* surface, COLORREF color);
void DirectDrawSpriteSetRawKey(IDirectDrawSurface7* surface, DWORD raw);
// Sets `color` as the key again: pixels holding the surface's previous key take
// the new key's raw value, so that what was transparent stays so.
void DirectDrawSpriteRekey(IDirectDrawSurface7* surface, COLORREF color);
// The raw source colour key the surface holds; false when it has none.
bool DirectDrawSpriteRawKey(IDirectDrawSurface7* surface, DWORD* raw);
// Key carry-over from a GDI picture (picture rows then mask rows, width x height
// each) copied into the surface: `raw` goes where the mask is white and the
// picture still black.
void DirectDrawSpritePutKeyWhereMasked(IDirectDrawSurface7* surface, const uint32_t* picture, LONG width,
                                       LONG height, DWORD raw);
// Key carry-over the other way: the GDI picture is black and the mask white
// where the surface holds `raw`, the mask black elsewhere.
void DirectDrawSpriteMaskFromKey(IDirectDrawSurface7* surface, DWORD raw, uint32_t* picture, LONG width,
                                 LONG height);
// Locks a surface of 8-bit channels in 32-bit words as a pixel block; false (and
// unlocked) for other formats. The caller unlocks.
bool DirectDrawSpriteLockPixels(IDirectDrawSurface7* surface, PixelView* view);
// The same for a 16-bit surface, with the platform's conversions of its format.
bool DirectDrawSpriteLockPixels16(IDirectDrawSurface7* surface, Pixel16View* view, const Pixel16Format** format);
// The platform's conversions of a 16-bit surface's format; null for other formats.
const Pixel16Format* DirectDrawSpriteFormat16(IDirectDrawSurface7* surface);
// The same tables without a platform call once they are known; null before.
const Pixel16Format* DirectDrawSpriteProbedFormat16(const DDPIXELFORMAT& pixel_format);
// True when the surface is of the layout DirectDrawSpriteCreate gives sprites that keep alpha.
bool DirectDrawSpriteKeepsAlpha(IDirectDrawSurface7* surface);
// Whole words (alpha included) between such a surface and width x height words,
// top row first; false (nothing copied) for another layout or a refused lock.
bool DirectDrawSpriteCopyWords(IDirectDrawSurface7* surface, uint32_t* words, LONG width, LONG height,
                               bool to_surface);
// The picture of `old` (width x height) in a new surface of the kind `keep_alpha`
// asks for, its colour key (-1: none) carried by raw values; null when refused.
IDirectDrawSurface7* DirectDrawSpriteRemake(IDirectDraw7* direct_draw, IDirectDrawSurface7* old, LONG width,
                                            LONG height, bool keep_alpha, LONG color_key);

// ---------------------------------------------------------------- per-pixel alpha
// Clears the byte above the colour of every picture pixel: all opaque.
void MakePictureOpaque(SpriteSlot& slot);
// The top-left w x h words of one picture into another, the byte above the
// colour included (both 32-bit: GDI sprites or surfaces that keep alpha).
void CopyPictureWords(SpriteSlot& from, SpriteSlot& to, LONG w, LONG h);
// Pixels 0xAARRGGBB (straight alpha), top row first, as the slot's picture in
// the alpha words of alpha_pixels.h; `count` covers the whole picture.
void PutAlphaPicture(SpriteSlot& slot, const uint32_t* pixels, size_t count);

// ---------------------------------------------------------------- pixel memory
// A sprite's picture as a block of pixels for the length of one member, for
// work whose rectangles are already in pixels: a GDI sprite's picture rows (not
// its mask rows), or a 32-bit or 16-bit surface (locked until the end). A
// surface with its context out cannot be locked.
class SpriteMemory {
public:
    explicit SpriteMemory(SpriteSlot& slot);
    ~SpriteMemory();
    SpriteMemory(const SpriteMemory&) = delete;
    SpriteMemory& operator=(const SpriteMemory&) = delete;
    explicit operator bool() const { return ready_; }
    // 16-bit pixels: view16() and format16() instead of view().
    bool sixteen() const { return format16_ != nullptr; }
    const PixelView& view() const { return view_; }
    const Pixel16View& view16() const { return view16_; }
    const Pixel16Format* format16() const { return format16_; }

private:
    IDirectDrawSurface7* locked_ = nullptr;
    PixelView view_{};
    Pixel16View view16_{};
    const Pixel16Format* format16_ = nullptr;
    bool ready_ = false;
};

}  // namespace velk
