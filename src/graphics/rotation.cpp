// BltRotate: a rectangle turned and scaled about its centre, nearest pixel. The
// walk (rotation_math.h) says which destination pixels take which source pixel,
// from the object's memo of recent turns where they repeat; the pixels move on
// the pictures' memory (rotation_pixels.h), through the platform's single-pixel
// calls only where a picture has no memory view.
#include <windows.h>
#include <ddraw.h>  // for: IDirectDrawSurface7::GetColorKey, GetPixelFormat

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/texts.h"
#include "core/velk.h"
#include "graphics/alpha_pixels.h"  // for: kColourBits
#include "graphics/pixel_placement.h"
#include "graphics/rotation_math.h"
#include "graphics/rotation_pixels.h"

using velk::SpriteSlot;
namespace texts = velk::texts;

namespace {

constexpr double kLargestScale = 1024, kLargestAngle = 1e9;

bool HasKey(const SpriteSlot& slot) { return slot.ColorKey != velk::kNoColorKey; }

// The source rectangle in the source's pixels (upright, as Blt copies it) and
// the landing point in the destination's; false when no source pixel is left.
bool Place(SpriteSlot& from, LONG from_x, LONG from_y, LONG w, LONG h, SpriteSlot& to, LONG to_x, LONG to_y,
           velk::RotationSetup* setup) {
    const velk::PixelBox rect = velk::PixelBoxOf(from, velk::SpriteMapping(from), from_x, from_y, w, h);
    const velk::PixelBox landing = velk::PixelBoxOf(to, velk::SpriteMapping(to), to_x, to_y, 0, 0);
    setup->rect_left = rect.left;
    setup->rect_top = rect.top;
    setup->rect_width = rect.right - rect.left;
    setup->rect_height = rect.bottom - rect.top;
    setup->clip_left = std::max<int64_t>(setup->rect_left, 0);
    setup->clip_top = std::max<int64_t>(setup->rect_top, 0);
    setup->clip_right = std::min<int64_t>(setup->rect_left + setup->rect_width, from.Width);
    setup->clip_bottom = std::min<int64_t>(setup->rect_top + setup->rect_height, from.Height);
    setup->to_x = landing.left;
    setup->to_y = landing.top;
    setup->dest_width = to.Width;
    setup->dest_height = to.Height;
    return setup->rect_width > 0 && setup->rect_height > 0 && setup->clip_left < setup->clip_right &&
           setup->clip_top < setup->clip_bottom;
}

// ---------------------------------------------------------------- on pixel memory

bool RedLow(IDirectDrawSurface7* surface) {
    DDPIXELFORMAT format{};
    format.dwSize = sizeof format;
    return SUCCEEDED(surface->GetPixelFormat(&format)) && format.dwRBitMask == 0xFFu;
}

velk::TurnPicture PictureOf(const SpriteSlot& slot, const velk::SpriteMemory& memory) {
    velk::TurnPicture picture{};
    if (memory.sixteen()) {
        picture.raw16 = memory.view16().bits;
        picture.format16 = memory.format16();
        picture.pitch = memory.view16().pitch;
        picture.red_low = true;
    } else {
        picture.words = memory.view().bits;
        picture.pitch = memory.view().pitch;
        picture.red_low = velk::KindOf(slot) == velk::SpriteKind::DirectDraw && RedLow(slot.Surface);
        picture.alpha = slot.PerPixelAlpha == 1;
    }
    return picture;
}

// The source's key: a GDI sprite's mask rows, or a surface's raw source colour
// key compared on its colour bits only (`colour_bits`, when known already).
void KeyOf(SpriteSlot& slot, velk::TurnSource* source, DWORD colour_bits) {
    if (!HasKey(slot)) return;
    if (velk::KindOf(slot) == velk::SpriteKind::Gdi) {
        source->mask = source->picture.words + static_cast<size_t>(slot.Width) * slot.Height;
        return;
    }
    DDCOLORKEY key{};
    if (FAILED(slot.Surface->GetColorKey(DDCKEY_SRCBLT, &key))) return;
    if (!colour_bits) {
        DDPIXELFORMAT format{};
        format.dwSize = sizeof format;
        if (FAILED(slot.Surface->GetPixelFormat(&format))) return;
        colour_bits = format.dwRBitMask | format.dwGBitMask | format.dwBBitMask;
    }
    source->keyed = true;
    source->compared = colour_bits;
    source->key = key.dwColorSpaceLowValue & colour_bits;
}

// A copy of the clip's block (and its mask) for a sprite turned onto itself, so
// that every pixel is read before any is written.
class Snapshot {
public:
    void Take(velk::TurnSource* source, const velk::RotationSetup& setup) {
        const size_t w = static_cast<size_t>(setup.clip_right - setup.clip_left);
        const size_t h = static_cast<size_t>(setup.clip_bottom - setup.clip_top);
        velk::TurnPicture& picture = source->picture;
        if (picture.raw16) {
            raw16_.resize(w * h);
            for (size_t y = 0; y < h; ++y)
                std::copy_n(picture.raw16 + y * picture.pitch, w, raw16_.begin() + static_cast<ptrdiff_t>(y * w));
            picture.raw16 = raw16_.data();
        } else {
            words_.resize(w * h * (source->mask ? 2 : 1));
            for (size_t y = 0; y < h; ++y) {
                std::copy_n(picture.words + y * picture.pitch, w, words_.begin() + static_cast<ptrdiff_t>(y * w));
                if (source->mask)
                    std::copy_n(source->mask + y * picture.pitch, w,
                                words_.begin() + static_cast<ptrdiff_t>((h + y) * w));
            }
            picture.words = words_.data();
            if (source->mask) source->mask = words_.data() + w * h;
        }
        picture.pitch = static_cast<int32_t>(w);
    }

private:
    std::vector<uint32_t> words_;
    std::vector<uint16_t> raw16_;
};

// The walk over the destination with the source block from the clip's
// top-left, where the walk's positions start; a snapshot of it first when the
// destination is the source itself.
void DrawTurned(SpriteSlot& from, SpriteSlot& to, const velk::RotationSetup& setup, velk::RotationWalk& walk,
                velk::TurnSource source, const velk::TurnPicture& dest, DWORD colour_bits) {
    KeyOf(from, &source, colour_bits);
    const size_t offset = static_cast<size_t>(setup.clip_top) * source.picture.pitch + setup.clip_left;
    if (source.picture.raw16) source.picture.raw16 += offset;
    else source.picture.words += offset;
    if (source.mask) source.mask += offset;
    Snapshot snapshot;
    if (&from == &to) snapshot.Take(&source, setup);
    walk.KeepIndices(source.picture.pitch);
    velk::DrawTurnedSpans(source, dest, walk);
}

// A picture's memory without a lock of its own (a GDI sprite's words, a
// surface's held lock) when it is plain 32-bit words of 8-bit channels or
// 16-bit pixels; `masks` are its channels'.
bool HeldPicture(SpriteSlot& slot, velk::TurnPicture* picture, DWORD masks[3]) {
    *picture = velk::TurnPicture{};
    picture->alpha = slot.PerPixelAlpha == 1;
    if (velk::KindOf(slot) == velk::SpriteKind::Gdi) {
        if (!slot.Pixels) return false;
        picture->words = slot.Pixels;
        picture->pitch = slot.Width;
        masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
        return true;
    }
    const DDSURFACEDESC2* desc = velk::HeldSurfaceMemory(slot);
    if (!desc) return false;
    const DDPIXELFORMAT& format = desc->ddpfPixelFormat;
    const DWORD bits = format.dwRGBBitCount;
    masks[0] = format.dwRBitMask, masks[1] = format.dwGBitMask, masks[2] = format.dwBBitMask;
    const bool bytes = bits == 32 && masks[1] == 0xFF00 &&
                       ((masks[0] == 0xFF0000 && masks[2] == 0xFF) || (masks[0] == 0xFF && masks[2] == 0xFF0000));
    if ((desc->ddsCaps.dwCaps & DDSCAPS_VIDEOMEMORY) || !(format.dwFlags & DDPF_RGB) || !(bytes || bits == 16) ||
        desc->lPitch % (bits / 8) || static_cast<LONG>(desc->dwWidth) < slot.Width ||
        static_cast<LONG>(desc->dwHeight) < slot.Height)
        return false;
    picture->pitch = static_cast<int32_t>(desc->lPitch / (bits / 8));
    picture->red_low = bits == 16 || masks[0] == 0xFF;
    if (bits == 32) picture->words = static_cast<uint32_t*>(desc->lpSurface);
    else picture->raw16 = static_cast<uint16_t*>(desc->lpSurface);
    if (bits == 16) picture->alpha = false;
    return true;
}

// Pictures of one kind of pixel (32-bit words both, or one 16-bit format) go on
// the held memory, as Blt's copies do: a frame of many sprites pays for each
// lock once. Others convert through colours, which needs the 16-bit format's
// tables that a picture's own lock brings.
bool TurnOnMemory(SpriteSlot& from, SpriteSlot& to, const velk::RotationSetup& setup,
                  velk::RotationWalk& walk) {
    if (velk::KindOf(from) == velk::SpriteKind::Gdi || velk::KindOf(to) == velk::SpriteKind::Gdi) velk::SyncGdiBits();
    velk::TurnSource source{};
    velk::TurnPicture dest{};
    DWORD source_masks[3], dest_masks[3];
    if (HeldPicture(from, &source.picture, source_masks) && HeldPicture(to, &dest, dest_masks)) {
        const bool words = source.picture.words && dest.words;
        const bool one_format16 = source.picture.raw16 && dest.raw16 && std::equal(source_masks, source_masks + 3, dest_masks);
        if (words || one_format16) {
            DrawTurned(from, to, setup, walk, source, dest, source_masks[0] | source_masks[1] | source_masks[2]);
            return true;
        }
    }
    velk::ReleaseHeldLock(from);
    velk::ReleaseHeldLock(to);
    velk::SpriteMemory source_memory(from);
    if (!source_memory) return false;
    std::unique_ptr<velk::SpriteMemory> dest_memory;
    if (&from != &to) {
        dest_memory = std::make_unique<velk::SpriteMemory>(to);
        if (!*dest_memory) return false;
    }
    source.picture = PictureOf(from, source_memory);
    DrawTurned(from, to, setup, walk, source, PictureOf(to, dest_memory ? *dest_memory : source_memory), 0);
    return true;
}

// ---------------------------------------------------------------- through the platform
// A picture with no memory view: the source read whole first (so a sprite turned
// onto itself reads its original pixels), key colours left out, then the
// destination written pixel by pixel.
void TurnPixelByPixel(SpriteSlot& from, SpriteSlot& to, const velk::RotationSetup& setup,
                      velk::RotationWalk& walk) {
    const int32_t w = static_cast<int32_t>(setup.clip_right - setup.clip_left);
    const int32_t h = static_cast<int32_t>(setup.clip_bottom - setup.clip_top);
    std::vector<uint32_t> block(static_cast<size_t>(w) * h * 2);
    // A GDI sprite's key is its mask rows; a surface's, its key colour.
    const bool masked = HasKey(from) && from.Pixels;
    if (masked) velk::SyncGdiBits();
    {
        velk::SpriteContext dc(from);
        velk::PixelUnits units(dc, velk::SpriteMapping(from).plain());
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) {
                const int64_t sx = setup.clip_left + x, sy = setup.clip_top + y;
                const COLORREF colour = GetPixel(dc, static_cast<int>(sx), static_cast<int>(sy));
                const bool clear =
                    masked ? (from.Pixels[(from.Height + sy) * from.Width + sx] & velk::kColourBits) != 0
                           : HasKey(from) && colour == static_cast<COLORREF>(from.ColorKey);
                block[static_cast<size_t>(y) * w + x] = colour;
                block[static_cast<size_t>(h + y) * w + x] = clear;
            }
    }
    velk::SpriteContext dc(to);
    velk::PixelUnits units(dc, velk::SpriteMapping(to).plain());
    velk::RotationSpan span;
    while (walk.NextSpan(&span)) {
        int64_t u = span.u, v = span.v;
        for (int32_t x = span.x_begin; x < span.x_end; ++x, u += walk.du(), v += walk.dv()) {
            const size_t at = static_cast<size_t>(v >> velk::kTurnFractionBits) * w +
                              static_cast<size_t>(u >> velk::kTurnFractionBits);
            if (!block[static_cast<size_t>(w) * h + at]) SetPixelV(dc, x, span.y, block[at]);
        }
    }
}

}  // namespace

