// Transfers that involve a sprite keeping per-pixel alpha: source-over
// compositing on the pictures' memory, whatever the representations (GDI
// sections, 32-bit or 16-bit surfaces). A plain source counts as opaque, so
// that what lands on a sprite keeping alpha is opaque too.
#include <windows.h>
#include <ddraw.h>  // for: IDirectDrawSurface7::GetColorKey

#include <algorithm>
#include <vector>

#include "graphics/alpha_pixels.h"
#include "graphics/sprite_store.h"
#include "graphics/transfer.h"

namespace velk {

namespace {

// One picture's pixels for the length of a transfer: 32-bit words or 16-bit
// pixels, `pitch` pixels apart, with how its transparency is told.
struct Block {
    uint32_t* words = nullptr;
    uint16_t* pixels16 = nullptr;
    const Pixel16Format* format16 = nullptr;
    LONG pitch = 0;
    bool red_low = false;  // 0x00BBGGRR words (the sprites' own layout is 0x00RRGGBB)
    bool keeps_alpha = false;
    // GDI keys: mask rows (white = transparent); surface keys: raw values.
    const uint32_t* mask = nullptr;
    bool raw_keyed = false;
    uint32_t raw_key = 0;
    uint32_t compared = 0;
};

bool OpenGdiBlock(SpriteSlot& slot, Block* block) {
    if (!slot.Pixels) return false;
    SyncGdiBits();
    block->words = slot.Pixels;
    block->pitch = slot.Width;
    block->mask = slot.Pixels + static_cast<size_t>(slot.Width) * static_cast<size_t>(slot.Height);
    return true;
}

bool OpenSurfaceBlock(SpriteSlot& slot, bool keyed, Block* block) {
    DDCOLORKEY key{};
    if (keyed && FAILED(slot.Surface->GetColorKey(DDCKEY_SRCBLT, &key))) keyed = false;
    const DDSURFACEDESC2* desc = HeldSurfaceMemory(slot);
    if (!desc) return false;
    const Pixel16Format* format16 = DirectDrawSpriteProbedFormat16(desc->ddpfPixelFormat);
    if (!format16 && desc->ddpfPixelFormat.dwRGBBitCount == 16) {
        // The format's first use: probing it draws, which the held lock would refuse.
        ReleaseHeldLock(slot);
        format16 = DirectDrawSpriteFormat16(slot.Surface);
        desc = HeldSurfaceMemory(slot);
        if (!desc) return false;
    }
    if (desc->ddsCaps.dwCaps & DDSCAPS_VIDEOMEMORY) return false;
    const DDPIXELFORMAT& format = desc->ddpfPixelFormat;
    if (static_cast<LONG>(desc->dwWidth) < slot.Width || static_cast<LONG>(desc->dwHeight) < slot.Height) return false;
    block->raw_keyed = keyed;
    block->raw_key = key.dwColorSpaceLowValue;
    block->compared = format.dwRBitMask | format.dwGBitMask | format.dwBBitMask;
    if (format.dwRGBBitCount == 16 && format16 && desc->lPitch % 2 == 0) {
        block->pixels16 = static_cast<uint16_t*>(desc->lpSurface);
        block->format16 = format16;
        block->pitch = desc->lPitch / 2;
        return true;
    }
    const bool byte_channels = format.dwRGBBitCount == 32 && format.dwGBitMask == 0xFF00u &&
                               ((format.dwRBitMask == 0xFF0000u && format.dwBBitMask == 0xFFu) ||
                                (format.dwRBitMask == 0xFFu && format.dwBBitMask == 0xFF0000u));
    if (!byte_channels || desc->lPitch % 4) return false;
    block->words = static_cast<uint32_t*>(desc->lpSurface);
    block->pitch = desc->lPitch / 4;
    block->red_low = format.dwRBitMask == 0xFFu;
    return true;
}

bool OpenBlock(SpriteSlot& slot, bool keyed, Block* block) {
    block->keeps_alpha = slot.PerPixelAlpha != 0;
    switch (KindOf(slot)) {
    case SpriteKind::Gdi: return OpenGdiBlock(slot, block);
    case SpriteKind::DirectDraw: return OpenSurfaceBlock(slot, keyed, block);
    default: return false;
    }
}

uint32_t SwapRedBlue(uint32_t word) { return (word & 0xFF00FF00u) | ((word & 0xFFu) << 16) | ((word >> 16) & 0xFFu); }

// Everything that decides a source row's words besides the picture itself.
struct SourceRule {
    bool keyed;
    int32_t weight;  // in 256ths; 256 leaves alpha as it is
    bool swap;       // the destination's channel order differs
};

// Source pixel (x, y) as an alpha word in the destination's channel order.
uint32_t SourceWord(const Block& from, LONG x, LONG y, const SourceRule& rule) {
    const size_t at = static_cast<size_t>(y) * from.pitch + x;
    uint32_t word;
    bool transparent = false;
    if (from.pixels16) {
        const uint16_t raw = from.pixels16[at];
        word = DibWordOf(ColourOf16(*from.format16, raw));
        transparent = from.raw_keyed && (raw & from.compared) == (from.raw_key & from.compared);
    } else {
        const uint32_t raw = from.words[at];
        word = from.keeps_alpha ? raw : raw & kColourBits;
        if (from.red_low) word = SwapRedBlue(word);
        transparent = from.mask ? (from.mask[at] & kColourBits) == kColourBits
                                : from.raw_keyed && (raw & from.compared) == (from.raw_key & from.compared);
    }
    if (rule.swap) word = SwapRedBlue(word);
    if (rule.keyed && transparent) return WordOf(0, 0);
    if (rule.weight != 256) word = WordOf(word, WeightedAlpha(AlphaOfWord(word), rule.weight));
    return word;
}

// Nearest pixel: destination pixel i of `dest_size` takes the source pixel
// under its centre.
LONG NearestSource(LONG start, LONG source_size, LONG i, LONG dest_size) {
    return start + static_cast<LONG>((int64_t{2} * i + 1) * source_size / (int64_t{2} * dest_size));
}

void FillSourceRow(const Block& from, const RECT& s, const RECT& d, LONG row, const SourceRule& rule, uint32_t* out) {
    const LONG w = d.right - d.left, sw = s.right - s.left;
    const LONG y = NearestSource(s.top, s.bottom - s.top, row, d.bottom - d.top);
    if (sw == w) {
        for (LONG i = 0; i < w; ++i) out[i] = SourceWord(from, s.left + i, y, rule);
    } else {
        for (LONG i = 0; i < w; ++i) out[i] = SourceWord(from, NearestSource(s.left, sw, i, w), y, rule);
    }
}

void CompositeRow(const uint32_t* source, Block& to, LONG x, LONG y, size_t count) {
    const size_t at = static_cast<size_t>(y) * to.pitch + x;
    if (to.pixels16)
        OverOpaqueRow16(source, to.pixels16 + at, count, *to.format16);
    else if (to.keeps_alpha)
        OverAlphaRow(source, to.words + at, count);
    else
        OverOpaqueRow(source, to.words + at, count);
}

}  // namespace

bool CompositeOnMemory(SpriteSlot& from, SpriteSlot& to, const RECT& s, const RECT& d, int32_t weight, bool keyed) {
    const LONG w = d.right - d.left, h = d.bottom - d.top;
    if (w <= 0 || h <= 0) return true;
    Block source, dest;
    if (!OpenBlock(from, keyed, &source)) return false;
    if (&from == &to) dest = source;
    else if (!OpenBlock(to, false, &dest)) return false;
    // A sprite keeping alpha onto one of 16 bits composites as onto a plain one.
    const SourceRule rule{keyed, std::min<int32_t>(std::max<int32_t>(weight, 0), 256),
                          !source.pixels16 && !dest.pixels16 && source.red_low != dest.red_low};
    const bool direct = !rule.keyed && rule.weight == 256 && !rule.swap && source.words && source.keeps_alpha &&
                        !source.red_low && &from != &to && s.right - s.left == w && s.bottom - s.top == h;
    if (direct) {
        for (LONG y = 0; y < h; ++y)
            CompositeRow(source.words + static_cast<size_t>(s.top + y) * source.pitch + s.left, dest, d.left, d.top + y,
                         static_cast<size_t>(w));
        return true;
    }
    // Within one picture the source is taken whole before the first write.
    const bool snapshot = &from == &to;
    std::vector<uint32_t> rows(static_cast<size_t>(w) * (snapshot ? static_cast<size_t>(h) : 1));
    if (snapshot)
        for (LONG y = 0; y < h; ++y) FillSourceRow(source, s, d, y, rule, &rows[static_cast<size_t>(y) * w]);
    for (LONG y = 0; y < h; ++y) {
        uint32_t* row = snapshot ? &rows[static_cast<size_t>(y) * w] : rows.data();
        if (!snapshot) FillSourceRow(source, s, d, y, rule, row);
        CompositeRow(row, dest, d.left, d.top + y, static_cast<size_t>(w));
    }
    return true;
}

}  // namespace velk
