// Sprite transfers: Blt, BltStretch, BltAlphaBlend and the whole-sprite
// shorthands SpriteCopy and SpritePaste. GDI sprites take their transparency
// from the mask rows, DirectDraw sprites from the surface's source colour key.
#include <windows.h>
#include <ddraw.h>  // for: IDirectDrawSurface7::Blt, DDBLT_*

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "core/log.h"
#include "core/texts.h"
#include "core/velk.h"
#include "graphics/pixel_placement.h"
#include "graphics/transfer.h"

using velk::SpriteSlot;
namespace texts = velk::texts;

namespace {

bool HasKey(const SpriteSlot& slot) { return slot.ColorKey != velk::kNoColorKey; }

// Both sprites are surfaces: the copy is a DirectDraw blit. Otherwise (mode 1, and
// sprites made before any mode, which are GDI) it goes through the contexts.
bool BothSurfaces(const SpriteSlot& from, const SpriteSlot& to) {
    return velk::KindOf(from) == velk::SpriteKind::DirectDraw && velk::KindOf(to) == velk::SpriteKind::DirectDraw;
}

void SurfaceBlt(SpriteSlot& from, RECT source, SpriteSlot& to, RECT dest) {
    velk::ReleaseHeldLock(from);
    velk::ReleaseHeldLock(to);
    const DWORD flags = DDBLT_DONOTWAIT | (HasKey(from) ? DDBLT_KEYSRC : 0);
    to.Surface->Blt(&dest, from.Surface, &source, flags, nullptr);
}

// The source and destination contexts of one transfer; a sprite copied onto
// itself uses one context, since a surface hands out only one at a time.
class TransferContexts {
public:
    TransferContexts(SpriteSlot& from, SpriteSlot& to)
        : from_(from), to_(to), source_(velk::SpriteGetDC(from)),
          dest_(&from == &to ? source_ : velk::SpriteGetDC(to)) {}
    ~TransferContexts() {
        if (&from_ != &to_) velk::SpriteReleaseDC(to_, dest_);
        velk::SpriteReleaseDC(from_, source_);
    }
    TransferContexts(const TransferContexts&) = delete;
    TransferContexts& operator=(const TransferContexts&) = delete;
    HDC source() const { return source_; }
    HDC dest() const { return dest_; }

private:
    SpriteSlot& from_;
    SpriteSlot& to_;
    HDC source_;
    HDC dest_;
};

// Where one transfer lands: its rectangles in the pixels of both pictures,
// clipped to both, whatever origins and sizes the host gave. Every transfer
// starts here and touches no pixel when it answers false.
struct Placement {
    RECT source;
    RECT dest;
    bool source_plain;  // the contexts are in pixel units as they are
    bool dest_plain;
    LONG width() const { return dest.right - dest.left; }
    LONG height() const { return dest.bottom - dest.top; }
    bool scaled() const {
        return source.right - source.left != width() || source.bottom - source.top != height();
    }
};

bool PlaceTransfer(SpriteSlot& from, int64_t from_x, int64_t from_y, int64_t from_w, int64_t from_h, SpriteSlot& to,
                   int64_t to_x, int64_t to_y, int64_t to_w, int64_t to_h, bool unscaled, Placement* place) {
    const velk::PixelMapping from_mapping = velk::SpriteMapping(from);
    const velk::PixelMapping to_mapping = velk::SpriteMapping(to);
    velk::PixelBox source = velk::PixelBoxOf(from, from_mapping, from_x, from_y, from_w, from_h);
    const velk::PixelBox dest = velk::PixelBoxOf(to, to_mapping, to_x, to_y, to_w, to_h);
    if (unscaled) {
        // Mapping modes of other units give the two boxes other sizes: the destination's counts.
        source.right = source.left + (dest.right - dest.left);
        source.bottom = source.top + (dest.bottom - dest.top);
    }
    place->source_plain = from_mapping.plain();
    place->dest_plain = to_mapping.plain();
    return velk::ClipTransfer(source, dest, from.Width, from.Height, to.Width, to.Height, &place->source,
                              &place->dest);
}

// ---------------------------------------------------------------- copies on pixel memory
// An unscaled copy between two pictures whose pixels are plain memory (GDI
// sprites' DIB sections, system-memory surfaces) goes row by row: the same
// words as the platform's copy, without its per-call work, which is most of
// what a small sprite costs. Scaled copies and a picture copied onto itself
// (whose overlap only the platform's copy defines) keep the platform's path.

// What the two raster operations of a masked transfer leave, or a plain copy.
void CopyGdiRows(const SpriteSlot& from, SpriteSlot& to, const Placement& place) {
    velk::SyncGdiBits();
    const RECT& s = place.source;
    const RECT& d = place.dest;
    const size_t w = static_cast<size_t>(place.width());
    const size_t mask_offset = static_cast<size_t>(from.Width) * static_cast<size_t>(from.Height);
    const bool masked = HasKey(from);
    for (LONG y = 0; y < place.height(); ++y) {
        const uint32_t* picture = from.Pixels + static_cast<size_t>(s.top + y) * from.Width + s.left;
        uint32_t* dest = to.Pixels + static_cast<size_t>(d.top + y) * to.Width + d.left;
        if (masked)
            velk::MaskedCopyRow(picture, picture + mask_offset, dest, w);
        else
            memcpy(dest, picture, w * sizeof *dest);
    }
}

// A held surface's memory as plain rows of 16 or 32 bits per pixel, at least
// the slot's size; null for video memory or any other layout.
const DDSURFACEDESC2* PlainSurfaceMemory(SpriteSlot& slot) {
    const DDSURFACEDESC2* desc = velk::HeldSurfaceMemory(slot);
    if (!desc) return nullptr;
    const DDPIXELFORMAT& format = desc->ddpfPixelFormat;
    const DWORD bits = format.dwRGBBitCount;
    const bool plain = !(desc->ddsCaps.dwCaps & DDSCAPS_VIDEOMEMORY) && (format.dwFlags & DDPF_RGB) &&
                       (bits == 16 || bits == 32) && desc->lPitch % (bits / 8) == 0 &&
                       static_cast<LONG>(desc->dwWidth) >= slot.Width && static_cast<LONG>(desc->dwHeight) >= slot.Height;
    return plain ? desc : nullptr;
}

bool SameFormat(const DDPIXELFORMAT& a, const DDPIXELFORMAT& b) {
    return a.dwRGBBitCount == b.dwRGBBitCount && a.dwRBitMask == b.dwRBitMask && a.dwGBitMask == b.dwGBitMask &&
           a.dwBBitMask == b.dwBBitMask;
}

template <typename Pixel>
Pixel* RowOf(const DDSURFACEDESC2& desc, LONG x, LONG y) {
    return reinterpret_cast<Pixel*>(static_cast<BYTE*>(desc.lpSurface) + static_cast<ptrdiff_t>(y) * desc.lPitch) + x;
}

template <typename Pixel>
void CopySurfaceRows(const DDSURFACEDESC2& from, const DDSURFACEDESC2& to, const Placement& place, bool keyed,
                     DWORD key, DWORD compared) {
    const size_t w = static_cast<size_t>(place.width());
    for (LONG y = 0; y < place.height(); ++y) {
        const Pixel* source = RowOf<Pixel>(from, place.source.left, place.source.top + y);
        Pixel* dest = RowOf<Pixel>(to, place.dest.left, place.dest.top + y);
        if (!keyed)
            memcpy(dest, source, w * sizeof *dest);
        else if (sizeof(Pixel) == 4)
            velk::KeyedCopyRow32(reinterpret_cast<const uint32_t*>(source), reinterpret_cast<uint32_t*>(dest), w, key,
                                 compared);
        else
            velk::KeyedCopyRow16(reinterpret_cast<const uint16_t*>(source), reinterpret_cast<uint16_t*>(dest), w,
                                 static_cast<uint16_t>(key), static_cast<uint16_t>(compared));
    }
}

// The source colour key compares a pixel's colour bits, never the unused ones.
bool CopySurfacesOnMemory(SpriteSlot& from, SpriteSlot& to, const Placement& place) {
    DDCOLORKEY key{};
    const bool keyed = HasKey(from);
    if (keyed && FAILED(from.Surface->GetColorKey(DDCKEY_SRCBLT, &key))) return false;
    const DDSURFACEDESC2* source = PlainSurfaceMemory(from);
    const DDSURFACEDESC2* dest = source ? PlainSurfaceMemory(to) : nullptr;
    if (!dest || !SameFormat(source->ddpfPixelFormat, dest->ddpfPixelFormat)) return false;
    const DDPIXELFORMAT& format = source->ddpfPixelFormat;
    const DWORD compared = format.dwRBitMask | format.dwGBitMask | format.dwBBitMask;
    if (format.dwRGBBitCount == 32)
        CopySurfaceRows<uint32_t>(*source, *dest, place, keyed, key.dwColorSpaceLowValue, compared);
    else
        CopySurfaceRows<uint16_t>(*source, *dest, place, keyed, key.dwColorSpaceLowValue, compared);
    return true;
}

bool CopyOnMemory(SpriteSlot& from, SpriteSlot& to, const Placement& place) {
    if (place.scaled() || &from == &to) return false;
    const velk::SpriteKind kind = velk::KindOf(from);
    if (kind != velk::KindOf(to)) return false;
    if (kind == velk::SpriteKind::Gdi) {
        if (!from.Pixels || !to.Pixels) return false;
        CopyGdiRows(from, to, place);
        return true;
    }
    return kind == velk::SpriteKind::DirectDraw && CopySurfacesOnMemory(from, to, place);
}

// ---------------------------------------------------------------- copies through the platform

// The copy of Blt and BltStretch once placed. Between surfaces a DirectDraw blit;
// otherwise (mode 1, and sprites made before any mode, which are GDI) through
// the contexts in pixel units, a GDI source's transparency coming from its mask
// rows, which the placement keeps the reads of inside the picture.
bool KeepsAlpha(const SpriteSlot& slot) { return slot.PerPixelAlpha != 0; }

void CopyPlaced(SpriteSlot& from, SpriteSlot& to, const Placement& place) {
    // Alpha never goes to the platform's copies, which know nothing of it.
    if ((KeepsAlpha(from) || KeepsAlpha(to)) &&
        velk::CompositeOnMemory(from, to, place.source, place.dest, 256, HasKey(from)))
        return;
    if (CopyOnMemory(from, to, place)) return;
    if (BothSurfaces(from, to)) {
        SurfaceBlt(from, place.source, to, place.dest);
        return;
    }
    TransferContexts dc(from, to);
    velk::PixelUnits source_units(dc.source(), place.source_plain);
    velk::PixelUnits dest_units(&from == &to ? nullptr : dc.dest(), place.dest_plain);
    const RECT& s = place.source;
    const RECT& d = place.dest;
    const bool masked = HasKey(from) && velk::KindOf(from) == velk::SpriteKind::Gdi;
    auto copy = [&](LONG source_top, DWORD rop) {
        if (place.scaled())
            StretchBlt(dc.dest(), d.left, d.top, place.width(), place.height(), dc.source(), s.left, source_top,
                       s.right - s.left, s.bottom - s.top, rop);
        else
            BitBlt(dc.dest(), d.left, d.top, place.width(), place.height(), dc.source(), s.left, source_top, rop);
    };
    if (masked) copy(s.top + from.Height, SRCAND);
    copy(s.top, masked ? SRCPAINT : SRCCOPY);
}

// Both blocks of one kind: 32-bit words, or 16-bit pixels of one format.
void BlendMemory(const velk::SpriteMemory& source, const RECT& s, const velk::SpriteMemory& dest, const RECT& d,
                 LONG alpha) {
    const LONG w = d.right - d.left, h = d.bottom - d.top;
    if (source.sixteen())
        velk::BlendBlock16(source.view16(), s.left, s.top, w, h, dest.view16(), d.left, d.top, alpha,
                           *source.format16());
    else
        velk::BlendBlock(source.view(), s.left, s.top, w, h, dest.view(), d.left, d.top, alpha);
}

bool BlendOnMemory(SpriteSlot& from, SpriteSlot& to, const Placement& place, LONG alpha) {
    velk::SpriteMemory source(from);
    if (!source) return false;
    if (&from == &to) {
        BlendMemory(source, place.source, source, place.dest, alpha);
        return true;
    }
    velk::SpriteMemory dest(to);
    if (!dest || dest.sixteen() != source.sixteen() || dest.format16() != source.format16()) return false;
    BlendMemory(source, place.source, dest, place.dest, alpha);
    return true;
}

}  // namespace

