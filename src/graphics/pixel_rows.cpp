// Blend and colour key on 32-bit pixel memory (see pixel_rows.h). SSE2 is on
// every machine the library targets, x86 and x64, so the rows use it without a
// run-time test; the target attribute lets the 32-bit build compile them.
#include "graphics/pixel_rows.h"

#include "graphics/alpha_pixels.h"

#include <emmintrin.h>  // for: SSE2 intrinsics
#include <immintrin.h>  // for: AVX2 intrinsics, behind a run-time test

#include <algorithm>
#include <cstring>
#include <vector>

#define VELK_SSE2 __attribute__((target("sse2")))
#define VELK_AVX2 __attribute__((target("avx2")))

namespace velk {

namespace {

constexpr uint32_t kInvalidColour = 0xFFFFFFFFu;

// A key with bits above the colour bits matches nothing.
bool KeyCanMatch(COLORREF color) { return (color & 0xFF000000u) == 0; }

}  // namespace

// ---------------------------------------------------------------- blend rows

void BlendRowReference(const uint32_t* source, uint32_t* dest, size_t count, int32_t alpha) {
    for (size_t i = 0; i < count; ++i) dest[i] = BlendPixel(source[i], dest[i], alpha);
}

// Only the low 8 bits of ((s - d) * alpha >> 8) + d survive, and they depend on
// bits 8..15 of the product alone: a 16-bit wrapping multiply gives them exactly
// for any weight.
VELK_SSE2 void BlendRow(const uint32_t* source, uint32_t* dest, size_t count, int32_t alpha) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i weight = _mm_set1_epi16(static_cast<int16_t>(alpha & 0xFFFF));
    const __m128i low_byte = _mm_set1_epi16(0x00FF);
    const __m128i colour = _mm_set1_epi32(static_cast<int>(kColourBits));
    size_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + i));
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dest + i));
        const __m128i d_low = _mm_unpacklo_epi8(d, zero);
        const __m128i d_high = _mm_unpackhi_epi8(d, zero);
        __m128i low = _mm_mullo_epi16(_mm_sub_epi16(_mm_unpacklo_epi8(s, zero), d_low), weight);
        __m128i high = _mm_mullo_epi16(_mm_sub_epi16(_mm_unpackhi_epi8(s, zero), d_high), weight);
        low = _mm_and_si128(_mm_add_epi16(_mm_srli_epi16(low, 8), d_low), low_byte);
        high = _mm_and_si128(_mm_add_epi16(_mm_srli_epi16(high, 8), d_high), low_byte);
        const __m128i out = _mm_and_si128(_mm_packus_epi16(low, high), colour);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dest + i), out);
    }
    BlendRowReference(source + i, dest + i, count - i, alpha);
}

// ---------------------------------------------------------------- colour key rows

namespace {
// A key that can never match keeps only what is transparent already.
uint32_t KeyWordOf(COLORREF color) { return KeyCanMatch(color) ? DibWordOf(color) : 0xFFFFFFFFu; }
}  // namespace

void ColorKeyRowsReference(uint32_t* picture, uint32_t* mask, size_t count, COLORREF color) {
    const uint32_t key = KeyWordOf(color);
    for (size_t i = 0; i < count; ++i) {
        const uint32_t pixel = picture[i] & kColourBits;
        const bool still_transparent = (mask[i] & kColourBits) == kColourBits && pixel == 0;
        const bool transparent = pixel == key || still_transparent;
        if (transparent) picture[i] = 0;
        mask[i] = transparent ? kColourBits : 0;
    }
}

VELK_SSE2 void ColorKeyRows(uint32_t* picture, uint32_t* mask, size_t count, COLORREF color) {
    const __m128i key = _mm_set1_epi32(static_cast<int>(KeyWordOf(color)));
    const __m128i colour = _mm_set1_epi32(static_cast<int>(kColourBits));
    const __m128i zero = _mm_setzero_si128();
    size_t i = 0;
    for (; i + 4 <= count; i += 4) {
        __m128i* p = reinterpret_cast<__m128i*>(picture + i);
        __m128i* m = reinterpret_cast<__m128i*>(mask + i);
        const __m128i pixels = _mm_loadu_si128(p);
        const __m128i colours = _mm_and_si128(pixels, colour);
        const __m128i was_white = _mm_cmpeq_epi32(_mm_and_si128(_mm_loadu_si128(m), colour), colour);
        const __m128i still = _mm_and_si128(was_white, _mm_cmpeq_epi32(colours, zero));
        const __m128i transparent = _mm_or_si128(_mm_cmpeq_epi32(colours, key), still);
        _mm_storeu_si128(p, _mm_andnot_si128(transparent, pixels));
        _mm_storeu_si128(m, _mm_and_si128(transparent, colour));
    }
    ColorKeyRowsReference(picture + i, mask + i, count - i, color);
}

