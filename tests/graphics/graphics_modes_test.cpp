// Graphics modes: round trips that keep sprites 1 to 8, the black back buffer,
// the fall-back to GDI, keys across a change, the mode errors and the clean-up.
#include <gtest/gtest.h>

#include <vector>

#include "core/texts.h"
#include "graphics/graphics_fixture.h"
#include "graphics/graphics_modes.h"
#include "support/resource_counts.h"

using namespace velk_test;

namespace {

HRESULT WINAPI RefuseDirectDraw(GUID*, void** object, REFIID, IUnknown*) {
    *object = nullptr;
    return DDERR_NODIRECTDRAWHW;
}

// Forces the fall-back for the length of a scope.
struct NoDirectDraw {
    NoDirectDraw() { velk::SetDirectDrawCreator(RefuseDirectDraw); }
    ~NoDirectDraw() { velk::SetDirectDrawCreator(nullptr); }
};

struct SpritePicture {
    LONG width = 0, height = 0;
    std::vector<LONG> pixels;
};

}  // namespace

class GraphicsModes : public GraphicsTest {
protected:
    // Sprites 1..8 of different small sizes, each with its own pattern.
    void MakeSprites() {
        for (LONG id = 1; id <= 8; ++id) {
            velk_->SpriteState(id, 1);
            velk_->SpriteResize(id, 10 + id, 6 + id);
            velk_->DrawBox(0, 0, 10 + id, 6 + id, 0x101010 * id, 1, id);
            velk_->DrawLine(0, 0, 10 + id, 6 + id, 0x0000FF + id, id);
            velk_->DrawPixel(1, 2, 0xABCDEF, id);
        }
    }
    SpritePicture Picture(LONG id) {
        SpritePicture picture;
        picture.width = velk_->SpriteTable[id].Width;
        picture.height = velk_->SpriteTable[id].Height;
        for (LONG y = 0; y < picture.height; ++y)
            for (LONG x = 0; x < picture.width; ++x) picture.pixels.push_back(Pixel(x, y, id));
        return picture;
    }
    std::vector<SpritePicture> Pictures() {
        std::vector<SpritePicture> all;
        for (LONG id = 1; id <= 8; ++id) all.push_back(Picture(id));
        return all;
    }
    void ExpectSamePictures(const std::vector<SpritePicture>& before) {
        for (LONG id = 1; id <= 8; ++id) {
            SpritePicture now = Picture(id);
            EXPECT_EQ(now.width, before[id - 1].width) << "sprite " << id;
            EXPECT_EQ(now.height, before[id - 1].height) << "sprite " << id;
            EXPECT_EQ(now.pixels, before[id - 1].pixels) << "sprite " << id;
        }
    }
    void ExpectBlackBackBuffer() {
        for (POINT p : {POINT{0, 0}, POINT{320, 240}, POINT{639, 479}}) EXPECT_EQ(Pixel(p.x, p.y), 0) << p.x << "," << p.y;
    }
};

TEST_F(GraphicsModes, FirstGdiSetUpLogsItsStepsAndASecondCallDoesNothing) {
    velk_->Graphics(1);
    const std::string expected = std::string("### ") + velk::texts::kGraphicsTitleGdi + "\r\n" +
                                 "\t  ** SpriteMake(スプライト作成関数) を行います ** \r\n" +
                                 "\t[ Info  ] ターゲットID = 0\r\n\t[ Info  ] Width = 640 , Height = 480\r\n" +
                                 "\t  ******************* \r\n" + "\t[ Step  ] セカンダリスプライトが有効になりました\r\n" +
                                 "### Succeed\r\n";
    EXPECT_EQ(NewLog(), expected);
    EXPECT_EQ(velk_->GraphicsMode, 1);
    ExpectBlackBackBuffer();
    velk_->DrawPixel(3, 3, 0x00FF00, 0);
    velk_->Graphics(1);
    EXPECT_EQ(NewLog(), "");
    EXPECT_EQ(Pixel(3, 3), 0x00FF00) << "the back buffer is not cleared again";
}

