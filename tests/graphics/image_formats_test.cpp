// Image bytes: the BMP header checks made before the platform's loader reads a
// file, the checks over a loader's blocks, and the flattening of its alpha.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "graphics/image_formats.h"
#include "support/image_file.h"

using namespace velk_test;

namespace {
const std::vector<uint32_t> kSixPixels = {0xFF0000, 0x00FF00, 0x0000FF, 0x123456, 0xFFFFFF, 0x000000};

void Store32(Bytes* bytes, size_t at, uint32_t value) { memcpy(bytes->data() + at, &value, 4); }
void Store16(Bytes* bytes, size_t at, uint16_t value) { memcpy(bytes->data() + at, &value, 2); }

bool Check(const Bytes& file, size_t size, bool* top_down) {
    return velk::CheckBmpHeaders(file.data(), std::min(size, velk::kBmpHeadBytes), size, top_down);
}
}  // namespace

TEST(BmpHeaders, AcceptEveryKindThePlatformReadsAndTellTheRowOrder) {
    bool top_down = true;
    const Bytes bottom_up = MakeBmp24(3, 2, kSixPixels);
    EXPECT_TRUE(Check(bottom_up, bottom_up.size(), &top_down));
    EXPECT_FALSE(top_down);
    const Bytes upside = MakeBmp24(3, 2, kSixPixels, true);
    EXPECT_TRUE(Check(upside, upside.size(), &top_down));
    EXPECT_TRUE(top_down);
    for (const Bytes& file : {MakeBmpIndexed(5, 2, {0, 1, 1, 0, 1, 0, 0, 1, 1, 1}, 1, false),
                              MakeBmpIndexed(5, 2, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, 8, true),
                              MakeBmpRle(5, 2, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, 8),
                              MakeBmpRle(5, 2, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, 4), MakeBmp565(3, 2, kSixPixels)}) {
        EXPECT_TRUE(Check(file, file.size(), &top_down)) << file.size() << " bytes";
        // Cut by one byte, the rows (or the run-length data) reach past the file.
        EXPECT_FALSE(Check(file, file.size() - 1, &top_down)) << file.size() << " bytes";
    }
}

TEST(BmpHeaders, RefuseWhatTheLoaderWouldReadPastOrCannotDraw) {
    const Bytes good = MakeBmp24(3, 2, kSixPixels);
    struct Case {
        const char* what;
        void (*spoil)(Bytes*);
    };
    const Case cases[] = {
        {"not BM", [](Bytes* b) { (*b)[1] = 'A'; }},
        {"rows beyond the file", [](Bytes* b) { Store32(b, 10, 0x7FFFFFF0); }},
        {"rows inside the header", [](Bytes* b) { Store32(b, 10, 20); }},
        {"unknown header size", [](Bytes* b) { Store32(b, 14, 20); }},
        {"zero width", [](Bytes* b) { Store32(b, 18, 0); }},
        {"negative width", [](Bytes* b) { Store32(b, 18, uint32_t(-3)); }},
        {"zero height", [](Bytes* b) { Store32(b, 22, 0); }},
        {"huge height", [](Bytes* b) { Store32(b, 22, 0x40000000); }},
        {"most negative height", [](Bytes* b) { Store32(b, 22, 0x80000000u); }},
        {"two planes", [](Bytes* b) { Store16(b, 26, 2); }},
        {"7 bits per pixel", [](Bytes* b) { Store16(b, 28, 7); }},
        {"run-length 8 at 24 bits", [](Bytes* b) { Store32(b, 30, BI_RLE8); }},
        {"unknown compression", [](Bytes* b) { Store32(b, 30, 9); }},
    };
    bool top_down = false;
    for (const Case& c : cases) {
        Bytes spoilt = good;
        c.spoil(&spoilt);
        EXPECT_FALSE(Check(spoilt, spoilt.size(), &top_down)) << c.what;
    }
    for (size_t size = 0; size < 54; ++size) EXPECT_FALSE(Check(good, size, &top_down)) << size << " bytes";

    // Bit-field masks lie at byte 40 of the header: inside one of 52 bytes or
    // more, after one of 40 and before the rows, never half inside.
    Bytes masked = MakeBmp565(3, 2, kSixPixels);
    for (uint32_t header = 41; header < 52; ++header) {
        Store32(&masked, 14, header);
        EXPECT_FALSE(Check(masked, masked.size(), &top_down)) << header << "-byte bit-field header";
    }
    Store32(&masked, 14, 40);
    Store32(&masked, 10, 54 + 8);
    EXPECT_FALSE(Check(masked, masked.size(), &top_down)) << "masks running into the rows";
}

