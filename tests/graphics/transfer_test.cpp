// Sprite transfers in the GDI mode and in windowed DirectDraw: copies with and
// without colour keys, scaled copies, translucent blends (on pixel memory against
// the pixel calls), the whole-sprite shorthands and the ID errors.
#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "core/texts.h"
#include "graphics/graphics_fixture.h"
#include "graphics/transfer.h"

using namespace velk_test;

namespace {
constexpr LONG kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000, kWhite = 0xFFFFFF, kKey = 0xFF00FF;

// A colour that differs from its neighbours in every channel.
LONG PatternColour(LONG x, LONG y) {
    return ((x * 37 + y * 11) & 0xFF) | ((x * 5 + y * 71) & 0xFF) << 8 | ((x + y * 3) & 0xFF) << 16;
}
}  // namespace

TEST(BlendPixel, WeightsTheSourceInSteps256AndKeepsTheLowBitsOfEachChannel) {
    EXPECT_EQ(velk::BlendPixel(0x123456, 0xABCDEF, 0), 0xABCDEFu);
    EXPECT_EQ(velk::BlendPixel(0x123456, 0xABCDEF, 256), 0x123456u);
    EXPECT_EQ(velk::BlendPixel(0xFF0000, 0x0000FF, 128), 0x7F007Fu) << "floored mean, toward minus infinity";
    EXPECT_EQ(velk::BlendPixel(0x0000FF, 0, 255), 0xFEu);
    EXPECT_EQ(velk::BlendPixel(0x0000FF, 0, 512), 0xFEu) << "510 keeps its low 8 bits";
    EXPECT_EQ(velk::BlendPixel(0x0000FF, 0, -256), 0x01u) << "-255 keeps its low 8 bits";
    EXPECT_EQ(velk::BlendPixel(0xFFFFFFFF, 0, 256), 0xFFFFFFu) << "the invalid colour reads as white";
    // Weights far beyond the 32-bit product range give the wrap-around low bits.
    const int32_t huge = 0x7FFFFFFF;
    const int32_t product32 = static_cast<int32_t>(255u * static_cast<uint32_t>(huge));
    EXPECT_EQ(velk::BlendPixel(0xFF, 0, huge), static_cast<uint32_t>(product32 >> 8) & 0xFFu);
}

TEST(ClipCopy, MovesBothRectanglesByTheCutAndRejectsWhatIsOutside) {
    LONG fx = 0, fy = 0, w = 10, h = 10, tx = -3, ty = 95;
    ASSERT_TRUE(velk::ClipCopy(&fx, &fy, &w, &h, &tx, &ty, 10, 10, 100, 100));
    EXPECT_EQ(fx, 3);
    EXPECT_EQ(tx, 0);
    EXPECT_EQ(w, 7);
    EXPECT_EQ(fy, 0);
    EXPECT_EQ(ty, 95);
    EXPECT_EQ(h, 5);

    fx = -2, fy = 8, w = 10, h = 10, tx = 50, ty = 50;
    ASSERT_TRUE(velk::ClipCopy(&fx, &fy, &w, &h, &tx, &ty, 10, 10, 100, 100));
    EXPECT_EQ(fx, 0);
    EXPECT_EQ(tx, 52);
    EXPECT_EQ(w, 8);
    EXPECT_EQ(h, 2);

    fx = 0, fy = 0, w = 10, h = 10, tx = 100, ty = 0;
    EXPECT_FALSE(velk::ClipCopy(&fx, &fy, &w, &h, &tx, &ty, 10, 10, 100, 100));
    fx = 0, fy = 0, w = 0, h = 10, tx = 0, ty = 0;
    EXPECT_FALSE(velk::ClipCopy(&fx, &fy, &w, &h, &tx, &ty, 10, 10, 100, 100));
    fx = 0, fy = 0, w = 0x7FFFFFFF, h = 10, tx = 0x7FFFFFF0, ty = 0;
    EXPECT_FALSE(velk::ClipCopy(&fx, &fy, &w, &h, &tx, &ty, 10, 10, 100, 100)) << "no overflow past the edge";
}