// ---------------------------------------------------------------- validation

void VelkObject::CheckTransferSprites(LONG from_id, LONG to_id, const char* from_subject, const char* to_subject) {
    CheckSpriteRange(from_id, 0, from_subject, texts::kSpriteRangeAny);
    CheckSpriteRange(to_id, 0, to_subject, texts::kSpriteRangeAny);
    if (velk::IsEmpty(SpriteTable[from_id])) velk::FatalError(this, texts::kIdEmptyError, from_subject, from_id);
    if (velk::IsEmpty(SpriteTable[to_id])) velk::FatalError(this, texts::kIdEmptyError, to_subject, to_id);
}

// ---------------------------------------------------------------- members

HRESULT VelkObject::Blt(LONG FromID, LONG FromX, LONG FromY, LONG w, LONG h, LONG ToID, LONG ToX, LONG ToY) {
    CheckTransferSprites(FromID, ToID, texts::kSubjectBltFrom, texts::kSubjectBltTo);
    SpriteSlot& from = SpriteTable[FromID];
    SpriteSlot& to = SpriteTable[ToID];
    Placement place;
    if (PlaceTransfer(from, FromX, FromY, w, h, to, ToX, ToY, w, h, false, &place)) CopyPlaced(from, to, place);
    return S_OK;
}