TEST(DibBlocks, ColourTableAndRowsMustFitTheirBlocks) {
    // An 8-bit picture of 5 x 2 with a full colour table: rows of 8 bytes.
    Bytes info(40 + 256 * 4, 0);
    Store32(&info, 0, 40);
    Store32(&info, 4, 5);
    Store32(&info, 8, 2);
    Store16(&info, 12, 1);
    Store16(&info, 14, 8);
    Bytes rows(16, 0);
    velk::DibView view{};
    EXPECT_TRUE(velk::CheckDib(info.data(), info.size(), rows.data(), rows.size(), &view));
    EXPECT_FALSE(velk::CheckDib(info.data(), info.size() - 1, rows.data(), rows.size(), &view));
    EXPECT_FALSE(velk::CheckDib(info.data(), info.size(), rows.data(), rows.size() - 1, &view));
    Store32(&info, 32, 2);  // two colours used: the table shrinks to 8 bytes
    EXPECT_TRUE(velk::CheckDib(info.data(), 48, rows.data(), rows.size(), &view));
    EXPECT_FALSE(velk::CheckDib(nullptr, 0, rows.data(), rows.size(), &view));
    Store32(&info, 8, uint32_t(-0x8000));
    EXPECT_FALSE(velk::CheckDib(info.data(), info.size(), rows.data(), rows.size(), &view)) << "huge top-down";

    // A 32-bit bit-field description of 44 bytes holds only one of its masks.
    Bytes fields(44, 0);
    Store32(&fields, 0, 44);
    Store32(&fields, 4, 2);
    Store32(&fields, 8, 2);
    Store16(&fields, 12, 1);
    Store16(&fields, 14, 32);
    Store32(&fields, 16, BI_BITFIELDS);
    EXPECT_FALSE(velk::CheckDib(fields.data(), fields.size(), rows.data(), rows.size(), &view));
    fields.resize(52);
    Store32(&fields, 0, 52);
    EXPECT_TRUE(velk::CheckDib(fields.data(), fields.size(), rows.data(), rows.size(), &view));
}

TEST(FlattenAlpha, CompositesOverBlackAndGivesTransparentPixelsTheKey) {
    const std::vector<uint32_t> loaded = {0xFF123456, 0x80FF8040, 0x00ABCDEF, 0x01FFFFFF};
    std::vector<uint32_t> pixels = loaded;
    velk::FlattenAlpha(pixels.data(), pixels.size(), -1);
    EXPECT_EQ(pixels, (std::vector<uint32_t>{0x123456, 0x804020, 0x000000, 0x010101}));

    pixels = loaded;
    velk::FlattenAlpha(pixels.data(), pixels.size(), 0x00FF00FF);  // magenta, 0x00BBGGRR
    EXPECT_EQ(pixels[2], 0xFF00FFu) << "the key colour as a pixel word";
    EXPECT_EQ(pixels[3], 0x010101u) << "only alpha 0 takes the key";

    pixels = {0x00102030, 0x00405060};
    velk::FlattenAlpha(pixels.data(), pixels.size(), 0x00FF00FF);
    EXPECT_EQ(pixels, (std::vector<uint32_t>{0x00102030, 0x00405060})) << "no alpha at all: kept opaque";
}