TEST(ClipStretch, CutsBothRectanglesByTheSameShare) {
    // 40 source pixels onto 20: a dest cut of 5 is a source cut of 10.
    RECT source{0, 0, 40, 30}, dest{-5, 90, 15, 120};
    ASSERT_TRUE(velk::ClipStretch(&source, &dest, 40, 30, 100, 100));
    EXPECT_EQ(source.left, 10);
    EXPECT_EQ(dest.left, 0);
    EXPECT_EQ(source.right, 40);
    EXPECT_EQ(dest.right, 15);
    EXPECT_EQ(dest.bottom, 100);
    EXPECT_EQ(source.bottom, 10) << "20 of 30 dest rows cut: 20 source rows";

    // A source leaving its picture cuts the destination: 10 onto 30 from x = -2.
    source = {-2, 0, 8, 10};
    dest = {0, 0, 30, 10};
    ASSERT_TRUE(velk::ClipStretch(&source, &dest, 40, 30, 100, 100));
    EXPECT_EQ(source.left, 0);
    EXPECT_EQ(dest.left, 6);

    source = {0, 0, 10, 10};
    dest = {100, 0, 120, 10};
    EXPECT_FALSE(velk::ClipStretch(&source, &dest, 40, 30, 100, 100));
    source = {10, 0, 0, 10};
    dest = {0, 0, 10, 10};
    EXPECT_FALSE(velk::ClipStretch(&source, &dest, 40, 30, 100, 100)) << "a mirrored source is refused";
}

class Transfers : public ModeTest {
protected:
    // Sprite 1: 40 x 30 pattern; sprite 2: 100 x 100 white.
    void SetUp() override {
        ModeTest::SetUp();
        velk_->SpriteState(1, 1);
        velk_->SpriteResize(1, 40, 30);
        for (LONG y = 0; y < 30; ++y)
            for (LONG x = 0; x < 40; ++x) velk_->DrawPixel(x, y, PatternColour(x, y), 1);
        velk_->SpriteState(2, 1);
        velk_->SpriteResize(2, 100, 100);
        velk_->DrawBox(0, 0, 100, 100, kWhite, 1, 2);
    }

    // Sprites 2 and 3 (made here), both 100 x 100, hold one random picture: one
    // is given to the member, the other to the platform's own calls.
    void TwinRandomPictures(std::mt19937& random) {
        for (LONG y = 0; y < 100; ++y)
            for (LONG x = 0; x < 100; x += 1 + static_cast<LONG>(random() % 3))
                velk_->DrawPixel(x, y, static_cast<LONG>(random() & 0xFFFFFF), 2);
        velk_->SpriteState(3, 1);
        velk_->SpriteResize(3, 100, 100);
        velk_->Blt(2, 0, 0, 100, 100, 3, 0, 0);
    }
};

INSTANTIATE_TEST_SUITE_P(Modes, Transfers, ::testing::Values(1, 2),
                         [](const ::testing::TestParamInfo<LONG>& info) {
                             return info.param == 1 ? std::string("Gdi") : std::string("DirectDraw");
                         });

TEST_P(Transfers, BltCopiesTheAreaAndLeavesTheRest) {
    EXPECT_EQ(velk_->Blt(1, 5, 6, 10, 8, 2, 20, 30), S_OK);
    for (LONG y = 28; y < 40; ++y)
        for (LONG x = 18; x < 32; ++x) {
            const bool inside = x >= 20 && x < 30 && y >= 30 && y < 38;
            ASSERT_EQ(Pixel(x, y, 2), inside ? PatternColour(x - 15, y - 24) : kWhite) << x << "," << y;
        }
}

TEST_P(Transfers, KeyColouredPixelsLetTheDestinationShowThrough) {
    velk_->DrawBox(10, 10, 5, 5, kKey, 1, 1);
    velk_->DrawPixel(0, 0, kKey, 1);
    velk_->DSetColorKey(kKey, 1);
    velk_->DrawBox(0, 0, 100, 100, kBlue, 1, 2);
    velk_->Blt(1, 0, 0, 40, 30, 2, 50, 50);
    for (LONG y = 0; y < 30; ++y)
        for (LONG x = 0; x < 40; ++x) {
            const bool key = (x >= 10 && x < 15 && y >= 10 && y < 15) || (x == 0 && y == 0);
            ASSERT_EQ(Pixel(50 + x, 50 + y, 2), key ? kBlue : PatternColour(x, y)) << x << "," << y;
        }
}

TEST_P(Transfers, ASpriteAtTheEdgeShowsItsInsidePartInEveryMode) {
    velk_->Blt(1, 0, 0, 40, 30, 2, 80, -10);
    EXPECT_EQ(Pixel(80, 0, 2), PatternColour(0, 10));
    EXPECT_EQ(Pixel(99, 19, 2), PatternColour(19, 29));
    EXPECT_EQ(Pixel(79, 0, 2), kWhite);
    EXPECT_EQ(Pixel(80, 20, 2), kWhite);
    velk_->Blt(1, 30, 0, 20, 10, 2, 0, 50);  // the source's right edge is at 40
    EXPECT_EQ(Pixel(9, 50, 2), PatternColour(39, 0));
}