TEST_F(GraphicsModes, RoundTripsKeepSpritesOneToEightAndBlackenSpriteZero) {
    ASSERT_TRUE(SetMode(1));
    MakeSprites();
    velk_->DSetFillStyle(3, 5);
    velk_->DSetLineStyle(2, 5);
    const std::vector<SpritePicture> before = Pictures();
    for (LONG mode : {2, 3, 1, 2, 1}) {
        SCOPED_TRACE(mode);
        velk_->DrawBox(0, 0, 640, 480, 0xFFFFFF, 1, 0);
        const bool change = velk_->GraphicsMode != mode;
        velk_->Graphics(mode);
        // Mode 3 may be refused by the display: then the fall-back leaves mode 1.
        EXPECT_TRUE(velk_->GraphicsMode == mode || (mode == 3 && velk_->GraphicsMode == 1));
        ExpectSamePictures(before);
        if (change) {
            ExpectBlackBackBuffer();
        } else {
            EXPECT_EQ(Pixel(0, 0), 0xFFFFFF) << "a request for the current mode clears nothing";
        }
        EXPECT_EQ(velk_->SpriteTable[5].FillStyle, 3);
        EXPECT_EQ(velk_->SpriteTable[5].LineStyle, 2);
        for (const velk::SpriteSlot& slot : velk_->SpriteTable) {
            EXPECT_EQ(velk::KindOf(slot), velk_->GraphicsMode == 1 ? velk::SpriteKind::Gdi : velk::SpriteKind::DirectDraw);
            EXPECT_FALSE(slot.MemoryDC && slot.Surface) << "no slot keeps both representations";
        }
    }
}

TEST_F(GraphicsModes, ModeChangeLogShowsEvacuationAndRestoration) {
    ASSERT_TRUE(SetMode(2));
    const std::string to_ddraw = NewLog();
    EXPECT_NE(to_ddraw.find(std::string("### ") + velk::texts::kGraphicsTitleDirectDraw), std::string::npos);
    EXPECT_EQ(CountLines(to_ddraw, velk::texts::kRestoreBlock), 1);
    EXPECT_EQ(CountLines(to_ddraw, velk::texts::kRestoredStep), 0) << "nothing was GDI before mode 0";
    velk_->SpriteState(2, 1);
    ASSERT_TRUE(SetMode(1));
    const std::string to_gdi = NewLog();
    EXPECT_EQ(CountLines(to_gdi, velk::texts::kEvacuatedStep), 2);
    EXPECT_EQ(CountLines(to_gdi, "すでに存在するため作成はキャンセルされました"), 1) << "sprite 0 was evacuated already";
    ASSERT_TRUE(SetMode(2));
    const std::string back = NewLog();
    EXPECT_EQ(CountLines(back, velk::texts::kRestoredStep), 2);
    EXPECT_EQ(CountLines(back, "すでに存在するため作成はキャンセルされました"), 1) << "sprite 0's surface exists";
}

TEST_F(GraphicsModes, RefusedDirectDrawFromGdiLogsOneFaultAndKeepsEverything) {
    ASSERT_TRUE(SetMode(1));
    velk_->DrawPixel(7, 7, 0x00FF00, 0);
    NewLog();
    {
        NoDirectDraw refuse;
        velk_->Graphics(2);
    }
    const std::string log = NewLog();
    EXPECT_EQ(CountLines(log, velk::texts::kDirectDrawFault), 1);
    EXPECT_EQ(velk_->GraphicsMode, 1);
    EXPECT_EQ(Pixel(7, 7), 0x00FF00) << "the back buffer is untouched";
    velk_->DrawBox(0, 0, 10, 10, 0xFF0000, 1, 0);
    EXPECT_EQ(Pixel(5, 5), 0xFF0000) << "GDI mode still draws";
}

TEST_F(GraphicsModes, RefusedDirectDrawAsFirstCallGivesACompleteGdiSetUp) {
    {
        NoDirectDraw refuse;
        velk_->Graphics(2);
    }
    EXPECT_EQ(velk_->GraphicsMode, 1);
    EXPECT_EQ(velk::KindOf(velk_->SpriteTable[0]), velk::SpriteKind::Gdi);
    EXPECT_EQ(CountLines(Log(), velk::texts::kDirectDrawFault), 1);
    EXPECT_EQ(CountLines(Log(), "### Succeed"), 1);
    ExpectBlackBackBuffer();
}

