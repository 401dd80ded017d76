// BltRotate: the fixed-point turn and the walk against a per-pixel reference,
// the pixel work with keys and per-pixel alpha, and the member in modes 1 and 2
// (quarter turns, mirrors and whole scales as exact permutations, clipping,
// origins, huge arguments, a sprite turned onto itself) and its fatal ends.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "core/texts.h"
#include "graphics/alpha_pixels.h"
#include "graphics/graphics_fixture.h"
#include "graphics/rotation_checks.h"
#include "graphics/rotation_math.h"
#include "graphics/rotation_pixels.h"

using namespace velk_test;

namespace {
constexpr int64_t kOne30 = int64_t{1} << 30, kOne32 = int64_t{1} << 32;

bool WideEquals(velk::Wide a, int64_t hi, uint64_t lo) { return a.hi == hi && a.lo == lo; }
}  // namespace

// ---------------------------------------------------------------- arithmetic

TEST(RotationMath, WideIntegersHoldProductsBeyond64Bits) {
    EXPECT_TRUE(WideEquals(velk::WideProduct(int64_t{1} << 62, int64_t{1} << 62), int64_t{1} << 60, 0));
    EXPECT_TRUE(WideEquals(velk::WideProduct(-3, 5), -1, static_cast<uint64_t>(-15)));
    EXPECT_TRUE(WideEquals(velk::WideProduct(std::numeric_limits<int64_t>::max(), -2), -1, 2));
    EXPECT_TRUE(WideEquals(velk::WideSum(velk::WideOf(-1), velk::WideOf(1)), 0, 0)) << "the carry";
    EXPECT_TRUE(WideEquals(velk::WideHalf(velk::WideOf(-3)), -1, static_cast<uint64_t>(-2))) << "rounds down";
    std::mt19937_64 random(3);
    for (int i = 0; i < 1000; ++i) {
        const int64_t a = static_cast<int32_t>(random()), b = static_cast<int32_t>(random());
        const velk::Wide product = velk::WideSum(velk::WideProduct(a, b), velk::WideNegation(velk::WideOf(7)));
        ASSERT_EQ(velk::WideLow(product), a * b - 7);
        ASSERT_EQ(velk::IsNegative(product), a * b - 7 < 0);
    }
}

TEST(RotationMath, QuarterTurnsAreExactAndOtherAnglesClose) {
    struct Case {
        double degrees;
        int64_t sine, cosine;
    };
    const Case exact[] = {{0, 0, kOne30},       {90, kOne30, 0},  {180, 0, -kOne30}, {270, -kOne30, 0},
                          {-90, -kOne30, 0},    {450, kOne30, 0}, {-720, 0, kOne30}, {1e9 - 280, 0, kOne30},
                          {90 + 1e-9, kOne30, 0}};
    for (const Case& c : exact) {
        int64_t s = 1, co = 1;
        velk::SineCosine(c.degrees, &s, &co);
        EXPECT_EQ(s, c.sine) << c.degrees;
        EXPECT_EQ(co, c.cosine) << c.degrees;
    }
    for (double degrees : {1.0, 17.0, 30.0, 44.9, 45.0, 45.1, 133.0, -17.5, 359.99, 1e9}) {
        int64_t s = 0, c = 0;
        velk::SineCosine(degrees, &s, &c);
        const double radians = std::fmod(degrees, 360.0) * 3.14159265358979323846 / 180;
        EXPECT_NEAR(static_cast<double>(s) / kOne30, std::sin(radians), 4e-9) << degrees;
        EXPECT_NEAR(static_cast<double>(c) / kOne30, std::cos(radians), 4e-9) << degrees;
    }
}

