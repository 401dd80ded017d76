// SpriteSaveToFile: pictures written through the platform's codecs read back
// the same through SpriteLoadFromFile, in both windowed modes; a save that
// fails leaves the old file as it was.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>

#include "graphics/graphics_fixture.h"
#include "graphics/picture_saving.h"
#include "support/bstr.h"
#include "support/image_file.h"

using namespace velk_test;

TEST(PictureSaving, NamesChooseTheFormatAndTheStagingNameFits) {
    const struct {
        const char* name;
        velk::SavedFormat format;
    } names[] = {{"shot.png", velk::SavedFormat::kPng}, {"SHOT.PNG", velk::SavedFormat::kPng},
                 {"a\\b.Bmp", velk::SavedFormat::kBmp}, {"shot.jpg", velk::SavedFormat::kUnknown},
                 {"png", velk::SavedFormat::kUnknown},  {"", velk::SavedFormat::kUnknown}};
    for (const auto& n : names) EXPECT_EQ(velk::SavedFormatOf(n.name), n.format) << n.name;
    wchar_t out[16];
    EXPECT_TRUE(velk::StagingNameFor(L"a.png", out, 16));
    EXPECT_STREQ(out, L"a.png.velk-new");
    EXPECT_FALSE(velk::StagingNameFor(L"ab.png", out, 15)) << "one character too long: refused, not cut";
    const uint32_t words[2] = {0x00112233, 0xFFAABBCC};
    uint8_t bgr[6];
    velk::WordsToBgr(words, bgr, 2);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(bgr), 6), std::string("\x33\x22\x11\xCC\xBB\xAA", 6));
    uint8_t bgra[8];
    velk::AlphaWordsToBgra(words, bgra, 2);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(bgra), 8), std::string("\x33\x22\x11\xFF\xCC\xBB\xAA\x00", 8))
        << "the top byte holds 255 - alpha";
}

class SpriteSaving : public ModeTest {};

TEST_P(SpriteSaving, PngAndBmpReadBackAsTheSpriteWas) {
    // Sprite 1: four coloured quarters and a line; sprite 0 (the back buffer) as well.
    ASSERT_EQ(velk_->SpriteState(1, 1), S_OK);
    ASSERT_EQ(velk_->SpriteResize(1, 40, 30), S_OK);
    const LONG colors[4] = {RGB(255, 0, 0), RGB(0, 200, 40), RGB(20, 40, 250), RGB(250, 250, 250)};
    for (int q = 0; q < 4; ++q) velk_->DrawBox((q % 2) * 20, (q / 2) * 15, 20, 15, colors[q], 1, 1);
    velk_->DrawLine(0, 29, 39, 0, RGB(7, 8, 9), 1);
    velk_->DrawBox(0, 0, kClientWidth, kClientHeight, RGB(90, 60, 30), 1, 0);
    for (const wchar_t* name : {L"one.png", L"one.bmp", L"ONE.PNG"}) {
        SCOPED_TRACE(std::string(name, name + wcslen(name)));
        ASSERT_EQ(velk_->SpriteSaveToFile(1, Bstr(name)), S_OK);
        ASSERT_EQ(velk_->SpriteState(2, 1), S_OK);
        ASSERT_EQ(velk_->SpriteLoadFromFile(2, Bstr(name)), S_OK);
        EXPECT_EQ(velk_->SpriteTable[2].Width, 40);
        EXPECT_EQ(velk_->SpriteTable[2].Height, 30);
        for (LONG y : {0, 7, 14, 15, 29})
            for (LONG x : {0, 19, 20, 39}) EXPECT_EQ(Pixel(x, y, 2), Pixel(x, y, 1)) << x << "," << y;
    }
    EXPECT_FALSE(GetFileAttributesA("one.png.velk-new") != INVALID_FILE_ATTRIBUTES) << "no staging file is left";
    ASSERT_EQ(velk_->SpriteSaveToFile(0, Bstr(L"screen.png")), S_OK);
    ASSERT_EQ(velk_->SpriteLoadFromFile(3, Bstr(L"screen.png")), S_OK);
    EXPECT_EQ(velk_->SpriteTable[3].Width, kClientWidth);
    EXPECT_EQ(Pixel(320, 240, 3), RGB(90, 60, 30));
    EXPECT_NE(Log().find("SpriteSaveToFile スプライトを画像ファイルに保存"), std::string::npos);
}

