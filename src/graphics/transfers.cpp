// Sprite transfers: Blt, BltStretch, BltAlphaBlend and the whole-sprite
// shorthands SpriteCopy and SpritePaste. GDI sprites take their transparency
// from the mask rows, DirectDraw sprites from the surface's source colour key.
#include <windows.h>
#include <ddraw.h>  // for: IDirectDrawSurface7::Blt, DDBLT_*

#include "core/log.h"
#include "core/texts.h"
#include "core/velk.h"
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

// Both blocks of one kind: 32-bit words, or 16-bit pixels of one format.
void BlendMemory(const velk::SpriteMemory& source, LONG from_x, LONG from_y, LONG w, LONG h,
                 const velk::SpriteMemory& dest, LONG to_x, LONG to_y, LONG alpha) {
    if (source.sixteen())
        velk::BlendBlock16(source.view16(), from_x, from_y, w, h, dest.view16(), to_x, to_y, alpha,
                           *source.format16());
    else
        velk::BlendBlock(source.view(), from_x, from_y, w, h, dest.view(), to_x, to_y, alpha);
}

bool BlendOnMemory(SpriteSlot& from, LONG from_x, LONG from_y, LONG w, LONG h, SpriteSlot& to, LONG to_x,
                   LONG to_y, LONG alpha) {
    velk::SpriteMemory source(from);
    if (!source) return false;
    if (&from == &to) {
        BlendMemory(source, from_x, from_y, w, h, source, to_x, to_y, alpha);
        return true;
    }
    velk::SpriteMemory dest(to);
    if (!dest || dest.sixteen() != source.sixteen() || dest.format16() != source.format16()) return false;
    BlendMemory(source, from_x, from_y, w, h, dest, to_x, to_y, alpha);
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
    if (BothSurfaces(from, to)) {
        // DirectDraw refuses a rectangle that leaves a surface and would drop the
        // whole copy; clipped first, a sprite at the edge shows its inside part, as
        // it does in the GDI mode.
        if (!velk::ClipCopy(&FromX, &FromY, &w, &h, &ToX, &ToY, from.Width, from.Height, to.Width, to.Height))
            return S_OK;
        SurfaceBlt(from, RECT{FromX, FromY, FromX + w, FromY + h}, to, RECT{ToX, ToY, ToX + w, ToY + h});
        return S_OK;
    }
    TransferContexts dc(from, to);
    if (HasKey(from)) BitBlt(dc.dest(), ToX, ToY, w, h, dc.source(), FromX, FromY + from.Height, SRCAND);
    BitBlt(dc.dest(), ToX, ToY, w, h, dc.source(), FromX, FromY, HasKey(from) ? SRCPAINT : SRCCOPY);
    return S_OK;
}

HRESULT VelkObject::BltStretch(LONG FromID, LONG FromX, LONG FromY, LONG FromW, LONG FromH, LONG ToID, LONG ToX,
                               LONG ToY, LONG ToW, LONG ToH) {
    CheckTransferSprites(FromID, ToID, texts::kSubjectBltStretchFrom, texts::kSubjectBltStretchTo);
    SpriteSlot& from = SpriteTable[FromID];
    SpriteSlot& to = SpriteTable[ToID];
    if (BothSurfaces(from, to)) {
        // As for Blt: clipped, a scaled sprite at the edge still shows its inside part.
        RECT source{FromX, FromY, FromX + FromW, FromY + FromH};
        RECT dest{ToX, ToY, ToX + ToW, ToY + ToH};
        if (velk::ClipStretch(&source, &dest, from.Width, from.Height, to.Width, to.Height))
            SurfaceBlt(from, source, to, dest);
        return S_OK;
    }
    TransferContexts dc(from, to);
    if (HasKey(from))
        StretchBlt(dc.dest(), ToX, ToY, ToW, ToH, dc.source(), FromX, FromY + from.Height, FromW, FromH, SRCAND);
    StretchBlt(dc.dest(), ToX, ToY, ToW, ToH, dc.source(), FromX, FromY, FromW, FromH,
               HasKey(from) ? SRCPAINT : SRCCOPY);
    return S_OK;
}

HRESULT VelkObject::BltAlphaBlend(LONG FromID, LONG FromX, LONG FromY, LONG w, LONG h, LONG ToID, LONG ToX, LONG ToY,
                                  LONG lAlphaBlend) {
    CheckTransferSprites(FromID, ToID, texts::kSubjectBltAlphaFrom, texts::kSubjectBltAlphaTo);
    SpriteSlot& from = SpriteTable[FromID];
    SpriteSlot& to = SpriteTable[ToID];
    // On the pixel memory where it stands for the pixel calls (the same picture
    // at memory speed); through the calls where the contexts map pixels otherwise.
    if (BlendOnMemory(from, FromX, FromY, w, h, to, ToX, ToY, lAlphaBlend)) return S_OK;
    TransferContexts dc(from, to);
    velk::AlphaBlendPixelByPixel(dc.source(), FromX, FromY, w, h, dc.dest(), ToX, ToY, lAlphaBlend);
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
