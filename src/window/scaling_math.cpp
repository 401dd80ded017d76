// Scaled presentation arithmetic (see scaling_math.h). Integer arithmetic only,
// in 64 bits, so that both architectures place every pixel alike.
#include "window/scaling_math.h"

#include <emmintrin.h>  // for: SSE2, on every machine the library targets

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <type_traits>

namespace velk {

namespace {

// Division rounding towards minus infinity (the platform's rounds towards zero),
// so that positions left of or above the destination map like those inside it.
int64_t FloorDiv(int64_t value, int64_t divisor) {
    const int64_t quotient = value / divisor;
    return (value % divisor != 0 && (value < 0) != (divisor < 0)) ? quotient - 1 : quotient;
}

// value * numerator / denominator, to the nearest whole number (halves up).
LONG RoundedScale(LONG value, LONG numerator, LONG denominator) {
    const int64_t twice = 2 * static_cast<int64_t>(value) * numerator + denominator;
    return static_cast<LONG>(twice / (2 * static_cast<int64_t>(denominator)));
}

RECT Centred(LONG width, LONG height, LONG area_width, LONG area_height) {
    const LONG left = static_cast<LONG>(FloorDiv(static_cast<int64_t>(area_width) - width, 2));
    const LONG top = static_cast<LONG>(FloorDiv(static_cast<int64_t>(area_height) - height, 2));
    return RECT{left, top, left + width, top + height};
}

}  // namespace

bool IsValidScale(LONG width, LONG height, LONG mode) {
    if (width == 0 && height == 0 && mode == kScaleOff) return true;
    return width >= 1 && width <= kScaleSizeMax && height >= 1 && height <= kScaleSizeMax && mode >= kScaleFill &&
           mode <= kScaleWhole;
}

LONG WholeMultiple(LONG buffer_width, LONG buffer_height, LONG area_width, LONG area_height) {
    if (buffer_width < 1 || buffer_height < 1) return 1;
    const LONG factor = std::min(area_width / buffer_width, area_height / buffer_height);
    return std::max<LONG>(factor, 1);
}

RECT ScaledDestination(LONG mode, LONG buffer_width, LONG buffer_height, LONG area_width, LONG area_height) {
    area_width = std::max<LONG>(area_width, 0);
    area_height = std::max<LONG>(area_height, 0);
    if (buffer_width < 1 || buffer_height < 1) return RECT{0, 0, 0, 0};
    switch (mode) {
    case kScaleAspect: {
        // Whichever side limits: the area's width when its shape is taller than the buffer's.
        const bool width_limits = static_cast<int64_t>(area_width) * buffer_height <=
                                  static_cast<int64_t>(area_height) * buffer_width;
        if (width_limits)
            return Centred(area_width, RoundedScale(area_width, buffer_height, buffer_width), area_width, area_height);
        return Centred(RoundedScale(area_height, buffer_width, buffer_height), area_height, area_width, area_height);
    }
    case kScaleWhole: {
        const LONG factor = WholeMultiple(buffer_width, buffer_height, area_width, area_height);
        return Centred(buffer_width * factor, buffer_height * factor, area_width, area_height);
    }
    default:
        return RECT{0, 0, area_width, area_height};
    }
}

int UncoveredBars(const RECT& destination, LONG area_width, LONG area_height, RECT bars[4]) {
    // The covered part, cut to the area; the bars are what lies around it.
    const LONG left = std::clamp<LONG>(destination.left, 0, area_width);
    const LONG right = std::clamp<LONG>(destination.right, left, area_width);
    const LONG top = std::clamp<LONG>(destination.top, 0, area_height);
    const LONG bottom = std::clamp<LONG>(destination.bottom, top, area_height);
    int count = 0;
    const RECT candidates[4] = {{0, 0, area_width, top},
                                {0, bottom, area_width, area_height},
                                {0, top, left, bottom},
                                {right, top, area_width, bottom}};
    for (const RECT& bar : candidates)
        if (bar.right > bar.left && bar.bottom > bar.top) bars[count++] = bar;
    return count;
}

LONG ClientToBuffer(LONG client, LONG start, LONG span, LONG buffer) {
    if (span < 1 || buffer < 1) return 0;
    const int64_t centre_twice = 2 * (static_cast<int64_t>(client) - start) + 1;
    const int64_t position = FloorDiv(centre_twice * buffer, 2 * static_cast<int64_t>(span));
    return static_cast<LONG>(std::clamp<int64_t>(position, 0, buffer - 1));
}

LONG BufferToClient(LONG position, LONG start, LONG span, LONG buffer) {
    if (span < 1 || buffer < 1) return start;
    const int64_t centre_twice = 2 * static_cast<int64_t>(position) + 1;
    const int64_t offset = FloorDiv(centre_twice * span, 2 * static_cast<int64_t>(buffer));
    // A far-off position from the host stays a far-off client coordinate.
    return static_cast<LONG>(std::clamp<int64_t>(start + offset, INT32_MIN, INT32_MAX));
}

namespace {

// Each of `count` 32-bit pixels `factor` times (2, 3 or 4), four source
// pixels a step: the common whole scales at about the speed of a copy.
__attribute__((target("sse2"))) void ReplicateRow32(const uint32_t* from, LONG count, LONG factor, uint32_t* to) {
    LONG x = 0;
    for (; x + 4 <= count; x += 4, to += 4 * factor) {
        const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + x));
        __m128i* out = reinterpret_cast<__m128i*>(to);
        if (factor == 2) {
            _mm_storeu_si128(out, _mm_unpacklo_epi32(p, p));
            _mm_storeu_si128(out + 1, _mm_unpackhi_epi32(p, p));
        } else if (factor == 3) {
            _mm_storeu_si128(out, _mm_shuffle_epi32(p, _MM_SHUFFLE(1, 0, 0, 0)));
            _mm_storeu_si128(out + 1, _mm_shuffle_epi32(p, _MM_SHUFFLE(2, 2, 1, 1)));
            _mm_storeu_si128(out + 2, _mm_shuffle_epi32(p, _MM_SHUFFLE(3, 3, 3, 2)));
        } else {
            _mm_storeu_si128(out, _mm_shuffle_epi32(p, 0x00));
            _mm_storeu_si128(out + 1, _mm_shuffle_epi32(p, 0x55));
            _mm_storeu_si128(out + 2, _mm_shuffle_epi32(p, 0xAA));
            _mm_storeu_si128(out + 3, _mm_shuffle_epi32(p, 0xFF));
        }
    }
    for (; x < count; ++x, to += factor)
        for (LONG i = 0; i < factor; ++i) to[i] = from[x];
}

}  // namespace