// ---------------------------------------------------------------- keyed copy rows
// A sprite's copy is nearly all destination traffic, so four pixels that are
// all transparent leave the destination untouched, not even read.

void MaskedCopyRowReference(const uint32_t* picture, const uint32_t* mask, uint32_t* dest, size_t count) {
    for (size_t i = 0; i < count; ++i) dest[i] = (dest[i] & mask[i]) | picture[i];
}

VELK_SSE2 void MaskedCopyRow(const uint32_t* picture, const uint32_t* mask, uint32_t* dest, size_t count) {
    const __m128i colour = _mm_set1_epi32(static_cast<int>(kColourBits));
    size_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m128i m = _mm_loadu_si128(reinterpret_cast<const __m128i*>(mask + i));
        const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(picture + i));
        // White in the mask and black in the picture: mask AND NOT picture is white.
        const __m128i transparent = _mm_cmpeq_epi32(_mm_and_si128(_mm_andnot_si128(p, m), colour), colour);
        if (_mm_movemask_epi8(transparent) == 0xFFFF) continue;
        // Single transparent pixels get the raster operations' word, which shows the same colour.
        __m128i* d = reinterpret_cast<__m128i*>(dest + i);
        _mm_storeu_si128(d, _mm_or_si128(_mm_and_si128(_mm_loadu_si128(d), m), p));
    }
    MaskedCopyRowReference(picture + i, mask + i, dest + i, count - i);
}

namespace {

// The lanes of one 16-byte step for 32-bit and 16-bit pixels.
template <typename Pixel>
struct Lanes;
template <>
struct Lanes<uint32_t> {
    VELK_SSE2 static __m128i Splat(uint32_t v) { return _mm_set1_epi32(static_cast<int>(v)); }
    VELK_SSE2 static __m128i Equal(__m128i a, __m128i b) { return _mm_cmpeq_epi32(a, b); }
};
template <>
struct Lanes<uint16_t> {
    VELK_SSE2 static __m128i Splat(uint16_t v) { return _mm_set1_epi16(static_cast<int16_t>(v)); }
    VELK_SSE2 static __m128i Equal(__m128i a, __m128i b) { return _mm_cmpeq_epi16(a, b); }
};

template <typename Pixel>
void KeyedCopyReference(const Pixel* source, Pixel* dest, size_t count, Pixel key, Pixel compared) {
    for (size_t i = 0; i < count; ++i)
        if ((source[i] & compared) != (key & compared)) dest[i] = source[i];
}

template <typename Pixel>
VELK_SSE2 void KeyedCopy(const Pixel* source, Pixel* dest, size_t count, Pixel key, Pixel compared) {
    constexpr size_t kStep = 16 / sizeof(Pixel);
    const __m128i keys = Lanes<Pixel>::Splat(static_cast<Pixel>(key & compared));
    const __m128i bits = Lanes<Pixel>::Splat(compared);
    size_t i = 0;
    for (; i + kStep <= count; i += kStep) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + i));
        const __m128i transparent = Lanes<Pixel>::Equal(_mm_and_si128(s, bits), keys);
        if (_mm_movemask_epi8(transparent) == 0xFFFF) continue;
        __m128i* d = reinterpret_cast<__m128i*>(dest + i);
        const __m128i kept = _mm_and_si128(transparent, _mm_loadu_si128(d));
        _mm_storeu_si128(d, _mm_or_si128(kept, _mm_andnot_si128(transparent, s)));
    }
    KeyedCopyReference(source + i, dest + i, count - i, key, compared);
}

}  // namespace

void KeyedCopyRow32Reference(const uint32_t* source, uint32_t* dest, size_t count, uint32_t key, uint32_t compared) {
    KeyedCopyReference(source, dest, count, key, compared);
}
void KeyedCopyRow32(const uint32_t* source, uint32_t* dest, size_t count, uint32_t key, uint32_t compared) {
    KeyedCopy(source, dest, count, key, compared);
}
void KeyedCopyRow16Reference(const uint16_t* source, uint16_t* dest, size_t count, uint16_t key, uint16_t compared) {
    KeyedCopyReference(source, dest, count, key, compared);
}
void KeyedCopyRow16(const uint16_t* source, uint16_t* dest, size_t count, uint16_t key, uint16_t compared) {
    KeyedCopy(source, dest, count, key, compared);
}