TEST_P(Transfers, StretchHalvesThePictureAndKeepsItsTransparency) {
    // Left half red, right half a key-coloured block inside green.
    velk_->DrawBox(0, 0, 20, 30, kRed, 1, 1);
    velk_->DrawBox(20, 0, 20, 30, kGreen, 1, 1);
    velk_->DrawBox(24, 10, 12, 10, kKey, 1, 1);
    velk_->DSetColorKey(kKey, 1);
    velk_->DrawBox(0, 0, 100, 100, kBlue, 1, 2);
    velk_->BltStretch(1, 0, 0, 40, 30, 2, 10, 10, 20, 30);
    EXPECT_EQ(Pixel(12, 20, 2), kRed);
    EXPECT_EQ(Pixel(18, 20, 2), kRed);
    EXPECT_EQ(Pixel(21, 12, 2), kGreen);
    EXPECT_EQ(Pixel(28, 35, 2), kGreen);
    EXPECT_EQ(Pixel(25, 25, 2), kBlue) << "the key block, halved, stays transparent";
    EXPECT_EQ(Pixel(30, 20, 2), kBlue) << "right of the stretched picture";
    EXPECT_EQ(Pixel(20, 40, 2), kBlue) << "below it";
}

TEST_P(Transfers, AStretchedSpriteAtTheEdgeShowsItsInsidePart) {
    velk_->DrawBox(0, 0, 20, 30, kRed, 1, 1);
    velk_->DrawBox(20, 0, 20, 30, kGreen, 1, 1);
    velk_->BltStretch(1, 0, 0, 40, 30, 2, -10, 80, 80, 60);  // doubled, hanging over two edges
    EXPECT_EQ(Pixel(0, 85, 2), kRed);
    EXPECT_EQ(Pixel(25, 99, 2), kRed);
    EXPECT_EQ(Pixel(35, 85, 2), kGreen);
    EXPECT_EQ(Pixel(69, 99, 2), kGreen);
    EXPECT_EQ(Pixel(70, 85, 2), kWhite);
    EXPECT_EQ(Pixel(35, 79, 2), kWhite);
}

TEST_P(Transfers, AlphaBlendWeightsSourceOverDestination) {
    velk_->DrawBox(0, 0, 10, 10, kBlue, 1, 1);
    velk_->DrawBox(0, 0, 100, 100, kRed, 1, 2);
    velk_->BltAlphaBlend(1, 0, 0, 10, 10, 2, 0, 0, 0);
    EXPECT_EQ(Pixel(5, 5, 2), kRed);
    velk_->BltAlphaBlend(1, 0, 0, 10, 10, 2, 0, 0, 128);
    EXPECT_EQ(Pixel(5, 5, 2), 0x7F007F);
    EXPECT_EQ(Pixel(10, 5, 2), kRed);
    velk_->BltAlphaBlend(1, 0, 0, 10, 10, 2, 20, 20, 256);
    EXPECT_EQ(Pixel(29, 29, 2), kBlue);
    velk_->BltAlphaBlend(1, 0, 0, 0, 10, 2, 40, 40, 256);
    velk_->BltAlphaBlend(1, 0, 0, 10, -1, 2, 40, 40, 256);
    EXPECT_EQ(Pixel(40, 40, 2), kRed) << "an empty area writes nothing";
}

