// Sprites that keep per-pixel alpha, in modes 1 and 2 (mode 3 in
// full_screen_test.cpp): the setting's life, files with alpha, source-over
// onto plain and alpha pictures with hand-computed results, keys, weights,
// stretching, opaque drawing, and the refusals.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "core/texts.h"
#include "graphics/graphics_fixture.h"
#include "support/bstr.h"
#include "support/image_file.h"

using namespace velk_test;

namespace {

// Words are 0x00RRGGBB with 255 - alpha in the top byte.
constexpr uint32_t kSource = 0xC86432;  // red 200, green 100, blue 50
constexpr uint32_t kUnder = 0x204080;   // red 32, green 64, blue 128
constexpr uint32_t kKeyGreen = 0x00FF00;
constexpr uint32_t kAlphas[] = {0, 1, 127, 128, 254, 255};

// kSource at each alpha of kAlphas: over kUnder opaque, over kUnder of alpha
// 128, and over a transparent pixel; worked out by hand from the formulas.
struct Composite {
    uint32_t over_opaque;
    uint32_t over_half;
    uint32_t over_nothing;
};
constexpr Composite kExpected[] = {
    {0x00204080, 0x7F204080, 0xFF000000}, {0x00214080, 0x7F21407F, 0xFEC86432},
    {0x00745259, 0x4090584C, 0x80C86432}, {0x00745259, 0x3F90584C, 0x7FC86432},
    {0x00C76432, 0x00C86432, 0x01C86432}, {0x00C86432, 0x00C86432, 0x00C86432},
};

uint32_t AlphaWord(uint32_t colour, uint32_t alpha) { return (colour & 0xFFFFFF) | ((255 - alpha) << 24); }
uint32_t Argb(uint32_t colour, uint32_t alpha) { return (colour & 0xFFFFFF) | (alpha << 24); }
LONG ColorOf(uint32_t word) { return static_cast<LONG>(velk::DibWordOf(word & 0xFFFFFF)); }

// An 8-bit RGBA PNG of pixels 0xAARRGGBB, top row first.
Bytes RgbaPng(int width, int height, const std::vector<uint32_t>& argb) {
    std::vector<uint16_t> samples;
    for (uint32_t p : argb)
        for (int shift : {16, 8, 0, 24}) samples.push_back(static_cast<uint16_t>((p >> shift) & 0xFF));
    return MakePng(PngPicture(width, height, 6, 8, samples));
}

std::vector<uint32_t> SourceRow() {
    std::vector<uint32_t> row;
    for (uint32_t a : kAlphas) row.push_back(Argb(kSource, a));
    return row;
}

}  // namespace

class Alpha : public ModeTest {
protected:
    // Sprite `id` keeps alpha and holds the picture of the file `bytes`.
    void LoadAlpha(LONG id, const char* name, const Bytes& bytes) {
        WriteBytes(dir_.File(name), bytes);
        ASSERT_EQ(velk_->SpriteSetAlpha(id, 1), S_OK);
        const std::wstring wide(name, name + strlen(name));
        ASSERT_EQ(velk_->SpriteLoadFromFile(id, Bstr(wide.c_str())), S_OK);
    }
    // A plain sprite of w x h in one colour.
    void PlainSprite(LONG id, LONG w, LONG h, uint32_t colour) {
        velk_->SpriteState(id, 1);
        velk_->SpriteResize(id, w, h);
        velk_->DrawBox(0, 0, w, h, ColorOf(colour), 1, id);
    }
    LONG GetAlpha(LONG id) {
        LONG value = -1;
        velk_->SpriteGetAlpha(id, &value);
        return value;
    }
};

