// The walk of a turned transfer over arbitrary rectangles, landing points,
// angles and scales: it visits exactly the destination pixels whose centre maps
// into the clip, each at its exact source position, and drawing its spans stays
// inside both pictures.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "fuzz_support.h"
#include "graphics/rotation_math.h"
#include "graphics/rotation_pixels.h"

namespace {

// Twice a source position, straight from the definition, in 128 bits.
__int128 Twice(int64_t centre2, int64_t along_x, int64_t along_y, int64_t dx2, int64_t dy2) {
    return static_cast<__int128>(centre2) * (int64_t{1} << 32) + 2 * velk::kEdgeBias + static_cast<__int128>(along_x) * dx2 +
           static_cast<__int128>(along_y) * dy2;
}

// A number of up to `bits` bits (at most 40) and its sign, from eight bytes and one.
int64_t Signed(fuzz::Input& input, int bits) {
    const uint64_t high = input.Number(0xFFFFFFFFu), low = input.Number(0xFFFFFFFFu);
    const int64_t magnitude = static_cast<int64_t>((high << 32 | low) & ((uint64_t{1} << bits) - 1));
    return input.Number(2) ? -magnitude : magnitude;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input input(data, size);
    const int32_t source_w = 1 + static_cast<int32_t>(input.Number(48)), source_h = 1 + static_cast<int32_t>(input.Number(48));
    velk::RotationSetup s{};
    s.rect_left = Signed(input, 31);
    s.rect_top = Signed(input, 31);
    s.rect_width = 1 + input.Number(0x7FFFFFFF);
    s.rect_height = 1 + input.Number(0x7FFFFFFF);
    s.clip_left = std::max<int64_t>(s.rect_left, 0);
    s.clip_top = std::max<int64_t>(s.rect_top, 0);
    s.clip_right = std::min<int64_t>(s.rect_left + s.rect_width, source_w);
    s.clip_bottom = std::min<int64_t>(s.rect_top + s.rect_height, source_h);
    if (s.clip_left >= s.clip_right || s.clip_top >= s.clip_bottom) return 0;
    s.to_x = Signed(input, 32);
    s.to_y = Signed(input, 32);
    s.dest_width = 1 + static_cast<int32_t>(input.Number(64));
    s.dest_height = 1 + static_cast<int32_t>(input.Number(64));
    // Angles to 1e9 degrees, scales to 1024 either way, in steps of 2^-24.
    const double degrees = static_cast<double>(Signed(input, 30)) * 1e9 / (1 << 30);
    const double scale_x = std::ldexp(static_cast<double>(Signed(input, 34)), -24);
    const double scale_y = std::ldexp(static_cast<double>(Signed(input, 34)), -24);
    s.turn = velk::TurnOf(degrees, scale_x, scale_y);
    if (!s.turn.draws) return 0;

    // The picture rows, then the mask rows: every pixel opaque.
    std::vector<uint32_t> source(static_cast<size_t>(source_w) * source_h * 2, 0);
    std::fill(source.begin(), source.begin() + static_cast<ptrdiff_t>(source.size() / 2), 0x123456);
    std::vector<uint32_t> dest(static_cast<size_t>(s.dest_width) * s.dest_height, 0);
    velk::TurnSource from{};
    from.picture.words = source.data() + s.clip_top * source_w + s.clip_left;
    from.picture.pitch = source_w;
    from.mask = from.picture.words + static_cast<size_t>(source_w) * source_h;
    const velk::TurnPicture to{dest.data(), nullptr, nullptr, s.dest_width, false, false};

    velk::RotationWalk walk(s);
    std::vector<velk::RotationSpan> rows(s.dest_height, velk::RotationSpan{0, 0, 0, 0, 0});
    velk::RotationSpan span{};
    int32_t last = -1;
    while (walk.NextSpan(&span)) {
        FUZZ_EXPECT(span.y > last && span.y < s.dest_height);
        FUZZ_EXPECT(0 <= span.x_begin && span.x_begin < span.x_end && span.x_end <= s.dest_width);
        last = span.y;
        rows[span.y] = span;
        velk::DrawTurnedSpan(from, to, span, walk.du(), walk.dv());
    }
    const int64_t clip_w = s.clip_right - s.clip_left, clip_h = s.clip_bottom - s.clip_top;
    for (int64_t y = 0; y < s.dest_height; ++y)
        for (int64_t x = 0; x < s.dest_width; ++x) {
            const int64_t dx2 = 2 * x + 1 - 2 * s.to_x, dy2 = 2 * y + 1 - 2 * s.to_y;
            const __int128 u = Twice(2 * s.rect_left + s.rect_width - 2 * s.clip_left, s.turn.a, s.turn.b, dx2, dy2) >> 1;
            const __int128 v = Twice(2 * s.rect_top + s.rect_height - 2 * s.clip_top, s.turn.p, s.turn.q, dx2, dy2) >> 1;
            const bool in = u >= 0 && (u >> 32) < clip_w && v >= 0 && (v >> 32) < clip_h;
            const velk::RotationSpan& row = rows[y];
            const bool walked = x >= row.x_begin && x < row.x_end;
            FUZZ_EXPECT(in == walked);
            if (!walked) continue;
            FUZZ_EXPECT(row.u + (x - row.x_begin) * walk.du() == static_cast<int64_t>(u));
            FUZZ_EXPECT(row.v + (x - row.x_begin) * walk.dv() == static_cast<int64_t>(v));
            FUZZ_EXPECT(dest[y * s.dest_width + x] == 0x123456);
        }
    return 0;
}
