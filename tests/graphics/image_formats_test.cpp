// Image bytes: the BMP and bitmap-description checks of the library and the
// PNG decoding of the PNG loader module, including refusals of broken files.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "graphics/image_formats.h"
#include "png_decode.h"
#include "support/image_file.h"

using namespace velk_test;

namespace {
const std::vector<uint32_t> kSixPixels = {0xFF0000, 0x00FF00, 0x0000FF, 0x123456, 0xFFFFFF, 0x000000};

void Store32(Bytes* bytes, size_t at, uint32_t value) { memcpy(bytes->data() + at, &value, 4); }
void Store16(Bytes* bytes, size_t at, uint16_t value) { memcpy(bytes->data() + at, &value, 2); }
}  // namespace

TEST(BmpFile, AcceptsBottomUpAndTopDownRows) {
    const Bytes bottom_up = MakeBmp24(3, 2, kSixPixels);
    velk::DibView view{};
    ASSERT_TRUE(velk::ParseBmpFile(bottom_up.data(), bottom_up.size(), &view));
    EXPECT_EQ(view.Width, 3);
    EXPECT_EQ(view.Height, 2);
    EXPECT_EQ(static_cast<const uint8_t*>(view.Bits), bottom_up.data() + 54);

    const Bytes top_down = MakeBmp24(3, 2, kSixPixels, true);
    ASSERT_TRUE(velk::ParseBmpFile(top_down.data(), top_down.size(), &view));
    EXPECT_EQ(view.Height, 2) << "the size is positive whatever the row order";
    EXPECT_LT(view.Info->bmiHeader.biHeight, 0) << "the header is handed on unchanged";
}

TEST(BmpFile, RefusesEveryTruncation) {
    const Bytes whole = MakeBmp24(5, 3, std::vector<uint32_t>(15, 0xABCDEF));
    for (size_t size = 0; size < whole.size(); ++size) {
        velk::DibView view{};
        EXPECT_FALSE(velk::ParseBmpFile(whole.data(), size, &view)) << size << " bytes";
    }
}

TEST(BmpFile, RefusesHeadersThePictureCannotBeDrawnFrom) {
    const Bytes good = MakeBmp24(3, 2, kSixPixels);
    struct Case {
        const char* what;
        void (*spoil)(Bytes*);
    };
    const Case cases[] = {
        {"not BM", [](Bytes* b) { (*b)[1] = 'A'; }},
        {"rows beyond the file", [](Bytes* b) { Store32(b, 10, 0x7FFFFFF0); }},
        {"rows inside the header", [](Bytes* b) { Store32(b, 10, 20); }},
        {"core header", [](Bytes* b) { Store32(b, 14, 12); }},
        {"header larger than the space before the rows", [](Bytes* b) { Store32(b, 14, 124); }},
        {"zero width", [](Bytes* b) { Store32(b, 18, 0); }},
        {"negative width", [](Bytes* b) { Store32(b, 18, uint32_t(-3)); }},
        {"zero height", [](Bytes* b) { Store32(b, 22, 0); }},
        {"huge height", [](Bytes* b) { Store32(b, 22, 0x40000000); }},
        {"most negative height", [](Bytes* b) { Store32(b, 22, 0x80000000u); }},
        {"two planes", [](Bytes* b) { Store16(b, 26, 2); }},
        {"7 bits per pixel", [](Bytes* b) { Store16(b, 28, 7); }},
        {"run-length compressed", [](Bytes* b) { Store32(b, 30, BI_RLE8); }},
        {"colour table beyond the rows' offset", [](Bytes* b) { Store16(b, 28, 8); }},
    };
    for (const Case& c : cases) {
        Bytes spoilt = good;
        c.spoil(&spoilt);
        velk::DibView view{};
        EXPECT_FALSE(velk::ParseBmpFile(spoilt.data(), spoilt.size(), &view)) << c.what;
    }
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
}