TEST_P(Alpha, FileAlphaIsKeptAndEveryTransferCompositesSourceOver) {
    LoadAlpha(1, "row.png", RgbaPng(6, 1, SourceRow()));
    for (int i = 0; i < 6; ++i) EXPECT_EQ(Word(1, i, 0), AlphaWord(kSource, kAlphas[i])) << "alpha " << kAlphas[i];

    // Every transfer onto a plain picture of kUnder, row 0 of sprite 3.
    const std::vector<std::pair<const char*, std::function<void()>>> transfers = {
        {"Blt", [&] { velk_->Blt(1, 0, 0, 6, 1, 3, 0, 0); }},
        {"BltStretch", [&] { velk_->BltStretch(1, 0, 0, 6, 1, 3, 0, 0, 6, 1); }},
        {"SpritePaste", [&] { velk_->SpritePaste(1, 3, 0, 0); }},
        {"SpriteCopy", [&] { velk_->SpriteCopy(1, 3); }},
        {"BltAlphaBlend 256", [&] { velk_->BltAlphaBlend(1, 0, 0, 6, 1, 3, 0, 0, 256); }},
    };
    for (const auto& transfer : transfers) {
        SCOPED_TRACE(transfer.first);
        PlainSprite(3, 8, 2, kUnder);
        transfer.second();
        for (int i = 0; i < 6; ++i) EXPECT_EQ(Pixel(i, 0, 3), ColorOf(kExpected[i].over_opaque)) << kAlphas[i];
        EXPECT_EQ(Pixel(6, 0, 3), ColorOf(kUnder));
    }
    velk_->DrawBox(0, 0, 20, 20, ColorOf(kUnder), 1, 0);
    velk_->Blt(1, 0, 0, 6, 1, 0, 4, 5);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(Pixel(4 + i, 5), ColorOf(kExpected[i].over_opaque)) << "back buffer";

    // Onto a sprite that keeps alpha: half-covered (128) and empty pixels.
    std::vector<uint32_t> under(6, Argb(kUnder, 128));
    under.resize(12, Argb(0x123456, 0));
    LoadAlpha(2, "under.png", RgbaPng(6, 2, under));
    velk_->Blt(1, 0, 0, 6, 1, 2, 0, 0);
    velk_->Blt(1, 0, 0, 6, 1, 2, 0, 1);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(Word(2, i, 0), kExpected[i].over_half) << kAlphas[i];
        EXPECT_EQ(Word(2, i, 1), kExpected[i].over_nothing) << kAlphas[i];
    }
}

TEST_P(Alpha, KeyWeightAndStretchApplyToTheSourcesAlpha) {
    // kSource opaque, the key opaque, kSource at 128, the key at 128.
    LoadAlpha(1, "keyed.png",
              RgbaPng(4, 1, {Argb(kSource, 255), Argb(kKeyGreen, 255), Argb(kSource, 128), Argb(kKeyGreen, 128)}));
    velk_->DSetColorKey(ColorOf(kKeyGreen), 1);
    PlainSprite(3, 8, 2, kUnder);
    velk_->Blt(1, 0, 0, 4, 1, 3, 0, 0);
    const LONG half = ColorOf(kExpected[3].over_opaque);
    EXPECT_EQ((std::vector<LONG>{Pixel(0, 0, 3), Pixel(1, 0, 3), Pixel(2, 0, 3), Pixel(3, 0, 3)}),
              (std::vector<LONG>{ColorOf(kSource), ColorOf(kUnder), half, ColorOf(kUnder)}));

    // The weight multiplies the alpha: 255 at 128/256 is 128; weights are held to 0..256.
    const struct {
        LONG weight;
        LONG opaque_pixel;
    } weights[] = {{128, half}, {0, ColorOf(kUnder)}, {-5, ColorOf(kUnder)}, {256, ColorOf(kSource)}, {300, ColorOf(kSource)}};
    for (const auto& w : weights) {
        PlainSprite(3, 8, 2, kUnder);
        velk_->BltAlphaBlend(1, 0, 0, 4, 1, 3, 0, 0, w.weight);
        EXPECT_EQ(Pixel(0, 0, 3), w.opaque_pixel) << "weight " << w.weight;
        EXPECT_EQ(Pixel(1, 0, 3), ColorOf(kUnder)) << "the key still counts, weight " << w.weight;
    }

    // Nearest pixel at twice the size: pixel i of the row shows source pixel i / 2.
    PlainSprite(3, 8, 2, kUnder);
    velk_->BltStretch(1, 0, 0, 4, 1, 3, 0, 0, 8, 2);
    const LONG stretched[] = {ColorOf(kSource), ColorOf(kUnder), half, ColorOf(kUnder)};
    for (LONG y = 0; y < 2; ++y)
        for (LONG x = 0; x < 8; ++x) EXPECT_EQ(Pixel(x, y, 3), stretched[x / 2]) << x << "," << y;
}