// ---------------------------------------------------------------- per-pixel alpha rows

void OverOpaqueRowReference(const uint32_t* source, uint32_t* dest, size_t count) {
    for (size_t i = 0; i < count; ++i) dest[i] = OverOpaque(source[i], dest[i], AlphaOfWord(source[i]));
}

// In 16-bit lanes s a + d (255 - a) + 128 stays below 2^16, and Div255Round's
// (t + (t >> 8)) >> 8 equals the high half of t x 257 (the fraction t / 256
// that the product adds never carries), so the rows give the reference exactly.
namespace {

// The row below with eight pixels a step. Unpacking, shuffling and packing
// work within each 128-bit half, so each half does what the SSE2 row does,
// but without its tests for whole transparent or opaque runs: the blend gives
// those pixels exactly too, and at soft edges the tests mispredict more than
// they save (measured: a fifth faster on a storm of soft-edged sprites).
VELK_AVX2 size_t OverOpaqueWideSteps(const uint32_t* source, uint32_t* dest, size_t count) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i top = _mm256_set1_epi32(static_cast<int>(~kColourBits));
    const __m256i full = _mm256_set1_epi16(255);
    const __m256i half = _mm256_set1_epi16(128);
    const __m256i by257 = _mm256_set1_epi16(257);
    size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(source + i));
        __m256i* to = reinterpret_cast<__m256i*>(dest + i);
        const __m256i d = _mm256_loadu_si256(to);
        const __m256i kept = _mm256_and_si256(d, top);
        __m256i halves[2];
        for (int part = 0; part < 2; ++part) {
            const __m256i sp = part ? _mm256_unpackhi_epi8(s, zero) : _mm256_unpacklo_epi8(s, zero);
            const __m256i dp = part ? _mm256_unpackhi_epi8(d, zero) : _mm256_unpacklo_epi8(d, zero);
            const __m256i ia = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(sp, 0xFF), 0xFF);
            const __m256i a = _mm256_sub_epi16(full, ia);
            const __m256i t =
                _mm256_add_epi16(_mm256_add_epi16(_mm256_mullo_epi16(sp, a), _mm256_mullo_epi16(dp, ia)), half);
            halves[part] = _mm256_mulhi_epu16(t, by257);
        }
        const __m256i colours = _mm256_andnot_si256(top, _mm256_packus_epi16(halves[0], halves[1]));
        _mm256_storeu_si256(to, _mm256_or_si256(colours, kept));
    }
    return i;
}

bool HasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

}  // namespace

void OverOpaqueRow(const uint32_t* source, uint32_t* dest, size_t count) {
    const size_t done = HasAvx2() && count >= 8 ? OverOpaqueWideSteps(source, dest, count) : 0;
    OverOpaqueRowSse2(source + done, dest + done, count - done);
}

VELK_SSE2 void OverOpaqueRowSse2(const uint32_t* source, uint32_t* dest, size_t count) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i top = _mm_set1_epi32(static_cast<int>(~kColourBits));
    const __m128i full = _mm_set1_epi16(255);
    const __m128i half = _mm_set1_epi16(128);
    const __m128i by257 = _mm_set1_epi16(257);
    size_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + i));
        const __m128i inverse = _mm_and_si128(s, top);  // 255 - alpha, in the top byte
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(inverse, top)) == 0xFFFF) continue;
        __m128i* to = reinterpret_cast<__m128i*>(dest + i);
        const __m128i d = _mm_loadu_si128(to);
        const __m128i kept = _mm_and_si128(d, top);
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(inverse, zero)) == 0xFFFF) {
            _mm_storeu_si128(to, _mm_or_si128(_mm_andnot_si128(top, s), kept));
            continue;
        }
        __m128i halves[2];
        for (int part = 0; part < 2; ++part) {
            const __m128i sp = part ? _mm_unpackhi_epi8(s, zero) : _mm_unpacklo_epi8(s, zero);
            const __m128i dp = part ? _mm_unpackhi_epi8(d, zero) : _mm_unpacklo_epi8(d, zero);
            // Lane 3 of each pixel holds 255 - alpha; spread it over the pixel's lanes.
            const __m128i ia = _mm_shufflehi_epi16(_mm_shufflelo_epi16(sp, 0xFF), 0xFF);
            const __m128i a = _mm_sub_epi16(full, ia);
            const __m128i t = _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(sp, a), _mm_mullo_epi16(dp, ia)), half);
            halves[part] = _mm_mulhi_epu16(t, by257);
        }
        const __m128i colours = _mm_andnot_si128(top, _mm_packus_epi16(halves[0], halves[1]));
        _mm_storeu_si128(to, _mm_or_si128(colours, kept));
    }
    OverOpaqueRowReference(source + i, dest + i, count - i);
}