TEST(RotationMath, ScalesDivideExactlyAndTinyOnesDrawNothing) {
    struct Case {
        double degrees, scale_x, scale_y;
        bool draws;
        int64_t a, b, p, q;
    };
    const Case cases[] = {
        {0, 1, 1, true, kOne32, 0, 0, kOne32},
        {90, 1, 1, true, 0, kOne32, -kOne32, 0},
        {0, -1, 2, true, -kOne32, 0, 0, kOne32 / 2},
        {180, 4, -0.5, true, -kOne32 / 4, 0, 0, 2 * kOne32},
        {0, 3, 1024, true, kOne32 / 3, 0, 0, kOne32 / 1024},
        {0, 0, 1, false, 0, 0, 0, 0},
        {0, 1, -0.0, false, 0, 0, 0, 0},
        {0, 1e-7, 1, false, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        const velk::Turn turn = velk::TurnOf(c.degrees, c.scale_x, c.scale_y);
        SCOPED_TRACE(testing::Message() << c.degrees << " " << c.scale_x << " " << c.scale_y);
        EXPECT_EQ(turn.draws, c.draws);
        if (!c.draws) continue;
        EXPECT_EQ(turn.a, c.a);
        EXPECT_EQ(turn.b, c.b);
        EXPECT_EQ(turn.p, c.p);
        EXPECT_EQ(turn.q, c.q);
    }
}

namespace {

int64_t Pick(std::mt19937_64& random, int64_t low, int64_t high) {
    return low + static_cast<int64_t>(random() % static_cast<uint64_t>(high - low + 1));
}

// Whether the centre of destination pixel (x, y) maps into the clip, straight
// from the definition (the edge bias added), and the position it maps to.
bool MapsIntoClip(const velk::RotationSetup& s, int64_t x, int64_t y, int64_t* u, int64_t* v) {
    const velk::Turn& t = s.turn;
    const int64_t dx2 = 2 * x + 1 - 2 * s.to_x, dy2 = 2 * y + 1 - 2 * s.to_y;
    auto twice = [&](int64_t centre2, int64_t along_x, int64_t along_y) {
        const velk::Wide centre = velk::WideSum(velk::WideProduct(centre2, kOne32), velk::WideOf(2 * velk::kEdgeBias));
        return velk::WideSum(centre, velk::WideSum(velk::WideProduct(along_x, dx2), velk::WideProduct(along_y, dy2)));
    };
    const velk::Wide u2 = twice(2 * s.rect_left + s.rect_width - 2 * s.clip_left, t.a, t.b);
    const velk::Wide v2 = twice(2 * s.rect_top + s.rect_height - 2 * s.clip_top, t.p, t.q);
    auto inside = [](velk::Wide twice_position, int64_t size) {
        const velk::Wide half = velk::WideHalf(twice_position);
        return half.hi == 0 && (half.lo >> 32) < static_cast<uint64_t>(size);
    };
    *u = velk::WideLow(velk::WideHalf(u2));
    *v = velk::WideLow(velk::WideHalf(v2));
    return inside(u2, s.clip_right - s.clip_left) && inside(v2, s.clip_bottom - s.clip_top);
}

// A random turn, scale, rectangle of a source picture (`source_w` x
// `source_h`) and landing point on a 48 x 40 destination, from everyday ones
// (most landing near the picture) to rectangles of 2^31 pixels landing 2^32
// pixels away; false for one that draws nothing at all.
bool RandomSetup(std::mt19937_64& random, int round, velk::RotationSetup* setup, int64_t* source_w,
                 int64_t* source_h) {
    velk::RotationSetup& s = *setup;
    s = velk::RotationSetup{};
    const bool huge = round % 3 == 0;
    *source_w = Pick(random, 1, 40);
    *source_h = Pick(random, 1, 40);
    s.rect_left = huge ? Pick(random, -(int64_t{1} << 31), 40) : Pick(random, -10, 30);
    s.rect_top = huge ? Pick(random, -(int64_t{1} << 31), 40) : Pick(random, -10, 30);
    s.rect_width = huge ? Pick(random, 1, (int64_t{1} << 31) - 1) : Pick(random, 1, 40);
    s.rect_height = huge ? Pick(random, 1, (int64_t{1} << 31) - 1) : Pick(random, 1, 40);
    s.clip_left = std::max<int64_t>(s.rect_left, 0);
    s.clip_top = std::max<int64_t>(s.rect_top, 0);
    s.clip_right = std::min(s.rect_left + s.rect_width, *source_w);
    s.clip_bottom = std::min(s.rect_top + s.rect_height, *source_h);
    if (s.clip_left >= s.clip_right || s.clip_top >= s.clip_bottom) return false;
    const double degrees = round % 4 == 0 ? 90.0 * Pick(random, -8, 8) : Pick(random, -36000, 36000) / 100.0;
    const int shift = huge ? static_cast<int>(Pick(random, 0, 19)) : static_cast<int>(Pick(random, 0, 3));
    s.turn = velk::TurnOf(degrees, std::ldexp(Pick(random, -400, 400) / 100.0, -shift),
                          std::ldexp(Pick(random, -400, 400) / 100.0, -shift));
    if (!s.turn.draws) return false;
    s.dest_width = 48;
    s.dest_height = 40;
    // Land the clip near the picture mostly, so that most rounds draw.
    const double unit = std::ldexp(1.0, -32), a = s.turn.a * unit, b = s.turn.b * unit, p = s.turn.p * unit,
                 q = s.turn.q * unit, det = a * q - b * p;
    const double u = (s.clip_left + s.clip_right - 2.0 * s.rect_left - s.rect_width) / 2,
                 v = (s.clip_top + s.clip_bottom - 2.0 * s.rect_top - s.rect_height) / 2;
    const double land_x = 24 - (q * u - b * v) / det, land_y = 20 - (a * v - p * u) / det;
    const bool aimed = round % 5 != 0 && std::fabs(land_x) < 4e12 && std::fabs(land_y) < 4e12;
    s.to_x = aimed ? static_cast<int64_t>(land_x) + Pick(random, -8, 8) : Pick(random, -(int64_t{1} << 32), int64_t{1} << 32);
    s.to_y = aimed ? static_cast<int64_t>(land_y) + Pick(random, -8, 8) : Pick(random, -(int64_t{1} << 32), int64_t{1} << 32);
    return true;
}

}  // namespace

// Every destination pixel of random turns, scales, rectangles and landing points,
// from everyday ones to rectangles of 2^31 pixels landing 2^32 pixels away.
TEST(RotationWalk, SpansHoldExactlyThePixelsThatMapIntoTheClip) {
    std::mt19937_64 random(20261211);
    int drawn_cases = 0;
    for (int round = 0; round < 6000; ++round) {
        velk::RotationSetup s{};
        int64_t source_w = 0, source_h = 0;
        if (!RandomSetup(random, round, &s, &source_w, &source_h)) continue;

        velk::RotationWalk walk(s);
        ASSERT_GE(walk.first_row(), 0);
        ASSERT_LE(walk.end_row(), s.dest_height);
        std::vector<velk::RotationSpan> spans(s.dest_height, velk::RotationSpan{0, 0, 0, 0, 0});
        velk::RotationSpan span{};
        int32_t last_row = -1;
        while (walk.NextSpan(&span)) {
            ASSERT_GT(span.y, last_row) << "rows in order, each once";
            ASSERT_LT(span.y, s.dest_height);
            last_row = span.y;
            spans[span.y] = span;
        }
        bool drew = false;
        for (int32_t y = 0; y < s.dest_height; ++y) {
            const velk::RotationSpan& row = spans[y];
            for (int32_t x = 0; x < s.dest_width; ++x) {
                int64_t u_ref = 0, v_ref = 0;
                const bool in = MapsIntoClip(s, x, y, &u_ref, &v_ref);
                const bool walked = x >= row.x_begin && x < row.x_end;
                ASSERT_EQ(walked, in) << "round " << round << " at " << x << ", " << y;
                if (!walked) continue;
                drew = true;
                ASSERT_EQ(row.u + (x - row.x_begin) * walk.du(), u_ref) << "round " << round;
                ASSERT_EQ(row.v + (x - row.x_begin) * walk.dv(), v_ref) << "round " << round;
            }
        }
        drawn_cases += drew;
    }
    EXPECT_GT(drawn_cases, 1000) << "the rounds reach the pictures";
}

// Two shapes turned by turns, each moved to other landing points and cut by the
// destination's edges: the memo's spans are the walk's, with the source
// pixels' indices for the pitch asked (which changes between calls) once a
// shape repeats, and drawing through the indices gives the walk's pixels for
// each kind of key.
TEST(TurnMemo, KeptShapesGiveTheWalksSpansAndPixels) {
    std::mt19937_64 random(20261212);
    velk::TurnMemo memo;
    int indexed_spans = 0;
    for (int round = 0; round < 3000; ++round) {
        velk::RotationSetup setups[2];
        int64_t widths[2], heights[2];
        if (!RandomSetup(random, round, &setups[0], &widths[0], &heights[0]) ||
            !RandomSetup(random, round + 1, &setups[1], &widths[1], &heights[1]))
            continue;
        const double degrees = Pick(random, -400, 400) / 10.0;
        for (int again = 0; again < 2; ++again) {
            const velk::Turn kept = memo.TurnFor(degrees, 1.5, -2), turn = velk::TurnOf(degrees, 1.5, -2);
            ASSERT_TRUE(kept.a == turn.a && kept.b == turn.b && kept.p == turn.p && kept.q == turn.q);
        }
        for (int call = 0; call < 8; ++call) {
            SCOPED_TRACE(testing::Message() << "round " << round << ", call " << call);
            velk::RotationSetup& s = setups[call % 2];
            const int64_t source_w = widths[call % 2], source_h = heights[call % 2];
            if (call > 1) {
                s.to_x += Pick(random, -30, 30);
                s.to_y += Pick(random, -30, 30);
            }
            const int32_t pitch = static_cast<int32_t>(source_w + (call / 2 == 2 ? 1 : 0));
            std::vector<velk::RotationSpan> walked, kept;
            velk::RotationWalk walk(s), replay(s, &memo);
            replay.KeepIndices(pitch);
            for (velk::RotationSpan span; walk.NextSpan(&span);) walked.push_back(span);
            for (velk::RotationSpan span; replay.NextSpan(&span);) kept.push_back(span);
            ASSERT_EQ(kept.size(), walked.size());
            for (size_t i = 0; i < kept.size(); ++i) {
                const velk::RotationSpan &k = kept[i], &w = walked[i];
                ASSERT_TRUE(k.y == w.y && k.x_begin == w.x_begin && k.x_end == w.x_end && k.u == w.u && k.v == w.v)
                    << "span " << i;
                if (!k.indices) continue;
                ++indexed_spans;
                for (int32_t x = 0; x < k.x_end - k.x_begin; ++x)
                    ASSERT_EQ(k.indices[x], ((k.v + x * s.turn.p) >> 32) * pitch + ((k.u + x * s.turn.a) >> 32));
            }
            // Key colour 1 and white mask words among the source pixels.
            std::vector<uint32_t> words(static_cast<size_t>(pitch * source_h * 2));
            std::vector<uint16_t> raws(words.size());
            for (size_t i = 0; i < words.size(); ++i) {
                words[i] = i < words.size() / 2 ? static_cast<uint32_t>(Pick(random, 1, 3)) : Pick(random, 0, 1) ? 0u : 0xFFFFFFu;
                raws[i] = static_cast<uint16_t>(words[i]);
            }
            const size_t clip = static_cast<size_t>(s.clip_top * pitch + s.clip_left);
            for (const char* kind : {"mask", "key", "16-bit key"}) {
                SCOPED_TRACE(kind);
                const bool sixteen = kind[0] == '1';
                velk::TurnSource source{};
                source.picture = velk::TurnPicture{sixteen ? nullptr : words.data() + clip, sixteen ? raws.data() + clip : nullptr,
                                                   nullptr, pitch, sixteen, false};
                if (kind[0] == 'm') source.mask = words.data() + words.size() / 2 + clip;
                else source.keyed = true, source.key = 1, source.compared = 0xFFFF;
                std::vector<uint32_t> dest_words[2];
                std::vector<uint16_t> dest_raws[2];
                for (int which = 0; which < 2; ++which) {
                    dest_words[which].assign(static_cast<size_t>(s.dest_width * s.dest_height), 7);
                    dest_raws[which].assign(dest_words[which].size(), 7);
                    const velk::TurnPicture dest{sixteen ? nullptr : dest_words[which].data(),
                                                 sixteen ? dest_raws[which].data() : nullptr, nullptr, s.dest_width,
                                                 sixteen, false};
                    for (const velk::RotationSpan& span : which ? kept : walked)
                        velk::DrawTurnedSpan(source, dest, span, s.turn.a, s.turn.p);
                }
                ASSERT_EQ(dest_words[0], dest_words[1]);
                ASSERT_EQ(dest_raws[0], dest_raws[1]);
            }
        }
    }
    EXPECT_GT(indexed_spans, 2000) << "repeated shapes come with their indices";
}

// ---------------------------------------------------------------- pixels

namespace {

// 5-6-5 pixels as a platform converts them: fields widened by repeating their top bits.
velk::Pixel16Format Format565() {
    velk::Pixel16Format f{};
    const int bits[3] = {5, 6, 5}, shifts[3] = {11, 5, 0};
    for (int c = 0; c < 3; ++c) {
        f.shift[c] = shifts[c];
        f.mask[c] = static_cast<uint16_t>(((1 << bits[c]) - 1) << shifts[c]);
        for (int v = 0; v < (1 << bits[c]); ++v)
            f.to_colour[c][v] = static_cast<uint8_t>(v << (8 - bits[c]) | v >> (2 * bits[c] - 8));
        for (int level = 0; level < 256; ++level)
            f.to_raw[c][level] = static_cast<uint16_t>((level >> (8 - bits[c])) << shifts[c]);
    }
    return f;
}

}  // namespace

// One span of two source pixels across every kind of source and destination.
TEST(DrawTurnedSpan, KeysAlphaAndPixelFormats) {
    const velk::Pixel16Format format = Format565();
    const uint32_t half_red = velk::WordOf(0x00FF0000, 128);  // red in the third byte, alpha 128
    const uint32_t under = 0x000000FF;                         // blue
    struct Case {
        const char* name;
        bool source16, source_alpha, masked, dest16, dest_alpha;
        uint32_t second;     // the source's second pixel; the first is keyed out
        uint32_t dest_word;  // the destination before
        uint32_t expected;   // the destination's second pixel after
    };
    const uint16_t raw_green = 0x07E0;
    const Case cases[] = {
        {"plain onto plain", false, false, false, false, false, 0x01123456, under, 0x01123456},
        {"plain onto alpha is opaque", false, false, true, false, true, 0x01123456, 0x80000000, 0x00123456},
        {"alpha onto plain", false, true, false, false, false, half_red, under,
         velk::OverOpaque(half_red, under, 128)},
        {"alpha onto alpha", false, true, true, false, true, half_red, velk::WordOf(under, 64),
         velk::OverAlpha(half_red, velk::WordOf(under, 64), 128)},
        // Red 128 and blue 127 in five bits each.
        {"alpha onto 16 bits", false, true, false, true, false, half_red, 0x001F, 0x800F},
        {"plain onto 16 bits", false, false, true, true, false, 0x00FF0000, 0x001F, 0xF800},
        {"16 bits onto 16", true, false, false, true, false, raw_green, 0x001F, raw_green},
        {"16 bits onto words", true, false, false, false, true, raw_green, 0x80000000, 0x0000FF00},
    };
    // dv 0 is an upright span (whole-row copies), 1 a turned one (pixel by pixel)
    // that stays in the same source row.
    for (const int64_t dv : {0, 1})
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.name << ", dv " << dv);
        uint32_t words[2] = {0x00ABCDEF, c.second}, mask[2] = {0x00FFFFFF, 0};
        uint16_t raws[2] = {0x1234, static_cast<uint16_t>(c.second)};
        uint32_t dest_words[3] = {c.dest_word, c.dest_word, c.dest_word};
        uint16_t dest_raws[3] = {static_cast<uint16_t>(c.dest_word), static_cast<uint16_t>(c.dest_word),
                                 static_cast<uint16_t>(c.dest_word)};
        velk::TurnSource source{};
        source.picture = velk::TurnPicture{c.source16 ? nullptr : words, c.source16 ? raws : nullptr, &format, 2,
                                           c.source16, c.source_alpha};
        if (c.masked) {
            source.mask = mask;
        } else {
            source.keyed = true;
            source.key = c.source16 ? 0x1234 : 0xABCDEF;
            source.compared = c.source16 ? 0xFFFF : 0xFFFFFF;
        }
        const velk::TurnPicture dest{c.dest16 ? nullptr : dest_words, c.dest16 ? dest_raws : nullptr, &format, 3,
                                     c.dest16, c.dest_alpha};
        // Pixels 0 and 1 of the destination take source pixels 0 and 1; pixel 2 is left.
        velk::DrawTurnedSpan(source, dest, velk::RotationSpan{0, 0, 2, 0, 0}, kOne32, dv);
        const uint32_t first = c.dest16 ? dest_raws[0] : dest_words[0];
        const uint32_t second = c.dest16 ? dest_raws[1] : dest_words[1];
        const uint32_t third = c.dest16 ? dest_raws[2] : dest_words[2];
        const uint32_t before = c.dest16 ? static_cast<uint16_t>(c.dest_word) : c.dest_word;
        EXPECT_EQ(first, before) << "the keyed pixel leaves the destination";
        EXPECT_EQ(second, c.expected);
        EXPECT_EQ(third, before) << "nothing past the span";
    }
}