TEST_P(SpriteSaving, AlphaPngReadsBackIdenticalAndBmpStays24Bit) {
    // Every alpha from 0 to 255 in colours of its own, some drawn over (opaque).
    std::vector<uint16_t> samples;
    for (uint32_t i = 0; i < 256; ++i)
        for (uint32_t sample : {i, 255 - i, (i * 7) & 0xFF, i}) samples.push_back(static_cast<uint16_t>(sample));
    WriteBytes(dir_.File("alpha.png"), MakePng(PngPicture(32, 8, 6, 8, samples)));
    velk_->SpriteSetAlpha(1, 1);
    ASSERT_EQ(velk_->SpriteLoadFromFile(1, Bstr(L"alpha.png")), S_OK);
    velk_->DrawBox(0, 7, 5, 1, RGB(1, 2, 3), 1, 1);
    for (const wchar_t* name : {L"again.png", L"again.bmp"}) {
        ASSERT_EQ(velk_->SpriteSaveToFile(1, Bstr(name)), S_OK);
        velk_->SpriteSetAlpha(2, 1);
        ASSERT_EQ(velk_->SpriteLoadFromFile(2, Bstr(name)), S_OK);
        const bool png = name[6] == L'p';
        for (LONG y = 0; y < 8; ++y)
            for (LONG x = 0; x < 32; ++x) {
                const uint32_t word = Word(1, x, y);
                ASSERT_EQ(Word(2, x, y), png ? word : word & 0xFFFFFF) << x << "," << y << (png ? " png" : " bmp");
            }
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, SpriteSaving, ::testing::Values(1, 2),
                         [](const ::testing::TestParamInfo<LONG>& info) {
                             return info.param == 1 ? std::string("Gdi") : std::string("DirectDraw");
                         });

// ---------------------------------------------------------------- refusals

namespace {


// The new picture cannot be written (a folder holds its staging name): the
// existing file must come through untouched.
void SaveWhereTheNewFileCannotBeWritten(VelkObject* velk) {
    FILE* old = fopen("kept.png", "wb");
    fputs("the old file", old);
    fclose(old);
    CreateDirectoryA("kept.png.velk-new", nullptr);
    velk->SpriteSaveToFile(0, Bstr(L"kept.png"));
}

}  // namespace

VELK_SCENARIO(SaveUnknownFormat) {
    return ScenarioInGdiMode([](VelkObject* v) { v->SpriteSaveToFile(0, Bstr(L"shot.gif")); });
}
VELK_SCENARIO(SaveEmptySprite) {
    return ScenarioInGdiMode([](VelkObject* v) { v->SpriteSaveToFile(4, Bstr(L"shot.png")); });
}
VELK_SCENARIO(SaveIntoMissingFolder) {
    return ScenarioInGdiMode([](VelkObject* v) { v->SpriteSaveToFile(0, Bstr(L"no such folder\\shot.png")); });
}
VELK_SCENARIO(SaveBlockedNewFile) { return ScenarioInGdiMode(SaveWhereTheNewFileCannotBeWritten); }

TEST(SpriteSavingFatal, RefusalsEndTheProcessAndLeaveTheOldFile) {
    const char* subject = "スプライト保存関数( SpriteSaveToFile ) ";
    const std::string failed = FailedText("画像ファイルを書き込めませんでした（元のファイルはそのままです）");
    const std::vector<FatalCase> cases = {
        {"SaveUnknownFormat", FailedText("保存できない形式です( .png か .bmp を指定してください )")},
        {"SaveEmptySprite", IdEmptyText(subject, 4)},
        {"SaveIntoMissingFolder", failed},
    };
    ExpectFatalEnds(cases);
    TempDir dir;
    ScenarioResult result = RunScenario("SaveBlockedNewFile", dir.path());
    ASSERT_EQ(result.boxes.size(), 1u);
    EXPECT_EQ(result.boxes[0].text, failed);
    EXPECT_EQ(ReadFileBytes(dir.File("kept.png")), "the old file");
    RemoveDirectoryA(dir.File("kept.png.velk-new").c_str());
}
