// Sprite store: creation, re-creation, resizing, colour keys in both
// representations, and the ID errors through the child-process harness.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "core/texts.h"
#include "graphics/graphics_fixture.h"
#include "graphics/sprite_store.h"

using namespace velk_test;

namespace {
const COLORREF kButtonFace = GetSysColor(COLOR_BTNFACE);
constexpr COLORREF kKey = 0x00FF00FF;
}  // namespace

TEST(SpriteSlot, ResetValues) {
    velk::SpriteSlot slot;
    memset(&slot, 0x5A, sizeof slot);
    velk::ResetSpriteSlot(slot);
    EXPECT_TRUE(velk::IsEmpty(slot));
    EXPECT_EQ(slot.ColorKey, -1);
    EXPECT_EQ(slot.FillStyle, -1);
    EXPECT_EQ(slot.LineStyle, 0);
    EXPECT_EQ(slot.TextFont.lfHeight, 18);
    EXPECT_EQ(slot.TextFont.lfCharSet, 128);
    EXPECT_STREQ(slot.TextFont.lfFaceName, "ＭＳ Ｐゴシック");
    EXPECT_EQ(slot.TextFont.lfWeight, 0);
}

using SpriteStoreGdi = GraphicsTest;

TEST_F(SpriteStoreGdi, SpriteStateCreatesAScreenSizedButtonFaceSpriteOnceAndKeepsItsPicture) {
    ASSERT_TRUE(SetMode(1));
    NewLog();
    velk_->SpriteState(3, 1);
    const velk::SpriteSlot& slot = velk_->SpriteTable[3];
    EXPECT_EQ(velk::KindOf(slot), velk::SpriteKind::Gdi);
    EXPECT_EQ(slot.Width, kClientWidth);
    EXPECT_EQ(slot.Height, kClientHeight);
    BITMAP bitmap{};
    GetObjectA(slot.Bitmap, sizeof bitmap, &bitmap);
    EXPECT_EQ(bitmap.bmHeight, 2 * kClientHeight) << "picture plus mask rows";
    EXPECT_EQ(Pixel(0, 0, 3), static_cast<LONG>(kButtonFace));
    EXPECT_EQ(Pixel(639, 479, 3), static_cast<LONG>(kButtonFace));
    EXPECT_EQ(NewLog(), std::string("\t  ** SpriteMake(スプライト作成関数) を行います ** \r\n") +
                            "\t[ Info  ] ターゲットID = 3\r\n\t[ Info  ] Width = 640 , Height = 480\r\n" +
                            "\t  ******************* \r\n");

    velk_->DrawPixel(5, 5, 0x123456, 3);
    velk_->SpriteState(3, 1);
    EXPECT_EQ(NewLog(), std::string("\t  ** SpriteMake(スプライト作成関数) を行います ** \r\n") +
                            "\t[ Info  ] ターゲットID = 3\r\n" +
                            "\t  ****** Failed  すでに存在するため作成はキャンセルされました\r\n");
    EXPECT_EQ(Pixel(5, 5, 3), 0x123456) << "the picture is kept";

    velk_->SpriteState(3, 0);
    EXPECT_TRUE(velk::IsEmpty(slot));
    EXPECT_EQ(NewLog(), std::string("\t  ** SpriteKill(スプライト解放関数) を行います ** \r\n") +
                            "\t[ Info  ] ターゲットID = 3\r\n\t  ******************* \r\n");
    velk_->SpriteState(3, 0);
    EXPECT_EQ(NewLog(), "") << "killing an empty sprite logs nothing";
}

TEST_F(SpriteStoreGdi, StylesSurviveKillAndRemakeButTheKeyDoesNot) {
    ASSERT_TRUE(SetMode(1));
    velk_->SpriteState(2, 1);
    velk_->DSetFillStyle(4, 2);
    velk_->DSetLineStyle(2, 2);
    velk_->DSetColorKey(kKey, 2);
    velk_->SpriteState(2, 0);
    velk_->SpriteState(2, 1);
    EXPECT_EQ(velk_->SpriteTable[2].FillStyle, 4);
    EXPECT_EQ(velk_->SpriteTable[2].LineStyle, 2);
    EXPECT_EQ(velk_->SpriteTable[2].ColorKey, -1);
}