// ---------------------------------------------------------------- the member

class Rotation : public ModeTest {
protected:
    std::vector<COLORREF> Picture(LONG sprite) { return PlatformPicture(sprite, velk_->SpriteTable[sprite].Height); }
    // Sprite `id`: w x h of distinct colours.
    void Pattern(LONG id, LONG w, LONG h) {
        velk_->SpriteState(id, 1);
        velk_->SpriteResize(id, w, h);
        for (LONG y = 0; y < h; ++y)
            for (LONG x = 0; x < w; ++x) velk_->DrawPixel(x, y, DistinctColour(y * w + x), id);
    }
    void Clear(LONG id, LONG w, LONG h, LONG colour) {
        velk_->SpriteState(id, 1);
        velk_->SpriteResize(id, w, h);
        velk_->DrawBox(0, 0, w, h, colour, 1, id);
    }
};

INSTANTIATE_TEST_SUITE_P(Modes, Rotation, ::testing::Values(1, 2), [](const ::testing::TestParamInfo<LONG>& info) {
    return info.param == 1 ? std::string("Gdi") : std::string("DirectDraw");
});

TEST_P(Rotation, QuarterTurnsMirrorsAndWholeScalesArePixelPermutations) {
    ExpectExactTurns(velk_, [this](LONG sprite) { return Picture(sprite); });
}