HRESULT VelkObject::BltRotate(LONG FromID, LONG FromX, LONG FromY, LONG w, LONG h, LONG ToID, LONG ToX, LONG ToY,
                              double Angle, double ScaleX, double ScaleY) {
    CheckTransferSprites(FromID, ToID, texts::kSubjectBltRotateFrom, texts::kSubjectBltRotateTo);
    CheckLevel(Angle, -kLargestAngle, kLargestAngle, texts::kRotateAngleSubject, texts::kRotateAngleRange);
    CheckLevel(ScaleX, -kLargestScale, kLargestScale, texts::kRotateScaleXSubject, texts::kRotateScaleRange);
    CheckLevel(ScaleY, -kLargestScale, kLargestScale, texts::kRotateScaleYSubject, texts::kRotateScaleRange);
    if (w <= 0 || h <= 0) return S_OK;
    SpriteSlot& from = SpriteTable[FromID];
    SpriteSlot& to = SpriteTable[ToID];
    velk::RotationSetup setup{};
    setup.turn = RecentTurns.TurnFor(Angle, ScaleX, ScaleY);
    if (!setup.turn.draws || !Place(from, FromX, FromY, w, h, to, ToX, ToY, &setup)) return S_OK;
    velk::RotationWalk walk(setup, &RecentTurns);
    if (walk.first_row() >= walk.end_row()) return S_OK;
    if (!TurnOnMemory(from, to, setup, walk)) TurnPixelByPixel(from, to, setup, walk);
    return S_OK;
}