HRESULT VelkObject::BltStretch(LONG FromID, LONG FromX, LONG FromY, LONG FromW, LONG FromH, LONG ToID, LONG ToX,
                               LONG ToY, LONG ToW, LONG ToH) {
    CheckTransferSprites(FromID, ToID, texts::kSubjectBltStretchFrom, texts::kSubjectBltStretchTo);
    SpriteSlot& from = SpriteTable[FromID];
    SpriteSlot& to = SpriteTable[ToID];
    Placement place;
    if (PlaceTransfer(from, FromX, FromY, FromW, FromH, to, ToX, ToY, ToW, ToH, false, &place))
        CopyPlaced(from, to, place);
    return S_OK;
}

HRESULT VelkObject::BltAlphaBlend(LONG FromID, LONG FromX, LONG FromY, LONG w, LONG h, LONG ToID, LONG ToX, LONG ToY,
                                  LONG lAlphaBlend) {
    CheckTransferSprites(FromID, ToID, texts::kSubjectBltAlphaFrom, texts::kSubjectBltAlphaTo);
    SpriteSlot& from = SpriteTable[FromID];
    SpriteSlot& to = SpriteTable[ToID];
    Placement place;
    if (!PlaceTransfer(from, FromX, FromY, w, h, to, ToX, ToY, w, h, true, &place)) return S_OK;
    // On the pixel memory (the same picture at memory speed); through the
    // single-pixel calls, in pixel units, where a format has no memory view.
    // With alpha on either side the weight scales the source's alpha (a plain
    // source's is 255); the key counts for a source that keeps alpha only, as
    // the plain blend takes none.
    if ((KeepsAlpha(from) || KeepsAlpha(to)) &&
        velk::CompositeOnMemory(from, to, place.source, place.dest, lAlphaBlend, HasKey(from) && KeepsAlpha(from)))
        return S_OK;
    if (BlendOnMemory(from, to, place, lAlphaBlend)) return S_OK;
    TransferContexts dc(from, to);
    velk::PixelUnits source_units(dc.source(), place.source_plain);
    velk::PixelUnits dest_units(&from == &to ? nullptr : dc.dest(), place.dest_plain);
    velk::AlphaBlendPixelByPixel(dc.source(), place.source.left, place.source.top, place.width(), place.height(),
                                 dc.dest(), place.dest.left, place.dest.top, lAlphaBlend);
    return S_OK;
}