TEST_F(GraphicsModes, RefusedDirectDrawFromDirectDrawFallsBackWithTheSprites) {
    ASSERT_TRUE(SetMode(2));
    MakeSprites();
    const std::vector<SpritePicture> before = Pictures();
    {
        NoDirectDraw refuse;
        velk_->Graphics(3);
    }
    EXPECT_EQ(velk_->GraphicsMode, 1);
    ExpectSamePictures(before);
    ExpectBlackBackBuffer();
    EXPECT_EQ(velk_->DirectDrawObject, nullptr);
}

TEST_F(GraphicsModes, WithoutAWindowGdiWorksOffScreenAndDirectDrawFallsBack) {
    velk_->Window = nullptr;
    velk_->Graphics(1);
    EXPECT_EQ(velk_->ScreenWidth, 640);
    EXPECT_EQ(velk_->SpriteTable[0].Height, 480);
    velk_->Refresh();  // nothing to present to; must not paint the desktop
    velk_->Graphics(2);
    EXPECT_EQ(velk_->GraphicsMode, 1);
    EXPECT_EQ(CountLines(Log(), velk::texts::kDirectDrawFault), 1);
}

TEST_F(GraphicsModes, AColourKeyFollowsTheSpriteIntoEachRepresentation) {
    constexpr LONG kKey = 0x00FF00FF, kRed = 0x0000FF, kBlue = 0xFF0000;
    ASSERT_TRUE(SetMode(1));
    velk_->SpriteState(1, 1);
    velk_->SpriteResize(1, 6, 1);
    velk_->DrawBox(0, 0, 6, 1, 0x00112233, 1, 1);
    velk_->DrawPixel(2, 0, kKey, 1);
    velk_->DrawPixel(3, 0, kKey, 1);
    velk_->DSetColorKey(kKey, 1);
    velk_->DrawPixel(3, 0, kRed, 1);  // the host draws on a transparent pixel

    ASSERT_TRUE(SetMode(2));
    velk::SpriteSlot& slot = velk_->SpriteTable[1];
    EXPECT_EQ(slot.ColorKey, kKey);
    EXPECT_EQ(Pixel(2, 0, 1), kKey) << "the key colour is back where the mask said";
    EXPECT_EQ(Pixel(3, 0, 1), kRed) << "what the host drew there survives";
    EXPECT_EQ(Pixel(1, 0, 1), 0x00112233);
    DDCOLORKEY key{};
    EXPECT_EQ(slot.Surface->GetColorKey(DDCKEY_SRCBLT, &key), DD_OK);

    // The way back builds the mask from the picture alone, whatever state the
    // surface's contexts were left in.
    velk_->DSetOrigin(4, 0, 1);
    velk_->DSetMapMode(MM_TWIPS, 1);
    ASSERT_TRUE(SetMode(1));
    EXPECT_EQ(slot.ColorKey, kKey);
    for (LONG x = 0; x < 6; ++x) {
        EXPECT_EQ(GetPixel(slot.MemoryDC, x, 1), x == 2 ? 0xFFFFFFu : 0u) << "mask " << x;
        EXPECT_EQ(Pixel(x, 0, 1), x == 2 ? 0 : x == 3 ? kRed : 0x00112233) << x;
    }
    velk_->DrawBox(0, 0, 10, 10, kBlue, 1, 0);
    velk_->Blt(1, 0, 0, 6, 1, 0, 0, 0);
    EXPECT_EQ(Pixel(2, 0), kBlue) << "still transparent in GDI";
    EXPECT_EQ(Pixel(1, 0), 0x00112233);
}