TEST(Inflate, FixedAndDynamicHuffmanBlocks) {
    const Bytes fixed = {0x78, 0xDA, 0x4B, 0x4C, 0x4A, 0x4E, 0x44, 0x45, 0x0A, 0x19, 0xA9,
                         0x39, 0x39, 0xF9, 0xC8, 0x24, 0x00, 0xF9, 0xF3, 0x0D, 0x81};
    std::vector<uint8_t> out;
    ASSERT_TRUE(velk_loader::Inflate(fixed.data(), fixed.size(), 1000, &out));
    EXPECT_EQ(std::string(out.begin(), out.end()), "abcabcabcabcabcabc hello hello hello");
    EXPECT_FALSE(velk_loader::Inflate(fixed.data(), fixed.size(), 10, &out)) << "output beyond the limit";

    const Bytes dynamic = {
        0x78, 0xDA, 0x1D, 0x8F, 0xD9, 0x11, 0x00, 0x31, 0x08, 0x42, 0x6B, 0x55, 0xE4, 0xE8, 0xBF, 0x82, 0x25, 0xFB,
        0x61, 0xC6, 0xE8, 0x13, 0x94, 0x9A, 0xDC, 0x60, 0x95, 0xF3, 0xDE, 0x9C, 0x09, 0x63, 0x11, 0x60, 0xE6, 0x0E,
        0xA0, 0xFA, 0xB6, 0x3A, 0x72, 0x3F, 0xAB, 0x26, 0x4B, 0x31, 0x42, 0x82, 0x79, 0xE5, 0x71, 0x23, 0x83, 0xDB,
        0x8B, 0xDA, 0x79, 0x4C, 0xA5, 0x24, 0x88, 0x0F, 0xAD, 0x1A, 0x8B, 0xAE, 0xE7, 0xDA, 0x75, 0x75, 0xA3, 0x0A,
        0x7B, 0x61, 0x61, 0xEA, 0x97, 0x4A, 0x29, 0x7C, 0xBD, 0x35, 0xAA, 0xBC, 0xA1, 0x56, 0xF3, 0x6C, 0xC8, 0x32,
        0xF9, 0xB3, 0x6A, 0xAB, 0x13, 0xF5, 0x00, 0xAE, 0x7C, 0x59, 0x93, 0x73, 0x9D, 0xBF, 0x32, 0x8D, 0x5E, 0x81,
        0x1E, 0xE3, 0xA8, 0xFE, 0xA7, 0xEE, 0x46, 0x3F, 0x9D, 0xB7, 0x85, 0x60, 0xAB, 0x57, 0xB9, 0x60, 0x6B, 0xAD,
        0x43, 0xB6, 0x2F, 0xB5, 0x35, 0x6A, 0x4E, 0xCF, 0x73, 0x41, 0x66, 0x73, 0x1C, 0xF4, 0x26, 0x5E, 0xA6, 0xC0,
        0xEB, 0x66, 0x07, 0xFC, 0x00, 0x4D, 0x7F, 0x76, 0x02};
    ASSERT_TRUE(velk_loader::Inflate(dynamic.data(), dynamic.size(), 1000, &out));
    EXPECT_EQ(std::string(out.begin(), out.end()),
              "efahdacbfhdgbdadgecgcbchccaaddccefddcdgeafgccebfeafbefehfchhcaeafgagfgahacdbdhffehbfeagbdffcfebefecb"
              "cehcabgadfehgcaahfdccgbcgfcagechchhfheehgcbgchfcbhefbfaefeheefcahefeheffefgfchffccdfhebgcgeeadchcdca"
              "hdcacbfchdaghfgbddfafgegbfaebefefcggfhccghdcbfagbfcfgggdhehggceehegafehechabhdeacgahedhadheceehhbace");

    for (size_t size = 0; size < dynamic.size(); ++size)
        EXPECT_FALSE(velk_loader::Inflate(dynamic.data(), size, 1000, &out)) << size << " bytes";
    Bytes wrong_sum = dynamic;
    wrong_sum.back() ^= 1;
    EXPECT_FALSE(velk_loader::Inflate(wrong_sum.data(), wrong_sum.size(), 1000, &out));
}