// A turned sprite cut by each edge of a small destination shows exactly the
// window of the same turn on a large one; a rectangle reaching past the source
// takes nothing from outside its picture.
TEST_P(Rotation, ClipsAtEveryEdgeOfBothPictures) {
    Pattern(1, 7, 5);
    struct Case {
        LONG from_x, from_y, w, h, to_x, to_y;
        double angle, scale;
    };
    const Case cases[] = {
        {0, 0, 7, 5, 0, 10, 33, 1.7},   {0, 0, 7, 5, 20, 10, 33, 1.7}, {0, 0, 7, 5, 10, 0, -71, 1.3},
        {0, 0, 7, 5, 10, 20, 200, 2.2}, {0, 0, 7, 5, -2, -1, 45, 2},   {0, 0, 7, 5, 21, 22, 128, 2},
        {-3, -2, 13, 9, 10, 10, 0, 1},  {-3, -2, 13, 9, 10, 10, 63, 1}, {4, 3, 9, 9, 10, 10, 90, 2},
    };
    constexpr LONG kSmall = 20, kLarge = 60, kShift = 20, kBackground = 0x808080;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.to_x << ", " << c.to_y << " at " << c.angle);
        Clear(2, kSmall, kSmall, kBackground);
        Clear(3, kLarge, kLarge, kBackground);
        velk_->BltRotate(1, c.from_x, c.from_y, c.w, c.h, 2, c.to_x, c.to_y, c.angle, c.scale, c.scale);
        velk_->BltRotate(1, c.from_x, c.from_y, c.w, c.h, 3, c.to_x + kShift, c.to_y + kShift, c.angle, c.scale,
                         c.scale);
        const std::vector<COLORREF> small = Picture(2), large = Picture(3);
        int inside = 0, outside = 0;
        for (LONG y = 0; y < kLarge; ++y)
            for (LONG x = 0; x < kLarge; ++x) {
                const COLORREF colour = large[y * kLarge + x];
                const bool in_small = x >= kShift && x < kShift + kSmall && y >= kShift && y < kShift + kSmall;
                if (in_small) {
                    ASSERT_EQ(small[(y - kShift) * kSmall + x - kShift], colour) << x << ", " << y;
                }
                if (colour != kBackground) (in_small ? inside : outside)++;
            }
        EXPECT_GT(inside, 0) << "part lands inside";
        if (c.to_x < 3 || c.to_y < 3 || c.to_x > 17 || c.to_y > 17) {
            EXPECT_GT(outside, 0) << "and part outside";
        }
    }
    // Upright and unscaled, a rectangle reaching past the source is the copy of
    // what lies inside the source, centred as the whole rectangle.
    Clear(2, kSmall, kSmall, kBackground);
    velk_->BltRotate(1, -3, -2, 13, 9, 2, 10, 10, 0, 1, 1);
    const std::vector<COLORREF> drawn = Picture(2), source = Picture(1);
    for (LONG y = 0; y < kSmall; ++y)
        for (LONG x = 0; x < kSmall; ++x) {
            const LONG sx = x - 10 + 7 - 3, sy = y - 10 + 5 - 2;  // left at 10 - 7, top at 10 - 5
            const bool in = sx >= 0 && sx < 7 && sy >= 0 && sy < 5;
            ASSERT_EQ(drawn[y * kSmall + x], in ? source[sy * 7 + sx] : static_cast<COLORREF>(kBackground)) << x << ", " << y;
        }
}

