// The SSE2 rows and the block walk against their plain references, over random
// pictures, odd lengths and awkward rectangles (clipped, overlapping, one pixel).
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "graphics/alpha_pixels.h"
#include "graphics/pixel_rows.h"

namespace {

std::vector<uint32_t> RandomWords(std::mt19937& random, size_t count) {
    std::vector<uint32_t> words(count);
    for (uint32_t& word : words) word = random();
    return words;
}

}  // namespace

TEST(PixelRows, BlendRowGivesTheReferenceWordsForAnyWeightAndLength) {
    std::mt19937 random(12);
    const int32_t weights[] = {0, 1, 77, 128, 255, 256, 257, 300, -1, -90, -256, 65536 + 40, 0x7FFFFFFF, INT32_MIN};
    for (size_t count : {0u, 1u, 3u, 4u, 5u, 17u, 640u}) {
        for (int32_t alpha : weights) {
            const std::vector<uint32_t> source = RandomWords(random, count);
            std::vector<uint32_t> fast = RandomWords(random, count);
            std::vector<uint32_t> reference = fast;
            velk::BlendRow(source.data(), fast.data(), count, alpha);
            velk::BlendRowReference(source.data(), reference.data(), count, alpha);
            ASSERT_EQ(fast, reference) << count << " pixels, weight " << alpha;
        }
    }
}

TEST(PixelRows, ColorKeyRowsGiveTheReferenceWords) {
    // Words are 0x00RRGGBB; the key 0x00FF00FF (COLORREF) is magenta either way.
    // A transparent pixel (white mask, black) stays so; one drawn over turns opaque.
    std::vector<uint32_t> picture = {0x00FF00FF, 0x00123456, 0xFFFF00FF, 0x00000000, 0x00000000, 0x00000001};
    std::vector<uint32_t> mask = {0, 0, 0, 0xFFFFFF, 0, 0xFFFFFF};
    velk::ColorKeyRows(picture.data(), mask.data(), picture.size(), 0x00FF00FF);
    EXPECT_EQ(picture, (std::vector<uint32_t>{0, 0x123456, 0, 0, 0, 1}));
    EXPECT_EQ(mask, (std::vector<uint32_t>{0xFFFFFF, 0, 0xFFFFFF, 0xFFFFFF, 0, 0})) << "the byte above the colour is ignored";

    std::mt19937 random(34);
    for (size_t count : {1u, 2u, 7u, 8u, 33u, 999u}) {
        for (COLORREF key : {0x00FF00FFu, 0x00000000u, 0x00123456u, 0x01000000u}) {
            // About half the pixels match the key, some only in the colour bits.
            std::vector<uint32_t> fast = RandomWords(random, count);
            for (size_t i = 0; i < count; i += 2) fast[i] = velk::DibWordOf(key & 0xFFFFFF) | (random() & 0xFF000000u);
            for (size_t i = 1; i < count; i += 6) fast[i] = velk::DibWordOf(key & 0xFFFFFF) ^ 1u;
            std::vector<uint32_t> reference = fast;
            std::vector<uint32_t> fast_mask = RandomWords(random, count);
            // Some pixels transparent already, some drawn over since.
            for (size_t i = 0; i < count; i += 3) fast_mask[i] = 0xFFFFFFu | (random() & 0xFF000000u);
            for (size_t i = 3; i < count; i += 5) fast[i] = random() & 0xFF000000u;
            std::vector<uint32_t> reference_mask = fast_mask;
            reference = fast;
            velk::ColorKeyRows(fast.data(), fast_mask.data(), count, key);
            velk::ColorKeyRowsReference(reference.data(), reference_mask.data(), count, key);
            ASSERT_EQ(fast, reference) << count << " pixels, key " << key;
            ASSERT_EQ(fast_mask, reference_mask) << count << " pixels, key " << key;
        }
    }
}