TEST_P(Alpha, TheSettingBelongsToTheSlot) {
    EXPECT_EQ(GetAlpha(1), 0) << "plain by default";
    ASSERT_EQ(velk_->SpriteSetAlpha(1, 1), S_OK);
    EXPECT_EQ(GetAlpha(1), 1) << "an empty slot keeps the setting for what comes";
    velk_->SpriteState(1, 1);
    EXPECT_EQ(Word(1, 0, 0) >> 24, 0u) << "a new picture is opaque";
    LoadAlpha(1, "clear.png", RgbaPng(2, 2, {Argb(kSource, 0), Argb(kSource, 77), Argb(kSource, 255), Argb(kUnder, 1)}));
    velk_->SpriteResize(1, 5, 4);
    EXPECT_EQ(GetAlpha(1), 1);
    EXPECT_EQ(Word(1, 0, 0), AlphaWord(kSource, 0)) << "resizing keeps the alpha";
    EXPECT_EQ(Word(1, 1, 0), AlphaWord(kSource, 77));
    EXPECT_EQ(Word(1, 4, 3) >> 24, 0u) << "the new part is opaque";

    // Other modes carry the words; this mode again at the end.
    for (LONG mode : {3 - GetParam(), GetParam()}) {
        ASSERT_TRUE(SetMode(mode));
        EXPECT_EQ(Word(1, 1, 0), AlphaWord(kSource, 77)) << "mode " << mode;
        EXPECT_EQ(Word(1, 1, 1), AlphaWord(kUnder, 1)) << "mode " << mode;
    }

    ASSERT_EQ(velk_->SpriteSetAlpha(1, 0), S_OK);
    EXPECT_EQ(GetAlpha(1), 0);
    EXPECT_EQ(Word(1, 0, 0), kSource) << "turning it off makes every pixel opaque";
    velk_->SpriteSetAlpha(1, 1);
    EXPECT_EQ(Word(1, 1, 0), kSource) << "turning it on starts opaque";
    velk_->SpriteState(1, 0);
    EXPECT_EQ(GetAlpha(1), 0) << "freeing the sprite ends it";
    velk_->SpriteState(1, 1);
    EXPECT_EQ(GetAlpha(1), 0);
}

TEST_P(Alpha, PalettesAndBitmapMasksGiveTheirAlpha) {
    PngPicture palette(3, 1, 3, 8, {0, 1, 2});
    palette.Palette = {200, 100, 50, 32, 64, 128, 1, 2, 3};
    palette.Transparency = {0, 128};  // the third entry is opaque
    LoadAlpha(1, "palette.png", MakePng(palette));
    EXPECT_EQ(Word(1, 0, 0), AlphaWord(kSource, 0));
    EXPECT_EQ(Word(1, 1, 0), AlphaWord(kUnder, 128));
    EXPECT_EQ(Word(1, 2, 0), AlphaWord(0x010203, 255));

    LoadAlpha(2, "mask.bmp", MakeBmp32Alpha(2, 2, {Argb(kSource, 10), Argb(kUnder, 255), Argb(0x0A0B0C, 0), Argb(kSource, 200)}));
    EXPECT_EQ(Word(2, 0, 0), AlphaWord(kSource, 10));
    EXPECT_EQ(Word(2, 1, 0), AlphaWord(kUnder, 255));
    EXPECT_EQ(Word(2, 0, 1), AlphaWord(0x0A0B0C, 0));
    EXPECT_EQ(Word(2, 1, 1), AlphaWord(kSource, 200));

    // A plain sprite still takes such files composited over black, as before.
    WriteBytes(dir_.File("half.png"), RgbaPng(1, 1, {Argb(kSource, 128)}));
    velk_->SpriteState(3, 1);
    velk_->SpriteLoadFromFile(3, Bstr(L"half.png"));
    EXPECT_EQ(Pixel(0, 0, 3), RGB(100, 50, 25));
    // A file without alpha is opaque in a sprite that keeps alpha.
    LoadAlpha(4, "plain.bmp", MakeBmp24(1, 1, {kUnder}));
    EXPECT_EQ(Word(4, 0, 0), kUnder);
}

