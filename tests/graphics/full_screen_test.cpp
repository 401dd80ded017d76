// Mode 3 for real: on a display of exactly 640 x 480 x 16 (the test bed's second
// display) the full-screen switch succeeds, and sprites are 16-bit surfaces.
// Elsewhere the display refuses the mode and these tests are skipped, unless the
// bed says that it is such a display (VELK_REQUIRE_FULLSCREEN).
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "graphics/graphics_fixture.h"
#include "graphics/rotation_checks.h"
#include "graphics/transfer.h"
#include "support/bstr.h"
#include "support/image_file.h"

using namespace velk_test;

namespace {
// Colours that 5-6-5 pixels hold exactly, and one that they do not.
constexpr LONG kRed = 0x0000FF, kBlue = 0xFF0000, kGreen = 0x00FF00, kOddKey = 0x123456;

int BitsPerPixel(IDirectDrawSurface7* surface) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    surface->GetSurfaceDesc(&desc);
    return static_cast<int>(desc.ddpfPixelFormat.dwRGBBitCount);
}
// A 16-bit pixel of a surface as it is stored.
uint16_t RawPixel(IDirectDrawSurface7* surface, LONG x, LONG y) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    if (FAILED(surface->Lock(nullptr, &desc, DDLOCK_WAIT | DDLOCK_READONLY, nullptr))) return 0xDEAD;
    const auto* row = static_cast<const uint8_t*>(desc.lpSurface) + static_cast<size_t>(y) * desc.lPitch;
    const uint16_t value = reinterpret_cast<const uint16_t*>(row)[x];
    surface->Unlock(nullptr);
    return value;
}
}  // namespace

class FullScreen : public GraphicsTest {
protected:
    void SetUp() override {
        GraphicsTest::SetUp();
        if (SetMode(3)) return;
        if (getenv("VELK_REQUIRE_FULLSCREEN")) FAIL() << "the full-screen test display refused mode 3";
        GTEST_SKIP() << "this display offers no 640 x 480 x 16 mode";
    }
    // Sprite `id`: w x h of `color` with a 2 x 2 block of `key` at (1, 1).
    void KeyedSprite(LONG id, LONG w, LONG h, LONG color, LONG key) {
        velk_->SpriteState(id, 1);
        velk_->SpriteResize(id, w, h);
        velk_->DrawBox(0, 0, w, h, color, 1, id);
        velk_->DrawBox(1, 1, 2, 2, key, 1, id);
        velk_->DSetColorKey(key, id);
    }
};

TEST_F(FullScreen, TheWindowTakesTheScreenAndSpritesAre16BitSurfaces) {
    EXPECT_FALSE(GetWindowLongA(window_, GWL_STYLE) & WS_CAPTION & ~WS_BORDER);
    RECT client{};
    GetClientRect(window_, &client);
    EXPECT_EQ(client.right, 640);
    EXPECT_EQ(client.bottom, 480);
    ASSERT_NE(velk_->PrimarySurface, nullptr);
    EXPECT_EQ(BitsPerPixel(velk_->PrimarySurface), 16);
    velk_->SpriteState(1, 1);
    EXPECT_EQ(BitsPerPixel(velk_->SpriteTable[1].Surface), 16);
    EXPECT_EQ(BitsPerPixel(velk_->SpriteTable[0].Surface), 16);
    EXPECT_EQ(Pixel(320, 240), 0) << "the back buffer is cleared";
    velk_->DrawBox(0, 0, 8, 8, kGreen, 1, 0);
    EXPECT_EQ(Pixel(7, 7), kGreen);
    velk_->Refresh();
}

