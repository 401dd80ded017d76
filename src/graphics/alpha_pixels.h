// Pixels of sprites that keep per-pixel alpha, and the source-over arithmetic
// every transfer from them uses.
//
// Such a sprite's 32-bit word holds the colour in its low 24 bits and 255 minus
// the alpha in its top byte: the platform's drawing calls write 0 there, so what
// they draw comes out opaque without the library tracking it, and a picture of
// before (top byte 0) is opaque.
#pragma once

#include <cstdint>

namespace velk {

inline constexpr uint32_t kColourBits = 0x00FFFFFFu;

inline uint32_t AlphaOfWord(uint32_t word) { return 255u - (word >> 24); }
inline uint32_t WordOf(uint32_t colour, uint32_t alpha) { return (colour & kColourBits) | ((255u - alpha) << 24); }

// round(x / 255) for 0 <= x <= 255 * 255, exactly, without a division.
inline uint32_t Div255Round(uint32_t x) {
    x += 128;
    return (x + (x >> 8)) >> 8;
}

// BltAlphaBlend's weight (in 256ths) applied to a pixel's alpha; weights
// outside 0 to 256 are held there.
inline uint32_t WeightedAlpha(uint32_t alpha, int32_t weight) {
    const uint32_t w = weight < 0 ? 0u : weight > 256 ? 256u : static_cast<uint32_t>(weight);
    return (alpha * w + 128) >> 8;
}

// Source colour with alpha `a` over an opaque destination colour: each channel
// round((s a + d (255 - a)) / 255). The destination's top byte is kept.
inline uint32_t OverOpaque(uint32_t source, uint32_t dest, uint32_t a) {
    uint32_t out = dest & ~kColourBits;
    for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t s = (source >> shift) & 0xFF, d = (dest >> shift) & 0xFF;
        out |= Div255Round(s * a + d * (255 - a)) << shift;
    }
    return out;
}

// Source colour with alpha `a` over a destination word that keeps its alpha b:
// D = 255 a + b (255 - a); each channel round((s a 255 + d b (255 - a)) / D),
// the alpha round(D / 255); nothing left (D = 0) is transparent black.
inline uint32_t OverAlpha(uint32_t source, uint32_t dest_word, uint32_t a) {
    const uint32_t b = AlphaOfWord(dest_word);
    const uint32_t weight = 255 * a + b * (255 - a);
    if (weight == 0) return WordOf(0, 0);
    uint32_t colour = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const uint64_t s = (source >> shift) & 0xFF, d = (dest_word >> shift) & 0xFF;
        const uint64_t sum = s * a * 255 + d * b * (255 - a);
        colour |= static_cast<uint32_t>((sum + weight / 2) / weight) << shift;
    }
    return WordOf(colour, Div255Round(weight));
}

}  // namespace velk
