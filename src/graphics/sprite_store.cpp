// Sprite store: slot reset, ID checks, creation and release of the two
// representations, colour keys, and the members SpriteState, SpriteResize and
// DSetColorKey.
#include "graphics/sprite_store.h"

#include <algorithm>
#include <cstring>

#include "core/log.h"
#include "core/texts.h"
#include "core/velk.h"

namespace velk {

namespace {
constexpr LONG kDefaultFontHeight = 18;
constexpr BYTE kShiftJisCharset = 128;
constexpr char kDefaultFontFace[] = "ＭＳ Ｐゴシック";
}  // namespace

void ResetSpriteSlot(SpriteSlot& slot) {
    memset(&slot, 0, sizeof slot);
    slot.ColorKey = kNoColorKey;
    slot.TextFont.lfHeight = kDefaultFontHeight;
    slot.TextFont.lfCharSet = kShiftJisCharset;
    static_assert(sizeof kDefaultFontFace <= LF_FACESIZE, "face name fits the font record");
    memcpy(slot.TextFont.lfFaceName, kDefaultFontFace, sizeof kDefaultFontFace);
    slot.FillStyle = -1;
    slot.LineStyle = 0;
}

void CaptureContextState(HDC dc, ContextState& state) {
    state.RasterOp = GetROP2(dc);
    state.MapMode = GetMapMode(dc);
    state.BackgroundMode = GetBkMode(dc);
    state.CharacterExtra = GetTextCharacterExtra(dc);
    GetWindowOrgEx(dc, &state.Origin);
    GetCurrentPositionEx(dc, &state.Position);
    state.Saved = true;
}

void ApplyContextState(HDC dc, const ContextState& state) {
    if (!state.Saved) return;
    SetROP2(dc, state.RasterOp);
    SetMapMode(dc, state.MapMode);
    SetBkMode(dc, state.BackgroundMode);
    SetTextCharacterExtra(dc, state.CharacterExtra);
    SetWindowOrgEx(dc, state.Origin.x, state.Origin.y, nullptr);
    MoveToEx(dc, state.Position.x, state.Position.y, nullptr);
}

const DDSURFACEDESC2* HeldSurfaceMemory(SpriteSlot& slot) {
    HeldLock& lock = slot.Lock;
    if (lock.Held) return &lock.Desc;
    if (!slot.Surface) return nullptr;
    memset(&lock.Desc, 0, sizeof lock.Desc);
    lock.Desc.dwSize = sizeof lock.Desc;
    // No system-wide lock while it is held: the host's other windows go on drawing.
    if (FAILED(slot.Surface->Lock(nullptr, &lock.Desc, DDLOCK_NOSYSLOCK, nullptr))) return nullptr;
    lock.Held = true;
    if (lock.Desc.lpSurface) return &lock.Desc;
    ReleaseHeldLock(slot);
    return nullptr;
}

void ReleaseHeldLock(SpriteSlot& slot) {
    if (!slot.Lock.Held) return;
    slot.Lock.Held = false;
    if (slot.Surface) slot.Surface->Unlock(nullptr);
}

HDC SpriteGetDC(SpriteSlot& slot) {
    if (slot.MemoryDC) return slot.MemoryDC;
    ReleaseHeldLock(slot);
    HDC dc = nullptr;
    if (!slot.Surface || FAILED(slot.Surface->GetDC(&dc))) return nullptr;
    // A surface hands out a fresh context each time; the sprite's state goes on it.
    ApplyContextState(dc, slot.Context);
    return dc;
}

void SpriteReleaseDC(SpriteSlot& slot, HDC dc) {
    if (slot.MemoryDC || !slot.Surface || !dc) return;
    CaptureContextState(dc, slot.Context);
    slot.Surface->ReleaseDC(dc);
}

PixelMapping SpriteMapping(const SpriteSlot& slot) {
    if (slot.MemoryDC) {
        POINT window{}, viewport{};
        GetWindowOrgEx(slot.MemoryDC, &window);
        GetViewportOrgEx(slot.MemoryDC, &viewport);
        return PixelMapping{GetMapMode(slot.MemoryDC) == MM_TEXT, int64_t{window.x} - viewport.x,
                            int64_t{window.y} - viewport.y};
    }
    // A surface's fresh context gets the kept state, whose viewport is never moved.
    const ContextState& state = slot.Context;
    if (!state.Saved) return PixelMapping{true, 0, 0};
    return PixelMapping{state.MapMode == MM_TEXT, state.Origin.x, state.Origin.y};
}

SpriteMemory::SpriteMemory(SpriteSlot& slot) {
    // Callers work in pixels of the picture, so the contexts' state does not matter here.
    switch (KindOf(slot)) {
    case SpriteKind::Gdi:
        if (!slot.Pixels) return;
        SyncGdiBits();
        view_ = PixelView{slot.Pixels, slot.Width, slot.Height, slot.Width};
        ready_ = true;
        break;
    case SpriteKind::DirectDraw:
        ReleaseHeldLock(slot);
        if (!DirectDrawSpriteLockPixels(slot.Surface, &view_) &&
            !DirectDrawSpriteLockPixels16(slot.Surface, &view16_, &format16_))
            return;
        locked_ = slot.Surface;
        ready_ = true;
        break;
    case SpriteKind::Empty:
        break;
    }
}

SpriteMemory::~SpriteMemory() {
    if (locked_) locked_->Unlock(nullptr);
}

}  // namespace velk