TEST_F(FullScreen, KeysAndBlendsAt16Bits) {
    KeyedSprite(1, 6, 5, kRed, kOddKey);
    velk_->DrawBox(0, 0, 20, 20, kBlue, 1, 0);
    velk_->Blt(1, 0, 0, 6, 5, 0, 10, 10);
    EXPECT_EQ(Pixel(11, 11), kBlue) << "a key that 16 bits cannot hold exactly still matches";
    EXPECT_EQ(Pixel(12, 12), kBlue);
    EXPECT_EQ(Pixel(10, 10), kRed);
    EXPECT_EQ(Pixel(15, 14), kRed);

    // The blend against the pixel calls on an equal copy: same picture (the
    // member first cuts the area to what lies inside both sprites).
    velk_->SpriteState(2, 1);
    velk_->SpriteState(3, 1);
    for (LONG id : {2, 3}) {
        velk_->SpriteResize(id, 31, 17);
        for (LONG y = 0; y < 17; ++y) velk_->DrawLine(0, y, 31, 16 - y, 0x0813F0 * (y + 1), id);
    }
    velk_->BltAlphaBlend(1, -2, 0, 9, 5, 2, 25, 14, 100);
    velk_->BltAlphaBlend(2, 0, 0, 20, 9, 2, 5, 3, 200);
    {
        velk::SpriteContext dest(velk_->SpriteTable[3]);
        velk::SpriteContext source(velk_->SpriteTable[1]);
        velk::AlphaBlendPixelByPixel(source, 0, 0, 4, 3, dest, 27, 14, 100);
    }
    {
        velk::SpriteContext dest(velk_->SpriteTable[3]);
        velk::AlphaBlendPixelByPixel(dest, 0, 0, 20, 9, dest, 5, 3, 200);
    }
    EXPECT_EQ(PlatformPicture(2, 17), PlatformPicture(3, 17));
    velk_->BltAlphaBlend(1, 0, 0, 1, 1, 0, 0, 0, 256);
    EXPECT_EQ(Pixel(0, 0), kRed) << "weight 256 copies exactly";
}

TEST_F(FullScreen, PicturesAndKeysGoFrom16BitsToGdiAndBack) {
    KeyedSprite(1, 6, 5, kGreen, kOddKey);
    velk_->DrawPixel(5, 4, kRed, 1);
    for (LONG mode : {1, 3, 2, 3}) {
        SCOPED_TRACE(mode);
        ASSERT_TRUE(SetMode(mode));
        EXPECT_EQ(velk_->SpriteTable[1].ColorKey, kOddKey);
        EXPECT_EQ(Pixel(0, 0, 1), kGreen);
        EXPECT_EQ(Pixel(5, 4, 1), kRed);
        velk_->DrawBox(0, 0, 20, 20, kBlue, 1, 0);
        velk_->Blt(1, 0, 0, 6, 5, 0, 10, 10);
        EXPECT_EQ(Pixel(11, 11), kBlue) << "the key pixels stay transparent";
        EXPECT_EQ(Pixel(12, 12), kBlue);
        EXPECT_EQ(Pixel(13, 13), kGreen);
    }
}

// Sprites that keep alpha are 32-bit surfaces on the 16-bit display; over a
// 16-bit picture each result is stored as the platform stores that colour.
TEST_F(FullScreen, AlphaSpritesKeepAlphaAndCompositeOnto16Bits) {
    // Colour (200, 100, 50) at alphas 0, 128 and 255, then the key colour.
    std::vector<uint16_t> samples = {200, 100, 50, 0, 200, 100, 50, 128, 200, 100, 50, 255, 0, 255, 0, 255};
    WriteBytes(dir_.File("alpha.png"), MakePng(PngPicture(4, 1, 6, 8, samples)));
    velk_->SpriteSetAlpha(1, 1);
    ASSERT_EQ(velk_->SpriteLoadFromFile(1, Bstr(L"alpha.png")), S_OK);
    EXPECT_EQ(BitsPerPixel(velk_->SpriteTable[1].Surface), 32);
    EXPECT_EQ(Word(1, 1, 0), 0x7FC86432u);
    velk_->DSetColorKey(kGreen, 1);

    velk_->DrawBox(0, 0, 40, 40, 0, 1, 0);
    velk_->Blt(1, 0, 0, 4, 1, 0, 10, 10);
    // Over black: round(200 x 128 / 255) = 100, and so on; drawn for comparison below.
    const LONG expected[4] = {0, RGB(100, 50, 25), RGB(200, 100, 50), 0};
    for (LONG i = 0; i < 4; ++i) velk_->DrawPixel(i, 20, expected[i], 0);
    for (LONG i = 0; i < 4; ++i) EXPECT_EQ(Pixel(10 + i, 10), Pixel(i, 20)) << i;

    // A keyed 16-bit sprite turned into one that keeps alpha keeps its key, and back.
    KeyedSprite(2, 6, 5, kRed, kOddKey);
    for (LONG setting : {1, 0}) {
        SCOPED_TRACE(setting);
        velk_->SpriteSetAlpha(2, setting);
        EXPECT_EQ(BitsPerPixel(velk_->SpriteTable[2].Surface), setting ? 32 : 16);
        velk_->DrawBox(0, 0, 20, 20, kBlue, 1, 0);
        velk_->Blt(2, 0, 0, 6, 5, 0, 10, 10);
        EXPECT_EQ(Pixel(11, 11), kBlue);
        EXPECT_EQ(Pixel(10, 10), kRed);
    }

    // Drawing on the 32-bit surface is opaque, and a save keeps the alpha.
    velk_->DrawBox(3, 0, 1, 1, kBlue, 1, 1);
    EXPECT_EQ(Word(1, 3, 0), 0x000000FFu);
    ASSERT_EQ(velk_->SpriteSaveToFile(1, Bstr(L"again.png")), S_OK);
    velk_->SpriteSetAlpha(3, 1);
    ASSERT_EQ(velk_->SpriteLoadFromFile(3, Bstr(L"again.png")), S_OK);
    for (LONG x = 0; x < 3; ++x) EXPECT_EQ(Word(3, x, 0), Word(1, x, 0)) << x;

    // Other modes carry the words.
    for (LONG mode : {1, 3}) {
        ASSERT_TRUE(SetMode(mode));
        EXPECT_EQ(Word(1, 1, 0), 0x7FC86432u) << mode;
    }
    EXPECT_EQ(BitsPerPixel(velk_->SpriteTable[1].Surface), 32);
}