TEST_P(Transfers, BlendOnMemoryGivesThePixelCallPicture) {
    // Sprites 2 and 3 hold the same random picture; the member blends into 2, the
    // pixel calls into 3 over the part of the area inside both sprites. Areas
    // partly outside the source, partly outside the destination, one pixel, an
    // odd width, and overlaps within one sprite.
    std::mt19937 random(78);
    TwinRandomPictures(random);
    struct Case { LONG fx, fy, w, h, tx, ty, alpha; bool self; };
    const Case cases[] = {{-5, 20, 31, 25, 3, 4, 77, false}, {10, 10, 50, 40, 70, 80, 200, false},
                          {0, 20, 40, 30, -10, -5, 300, false}, {7, 9, 1, 1, 99, 99, -90, false},
                          {5, 5, 51, 50, 15, 12, 100, true}, {20, 20, 33, 30, 11, 14, 255, true}};
    const LONG rows = GetParam() == 1 ? 200 : 100;
    for (Case c : cases) {
        SCOPED_TRACE(c.alpha);
        velk_->BltAlphaBlend(c.self ? 2 : 1, c.fx, c.fy, c.w, c.h, 2, c.tx, c.ty, c.alpha);
        const velk::SpriteSlot& from = velk_->SpriteTable[c.self ? 2 : 1];
        ASSERT_TRUE(velk::ClipCopy(&c.fx, &c.fy, &c.w, &c.h, &c.tx, &c.ty, from.Width, from.Height, 100, 100));
        {
            // A surface hands out one context at a time, so a blend within one sprite uses one.
            velk::SpriteContext dest(velk_->SpriteTable[3]);
            std::unique_ptr<velk::SpriteContext> other;
            if (!c.self) other = std::make_unique<velk::SpriteContext>(velk_->SpriteTable[1]);
            velk::AlphaBlendPixelByPixel(c.self ? dest.get() : other->get(), c.fx, c.fy, c.w, c.h, dest, c.tx, c.ty,
                                         c.alpha);
        }
        ASSERT_EQ(PlatformPicture(2, rows), PlatformPicture(3, rows));
    }
}

TEST_P(Transfers, BlendHonoursTheDestinationsLogicalOrigin) {
    // Such a context is left to the pixel calls, which work in logical units.
    velk_->DSetOrigin(-10, -10, 2);
    velk_->BltAlphaBlend(1, 0, 0, 5, 5, 2, 0, 0, 256);
    velk_->DSetOrigin(0, 0, 2);
    EXPECT_EQ(PlatformPixel(2, 10, 10), static_cast<COLORREF>(PatternColour(0, 0)));
    EXPECT_EQ(PlatformPixel(2, 14, 14), static_cast<COLORREF>(PatternColour(4, 4)));
    EXPECT_EQ(PlatformPixel(2, 0, 0), static_cast<COLORREF>(kWhite));
}

TEST_P(Transfers, ASpriteBlendsOntoItself) {
    velk_->BltAlphaBlend(1, 0, 0, 10, 10, 1, 20, 15, 256);
    EXPECT_EQ(Pixel(20, 15, 1), PatternColour(0, 0));
    EXPECT_EQ(Pixel(29, 24, 1), PatternColour(9, 9));
    // Overlapping: the original source pixels are blended, not those just written.
    velk_->BltAlphaBlend(1, 0, 0, 10, 1, 1, 1, 0, 256);
    for (LONG x = 1; x <= 10; ++x) ASSERT_EQ(Pixel(x, 0, 1), PatternColour(x - 1, 0)) << x;
}

TEST_P(Transfers, SpriteCopyAndPasteMoveTheWholeSprite) {
    velk_->SpriteState(3, 1);
    velk_->SpriteResize(3, 20, 20);
    velk_->SpriteCopy(1, 3);
    EXPECT_EQ(velk_->SpriteTable[3].Width, 20);
    EXPECT_EQ(velk_->SpriteTable[3].Height, 20);
    EXPECT_EQ(Pixel(0, 0, 3), PatternColour(0, 0));
    EXPECT_EQ(Pixel(19, 19, 3), PatternColour(19, 19));

    velk_->SpritePaste(1, 2, 60, 70);
    EXPECT_EQ(Pixel(60, 70, 2), PatternColour(0, 0));
    EXPECT_EQ(Pixel(99, 99, 2), PatternColour(39, 29));
    EXPECT_EQ(Pixel(59, 70, 2), kWhite);
    velk_->SpritePaste(3, 0, 0, 0);
    EXPECT_EQ(Pixel(19, 19, 0), PatternColour(19, 19));
}

TEST_F(GraphicsTest, SpritesMadeBeforeAnyModeTransferAsGdiSprites) {
    velk_->SpriteState(1, 1);
    velk_->SpriteState(2, 1);
    velk_->SpriteResize(1, 4, 4);
    velk_->SpriteResize(2, 4, 4);
    velk_->DrawBox(0, 0, 4, 4, kRed, 1, 1);
    velk_->Blt(1, 0, 0, 2, 2, 2, 1, 1);
    EXPECT_EQ(Pixel(1, 1, 2), kRed);
    EXPECT_EQ(Pixel(3, 3, 2), static_cast<LONG>(GetSysColor(COLOR_BTNFACE)));
}

// ---------------------------------------------------------------- fatal paths

