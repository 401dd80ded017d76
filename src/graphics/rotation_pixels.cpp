// BltRotate's pixel work on plain memory (see rotation_pixels.h).
#include "graphics/rotation_pixels.h"

#include <cstring>

#include "graphics/alpha_pixels.h"

namespace velk {

namespace {

inline uint32_t SwapRedBlue(uint32_t word) {
    return (word & 0xFF00FF00u) | ((word & 0xFFu) << 16) | ((word >> 16) & 0xFFu);
}

// A 32-bit word in the order of `to` (its top byte kept).
inline uint32_t InOrderOf(uint32_t word, bool from_red_low, const TurnPicture& to) {
    return from_red_low == to.red_low ? word : SwapRedBlue(word);
}

// The destination pixel's colour as a 32-bit word in the destination's order.
template <bool kDest16>
inline uint32_t DestColour(const TurnPicture& dest, const void* at) {
    if (kDest16) return InOrderOf(ColourOf16(*dest.format16, *static_cast<const uint16_t*>(at)), true, dest);
    return *static_cast<const uint32_t*>(at);
}

template <bool kDest16>
inline void StoreColour(const TurnPicture& dest, void* at, uint32_t word) {
    if (kDest16)
        *static_cast<uint16_t*>(at) = RawOf16(*dest.format16, dest.red_low ? word : SwapRedBlue(word));
    else
        *static_cast<uint32_t*>(at) = word;
}

// One source word (32-bit source) onto its destination pixel.
template <bool kDest16>
inline void PutWord(const TurnSource& source, const TurnPicture& dest, void* at, uint32_t word) {
    word = InOrderOf(word, source.picture.red_low, dest);
    if (source.picture.alpha) {
        const uint32_t alpha = AlphaOfWord(word);
        const uint32_t under = DestColour<kDest16>(dest, at);
        if (!kDest16 && dest.alpha)
            word = OverAlpha(word, under, alpha);
        else
            word = OverOpaque(word, under, alpha);
    } else if (dest.alpha || kDest16) {
        word &= kColourBits;
    }
    StoreColour<kDest16>(dest, at, word);
}

template <bool kSource16, bool kDest16>
void DrawSpan(const TurnSource& source, const TurnPicture& dest, const RotationSpan& span, int64_t du, int64_t dv) {
    const TurnPicture& from = source.picture;
    const bool raw_copy = kSource16 && kDest16 && from.format16 == dest.format16;
    int64_t u = span.u, v = span.v;
    const int64_t row = static_cast<int64_t>(span.y) * dest.pitch;
    for (int32_t x = span.x_begin; x < span.x_end; ++x, u += du, v += dv) {
        const int64_t at = (v >> kTurnFractionBits) * from.pitch + (u >> kTurnFractionBits);
        void* to = kDest16 ? static_cast<void*>(dest.raw16 + row + x) : static_cast<void*>(dest.words + row + x);
        if (kSource16) {
            const uint16_t raw = from.raw16[at];
            if (source.keyed && (raw & source.compared) == source.key) continue;
            if (raw_copy)
                *static_cast<uint16_t*>(to) = raw;
            else
                StoreColour<kDest16>(dest, to, InOrderOf(ColourOf16(*from.format16, raw), true, dest));
        } else {
            const uint32_t word = from.words[at];
            if (source.mask && (source.mask[at] & kColourBits)) continue;
            if (source.keyed && (word & source.compared) == source.key) continue;
            PutWord<kDest16>(source, dest, to, word);
        }
    }
}

// ---------------------------------------------------------------- plain copies
// What most frames do: pixels of one kind copied as they are, a key leaving
// some out. These loops carry nothing else per pixel.

enum class Key { None, Mask, Raw };

template <typename Pixel, Key kKey>
inline void CopyPixel(const Pixel* from, const uint32_t* mask, int64_t at, Pixel key, Pixel compared, Pixel* to) {
    const Pixel pixel = from[at];
    if (kKey == Key::Mask && (mask[at] & kColourBits)) return;
    if (kKey == Key::Raw && (pixel & compared) == key) return;
    *to = pixel;
}

// A span whose source pixels are known already: the loop has nothing left to
// work out, and four pixels a pass keep its own counting out of the way.
template <typename Pixel, Key kKey>
void CopyIndexed(const Pixel* from, const uint32_t* mask, const TurnSource& source, Pixel* to,
                 const RotationSpan& span) {
    const Pixel key = static_cast<Pixel>(source.key), compared = static_cast<Pixel>(source.compared);
    const int32_t* at = span.indices;
    Pixel* out = to + span.x_begin;
    const int32_t count = span.x_end - span.x_begin;
    int32_t k = 0;
    for (; k + 4 <= count; k += 4) {
        CopyPixel<Pixel, kKey>(from, mask, at[k], key, compared, out + k);
        CopyPixel<Pixel, kKey>(from, mask, at[k + 1], key, compared, out + k + 1);
        CopyPixel<Pixel, kKey>(from, mask, at[k + 2], key, compared, out + k + 2);
        CopyPixel<Pixel, kKey>(from, mask, at[k + 3], key, compared, out + k + 3);
    }
    for (; k < count; ++k) CopyPixel<Pixel, kKey>(from, mask, at[k], key, compared, out + k);
}

template <typename Pixel, Key kKey>
void CopySpan(const Pixel* from, const uint32_t* mask, int32_t pitch, const TurnSource& source, Pixel* to,
              const RotationSpan& span, int64_t du, int64_t dv) {
    int64_t u = span.u, v = span.v;
    const Pixel key = static_cast<Pixel>(source.key), compared = static_cast<Pixel>(source.compared);
    for (int32_t x = span.x_begin; x < span.x_end; ++x, u += du, v += dv)
        CopyPixel<Pixel, kKey>(from, mask, (v >> kTurnFractionBits) * pitch + (u >> kTurnFractionBits), key, compared,
                               to + x);
}

// Upright and unscaled, a span is a stretch of one source row: the rows of
// Blt's own copies, several pixels a step.
template <typename Pixel>
void CopyRow(const Pixel* from, const uint32_t* mask, const TurnSource& source, Pixel* to, size_t count) {
    if (mask)
        MaskedCopyRow(reinterpret_cast<const uint32_t*>(from), mask, reinterpret_cast<uint32_t*>(to), count);
    else if (!source.keyed)
        std::memcpy(to, from, count * sizeof *to);
    else if (sizeof(Pixel) == 4)
        KeyedCopyRow32(reinterpret_cast<const uint32_t*>(from), reinterpret_cast<uint32_t*>(to), count, source.key,
                       source.compared);
    else
        KeyedCopyRow16(reinterpret_cast<const uint16_t*>(from), reinterpret_cast<uint16_t*>(to), count,
                       static_cast<uint16_t>(source.key), static_cast<uint16_t>(source.compared));
}

// Every span `next` hands out (it answers false after the last), each through
// the same kind of loop, which is chosen once: a frame's sprites come in many
// short spans.
template <typename Pixel, Key kKey, typename NextSpan>
void CopySpans(const Pixel* from, const uint32_t* mask, const TurnSource& source, Pixel* dest, int32_t dest_pitch,
               int64_t du, int64_t dv, NextSpan& next) {
    const int32_t pitch = source.picture.pitch;
    RotationSpan span;
    while (next(&span)) {
        Pixel* row = dest + static_cast<int64_t>(span.y) * dest_pitch;
        if (span.indices)
            CopyIndexed<Pixel, kKey>(from, mask, source, row, span);
        else
            CopySpan<Pixel, kKey>(from, mask, pitch, source, row, span, du, dv);
    }
}

template <typename Pixel, typename NextSpan>
void PlainSpans(const Pixel* from, const TurnSource& source, Pixel* dest, int32_t dest_pitch, int64_t du, int64_t dv,
                NextSpan& next) {
    const int32_t pitch = source.picture.pitch;
    if (du == int64_t{1} << kTurnFractionBits && dv == 0) {
        RotationSpan span;
        while (next(&span)) {
            const int64_t at = (span.v >> kTurnFractionBits) * pitch + (span.u >> kTurnFractionBits);
            CopyRow<Pixel>(from + at, source.mask ? source.mask + at : nullptr, source,
                           dest + static_cast<int64_t>(span.y) * dest_pitch + span.x_begin,
                           static_cast<size_t>(span.x_end - span.x_begin));
        }
    } else if (source.mask) {
        CopySpans<Pixel, Key::Mask>(from, source.mask, source, dest, dest_pitch, du, dv, next);
    } else if (source.keyed) {
        CopySpans<Pixel, Key::Raw>(from, nullptr, source, dest, dest_pitch, du, dv, next);
    } else {
        CopySpans<Pixel, Key::None>(from, nullptr, source, dest, dest_pitch, du, dv, next);
    }
}

template <bool kSource16, bool kDest16, typename NextSpan>
void DrawSpans(const TurnSource& source, const TurnPicture& dest, int64_t du, int64_t dv, NextSpan& next) {
    RotationSpan span;
    while (next(&span)) DrawSpan<kSource16, kDest16>(source, dest, span, du, dv);
}

template <typename NextSpan>
void DrawAll(const TurnSource& source, const TurnPicture& dest, int64_t du, int64_t dv, NextSpan next) {
    const TurnPicture& from = source.picture;
    const bool source16 = from.raw16 != nullptr, dest16 = dest.raw16 != nullptr;
    if (!source16 && !dest16 && !from.alpha && !dest.alpha && from.red_low == dest.red_low)
        PlainSpans<uint32_t>(from.words, source, dest.words, dest.pitch, du, dv, next);
    else if (source16 && dest16 && from.format16 == dest.format16)
        PlainSpans<uint16_t>(from.raw16, source, dest.raw16, dest.pitch, du, dv, next);
    else if (source16 && dest16) DrawSpans<true, true>(source, dest, du, dv, next);
    else if (source16) DrawSpans<true, false>(source, dest, du, dv, next);
    else if (dest16) DrawSpans<false, true>(source, dest, du, dv, next);
    else DrawSpans<false, false>(source, dest, du, dv, next);
}

}  // namespace

void DrawTurnedSpan(const TurnSource& source, const TurnPicture& dest, const RotationSpan& span, int64_t du,
                    int64_t dv) {
    bool given = false;
    DrawAll(source, dest, du, dv, [&](RotationSpan* next) {
        if (given) return false;
        *next = span;
        given = true;
        return true;
    });
}

void DrawTurnedSpans(const TurnSource& source, const TurnPicture& dest, RotationWalk& walk) {
    DrawAll(source, dest, walk.du(), walk.dv(), [&](RotationSpan* next) { return walk.NextSpan(next); });
}

}  // namespace velk