void OverAlphaRowReference(const uint32_t* source, uint32_t* dest, size_t count) {
    for (size_t i = 0; i < count; ++i) dest[i] = OverAlpha(source[i], dest[i], AlphaOfWord(source[i]));
}

void OverAlphaRow(const uint32_t* source, uint32_t* dest, size_t count) {
    const uint32_t transparent_black = WordOf(0, 0);
    for (size_t i = 0; i < count; ++i) {
        const uint32_t a = AlphaOfWord(source[i]);
        if (a == 255) {
            dest[i] = source[i] & kColourBits;
        } else if (a == 0) {
            // Over nothing at all the result is transparent black; else the destination as it is.
            if (AlphaOfWord(dest[i]) == 0) dest[i] = transparent_black;
        } else {
            dest[i] = OverAlpha(source[i], dest[i], a);
        }
    }
}

void OverOpaqueRow16(const uint32_t* source, uint16_t* dest, size_t count, const Pixel16Format& format) {
    for (size_t i = 0; i < count; ++i) {
        const uint32_t a = AlphaOfWord(source[i]);
        if (a == 0) continue;
        // The 16-bit tables speak 0x00BBGGRR; DibWordOf swaps red and blue either way.
        const uint32_t under = DibWordOf(ColourOf16(format, dest[i]));
        dest[i] = RawOf16(format, DibWordOf(OverOpaque(source[i], under, a) & kColourBits));
    }
}

// ---------------------------------------------------------------- blocks

namespace {

uint32_t* RowOf(const PixelView& view, int64_t y) { return view.bits + static_cast<ptrdiff_t>(y) * view.pitch; }

bool Inside(const PixelView& view, int64_t x, int64_t y) {
    return x >= 0 && y >= 0 && x < view.width && y < view.height;
}

// `count` source pixels from (x, y) on, the invalid colour where they leave the block.
void ReadRow(const PixelView& view, int64_t x, int64_t y, size_t count, uint32_t* out) {
    std::fill(out, out + count, kInvalidColour);
    if (y < 0 || y >= view.height) return;
    const int64_t low = std::max<int64_t>(x, 0);
    const int64_t high = std::min<int64_t>(x + static_cast<int64_t>(count), view.width);
    if (low < high)
        memcpy(out + (low - x), RowOf(view, y) + low, static_cast<size_t>(high - low) * sizeof *out);
}

}  // namespace

void BlendBlock(const PixelView& source, LONG from_x, LONG from_y, LONG w, LONG h, const PixelView& dest,
                LONG to_x, LONG to_y, int32_t alpha) {
    if (w <= 0 || h <= 0) return;
    // Only destination pixels inside their block change.
    const int64_t x0 = std::max<int64_t>(to_x, 0), y0 = std::max<int64_t>(to_y, 0);
    const int64_t x1 = std::min<int64_t>(int64_t{to_x} + w, dest.width);
    const int64_t y1 = std::min<int64_t>(int64_t{to_y} + h, dest.height);
    if (x0 >= x1 || y0 >= y1) return;
    const size_t columns = static_cast<size_t>(x1 - x0);
    const int64_t sx = from_x + (x0 - to_x), sy = from_y + (y0 - to_y);
    const bool source_inside_across = sx >= 0 && sx + static_cast<int64_t>(columns) <= source.width;

    // Within one block, the source is taken whole before the first write.
    std::vector<uint32_t> snapshot;
    const bool same = source.bits == dest.bits;
    if (same) {
        snapshot.resize(columns * static_cast<size_t>(y1 - y0));
        for (int64_t y = y0; y < y1; ++y) ReadRow(source, sx, sy + (y - y0), columns, &snapshot[(y - y0) * columns]);
    }
    std::vector<uint32_t> row(same ? 0 : columns);
    for (int64_t y = y0; y < y1; ++y) {
        const int64_t source_y = sy + (y - y0);
        const uint32_t* from;
        if (same) {
            from = &snapshot[(y - y0) * columns];
        } else if (source_inside_across && source_y >= 0 && source_y < source.height) {
            from = RowOf(source, source_y) + sx;
        } else {
            ReadRow(source, sx, source_y, columns, row.data());
            from = row.data();
        }
        BlendRow(from, RowOf(dest, y) + x0, columns, alpha);
    }
}