TEST_F(SpriteStoreGdi, ResizeKeepsTheTopLeftAndFillsTheNewAreaWithButtonFace) {
    ASSERT_TRUE(SetMode(1));
    velk_->SpriteState(1, 1);
    velk_->SpriteResize(1, 20, 10);
    velk_->DrawBox(0, 0, 20, 10, 0x0000FF, 1, 1);
    velk_->DrawPixel(19, 9, 0x00FF00, 1);
    NewLog();
    velk_->SpriteResize(1, 20, 10);
    EXPECT_EQ(NewLog(), "") << "the same size does nothing";

    velk_->SpriteResize(1, 30, 15);
    EXPECT_EQ(velk_->SpriteTable[1].Width, 30);
    EXPECT_EQ(velk_->SpriteTable[1].Height, 15);
    EXPECT_EQ(Pixel(0, 0, 1), 0x0000FF);
    EXPECT_EQ(Pixel(19, 9, 1), 0x00FF00);
    EXPECT_EQ(Pixel(20, 0, 1), static_cast<LONG>(kButtonFace));
    EXPECT_EQ(Pixel(0, 10, 1), static_cast<LONG>(kButtonFace));
    EXPECT_EQ(Pixel(29, 14, 1), static_cast<LONG>(kButtonFace));

    velk_->SpriteResize(1, 5, 4);
    EXPECT_EQ(Pixel(4, 3, 1), 0x0000FF);
    EXPECT_EQ(PlatformPixel(1, 5, 0), CLR_INVALID) << "the bitmap is 5 wide now";

    // Sizes below one pixel give a 1 x 1 colour sprite, not the monochrome stand-in.
    velk_->SpriteResize(1, 0, -3);
    EXPECT_EQ(velk_->SpriteTable[1].Width, 1);
    EXPECT_EQ(velk_->SpriteTable[1].Height, 1);
    EXPECT_EQ(Pixel(0, 0, 1), 0x0000FF);
    BITMAP bitmap{};
    GetObjectA(velk_->SpriteTable[1].Bitmap, sizeof bitmap, &bitmap);
    EXPECT_GE(bitmap.bmBitsPixel, 16);
}

TEST_F(SpriteStoreGdi, ColorKeyBlackensKeyPixelsAndWritesTheMaskExactlyThere) {
    ASSERT_TRUE(SetMode(1));
    velk_->SpriteState(4, 1);
    velk_->SpriteResize(4, 8, 4);
    velk_->DrawBox(0, 0, 8, 4, 0x00336699, 1, 4);
    velk_->DrawPixel(1, 1, kKey, 4);
    velk_->DrawPixel(7, 3, kKey, 4);
    NewLog();
    velk_->DSetColorKey(kKey, 4);
    EXPECT_EQ(NewLog(), std::string("\t  ** SpriteColorKey(スプライトカラーキー設定関数) を行います ** \r\n") +
                            "\t[ Info  ] ターゲットID = 4\r\n\t[ Info  ] カラー値 = 16711935\r\n" +
                            "\t  ******************* \r\n");
    HDC dc = velk_->SpriteTable[4].MemoryDC;
    for (LONG y = 0; y < 4; ++y) {
        for (LONG x = 0; x < 8; ++x) {
            const bool key = (x == 1 && y == 1) || (x == 7 && y == 3);
            EXPECT_EQ(GetPixel(dc, x, y), key ? 0u : 0x00336699u) << x << "," << y;
            EXPECT_EQ(GetPixel(dc, x, 4 + y), key ? 0xFFFFFFu : 0u) << "mask " << x << "," << y;
        }
    }
    EXPECT_EQ(velk_->SpriteTable[4].ColorKey, static_cast<LONG>(kKey));

    // -1 changes nothing and logs nothing; a key set again keeps what is
    // transparent, makes what the host drew on a transparent pixel since opaque
    // (as a surface's live key does), and adds the new key's pixels.
    velk_->DSetColorKey(-1, 4);
    EXPECT_EQ(NewLog(), "");
    EXPECT_EQ(velk_->SpriteTable[4].ColorKey, static_cast<LONG>(kKey));
    velk_->DrawPixel(7, 3, 0x0000FF, 4);
    velk_->DSetColorKey(kKey, 4);
    EXPECT_EQ(GetPixel(dc, 1, 4 + 1), 0xFFFFFFu);
    EXPECT_EQ(GetPixel(dc, 7, 4 + 3), 0u);
    EXPECT_EQ(Pixel(7, 3, 4), 0x0000FF);
    velk_->DSetColorKey(0x00336699, 4);
    EXPECT_EQ(GetPixel(dc, 1, 4 + 1), 0xFFFFFFu) << "the old key's pixels stay transparent";
    EXPECT_EQ(GetPixel(dc, 0, 4), 0xFFFFFFu);
    EXPECT_EQ(GetPixel(dc, 7, 4 + 3), 0u);
}