VELK_SCENARIO(BltFromNineBeforeToRange) { return ScenarioInGdiMode([](VelkObject* v) { v->Blt(9, 0, 0, 1, 1, -1, 0, 0); }); }
VELK_SCENARIO(BltToRangeBeforeFromEmpty) { return ScenarioInGdiMode([](VelkObject* v) { v->Blt(4, 0, 0, 1, 1, 9, 0, 0); }); }
VELK_SCENARIO(BltFromEmptyBeforeToEmpty) { return ScenarioInGdiMode([](VelkObject* v) { v->Blt(4, 0, 0, 1, 1, 5, 0, 0); }); }
VELK_SCENARIO(BltToEmpty) { return ScenarioInGdiMode([](VelkObject* v) { v->Blt(0, 0, 0, 1, 1, 5, 0, 0); }); }
VELK_SCENARIO(StretchFromNine) {
    return ScenarioInGdiMode([](VelkObject* v) { v->BltStretch(9, 0, 0, 1, 1, 0, 0, 0, 1, 1); });
}
VELK_SCENARIO(StretchToEmpty) {
    return ScenarioInGdiMode([](VelkObject* v) { v->BltStretch(0, 0, 0, 1, 1, 6, 0, 0, 1, 1); });
}
VELK_SCENARIO(AlphaToMinusOne) { return ScenarioInGdiMode([](VelkObject* v) { v->BltAlphaBlend(0, 0, 0, 1, 1, -1, 0, 0, 1); }); }
VELK_SCENARIO(AlphaFromEmpty) { return ScenarioInGdiMode([](VelkObject* v) { v->BltAlphaBlend(7, 0, 0, 1, 1, 0, 0, 0, 1); }); }
VELK_SCENARIO(CopyFromNine) { return ScenarioInGdiMode([](VelkObject* v) { v->SpriteCopy(9, 0); }); }
VELK_SCENARIO(CopyFromEmpty) { return ScenarioInGdiMode([](VelkObject* v) { v->SpriteCopy(3, 0); }); }
VELK_SCENARIO(PasteToNine) { return ScenarioInGdiMode([](VelkObject* v) { v->SpritePaste(0, 9, 0, 0); }); }
VELK_SCENARIO(PasteToEmpty) { return ScenarioInGdiMode([](VelkObject* v) { v->SpritePaste(0, 8, 0, 0); }); }
VELK_SCENARIO(BltBeforeAnyMode) {
    VelkObject* velk = CreateCoreObject();
    velk->Logging();
    velk->Blt(0, 0, 0, 1, 1, 0, 0, 0);
    return 0;
}

TEST(TransferIdErrors, EndTheProcessWithTheExactText) {
    namespace t = velk::texts;
    const std::vector<FatalCase> cases = {
        {"BltFromNineBeforeToRange", IdRangeText(t::kSubjectBltFrom, 9)},
        {"BltToRangeBeforeFromEmpty", IdRangeText(t::kSubjectBltTo, 9)},
        {"BltFromEmptyBeforeToEmpty", IdEmptyText(t::kSubjectBltFrom, 4)},
        {"BltToEmpty", IdEmptyText(t::kSubjectBltTo, 5)},
        {"StretchFromNine", IdRangeText("BltStretch　FromスプライトID", 9)},
        {"StretchToEmpty", IdEmptyText("BltStretch　ToスプライトID", 6)},
        {"AlphaToMinusOne", IdRangeText("BltAlpha　ToスプライトID", -1)},
        {"AlphaFromEmpty", IdEmptyText("BltAlpha　FromスプライトID", 7)},
        {"CopyFromNine", IdRangeText("SpriteCopy　FromスプライトID", 9)},
        {"CopyFromEmpty", IdEmptyText("Blt　FromスプライトID", 3)},
        {"PasteToNine", IdRangeText("SpritePaste　ToスプライトID", 9)},
        {"PasteToEmpty", IdEmptyText("Blt　ToスプライトID", 8)},
        {"BltBeforeAnyMode", IdEmptyText("Blt　FromスプライトID", 0)},
    };
    ExpectFatalEnds(cases);
}

TEST_P(Transfers, BltWithinOneSpriteCopiesItsOwnPixels) {
    velk_->Blt(1, 0, 0, 10, 10, 1, 25, 15);
    EXPECT_EQ(Pixel(25, 15, 1), PatternColour(0, 0));
    EXPECT_EQ(Pixel(34, 24, 1), PatternColour(9, 9));
    velk_->Blt(1, 0, 0, 10, 1, 1, 2, 0);  // overlapping
    for (LONG x = 2; x < 12; ++x) ASSERT_EQ(Pixel(x, 0, 1), PatternColour(x - 2, 0)) << x;
}