void BlendBlockReference(const PixelView& source, LONG from_x, LONG from_y, LONG w, LONG h, const PixelView& dest,
                         LONG to_x, LONG to_y, int32_t alpha) {
    if (w <= 0 || h <= 0) return;
    auto read = [&](int64_t x, int64_t y) { return Inside(source, x, y) ? RowOf(source, y)[x] : kInvalidColour; };
    std::vector<uint32_t> snapshot(static_cast<size_t>(w) * static_cast<size_t>(h));
    for (LONG x = 0; x < w; ++x)
        for (LONG y = 0; y < h; ++y) snapshot[static_cast<size_t>(x) * h + y] = read(int64_t{from_x} + x, int64_t{from_y} + y);
    for (LONG x = 0; x < w; ++x) {
        for (LONG y = 0; y < h; ++y) {
            const int64_t dx = int64_t{to_x} + x, dy = int64_t{to_y} + y;
            if (!Inside(dest, dx, dy)) continue;
            uint32_t& pixel = RowOf(dest, dy)[dx];
            pixel = BlendPixel(snapshot[static_cast<size_t>(x) * h + y], pixel, alpha);
        }
    }
}

// ---------------------------------------------------------------- 16-bit blocks

namespace {

// The part of `view` that [x, x + w) x [y, y + h) covers, as 32-bit colours.
struct Converted {
    std::vector<uint32_t> words;
    PixelView view{};
    int64_t x = 0, y = 0;  // where the part starts in `view`'s block
};

void Convert(const Pixel16View& view, int64_t x, int64_t y, int64_t w, int64_t h, const Pixel16Format& format,
             Converted* out) {
    const int64_t x0 = std::max<int64_t>(x, 0), y0 = std::max<int64_t>(y, 0);
    const int64_t x1 = std::min<int64_t>(x + w, view.width), y1 = std::min<int64_t>(y + h, view.height);
    out->x = x0;
    out->y = y0;
    const LONG cw = static_cast<LONG>(std::max<int64_t>(x1 - x0, 0)), ch = static_cast<LONG>(std::max<int64_t>(y1 - y0, 0));
    out->words.resize(static_cast<size_t>(cw) * static_cast<size_t>(ch) + 1);
    for (LONG row = 0; row < ch; ++row) {
        const uint16_t* from = view.bits + static_cast<ptrdiff_t>(y0 + row) * view.pitch + x0;
        uint32_t* to = &out->words[static_cast<size_t>(row) * cw];
        for (LONG i = 0; i < cw; ++i) to[i] = ColourOf16(format, from[i]);
    }
    out->view = PixelView{out->words.data(), cw, ch, cw};
}

}  // namespace

void BlendBlock16(const Pixel16View& source, LONG from_x, LONG from_y, LONG w, LONG h, const Pixel16View& dest,
                  LONG to_x, LONG to_y, int32_t alpha, const Pixel16Format& format) {
    if (w <= 0 || h <= 0) return;
    // Both parts are copies, taken before any write, so an overlap within one
    // block blends the original pixels as the pixel calls do.
    Converted to, from;
    Convert(dest, to_x, to_y, w, h, format, &to);
    if (!to.view.width || !to.view.height) return;
    const int64_t sx = from_x + (to.x - to_x), sy = from_y + (to.y - to_y);
    Convert(source, sx, sy, to.view.width, to.view.height, format, &from);
    BlendBlock(from.view, static_cast<LONG>(sx - from.x), static_cast<LONG>(sy - from.y), to.view.width,
               to.view.height, to.view, 0, 0, alpha);
    for (LONG row = 0; row < to.view.height; ++row) {
        uint16_t* out = dest.bits + static_cast<ptrdiff_t>(to.y + row) * dest.pitch + to.x;
        const uint32_t* blended = &to.words[static_cast<size_t>(row) * to.view.width];
        for (LONG i = 0; i < to.view.width; ++i) out[i] = RawOf16(format, blended[i]);
    }
}

}  // namespace velk