TEST(PngDecode, EveryFilterAndColourTypeGivesThePixels) {
    std::vector<uint32_t> pixels;
    for (int i = 0; i < 7 * 5; ++i) pixels.push_back(uint32_t(i * 0x0A1B2C) & 0xFFFFFF);
    for (int color_type : {2, 6}) {
        const Bytes png = MakePng(7, 5, pixels, color_type, {0, 1, 2, 3, 4});
        velk_loader::Picture picture;
        ASSERT_TRUE(velk_loader::DecodePng(png.data(), png.size(), &picture)) << color_type;
        EXPECT_EQ(picture.Width, 7u);
        EXPECT_EQ(picture.Height, 5u);
        EXPECT_EQ(picture.Pixels, pixels) << "colour type " << color_type;
    }
    const Bytes grey = MakePng(7, 5, pixels, 0, {4, 3});
    velk_loader::Picture picture;
    ASSERT_TRUE(velk_loader::DecodePng(grey.data(), grey.size(), &picture));
    EXPECT_EQ(picture.Pixels[8], (pixels[8] & 0xFF) * 0x010101u);
}

TEST(PngDecode, PaletteOfFourBits) {
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    AppendPngChunk(&png, "IHDR", {0, 0, 0, 3, 0, 0, 0, 1, 4, 3, 0, 0, 0});
    AppendPngChunk(&png, "PLTE", {0xFF, 0, 0, 0, 0xFF, 0, 0, 0, 0xFF});
    AppendPngChunk(&png, "IDAT", StoredZlib({0, 0x12, 0x00}));  // indices 1, 2, 0
    AppendPngChunk(&png, "IEND", {});
    velk_loader::Picture picture;
    ASSERT_TRUE(velk_loader::DecodePng(png.data(), png.size(), &picture));
    EXPECT_EQ(picture.Pixels, (std::vector<uint32_t>{0x00FF00, 0x0000FF, 0xFF0000}));

    // An index beyond the palette is refused, not read past it.
    Bytes beyond = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    AppendPngChunk(&beyond, "IHDR", {0, 0, 0, 3, 0, 0, 0, 1, 4, 3, 0, 0, 0});
    AppendPngChunk(&beyond, "PLTE", {0xFF, 0, 0});
    AppendPngChunk(&beyond, "IDAT", StoredZlib({0, 0x12, 0x00}));
    AppendPngChunk(&beyond, "IEND", {});
    EXPECT_FALSE(velk_loader::DecodePng(beyond.data(), beyond.size(), &picture));
}

TEST(PngDecode, RefusesBrokenFiles) {
    const Bytes good = MakePng(4, 3, std::vector<uint32_t>(12, 0x336699), 2, {1});
    velk_loader::Picture picture;
    for (size_t size = 0; size < good.size(); ++size)
        EXPECT_FALSE(velk_loader::DecodePng(good.data(), size, &picture)) << size << " bytes";

    struct Case {
        const char* what;
        size_t at;  // byte of the file to change
        uint8_t value;
    };
    const Case cases[] = {
        {"signature", 1, 'X'},
        {"IHDR length", 11, 14},
        {"zero width", 19, 0},
        {"16-bit depth", 24, 16},
        {"unknown colour type", 25, 5},
        {"interlaced", 28, 1},
        {"filter type 5", 8 + 25 + 8 + 2 + 5, 5},
    };
    for (const Case& c : cases) {
        Bytes spoilt = good;
        spoilt[c.at] = c.value;
        EXPECT_FALSE(velk_loader::DecodePng(spoilt.data(), spoilt.size(), &picture)) << c.what;
    }

    // Rows missing from the stream: the picture would be read past its data.
    Bytes short_rows = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    AppendPngChunk(&short_rows, "IHDR", {0, 0, 0, 4, 0, 0, 0, 3, 8, 2, 0, 0, 0});
    AppendPngChunk(&short_rows, "IDAT", StoredZlib(Bytes(13, 0)));
    AppendPngChunk(&short_rows, "IEND", {});
    EXPECT_FALSE(velk_loader::DecodePng(short_rows.data(), short_rows.size(), &picture));
}