// ---------------------------------------------------------------- edges, keys and origins

namespace {
// Sprite 3: 20 x 10 red, its lower-left quarter (10 x 5 from (0, 5)) key-coloured and keyed.
void MakeKeyedSprite(VelkObject* velk) {
    velk->SpriteState(3, 0);
    velk->SpriteState(3, 1);
    velk->SpriteResize(3, 20, 10);
    velk->DrawBox(0, 0, 20, 10, kRed, 1, 3);
    velk->DrawBox(0, 5, 10, 5, kKey, 1, 3);
    velk->DSetColorKey(kKey, 3);
}
}  // namespace

TEST_P(Transfers, NothingDrawnPastTheBottomOfAKeyedSpriteReachesItsTransparency) {
    // Each drawing runs from row 8 of sprite 3 down past its bottom, where a GDI
    // sprite keeps its mask; rows 5 to 7 of the key block must stay transparent.
    struct Case {
        const char* what;
        void (*draw)(VelkObject*);
    };
    const Case cases[] = {
        {"SpritePaste", [](VelkObject* v) { v->SpritePaste(1, 3, 0, 8); }},
        {"Blt", [](VelkObject* v) { v->Blt(1, 0, 0, 40, 30, 3, 0, 8); }},
        {"BltStretch", [](VelkObject* v) { v->BltStretch(1, 0, 0, 40, 30, 3, 0, 8, 20, 20); }},
        {"BltAlphaBlend", [](VelkObject* v) { v->BltAlphaBlend(1, 0, 0, 40, 30, 3, 0, 8, 256); }},
        {"DrawBox", [](VelkObject* v) { v->DrawBox(0, 8, 20, 20, kGreen, 1, 3); }},
        {"DrawPixel", [](VelkObject* v) { v->DrawPixel(0, 15, kGreen, 3); }},
        {"DrawCircle", [](VelkObject* v) { v->DrawCircle(5, 14, 6, 0, 360, kGreen, 1, 3); }},
        {"DrawString", [](VelkObject* v) {
             BSTR text = SysAllocString(L"MMMMMM");
             v->DrawString(0, 8, text, 0, kGreen, 3);
             SysFreeString(text);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MakeKeyedSprite(velk_);
        c.draw(velk_);
        velk_->DrawBox(0, 0, 100, 100, kBlue, 1, 2);
        velk_->Blt(3, 0, 0, 20, 20, 2, 0, 0);  // a source running past the bottom
        for (LONG y = 5; y < 8; ++y)
            for (LONG x = 0; x < 10; ++x) ASSERT_EQ(Pixel(x, y, 2), kBlue) << x << "," << y;
        EXPECT_EQ(Pixel(15, 2, 2), kRed);
        for (LONG y = 10; y < 20; ++y)
            for (LONG x = 0; x < 20; ++x) ASSERT_EQ(Pixel(x, y, 2), kBlue) << "nothing read below, " << x << "," << y;
        EXPECT_EQ(Pixel(0, 10, 3), -1) << "below the picture there is no pixel";
    }
}

TEST_P(Transfers, AKeySetAgainKeepsWhatIsTransparentAndAddsWhatHasTheKeyNow) {
    MakeKeyedSprite(velk_);
    velk_->DrawBox(15, 0, 5, 5, kKey, 1, 3);  // key-coloured since the key was set
    velk_->DrawPixel(0, 9, kWhite, 3);        // drawn over a transparent pixel
    velk_->DSetColorKey(kKey, 3);
    velk_->DrawBox(10, 0, 5, 5, kGreen, 1, 3);
    velk_->DSetColorKey(kGreen, 3);  // another key: the earlier ones stay transparent
    velk_->DrawBox(0, 0, 100, 100, kBlue, 1, 2);
    velk_->Blt(3, 0, 0, 20, 10, 2, 0, 0);
    for (LONG y = 0; y < 10; ++y)
        for (LONG x = 0; x < 20; ++x) {
            const bool transparent = (x < 10 && y >= 5 && !(x == 0 && y == 9)) || (x >= 10 && y < 5);
            const LONG expected = transparent ? kBlue : x == 0 && y == 9 ? kWhite : kRed;
            ASSERT_EQ(Pixel(x, y, 2), expected) << x << "," << y;
        }
}

TEST_P(Transfers, TheDestinationsOriginMovesEveryTransferAndAbsurdSizesAreClipped) {
    // Sprite 2's origin at (-10, -20): logical (0, 0) is pixel (10, 20). Each row
    // names the pixels it may change (all of them changed, unless `some`).
    struct Case {
        const char* what;
        void (*transfer)(VelkObject*);
        RECT changed;
        bool some;
    };
    const Case cases[] = {
        {"Blt", [](VelkObject* v) { v->Blt(1, 0, 0, 40, 30, 2, 0, 0); }, {10, 20, 50, 50}, false},
        {"BltStretch", [](VelkObject* v) { v->BltStretch(1, 0, 0, 40, 30, 2, 0, 0, 20, 15); }, {10, 20, 30, 35}, false},
        {"SpriteCopy", [](VelkObject* v) { v->SpriteCopy(1, 2); }, {10, 20, 50, 50}, false},
        {"SpritePaste", [](VelkObject* v) { v->SpritePaste(1, 2, 5, 5); }, {15, 25, 55, 55}, false},
        {"BltAlphaBlend", [](VelkObject* v) { v->BltAlphaBlend(1, 0, 0, 40, 30, 2, 0, 0, 256); }, {10, 20, 50, 50}, false},
        {"Blt from far left", [](VelkObject* v) { v->Blt(1, -2000000000, 0, 2000000040, 30, 2, -2000000000, 0); },
         {10, 20, 50, 50}, false},
        {"Blt to far away", [](VelkObject* v) { v->Blt(1, 0, 0, LONG_MAX, LONG_MAX, 2, LONG_MIN, LONG_MIN); }, {}, false},
        {"BltStretch of one pixel over everything",
         [](VelkObject* v) { v->BltStretch(1, 0, 0, 40, 30, 2, -1000000000, -1000000000, 2000000000, 2000000000); },
         {0, 0, 100, 100}, false},
        {"BltAlphaBlend from past the source",
         [](VelkObject* v) { v->BltAlphaBlend(1, 42, 2, 7145189, 366, 2, 36, 37, 8270142); }, {}, false},
        {"BltAlphaBlend of the largest area",
         [](VelkObject* v) { v->BltAlphaBlend(1, 0, 0, LONG_MAX, LONG_MAX, 2, 0, 0, 100); }, {10, 20, 50, 50}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        velk_->DSetOrigin(0, 0, 2);
        velk_->DrawBox(0, 0, 100, 100, kWhite, 1, 2);
        velk_->DSetOrigin(-10, -20, 2);
        c.transfer(velk_);
        velk_->DSetOrigin(0, 0, 2);
        int changed = 0, inside = 0;
        for (LONG y = 0; y < 100; ++y)
            for (LONG x = 0; x < 100; ++x) {
                const bool in = x >= c.changed.left && x < c.changed.right && y >= c.changed.top && y < c.changed.bottom;
                const bool white = Pixel(x, y, 2) == kWhite;
                ASSERT_TRUE(in || white) << "changed outside: " << x << "," << y;
                inside += in;
                changed += in && !white;
            }
        if (c.some) {
            EXPECT_GT(changed, 0);
        } else {
            EXPECT_EQ(changed, inside);
        }
    }
}

// ---------------------------------------------------------------- copies on pixel memory

TEST_P(Transfers, CopiesOnPixelMemoryGiveThePlatformsPicture) {
    // Sprites 2 and 3 hold one random picture; each case copies from sprite 1
    // into 2 through the member and into 3 through the platform's own copy of
    // the same clipped rectangles. Without the key first, then with it (and a
    // pixel drawn over a transparent one since).
    std::mt19937 random(91);
    const LONG palette[] = {kKey, kRed, kGreen, kBlue, kWhite, 0, 0x123456};
    for (LONG y = 0; y < 30; ++y)
        for (LONG x = 0; x < 40; ++x) velk_->DrawPixel(x, y, palette[random() % 7], 1);
    TwinRandomPictures(random);

    struct Case { LONG fx, fy, w, h, tx, ty; };
    const Case cases[] = {{0, 0, 40, 30, 10, 20},   {0, 0, 40, 30, -7, -3},  {3, 2, 37, 28, 70, 81},
                          {-5, -4, 40, 30, 30, 30}, {20, 10, 40, 40, 0, 0},  {7, 9, 1, 1, 99, 99},
                          {1, 1, 13, 5, 50, 0},     {0, 0, 0, 30, 5, 5},     {0, 25, 40, 30, 60, 10}};
    const LONG rows = GetParam() == 1 ? 200 : 100;  // a GDI sprite's mask rows too
    velk::SpriteSlot& from = velk_->SpriteTable[1];
    velk::SpriteSlot& to = velk_->SpriteTable[3];
    for (bool keyed : {false, true}) {
        if (keyed) {
            velk_->DSetColorKey(kKey, 1);
            velk_->DrawPixel(0, 0, kGreen, 1);
        }
        for (Case c : cases) {
            SCOPED_TRACE(testing::Message() << (keyed ? "keyed " : "") << c.fx << "," << c.fy << " " << c.w << "x"
                                            << c.h << " to " << c.tx << "," << c.ty);
            velk_->Blt(1, c.fx, c.fy, c.w, c.h, 2, c.tx, c.ty);
            if (velk::ClipCopy(&c.fx, &c.fy, &c.w, &c.h, &c.tx, &c.ty, from.Width, from.Height, to.Width, to.Height)) {
                if (GetParam() == 1) {
                    if (keyed) BitBlt(to.MemoryDC, c.tx, c.ty, c.w, c.h, from.MemoryDC, c.fx, c.fy + from.Height, SRCAND);
                    BitBlt(to.MemoryDC, c.tx, c.ty, c.w, c.h, from.MemoryDC, c.fx, c.fy, keyed ? SRCPAINT : SRCCOPY);
                } else {
                    velk::ReleaseHeldLock(from);
                    velk::ReleaseHeldLock(to);
                    RECT s{c.fx, c.fy, c.fx + c.w, c.fy + c.h}, d{c.tx, c.ty, c.tx + c.w, c.ty + c.h};
                    ASSERT_EQ(to.Surface->Blt(&d, from.Surface, &s, DDBLT_DONOTWAIT | (keyed ? DDBLT_KEYSRC : 0), nullptr),
                              DD_OK);
                }
            }
            ASSERT_EQ(PlatformPicture(2, rows), PlatformPicture(3, rows));
        }
    }
}

TEST_P(Transfers, EveryOtherUseOfASpriteSeesWhatACopyOnMemoryLeft) {
    // A copy may keep both surfaces locked for the next one; each later use of
    // either sprite must find the copied picture, and its own work done.
    struct Case {
        const char* what;
        void (*use)(VelkObject*);
        LONG sprite, x, y, expected;
    };
    const Case cases[] = {
        {"drawn on", [](VelkObject* v) { v->DrawBox(0, 0, 5, 5, kGreen, 1, 2); }, 2, 2, 2, kGreen},
        {"copied on through the platform",
         [](VelkObject* v) { v->BltStretch(2, 50, 50, 40, 30, 3, 0, 0, 20, 15); }, 3, 0, 0, PatternColour(0, 0)},
        {"copied onto through the platform",
         [](VelkObject* v) { v->BltStretch(1, 0, 0, 40, 30, 2, 0, 0, 20, 15); }, 2, 0, 0, PatternColour(0, 0)},
        {"blended from", [](VelkObject* v) { v->BltAlphaBlend(2, 50, 50, 10, 10, 3, 0, 0, 256); }, 3, 9, 9,
         PatternColour(9, 9)},
        {"resized", [](VelkObject* v) { v->SpriteResize(2, 90, 90); }, 2, 89, 79, PatternColour(39, 29)},
        {"taken into the other mode", [](VelkObject* v) { v->Graphics(3 - v->GraphicsMode); }, 2, 50, 50,
         PatternColour(0, 0)},
        {"the source drawn on", [](VelkObject* v) { v->DrawPixel(0, 0, kGreen, 1); }, 1, 0, 0, kGreen},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (velk_->GraphicsMode != GetParam()) SetMode(GetParam());
        velk_->SpriteState(3, 0);
        velk_->SpriteState(3, 1);
        velk_->SpriteResize(3, 20, 20);
        velk_->Blt(1, 0, 0, 40, 30, 2, 50, 50);
        c.use(velk_);
        EXPECT_EQ(Pixel(c.x, c.y, c.sprite), c.expected);
    }
    // The back buffer reaches the window.
    if (velk_->GraphicsMode != GetParam()) SetMode(GetParam());
    velk_->SpritePaste(1, 0, 100, 100);
    velk_->Refresh();
    HDC window = GetDC(window_);
    EXPECT_EQ(GetPixel(window, 101, 102), static_cast<COLORREF>(PatternColour(1, 2)));
    ReleaseDC(window_, window);
}