// Huge rectangles, scales and landing points finish (the walk covers the
// destination at most) and draw what the arithmetic says.
TEST_P(Rotation, HugeArgumentsFinishAndDrawWhatTheyCover) {
    Pattern(1, 7, 5);
    constexpr LONG kBackground = 0x808080, kSize = 40;
    const COLORREF first = Picture(1)[0];
    struct Case {
        LONG from_x, from_y, w, h, to_x, to_y;
        double angle, scale_x, scale_y;
        bool draws;
    };
    const LONG big = 0x7FFFFFFF, low = -0x7FFFFFFF - 1;
    const Case cases[] = {
        // Centre at the source's (0, 0): the turn's quarter below and right of
        // the landing point is all pixel (0, 0), the rest lies outside the source.
        {-1000000000, -1000000000, 2000000000, 2000000000, 10, 10, 0, 1024, 1024, true},
        {-1000000000, -1000000000, 2000000000, 2000000000, 10, 10, 360, 1024, 1024, true},
        {-5, -5, big, big, big, big, 45, 1024, 1024, false},
        {-100, -100, big, big, low, low, 45, -1024, 1024, false},
        {low, low, big, big, 20, 20, 45, 1, 1, false},
        {0, 0, big, big, 20, 20, 17, 1024, 0.001, false},
        {0, 0, 7, 5, 20, 20, 1e9, 1e-7, 1e-7, false},
        {0, 0, 7, 5, 20, 20, 30, 0, 1, false},
        {0, 0, 0, 5, 20, 20, 30, 1, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.from_x << " " << c.w << " to " << c.to_x << " at " << c.angle);
        Clear(2, kSize, kSize, kBackground);
        EXPECT_EQ(velk_->BltRotate(1, c.from_x, c.from_y, c.w, c.h, 2, c.to_x, c.to_y, c.angle, c.scale_x, c.scale_y),
                  S_OK);
        const std::vector<COLORREF> drawn = Picture(2);
        for (LONG y = 0; y < kSize; ++y)
            for (LONG x = 0; x < kSize; ++x) {
                const bool covered = c.draws && x >= c.to_x && y >= c.to_y;
                ASSERT_EQ(drawn[y * kSize + x], covered ? first : static_cast<COLORREF>(kBackground)) << x << ", " << y;
            }
    }
}