TEST(PixelRows, KeyedCopyRowsGiveTheReferenceWords) {
    // Every odd length around the vector widths; about half the source pixels
    // carry the key, some only in the compared bits, some one bit off.
    std::mt19937 random(56);
    for (size_t count : {0u, 1u, 3u, 4u, 7u, 8u, 9u, 15u, 16u, 17u, 32u, 33u}) {
        SCOPED_TRACE(count);
        // Runs of transparent pixels (white mask, black picture) and single ones,
        // some drawn over since; only the colours count.
        std::vector<uint32_t> mask = RandomWords(random, count), picture = RandomWords(random, count);
        for (size_t i = 0; i < count; ++i) {
            const bool transparent = i % 16 < 8 || random() % 3 == 0;
            mask[i] = transparent ? 0xFFFFFFu : 0;
            if (transparent && random() % 5) picture[i] &= 0xFF000000u;
        }
        std::vector<uint32_t> fast = RandomWords(random, count), reference = fast;
        velk::MaskedCopyRow(picture.data(), mask.data(), fast.data(), count);
        velk::MaskedCopyRowReference(picture.data(), mask.data(), reference.data(), count);
        for (size_t i = 0; i < count; ++i) ASSERT_EQ(fast[i] & 0xFFFFFFu, reference[i] & 0xFFFFFFu) << i;

        for (uint32_t compared : {0x00FFFFFFu, 0xFFFFFFFFu}) {
            const uint32_t key = 0x00FF00FF;
            std::vector<uint32_t> source = RandomWords(random, count);
            for (size_t i = 0; i < count; i += 2) source[i] = key | (random() & ~compared);
            for (size_t i = 1; i < count; i += 6) source[i] = key ^ 0x100u;
            fast = RandomWords(random, count);
            reference = fast;
            velk::KeyedCopyRow32(source.data(), fast.data(), count, key, compared);
            velk::KeyedCopyRow32Reference(source.data(), reference.data(), count, key, compared);
            ASSERT_EQ(fast, reference) << std::hex << compared;
        }
        for (uint16_t compared : {uint16_t{0xFFFF}, uint16_t{0x7FFF}}) {
            const uint16_t key = 0x7C1F;
            std::vector<uint16_t> source(count), fast16(count);
            for (size_t i = 0; i < count; ++i) {
                source[i] = i % 2 ? static_cast<uint16_t>(random()) : static_cast<uint16_t>(key | (random() & 0x8000u));
                fast16[i] = static_cast<uint16_t>(random());
            }
            std::vector<uint16_t> reference16 = fast16;
            velk::KeyedCopyRow16(source.data(), fast16.data(), count, key, compared);
            velk::KeyedCopyRow16Reference(source.data(), reference16.data(), count, key, compared);
            ASSERT_EQ(fast16, reference16) << std::hex << compared;
        }
    }
}

TEST(PixelRows, BlendBlockGivesThePixelCallPictureForAwkwardRectangles) {
    struct Case {
        LONG fx, fy, w, h, tx, ty;
        int32_t alpha;
        bool self;
    };
    const Case cases[] = {
        {0, 0, 23, 17, 0, 0, 100, false},      // whole, odd width
        {-5, 3, 12, 9, 2, 4, 77, false},       // source leaves on the left: reads white
        {10, 10, 30, 30, 15, 12, 200, false},  // source and destination both cut
        {0, 0, 23, 17, -10, -5, 300, false},   // destination cut on the top and left
        {4, 4, 1, 1, 0, 16, 128, false},       // one pixel, at the last row
        {0, 0, 0, 5, 0, 0, 256, false},        // nothing
        {2, 1, 15, 9, 5, 3, -90, true},        // overlapping within one block
        {5, 3, 15, 9, 2, 1, 255, true},        // overlapping the other way
        {0, 0, 23, 17, 30, 0, 256, false},     // wholly outside
    };
    std::mt19937 random(56);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.fx << "," << c.fy << " " << c.w << "x" << c.h << " -> " << c.tx << ","
                                        << c.ty);
        // Blocks with a pitch wider than the picture, as locked surfaces have.
        std::vector<uint32_t> source = RandomWords(random, 25 * 17);
        std::vector<uint32_t> fast = RandomWords(random, 21 * 19), reference = fast;
        velk::PixelView from{source.data(), 23, 17, 25};
        velk::PixelView fast_view{fast.data(), 20, 19, 21}, reference_view{reference.data(), 20, 19, 21};
        if (c.self) {
            from = fast_view;
            velk::BlendBlock(from, c.fx, c.fy, c.w, c.h, fast_view, c.tx, c.ty, c.alpha);
            from = reference_view;
        } else {
            velk::BlendBlock(from, c.fx, c.fy, c.w, c.h, fast_view, c.tx, c.ty, c.alpha);
        }
        velk::BlendBlockReference(from, c.fx, c.fy, c.w, c.h, reference_view, c.tx, c.ty, c.alpha);
        ASSERT_EQ(fast, reference);
    }
}