template <typename Pixel>
void SampleNearest(const Pixel* source, LONG source_pitch, LONG source_width, LONG source_height,
                   const RECT& destination, const RECT& visible, Pixel* out, LONG out_pitch,
                   std::vector<LONG>& columns) {
    const LONG width = std::max<LONG>(visible.right - visible.left, 0);
    const LONG height = std::max<LONG>(visible.bottom - visible.top, 0);
    if (width == 0 || height == 0) return;
    const LONG span_x = destination.right - destination.left, span_y = destination.bottom - destination.top;
    columns.resize(static_cast<size_t>(width));
    for (LONG x = 0; x < width; ++x)
        columns[static_cast<size_t>(x)] = ClientToBuffer(visible.left + x, destination.left, span_x, source_width);

    const bool whole_width = visible.left == destination.left && visible.right == destination.right &&
                             source_width > 0 && span_x % source_width == 0;
    const LONG factor = whole_width ? span_x / source_width : 0;
    LONG previous_row = -1;
    for (LONG y = 0; y < height; ++y) {
        Pixel* row = out + static_cast<ptrdiff_t>(y) * out_pitch;
        const LONG source_row = ClientToBuffer(visible.top + y, destination.top, span_y, source_height);
        if (source_row == previous_row) {
            memcpy(row, row - out_pitch, static_cast<size_t>(width) * sizeof *row);
            continue;
        }
        const Pixel* from = source + static_cast<ptrdiff_t>(source_row) * source_pitch;
        if constexpr (std::is_same_v<Pixel, uint32_t>) {
            if (factor >= 2 && factor <= 4) {
                ReplicateRow32(from, source_width, factor, row);
                previous_row = source_row;
                continue;
            }
        }
        if (factor > 0) {
            // A whole factor across the full width: each source pixel written `factor` times, no table.
            Pixel* to = row;
            for (LONG x = 0; x < source_width; ++x, to += factor)
                for (LONG i = 0; i < factor; ++i) to[i] = from[x];
        } else {
            for (LONG x = 0; x < width; ++x) row[x] = from[columns[static_cast<size_t>(x)]];
        }
        previous_row = source_row;
    }
}

template void SampleNearest<uint32_t>(const uint32_t*, LONG, LONG, LONG, const RECT&, const RECT&, uint32_t*, LONG,
                                      std::vector<LONG>&);
template void SampleNearest<uint16_t>(const uint16_t*, LONG, LONG, LONG, const RECT&, const RECT&, uint16_t*, LONG,
                                      std::vector<LONG>&);

void SampleNearest(const uint32_t* source, LONG source_pitch, LONG source_width, LONG source_height,
                   const RECT& destination, const RECT& visible, std::vector<uint32_t>& out,
                   std::vector<LONG>& columns) {
    const LONG width = std::max<LONG>(visible.right - visible.left, 0);
    const LONG height = std::max<LONG>(visible.bottom - visible.top, 0);
    out.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    SampleNearest<uint32_t>(source, source_pitch, source_width, source_height, destination, visible, out.data(),
                            width, columns);
}

}  // namespace velk