TEST_F(GraphicsModes, ARemadeSpriteStartsFromTheDefaultDrawingState) {
    constexpr LONG kRed = 0x0000FF;
    ASSERT_TRUE(SetMode(1));
    velk_->SpriteState(1, 1);
    for (LONG id : {0, 1}) {
        velk_->DSetRasterOP(R2_XORPEN, id);
        velk_->DSetOrigin(100, 50, id);
        velk_->DSetTextSpace(9, id);
    }
    velk_->DSetFillStyle(4, 1);
    for (LONG mode : {2, 1}) {
        SCOPED_TRACE(mode);
        velk_->DrawBox(0, 0, 640, 480, 0xFFFFFF, 1, 0);  // XOR over the black clear to come
        ASSERT_TRUE(SetMode(mode));
        ExpectBlackBackBuffer();
        velk_->DSetFillStyle(-1, 1);
        velk_->DrawBox(0, 0, 2, 2, kRed, 1, 1);
        EXPECT_EQ(Pixel(0, 0, 1), kRed) << "no origin shift and no XOR after the change";
        velk_->DSetFillStyle(4, 1);
        EXPECT_EQ(velk_->SpriteTable[1].FillStyle, 4);
        for (LONG id : {0, 1}) {
            velk::SpriteContext dc(velk_->SpriteTable[id]);
            EXPECT_EQ(GetROP2(dc), R2_COPYPEN);
            EXPECT_EQ(GetTextCharacterExtra(dc), 0);
            POINT origin{};
            GetWindowOrgEx(dc, &origin);
            EXPECT_EQ(origin.x, 0);
        }
        velk_->DSetRasterOP(R2_XORPEN, 1);
        velk_->DSetOrigin(100, 50, 0);
    }
}

TEST_F(GraphicsModes, FullScreenDropsTheTitleBarAndSizesTheWindowEitherWay) {
    velk_->Graphics(3);
    EXPECT_TRUE(velk_->GraphicsMode == 3 || velk_->GraphicsMode == 1);
    EXPECT_FALSE(GetWindowLongA(window_, GWL_STYLE) & WS_CAPTION & ~WS_BORDER);
    if (velk_->GraphicsMode == 3) {
        EXPECT_EQ(velk::KindOf(velk_->SpriteTable[0]), velk::SpriteKind::DirectDraw);
    } else {
        EXPECT_EQ(CountLines(Log(), velk::texts::kDirectDrawFault), 1);
        EXPECT_EQ(velk_->DirectDrawObject, nullptr) << "no half-built set-up keeps the screen";
    }
    velk_->DrawBox(0, 0, 10, 10, 0x0000FF, 1, 0);
    EXPECT_EQ(Pixel(1, 1), 0x0000FF);
    velk_->Refresh();
    ASSERT_TRUE(SetMode(1));
}

TEST_F(GraphicsModes, TeardownReleasesEverySpriteAndDirectDrawObject) {
    ASSERT_TRUE(SetMode(1));
    MakeSprites();
    ASSERT_TRUE(SetMode(2));
    IDirectDraw7* direct_draw = velk_->DirectDrawObject;
    direct_draw->AddRef();
    velk_->Release();
    velk_ = nullptr;
    EXPECT_EQ(direct_draw->Release(), 0u) << "no surface or clipper keeps the object alive";

    const ResourceCounts before = CountResources();
    for (int cycle = 0; cycle < 20; ++cycle) {
        VelkObject* velk = CreateCoreObject();
        ASSERT_NE(velk, nullptr);
        velk->Window = window_;
        velk->Graphics(1);
        for (LONG id = 1; id <= 8; ++id) velk->SpriteState(id, 1);
        velk->Graphics(2);
        velk->Graphics(1);
        velk->Release();
    }
    ExpectFlat(before, CountResources(), 4);
}

VELK_SCENARIO(GraphicsZero) {
    VelkObject* velk = CreateCoreObject();
    velk->Logging();
    velk->Graphics(0);
    return 0;
}
VELK_SCENARIO(GraphicsFour) {
    VelkObject* velk = CreateCoreObject();
    velk->Window = CreateTestWindow();
    velk->Graphics(1);
    velk->Graphics(4);
    return 0;
}

TEST(GraphicsModeErrors, ZeroAndFourEndTheProcess) {
    for (int mode : {0, 4}) {
        TempDir dir;
        ScenarioResult result = RunScenario(mode == 0 ? "GraphicsZero" : "GraphicsFour", dir.path());
        EXPECT_EQ(result.exit_code, 1u);
        ASSERT_EQ(result.boxes.size(), 1u);
        EXPECT_EQ(result.boxes[0].text, std::string("  [ Error ] Typ:ID     GraphicsModeでの定数で正しくないID : ") +
                                            std::to_string(mode) +
                                            " が指定されました。\n\t\t->１(WINGDI) ２(DDRAW) ３(FullScreen)の範囲で許されます");
    }
}