TEST_F(SpriteStoreGdi, SpritesMadeBeforeAnyModeAreGdiAndJoinTheMode) {
    velk_->SpriteState(5, 1);
    EXPECT_EQ(velk::KindOf(velk_->SpriteTable[5]), velk::SpriteKind::Gdi);
    EXPECT_EQ(velk_->SpriteTable[5].Width, 1) << "no size is known before a mode";
    velk_->SpriteResize(5, 10, 10);
    velk_->DrawPixel(3, 3, 0x0000FF, 5);
    ASSERT_TRUE(SetMode(2));
    EXPECT_EQ(velk::KindOf(velk_->SpriteTable[5]), velk::SpriteKind::DirectDraw);
    EXPECT_EQ(Pixel(3, 3, 5), 0x0000FF);
}

using SpriteStoreDirectDraw = GraphicsTest;

namespace {

using GetDCMethod = HRESULT(STDMETHODCALLTYPE*)(IDirectDrawSurface7*, HDC*);
GetDCMethod g_platform_get_dc = nullptr;
int g_get_dc_refusals = 0;

HRESULT STDMETHODCALLTYPE RefusingGetDC(IDirectDrawSurface7* surface, HDC* dc) {
    if (g_get_dc_refusals <= 0) return g_platform_get_dc(surface, dc);
    --g_get_dc_refusals;
    *dc = nullptr;
    return DDERR_GENERIC;
}

// For the length of a scope the surface refuses its next `count` drawing
// contexts: its method table is swapped for a copy whose GetDC (the 18th of the
// interface's 49 methods) refuses first and then forwards.
class RefusedGetDC {
public:
    RefusedGetDC(IDirectDrawSurface7* surface, int count) : surface_(surface) {
        void**& table = *reinterpret_cast<void***>(surface);
        original_ = table;
        std::copy(table, table + kMethods, copy_);
        g_platform_get_dc = reinterpret_cast<GetDCMethod>(table[kGetDC]);
        copy_[kGetDC] = reinterpret_cast<void*>(RefusingGetDC);
        g_get_dc_refusals = count;
        table = copy_;
    }
    ~RefusedGetDC() { *reinterpret_cast<void***>(surface_) = original_; }

private:
    static constexpr int kMethods = 49, kGetDC = 17;
    IDirectDrawSurface7* surface_;
    void** original_;
    void* copy_[kMethods];
};

}  // namespace