using velk::SpriteSlot;
namespace texts = velk::texts;

// ---------------------------------------------------------------- ID checks

void VelkObject::CheckSpriteRange(LONG id, LONG lowest, const char* subject, const char* range) {
    if (id < lowest || id >= velk::kSpriteCount) velk::FatalError(this, texts::kIdRangeError, subject, id, range);
}

SpriteSlot& VelkObject::CheckedSprite(LONG id, LONG lowest, const char* subject, const char* range) {
    CheckSpriteRange(id, lowest, subject, range);
    SpriteSlot& slot = SpriteTable[id];
    if (velk::IsEmpty(slot)) velk::FatalError(this, texts::kIdEmptyError, subject, id);
    return slot;
}

// ---------------------------------------------------------------- make, kill, key

bool VelkObject::SpriteMake(SpriteSlot& slot, int index, IDirectDraw7* direct_draw, LONG width, LONG height,
                            int kind) {
    velk::LogWrite(this, texts::kBlockBegin, texts::kSpriteMakeName);
    velk::LogWrite(this, texts::kInfoNumber, texts::kTargetIdLabel, index);
    width = velk::SpriteExtent(width);
    height = velk::SpriteExtent(height);
    if (kind == velk::kMakeGdi) {
        if (slot.MemoryDC) {
            velk::LogWrite(this, texts::kBlockFailed, texts::kAlreadyExists);
            return false;
        }
        // A refused bitmap would leave a 1 x 1 monochrome picture that silently
        // draws nothing; it is as fatal as a refused surface.
        if (!velk::GdiSpriteCreate(slot, width, height))
            velk::FatalError(this, texts::kBlockFailed, texts::kCriticalError);
    } else {
        if (slot.Surface) {
            velk::LogWrite(this, texts::kBlockFailed, texts::kAlreadyExists);
            return false;
        }
        slot.Surface = velk::DirectDrawSpriteCreate(direct_draw, width, height, slot.PerPixelAlpha != 0);
        if (!slot.Surface) velk::FatalError(this, texts::kBlockFailed, texts::kCriticalError);
        slot.Context.Saved = false;
    }
    slot.Width = width;
    slot.Height = height;
    slot.ColorKey = velk::kNoColorKey;
    velk::LogWrite(this, texts::kInfoPair, texts::kWidthLabel, width, texts::kHeightLabel, height);
    velk::LogWrite(this, texts::kBlockEnd);
    return true;
}

void VelkObject::SpriteKill(SpriteSlot& slot, int index, int part) {
    if (velk::IsEmpty(slot)) return;
    velk::LogWrite(this, texts::kBlockBegin, texts::kSpriteKillName);
    velk::LogWrite(this, texts::kInfoNumber, texts::kTargetIdLabel, index);
    const velk::SpriteKind kind = velk::KindOf(slot);
    if (part == velk::kKillGdi || (part == velk::kKillWhatever && kind == velk::SpriteKind::Gdi)) {
        velk::GdiSpriteRelease(slot);
    } else if (part == velk::kKillDirectDraw || (part == velk::kKillWhatever && kind == velk::SpriteKind::DirectDraw)) {
        velk::ReleaseHeldLock(slot);
        if (slot.Surface) slot.Surface->Release();
        slot.Surface = nullptr;
    }
    velk::LogWrite(this, texts::kBlockEnd);
}

void VelkObject::SpriteColorKey(SpriteSlot& slot, int index, LONG color) {
    if (color == velk::kNoColorKey) return;
    velk::LogWrite(this, texts::kBlockBegin, texts::kSpriteColorKeyName);
    velk::LogWrite(this, texts::kInfoNumber, texts::kTargetIdLabel, index);
    velk::LogWrite(this, texts::kInfoNumber, texts::kColorValueLabel, color);
    const COLORREF key = static_cast<COLORREF>(color);
    // A key set again (the same or another) keeps what is transparent and adds
    // what has the key's colour now, in both representations.
    if (velk::KindOf(slot) == velk::SpriteKind::Gdi) velk::GdiSpriteApplyKey(slot, key);
    velk::ReleaseHeldLock(slot);
    if (velk::KindOf(slot) == velk::SpriteKind::DirectDraw) velk::DirectDrawSpriteRekey(slot.Surface, key);
    slot.ColorKey = color;
    velk::LogWrite(this, texts::kBlockEnd);
}

// ---------------------------------------------------------------- members