TEST_F(FullScreen, QuarterTurnsMirrorsAndWholeScalesArePixelPermutationsAt16Bits) {
    ExpectExactTurns(velk_, [this](LONG sprite) { return PlatformPicture(sprite, velk_->SpriteTable[sprite].Height); });
}

TEST_F(FullScreen, ScaledBackBufferIsReplicatedOnTheScreenWithBlackBarsAndKeptAcrossModes) {
    velk_->put_SoftwareFPS(-1);
    velk_->wScale(213, 157, 3);  // 3x: 639 x 471 at (0, 4)
    for (LONG mode : {3, 1, 3}) {
        SCOPED_TRACE(mode);
        ASSERT_TRUE(SetMode(mode));
        EXPECT_EQ(velk_->SpriteTable[0].Width, 213);
        EXPECT_EQ(velk_->SpriteTable[0].Height, 157);
    }
    velk_->DrawBox(0, 0, 213, 157, 0x808080, 1, 0);
    velk_->DrawPixel(0, 0, kRed, 0);
    velk_->DrawPixel(212, 156, kGreen, 0);
    velk_->Refresh();
    IDirectDrawSurface7* back = velk_->SpriteTable[0].Surface;
    const uint16_t grey = RawPixel(back, 5, 5), red = RawPixel(back, 0, 0), green = RawPixel(back, 212, 156);
    struct Probe {
        LONG x, y;
        uint16_t want;
    };
    const Probe probes[] = {{0, 3, 0},       {0, 4, red},       {2, 6, red},       {3, 4, grey},
                            {636, 472, green}, {638, 474, green}, {635, 474, grey}, {638, 475, 0},
                            {639, 100, 0},   {320, 479, 0}};
    for (const Probe& p : probes) EXPECT_EQ(RawPixel(velk_->PrimarySurface, p.x, p.y), p.want) << p.x << "," << p.y;
}

TEST_F(FullScreen, WFullScreenReadsOneAndItsPutsChangeNothing) {
    const LONG_PTR style = GetWindowLongPtrA(window_, GWL_STYLE);
    RECT before{}, after{};
    GetWindowRect(window_, &before);
    LONG value = -1;
    for (LONG put : {0, 1, 0}) {
        velk_->put_wFullScreen(put);
        velk_->get_wFullScreen(&value);
        EXPECT_EQ(value, 1);
    }
    GetWindowRect(window_, &after);
    EXPECT_EQ(GetWindowLongPtrA(window_, GWL_STYLE), style);
    EXPECT_TRUE(EqualRect(&before, &after));
}