TEST_F(SpriteStoreDirectDraw, SpritesAreSystemMemorySurfacesAndTheKeyIsTheSurfaceSourceKey) {
    ASSERT_TRUE(SetMode(2));
    velk_->SpriteState(6, 1);
    velk::SpriteSlot& slot = velk_->SpriteTable[6];
    ASSERT_EQ(velk::KindOf(slot), velk::SpriteKind::DirectDraw);
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    slot.Surface->GetSurfaceDesc(&desc);
    EXPECT_EQ(desc.dwWidth, 640u);
    EXPECT_EQ(desc.dwHeight, 480u);
    EXPECT_TRUE(desc.ddsCaps.dwCaps & DDSCAPS_SYSTEMMEMORY);
    EXPECT_TRUE(desc.ddsCaps.dwCaps & DDSCAPS_OFFSCREENPLAIN);

    velk_->DrawPixel(0, 0, 0x00445566, 6);
    velk_->DSetColorKey(0x00112233, 6);
    DDCOLORKEY key{};
    ASSERT_EQ(slot.Surface->GetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
    DDPIXELFORMAT format{};
    format.dwSize = sizeof format;
    slot.Surface->GetPixelFormat(&format);
    EXPECT_EQ(key.dwColorSpaceLowValue, velk::RawPixelFromFormat(format, 0x00112233));
    EXPECT_EQ(key.dwColorSpaceHighValue, key.dwColorSpaceLowValue);
    EXPECT_EQ(Pixel(0, 0, 6), 0x00445566) << "the probe pixel is put back";
    EXPECT_EQ(slot.ColorKey, 0x00112233);

    // A refused probe context leaves the picture alone and keys by the channel masks.
    {
        RefusedGetDC refuse(slot.Surface, 1);
        velk_->DSetColorKey(0x00FF00FF, 6);
    }
    ASSERT_EQ(slot.Surface->GetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
    EXPECT_EQ(key.dwColorSpaceLowValue, velk::RawPixelFromFormat(format, 0x00FF00FF));
    EXPECT_EQ(Pixel(0, 0, 6), 0x00445566);
    velk_->DSetColorKey(0x00112233, 6);
    slot.Surface->GetColorKey(DDCKEY_SRCBLT, &key);

    // A resized surface gets the key again; the grown area is button face.
    velk_->SpriteResize(6, 10, 10);
    velk_->SpriteResize(6, 20, 20);
    DDCOLORKEY resized{};
    ASSERT_EQ(slot.Surface->GetColorKey(DDCKEY_SRCBLT, &resized), DD_OK);
    EXPECT_EQ(resized.dwColorSpaceLowValue, key.dwColorSpaceLowValue);
    EXPECT_EQ(Pixel(0, 0, 6), 0x00445566);
    EXPECT_EQ(Pixel(15, 15, 6), static_cast<LONG>(kButtonFace));
}

// ---------------------------------------------------------------- fatal paths

VELK_SCENARIO(SpriteStateZero) { return ScenarioInGdiMode([](VelkObject* v) { v->SpriteState(0, 1); }); }
VELK_SCENARIO(SpriteStateNine) { return ScenarioInGdiMode([](VelkObject* v) { v->SpriteState(9, 0); }); }
VELK_SCENARIO(SpriteResizeNine) { return ScenarioInGdiMode([](VelkObject* v) { v->SpriteResize(9, 1, 1); }); }
VELK_SCENARIO(SpriteResizeEmpty) { return ScenarioInGdiMode([](VelkObject* v) { v->SpriteResize(7, 1, 1); }); }
VELK_SCENARIO(ColorKeyZero) { return ScenarioInGdiMode([](VelkObject* v) { v->DSetColorKey(0, 0); }); }
VELK_SCENARIO(ColorKeyEmpty) { return ScenarioInGdiMode([](VelkObject* v) { v->DSetColorKey(0, 8); }); }
VELK_SCENARIO(DrawNine) { return ScenarioInGdiMode([](VelkObject* v) { v->DrawBox(0, 0, 1, 1, 0, 1, 9); }); }
VELK_SCENARIO(DrawMinusOne) { return ScenarioInGdiMode([](VelkObject* v) { v->DrawLine(0, 0, 1, 1, 0, -1); }); }
VELK_SCENARIO(DrawEmpty) { return ScenarioInGdiMode([](VelkObject* v) { v->DrawPixel(0, 0, 0, 2); }); }
VELK_SCENARIO(FillStyleEmpty) { return ScenarioInGdiMode([](VelkObject* v) { v->DSetFillStyle(1, 3); }); }
VELK_SCENARIO(LineStyleNine) { return ScenarioInGdiMode([](VelkObject* v) { v->DSetLineStyle(1, 9); }); }
VELK_SCENARIO(DrawBeforeAnyMode) {
    VelkObject* velk = CreateCoreObject();
    velk->Logging();
    LONG value = 0;
    velk->DGetPixel(0, 0, 0, &value);
    return 0;
}

TEST(SpriteIdErrors, EndTheProcessWithTheExactText) {
    using velk::texts::kSubjectDrawing;
    const std::vector<FatalCase> cases = {
        {"SpriteStateZero", IdRangeText("スプライト状態設定関数( SpriteState ) ", 0, "１～最大スプライト数")},
        {"SpriteStateNine", IdRangeText("スプライト状態設定関数( SpriteState ) ", 9, "１～最大スプライト数")},
        {"SpriteResizeNine", IdRangeText("スプライトサイズ設定関数( SpriteSize ) ", 9, "１～最大スプライト数")},
        {"SpriteResizeEmpty", IdEmptyText("スプライトサイズ設定関数( SpriteSize ) ", 7)},
        {"ColorKeyZero", IdRangeText("DSetColorKey", 0, "１～スプライト数(０は禁止)")},
        {"ColorKeyEmpty", IdEmptyText("DSetColorKey", 8)},
        {"DrawNine", IdRangeText(kSubjectDrawing, 9, "0～最大スプライト数(固定:8)")},
        {"DrawMinusOne", IdRangeText(kSubjectDrawing, -1, "0～最大スプライト数(固定:8)")},
        {"DrawEmpty", IdEmptyText(kSubjectDrawing, 2)},
        {"FillStyleEmpty", IdEmptyText("描画スタイル変更メソッド　スプライトID", 3)},
        {"LineStyleNine", IdRangeText("描画スタイル変更メソッド　スプライトID", 9, "0～最大スプライト数(固定:8)")},
        {"DrawBeforeAnyMode", IdEmptyText(kSubjectDrawing, 0)},
    };
    ExpectFatalEnds(cases);
}