HRESULT VelkObject::SpriteState(LONG SpriteID, LONG IsEnable) {
    CheckSpriteRange(SpriteID, 1, texts::kSubjectSpriteState, texts::kSpriteRangeFromOne);
    SpriteSlot& slot = SpriteTable[SpriteID];
    if (IsEnable == 0) {
        SpriteKill(slot, SpriteID, velk::kKillWhatever);
        // A freed slot starts over as a plain sprite.
        slot.PerPixelAlpha = 0;
    } else {
        // Before any mode there is no DirectDraw object: such a sprite is GDI, and
        // the next Graphics call carries it into whatever mode it sets.
        const int kind = GraphicsMode == 0 ? velk::kMakeGdi : GraphicsMode;
        SpriteMake(slot, SpriteID, DirectDrawObject, ScreenWidth, ScreenHeight, kind);
    }
    return S_OK;
}

namespace {
// The mask rows lie outside what the contexts draw on; they go word by word.
void CopyMaskRows(const SpriteSlot& from, SpriteSlot& to, LONG w, LONG h) {
    velk::SyncGdiBits();
    const uint32_t* source = from.Pixels + static_cast<size_t>(from.Width) * static_cast<size_t>(from.Height);
    uint32_t* dest = to.Pixels + static_cast<size_t>(to.Width) * static_cast<size_t>(to.Height);
    for (LONG y = 0; y < h; ++y)
        memcpy(dest + static_cast<size_t>(y) * to.Width, source + static_cast<size_t>(y) * from.Width,
               static_cast<size_t>(w) * sizeof *dest);
}
}  // namespace

HRESULT VelkObject::SpriteResize(LONG SpriteID, LONG cx, LONG cy) {
    SpriteSlot& slot = CheckedSprite(SpriteID, 0, texts::kSubjectSpriteResize, texts::kSpriteRangeFromOne);
    cx = velk::SpriteExtent(cx);
    cy = velk::SpriteExtent(cy);
    if (slot.Width == cx && slot.Height == cy) return S_OK;

    // The new picture takes the slot's own representation, so a sprite made before
    // any mode was set stays GDI.
    const bool gdi = velk::KindOf(slot) == velk::SpriteKind::Gdi;
    velk::ReleaseHeldLock(slot);
    SpriteSlot fresh{};
    fresh.PerPixelAlpha = slot.PerPixelAlpha;
    SpriteMake(fresh, SpriteID, DirectDrawObject, cx, cy, gdi ? velk::kMakeGdi : velk::kMakeDirectDraw);
    // Both pictures through contexts in the platform's initial state, so that the
    // copy keeps the top-left of the picture wherever the host put the origin;
    // the old context goes with the old picture.
    HDC old_dc = gdi ? slot.MemoryDC : nullptr;
    if (gdi) velk::ResetContext(old_dc);
    else if (FAILED(slot.Surface->GetDC(&old_dc))) old_dc = nullptr;
    HDC new_dc = gdi ? fresh.MemoryDC : nullptr;
    if (!gdi && FAILED(fresh.Surface->GetDC(&new_dc))) new_dc = nullptr;
    RECT all = {0, 0, cx, cy};
    FillRect(new_dc, &all, GetSysColorBrush(COLOR_BTNFACE));
    const LONG w = std::min(cx, slot.Width);
    const LONG h = std::min(cy, slot.Height);
    BitBlt(new_dc, 0, 0, w, h, old_dc, 0, 0, SRCCOPY);
    if (gdi) CopyMaskRows(slot, fresh, w, h);
    if (!gdi && old_dc) slot.Surface->ReleaseDC(old_dc);
    if (!gdi && new_dc) fresh.Surface->ReleaseDC(new_dc);
    // The platform's copy is not bound to keep the byte above the colour.
    if (slot.PerPixelAlpha) velk::CopyPictureWords(slot, fresh, w, h);
    SpriteKill(slot, SpriteID, velk::kKillWhatever);

    slot.MemoryDC = fresh.MemoryDC;
    slot.Bitmap = fresh.Bitmap;
    slot.Pixels = fresh.Pixels;
    slot.Surface = fresh.Surface;
    slot.Width = cx;
    slot.Height = cy;
    // A remade picture starts from the initial drawing state, in both representations.
    slot.Context.Saved = false;
    if (slot.ColorKey != velk::kNoColorKey && !gdi) velk::DirectDrawSpriteSetKey(slot.Surface, slot.ColorKey);
    return S_OK;
}

HRESULT VelkObject::DSetColorKey(LONG Color, LONG Non_Zero_SpriteID) {
    // An empty sprite has no picture to key: the same error as drawing into it.
    SpriteSlot& slot =
        CheckedSprite(Non_Zero_SpriteID, 1, texts::kSubjectDSetColorKey, texts::kSpriteRangeNoZero);
    SpriteColorKey(slot, Non_Zero_SpriteID, Color);
    return S_OK;
}