HRESULT VelkObject::SpriteCopy(LONG FromID, LONG ToID) {
    CheckSpriteRange(FromID, 0, texts::kSubjectSpriteCopyFrom, texts::kSpriteRangeAny);
    CheckSpriteRange(ToID, 0, texts::kSubjectSpriteCopyTo, texts::kSpriteRangeAny);
    const SpriteSlot& from = SpriteTable[FromID];
    return Blt(FromID, 0, 0, from.Width, from.Height, ToID, 0, 0);
}

HRESULT VelkObject::SpritePaste(LONG FromID, LONG ToID, LONG x, LONG y) {
    CheckSpriteRange(FromID, 0, texts::kSubjectSpritePasteFrom, texts::kSpriteRangeAny);
    CheckSpriteRange(ToID, 0, texts::kSubjectSpritePasteTo, texts::kSpriteRangeAny);
    const SpriteSlot& from = SpriteTable[FromID];
    return Blt(FromID, 0, 0, from.Width, from.Height, ToID, x, y);
}

velk::PixelBox velk::PixelBoxOf(SpriteSlot& slot, const PixelMapping& mapping, int64_t x, int64_t y, int64_t w,
                                int64_t h) {
    if (mapping.offset_only) return PixelBox{x - mapping.dx, y - mapping.dy, x - mapping.dx + w, y - mapping.dy + h};
    static constexpr int64_t kExact = int64_t{1} << 26;
    auto exact = [](int64_t v) { return static_cast<LONG>(std::min(std::max(v, -kExact), kExact)); };
    POINT corners[2] = {{exact(x), exact(y)}, {exact(x + w), exact(y + h)}};
    {
        SpriteContext dc(slot);
        LPtoDP(dc, corners, 2);
    }
    // A mapping with y up turns the rectangle over; the picture is copied upright.
    return PixelBox{std::min(corners[0].x, corners[1].x), std::min(corners[0].y, corners[1].y),
                    std::max(corners[0].x, corners[1].x), std::max(corners[0].y, corners[1].y)};
}
