// SpriteSetAlpha and SpriteGetAlpha: sprites that keep an alpha value for every
// pixel, and the whole-picture work on such pictures. The setting belongs to
// the slot; surfaces of sprites that keep alpha are always 32-bit words.
#include <windows.h>
#include <ddraw.h>  // for: IDirectDraw7::GetDisplayMode

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/log.h"
#include "core/texts.h"
#include "core/velk.h"
#include "graphics/alpha_pixels.h"
#include "graphics/sprite_store.h"

namespace velk {

namespace {

// The slot's picture as 32-bit words, or false (a 16-bit surface, or one that cannot be locked now).
template <typename Work>
bool WithPictureWords(SpriteSlot& slot, Work work) {
    SpriteMemory memory(slot);
    if (!memory || memory.sixteen()) return false;
    work(memory.view());
    return true;
}

}  // namespace

void MakePictureOpaque(SpriteSlot& slot) {
    WithPictureWords(slot, [](const PixelView& view) {
        for (LONG y = 0; y < view.height; ++y) {
            uint32_t* row = view.bits + static_cast<ptrdiff_t>(y) * view.pitch;
            for (LONG x = 0; x < view.width; ++x) row[x] &= kColourBits;
        }
    });
}

void CopyPictureWords(SpriteSlot& from, SpriteSlot& to, LONG w, LONG h) {
    std::vector<uint32_t> words;
    WithPictureWords(from, [&](const PixelView& view) {
        w = std::min(w, view.width);
        h = std::min(h, view.height);
        words.resize(static_cast<size_t>(w) * static_cast<size_t>(h));
        for (LONG y = 0; y < h; ++y)
            memcpy(&words[static_cast<size_t>(y) * w], view.bits + static_cast<ptrdiff_t>(y) * view.pitch,
                   static_cast<size_t>(w) * sizeof(uint32_t));
    });
    if (words.empty()) return;
    WithPictureWords(to, [&](const PixelView& view) {
        const LONG cw = std::min(w, view.width), ch = std::min(h, view.height);
        for (LONG y = 0; y < ch; ++y)
            memcpy(view.bits + static_cast<ptrdiff_t>(y) * view.pitch, &words[static_cast<size_t>(y) * w],
                   static_cast<size_t>(cw) * sizeof(uint32_t));
    });
}

void PutAlphaPicture(SpriteSlot& slot, const uint32_t* pixels, size_t count) {
    WithPictureWords(slot, [&](const PixelView& view) {
        if (static_cast<size_t>(view.width) * static_cast<size_t>(view.height) > count) return;
        for (LONG y = 0; y < view.height; ++y) {
            uint32_t* row = view.bits + static_cast<ptrdiff_t>(y) * view.pitch;
            const uint32_t* from = pixels + static_cast<size_t>(y) * view.width;
            for (LONG x = 0; x < view.width; ++x) row[x] = WordOf(from[x], from[x] >> 24);
        }
    });
}

}  // namespace velk

namespace {

// A surface of the wrong kind for the setting: one that keeps alpha needs the
// alpha layout, a plain one goes back to the display's format (mode 3 is 16-bit).
bool SurfaceNeedsRemake(IDirectDraw7* direct_draw, IDirectDrawSurface7* surface, bool keep_alpha) {
    if (keep_alpha) return !velk::DirectDrawSpriteKeepsAlpha(surface);
    DDSURFACEDESC2 display{};
    display.dwSize = sizeof display;
    DDPIXELFORMAT own{};
    own.dwSize = sizeof own;
    if (FAILED(direct_draw->GetDisplayMode(&display)) || FAILED(surface->GetPixelFormat(&own))) return false;
    const DDPIXELFORMAT& wanted = display.ddpfPixelFormat;
    return wanted.dwRGBBitCount != own.dwRGBBitCount || wanted.dwRBitMask != own.dwRBitMask ||
           wanted.dwGBitMask != own.dwGBitMask || wanted.dwBBitMask != own.dwBBitMask;
}

}  // namespace

HRESULT VelkObject::SpriteSetAlpha(LONG SpriteID, LONG PerPixel) {
    namespace texts = velk::texts;
    CheckSpriteRange(SpriteID, 1, texts::kSubjectSpriteSetAlpha, texts::kSpriteRangeFromOne);
    if (PerPixel != 0 && PerPixel != 1)
        velk::FatalError(this, texts::kLevelRangeError, texts::kSubjectSpriteSetAlpha, static_cast<double>(PerPixel),
                         texts::kAlphaSettingRange);
    velk::SpriteSlot& slot = SpriteTable[SpriteID];
    // The same setting again keeps the picture's alpha as it is.
    if (slot.PerPixelAlpha == PerPixel) return S_OK;
    slot.PerPixelAlpha = PerPixel;
    if (velk::KindOf(slot) == velk::SpriteKind::DirectDraw && DirectDrawObject &&
        SurfaceNeedsRemake(DirectDrawObject, slot.Surface, PerPixel != 0)) {
        velk::ReleaseHeldLock(slot);
        IDirectDrawSurface7* fresh = velk::DirectDrawSpriteRemake(DirectDrawObject, slot.Surface, slot.Width,
                                                                  slot.Height, PerPixel != 0, slot.ColorKey);
        if (!fresh) velk::FatalError(this, texts::kBlockFailed, texts::kCriticalError);
        slot.Surface->Release();
        slot.Surface = fresh;
    }
    // Either way every pixel starts opaque: the plain picture of before, or one
    // whose alpha the host fills in by loading or drawing.
    if (!velk::IsEmpty(slot)) velk::MakePictureOpaque(slot);
    return S_OK;
}

HRESULT VelkObject::SpriteGetAlpha(LONG SpriteID, LONG* PerPixel) {
    namespace texts = velk::texts;
    CheckSpriteRange(SpriteID, 1, texts::kSubjectSpriteGetAlpha, texts::kSpriteRangeFromOne);
    if (PerPixel) *PerPixel = SpriteTable[SpriteID].PerPixelAlpha;
    return S_OK;
}