TEST_P(Alpha, DrawingAndPlainSourcesWriteOpaquePixels) {
    constexpr LONG kW = 60, kH = 30;
    // Nearly clear (alpha 1): a picture whose alpha is 0 everywhere counts as one without alpha.
    LoadAlpha(1, "clear.png", RgbaPng(kW, kH, std::vector<uint32_t>(kW * kH, Argb(kUnder, 1))));
    velk_->DrawBox(2, 2, 10, 6, RGB(255, 0, 0), 1, 1);
    velk_->DrawBox(14, 2, 10, 6, RGB(0, 0, 255), 0, 1);
    velk_->DrawFill(18, 4, RGB(0, 128, 0), 1);
    velk_->DrawLine(0, 29, 59, 10, RGB(1, 2, 3), 1);
    velk_->DrawCircle(40, 10, 6, 0, 360, RGB(9, 200, 9), 1, 1);
    velk_->DrawPixel(59, 0, RGB(5, 5, 5), 1);
    velk_->DrawString(2, 12, Bstr(L"Ag"), 0, RGB(250, 250, 0), 1);
    // Every pixel is untouched (transparent) or drawn whole (opaque), never between.
    int drawn = 0;
    for (LONG y = 0; y < kH; ++y) {
        for (LONG x = 0; x < kW; ++x) {
            const uint32_t word = Word(1, x, y);
            if (word == AlphaWord(kUnder, 1)) continue;
            ASSERT_EQ(word >> 24, 0u) << x << "," << y << " holds " << std::hex << word;
            ++drawn;
        }
    }
    EXPECT_GT(drawn, 100);

    // A keyed plain sprite onto it: the key leaves the alpha picture, the rest lands opaque.
    PlainSprite(3, 3, 1, kSource);
    velk_->DrawPixel(1, 0, ColorOf(kKeyGreen), 3);
    velk_->DSetColorKey(ColorOf(kKeyGreen), 3);
    for (auto blt : {+[](VelkObject* v) { v->Blt(3, 0, 0, 3, 1, 1, 40, 25); },
                     +[](VelkObject* v) { v->BltStretch(3, 0, 0, 3, 1, 1, 40, 26, 3, 1); }}) {
        blt(velk_);
    }
    for (LONG y : {25, 26}) {
        EXPECT_EQ(Word(1, 40, y), kSource) << y;
        EXPECT_EQ(Word(1, 41, y), AlphaWord(kUnder, 1)) << y;
        EXPECT_EQ(Word(1, 42, y), kSource) << y;
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, Alpha, ::testing::Values(1, 2), [](const ::testing::TestParamInfo<LONG>& info) {
    return info.param == 1 ? std::string("Gdi") : std::string("DirectDraw");
});

// ---------------------------------------------------------------- refusals

VELK_SCENARIO(SetAlphaOnTheBackBuffer) { return ScenarioInGdiMode([](VelkObject* v) { v->SpriteSetAlpha(0, 1); }); }
VELK_SCENARIO(SetAlphaOnNine) { return ScenarioInGdiMode([](VelkObject* v) { v->SpriteSetAlpha(9, 0); }); }
VELK_SCENARIO(SetAlphaTwo) { return ScenarioInGdiMode([](VelkObject* v) { v->SpriteSetAlpha(1, 2); }); }
VELK_SCENARIO(SetAlphaMinusOne) { return ScenarioInGdiMode([](VelkObject* v) { v->SpriteSetAlpha(8, -1); }); }
VELK_SCENARIO(GetAlphaOfZero) {
    return ScenarioInGdiMode([](VelkObject* v) {
        LONG value = 0;
        v->SpriteGetAlpha(0, &value);
    });
}

TEST(AlphaErrors, EndTheProcessWithTheExactText) {
    namespace t = velk::texts;
    auto setting = [](const char* value) {
        return std::string("  [ Error ] Typ:Param  ") + t::kSubjectSpriteSetAlpha + "で正しくない値 : " + value +
               " が指定されました。\n\t\t->" + t::kAlphaSettingRange + "の範囲で許されます";
    };
    ExpectFatalEnds({
        {"SetAlphaOnTheBackBuffer", IdRangeText(t::kSubjectSpriteSetAlpha, 0, t::kSpriteRangeFromOne)},
        {"SetAlphaOnNine", IdRangeText(t::kSubjectSpriteSetAlpha, 9, t::kSpriteRangeFromOne)},
        {"SetAlphaTwo", setting("2")},
        {"SetAlphaMinusOne", setting("-1")},
        {"GetAlphaOfZero", IdRangeText(t::kSubjectSpriteGetAlpha, 0, t::kSpriteRangeFromOne)},
    });
}