// Logical (x, y) is pixel (x, y) - origin in both sprites: the same turn
// without origins, at the pixels they give, draws the same picture.
TEST_P(Rotation, OriginsOfBothSpritesApplyAsForBlt) {
    Pattern(1, 6, 5);
    Pattern(4, 6, 5);
    Clear(2, 30, 30, 0x808080);
    Clear(3, 30, 30, 0x808080);
    velk_->DSetOrigin(2, 1, 1);
    velk_->DSetOrigin(-4, 3, 2);
    velk_->BltRotate(1, 0, 0, 6, 5, 2, 12, 14, 77, 1.5, 1.5);
    velk_->DSetOrigin(0, 0, 1);
    velk_->DSetOrigin(0, 0, 2);
    velk_->BltRotate(4, -2, -1, 6, 5, 3, 16, 11, 77, 1.5, 1.5);
    EXPECT_EQ(Picture(2), Picture(3));
    int drawn = 0;
    for (COLORREF colour : Picture(2)) drawn += colour != 0x808080;
    EXPECT_GT(drawn, 20);
}

TEST_P(Rotation, ASpriteTurnedOntoItselfReadsItsOriginalPixels) {
    Pattern(1, 7, 5);
    const std::vector<COLORREF> before = Picture(1);
    velk_->BltRotate(1, 0, 0, 7, 5, 1, 3, 2, 180, 1, 1);  // the half turn in place
    const std::vector<COLORREF> after = Picture(1);
    for (LONG y = 0; y < 5; ++y)
        for (LONG x = 0; x < 7; ++x) ASSERT_EQ(after[y * 7 + x], before[(4 - y) * 7 + 6 - x]) << x << ", " << y;
}