// ---------------------------------------------------------------- per-pixel alpha

TEST(PixelRows, SourceOverRoundsAsWorkedOutByHand) {
    // 0x00C86432 (200, 100, 50) at alpha a over 0x00204080 (32, 64, 128):
    // opaque, of alpha 128, and transparent underneath.
    const struct {
        uint32_t a, over_opaque, over_half, over_nothing;
    } cases[] = {
        {0, 0x00204080, 0x7F204080, 0xFF000000},   {1, 0x00214080, 0x7F21407F, 0xFEC86432},
        {127, 0x00745259, 0x4090584C, 0x80C86432}, {128, 0x00745259, 0x3F90584C, 0x7FC86432},
        {254, 0x00C76432, 0x00C86432, 0x01C86432}, {255, 0x00C86432, 0x00C86432, 0x00C86432},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.a);
        EXPECT_EQ(velk::OverOpaque(0x00C86432, 0xAB204080, c.a), 0xAB000000 | (c.over_opaque & 0xFFFFFF))
            << "the plain destination's top byte stays";
        EXPECT_EQ(velk::OverAlpha(0x00C86432, 0x7F204080, c.a), c.over_half);
        EXPECT_EQ(velk::OverAlpha(0x00C86432, 0xFF123456, c.a), c.over_nothing);
    }
    EXPECT_EQ(velk::WeightedAlpha(255, 128), 128u);
    EXPECT_EQ(velk::WeightedAlpha(1, 127), 0u);
    EXPECT_EQ(velk::WeightedAlpha(200, 999), 200u) << "held to 256";
    EXPECT_EQ(velk::WeightedAlpha(200, -3), 0u) << "held to 0";
}

TEST(PixelRows, SourceOverRowsGiveTheReferenceWords) {
    // Runs of eight transparent or opaque source pixels (the fast paths of
    // both vector widths), odd alphas between, and every length around them.
    std::mt19937 random(78);
    for (size_t count : {0u, 1u, 3u, 4u, 5u, 8u, 13u, 16u, 17u, 31u, 64u, 257u}) {
        SCOPED_TRACE(count);
        std::vector<uint32_t> source = RandomWords(random, count);
        for (size_t i = 0; i < count; ++i) {
            const size_t run = i / 8 % 4;
            if (run == 0) source[i] |= 0xFF000000u;
            if (run == 1) source[i] &= 0x00FFFFFFu;
        }
        std::vector<uint32_t> dest = RandomWords(random, count);
        for (size_t i = 0; i < count; i += 3) dest[i] |= 0xFF000000u;  // some transparent underneath
        std::vector<uint32_t> fast = dest, reference = dest;
        velk::OverOpaqueRowReference(source.data(), reference.data(), count);
        velk::OverOpaqueRow(source.data(), fast.data(), count);
        ASSERT_EQ(fast, reference);
        fast = dest;
        velk::OverOpaqueRowSse2(source.data(), fast.data(), count);
        ASSERT_EQ(fast, reference);
        fast = reference = dest;
        velk::OverAlphaRow(source.data(), fast.data(), count);
        velk::OverAlphaRowReference(source.data(), reference.data(), count);
        ASSERT_EQ(fast, reference);
    }
}