// ---------------------------------------------------------------- fatal ends

namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN(), kInfinity = std::numeric_limits<double>::infinity();

std::string RangeText(const char* subject, double value, const char* range) {
    char text[512];
    snprintf(text, sizeof text, velk::texts::kLevelRangeError, subject, value, range);
    return text;
}
}  // namespace

VELK_SCENARIO(RotateAngleNaN) { return ScenarioInGdiMode([](VelkObject* v) { v->BltRotate(0, 0, 0, 1, 1, 0, 0, 0, kNaN, 1, 1); }); }
VELK_SCENARIO(RotateAngleTooLarge) {
    return ScenarioInGdiMode([](VelkObject* v) { v->BltRotate(0, 0, 0, 1, 1, 0, 0, 0, -2e9, 1, 1); });
}
VELK_SCENARIO(RotateScaleXInfinite) {
    return ScenarioInGdiMode([](VelkObject* v) { v->BltRotate(0, 0, 0, 1, 1, 0, 0, 0, 0, kInfinity, 1); });
}
VELK_SCENARIO(RotateScaleY2000) {
    return ScenarioInGdiMode([](VelkObject* v) { v->BltRotate(0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2000); });
}
VELK_SCENARIO(RotateFromEmpty) { return ScenarioInGdiMode([](VelkObject* v) { v->BltRotate(5, 0, 0, 1, 1, 0, 0, 0, kNaN, 1, 1); }); }
VELK_SCENARIO(RotateToNine) { return ScenarioInGdiMode([](VelkObject* v) { v->BltRotate(0, 0, 0, 1, 1, 9, 0, 0, 0, 1, 1); }); }

TEST(RotationFatal, BadSpritesAnglesAndScalesEndTheProcess) {
    namespace t = velk::texts;
    ExpectFatalEnds({
        {"RotateAngleNaN", RangeText(t::kRotateAngleSubject, kNaN, t::kRotateAngleRange)},
        {"RotateAngleTooLarge", RangeText(t::kRotateAngleSubject, -2e9, t::kRotateAngleRange)},
        {"RotateScaleXInfinite", RangeText(t::kRotateScaleXSubject, kInfinity, t::kRotateScaleRange)},
        {"RotateScaleY2000", RangeText(t::kRotateScaleYSubject, 2000, t::kRotateScaleRange)},
        {"RotateFromEmpty", IdEmptyText(t::kSubjectBltRotateFrom, 5)},
        {"RotateToNine", IdRangeText(t::kSubjectBltRotateTo, 9)},
    });
}
