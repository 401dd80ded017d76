// Text drawing in the GDI mode and in windowed DirectDraw. Glyph edges are
// antialiased, so pictures are judged by the pixels that differ from the
// background: their count and their bounding box.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>

#include "core/texts.h"
#include "graphics/graphics_fixture.h"
#include "graphics/text.h"
#include "support/bstr.h"
#include "support/font_file.h"
#include "support/harness.h"
#include "support/resource_counts.h"

using namespace velk_test;

namespace {
constexpr LONG kWhite = 0xFFFFFF, kRed = 0x0000FF;
constexpr LONG kSpriteWidth = 400, kSpriteHeight = 120;
constexpr UINT kCommonFormat = DT_NOCLIP | DT_EXPANDTABS | DT_NOPREFIX;

struct Ink {
    int count = 0;
    LONG left = LONG_MAX, top = LONG_MAX, right = -1, bottom = -1;  // right and bottom inclusive
    LONG width() const { return count ? right - left + 1 : 0; }
    LONG height() const { return count ? bottom - top + 1 : 0; }
};
}  // namespace

TEST(TextLayout, BoxAndFormatOfEachAlignment) {
    velk::TextLayout left = velk::LayoutText(0, 30, 40, 640, 480);
    EXPECT_EQ(left.Box.left, 30);
    EXPECT_EQ(left.Box.top, 40);
    EXPECT_EQ(left.Box.right, 0);
    EXPECT_EQ(left.Box.bottom, 0);
    EXPECT_EQ(left.Format, DT_LEFT | kCommonFormat);
    velk::TextLayout right = velk::LayoutText(1, 30, 40, 640, 480);
    EXPECT_EQ(right.Box.left, 0);
    EXPECT_EQ(right.Box.top, 40);
    EXPECT_EQ(right.Box.right, 30);
    EXPECT_EQ(right.Box.bottom, 0);
    EXPECT_EQ(right.Format, DT_RIGHT | kCommonFormat);
    velk::TextLayout centre = velk::LayoutText(2, 30, 40, 640, 480);
    EXPECT_EQ(centre.Box.left, 30 - 640);
    EXPECT_EQ(centre.Box.top, 40);
    EXPECT_EQ(centre.Box.right, 30 + 640);
    EXPECT_EQ(centre.Box.bottom, 480);
    EXPECT_EQ(centre.Format, DT_CENTER | kCommonFormat);
}

TEST(TextFontRecord, OnlyArgumentsOtherThan255ChangeTheirFields) {
    LOGFONTA font{};
    font.lfHeight = 18;
    font.lfCharSet = 128;
    strcpy(font.lfFaceName, "Face");
    const LOGFONTA before = font;
    velk::ApplyFontArguments(font, 255, 255, 255, 255, 255);
    EXPECT_EQ(memcmp(&font, &before, sizeof font), 0);

    velk::ApplyFontArguments(font, 255, 1, 255, 255, 255);
    EXPECT_EQ(font.lfWeight, 800);
    EXPECT_EQ(font.lfHeight, 18);
    EXPECT_EQ(font.lfItalic, 0);
    velk::ApplyFontArguments(font, 30, 0, 0x101, 2, 1);
    EXPECT_EQ(font.lfHeight, 30);
    EXPECT_EQ(font.lfWeight, 0);
    EXPECT_EQ(font.lfItalic, 1) << "the low byte";
    EXPECT_EQ(font.lfUnderline, 2);
    EXPECT_EQ(font.lfStrikeOut, 1);
    EXPECT_STREQ(font.lfFaceName, "Face");
}

TEST(TextFontRecord, FaceNamesAreCutAtACharacterBoundaryToFit) {
    LOGFONTA font{};
    memset(font.lfFaceName, 'x', sizeof font.lfFaceName);
    velk::SetFaceName(font, "Short");
    EXPECT_STREQ(font.lfFaceName, "Short");
    EXPECT_EQ(font.lfFaceName[31], 0) << "the rest is cleared";

    velk::SetFaceName(font, "0123456789012345678901234567890123456789");
    EXPECT_EQ(std::string(font.lfFaceName), "0123456789012345678901234567890");
    // 30 single bytes and a double-byte character: the character does not fit whole.
    velk::SetFaceName(font, "012345678901234567890123456789ゴ");
    EXPECT_EQ(std::string(font.lfFaceName), "012345678901234567890123456789");
    velk::SetFaceName(font, "ＭＳ Ｐゴシック");
    EXPECT_STREQ(font.lfFaceName, "ＭＳ Ｐゴシック");
    velk::SetFaceName(font, nullptr);
    EXPECT_STREQ(font.lfFaceName, "");
}

class Text : public ModeTest {
protected:
    // Sprite 1: 400 x 120, white.
    void SetUp() override {
        ModeTest::SetUp();
        velk_->SpriteState(1, 1);
        velk_->SpriteResize(1, kSpriteWidth, kSpriteHeight);
        Clear();
    }
    void Clear() { velk_->DrawBox(0, 0, kSpriteWidth, kSpriteHeight, kWhite, 1, 1); }
    Ink Measure() {
        Ink ink;
        velk::SpriteContext dc(velk_->SpriteTable[1]);
        for (LONG y = 0; y < kSpriteHeight; ++y)
            for (LONG x = 0; x < kSpriteWidth; ++x) {
                if (GetPixel(dc, x, y) == static_cast<COLORREF>(kWhite)) continue;
                ++ink.count;
                ink.left = std::min(ink.left, x);
                ink.right = std::max(ink.right, x);
                ink.top = std::min(ink.top, y);
                ink.bottom = std::max(ink.bottom, y);
            }
        return ink;
    }
    // Ink of one string drawn on a clean sprite at (x, y).
    Ink Draw(const wchar_t* text, LONG align = 0, LONG x = 10, LONG y = 10) {
        Clear();
        Bstr string(text);
        EXPECT_EQ(velk_->DrawString(x, y, string, align, kRed, 1), S_OK);
        return Measure();
    }
};

INSTANTIATE_TEST_SUITE_P(Modes, Text, ::testing::Values(1, 2), [](const ::testing::TestParamInfo<LONG>& info) {
    return info.param == 1 ? std::string("Gdi") : std::string("DirectDraw");
});

TEST_P(Text, AlignmentPutsTheTextBesideOrAroundX) {
    const Ink left = Draw(L"Hello", 0, 200, 30);
    ASSERT_GT(left.count, 20);
    EXPECT_GE(left.left, 200);
    EXPECT_LT(left.left, 205);
    EXPECT_GE(left.top, 30);
    EXPECT_LT(left.bottom, 30 + 25);

    const Ink right = Draw(L"Hello", 1, 200, 30);
    EXPECT_LE(right.right, 200);
    EXPECT_GT(right.right, 194);
    EXPECT_GE(right.top, 30);
    EXPECT_NEAR(right.width(), left.width(), 1);

    const Ink centre = Draw(L"Hello", 2, 200, 30);
    EXPECT_NEAR((centre.left + centre.right) / 2.0, 200.0, 3.0);
    EXPECT_GE(centre.top, 30);
}

TEST_P(Text, AmpersandsAreDrawnTabsExpandAndLineBreaksStartNewLines) {
    const Ink plain = Draw(L"ab");
    const Ink ampersand = Draw(L"a&b");
    EXPECT_GT(ampersand.width(), plain.width() + 4) << "the ampersand is a glyph, not a prefix";
    EXPECT_GT(ampersand.count, plain.count);
    const Ink spaced = Draw(L"a b");
    const Ink tabbed = Draw(L"a\tb");
    EXPECT_GT(tabbed.width(), spaced.width() + 20);
    const Ink two_lines = Draw(L"ab\nab");
    EXPECT_GT(two_lines.height(), plain.height() + 10);
    EXPECT_NEAR(two_lines.width(), plain.width(), 1) << "no word wrapping, each line aligned alike";
    EXPECT_EQ(Draw(nullptr).count, 0) << "a null text draws nothing";
    EXPECT_EQ(Draw(L"").count, 0);
}

TEST_P(Text, JapaneseTextDrawsInTheDefaultFace) {
    const Ink ink = Draw(L"日本語");
    EXPECT_GT(ink.count, 50);
    EXPECT_GT(ink.width(), 40);
}

TEST_P(Text, FontChangesApplyToLaterTextAndKeepTheOtherFields) {
    velk::SpriteSlot& slot = velk_->SpriteTable[1];
    const Ink normal = Draw(L"Weight");
    Bstr keep(L"default");
    velk_->DSetTextFont(255, 255, 255, 255, 255, keep, 1);
    EXPECT_EQ(slot.TextFont.lfWeight, 0);
    EXPECT_EQ(Draw(L"Weight").count, normal.count) << "all defaults change nothing";

    velk_->DSetTextFont(255, 1, 255, 255, 255, keep, 1);
    EXPECT_EQ(slot.TextFont.lfWeight, 800);
    EXPECT_EQ(slot.TextFont.lfHeight, 18);
    EXPECT_STREQ(slot.TextFont.lfFaceName, "ＭＳ Ｐゴシック");
    EXPECT_GT(Draw(L"Weight").count, normal.count + normal.count / 5) << "bold text has more ink";

    velk_->DSetTextFont(40, 0, 255, 255, 255, keep, 1);
    EXPECT_GT(Draw(L"Weight").height(), normal.height() + 10);

    velk_->DSetTextFont(255, 255, 255, 1, 255, keep, 1);
    const Ink underlined = Draw(L"Weight");
    EXPECT_TRUE(slot.TextFont.lfUnderline);
    EXPECT_GT(underlined.count, 0);

    Bstr capital(L"Default");
    velk_->DSetTextFont(255, 255, 255, 255, 255, capital, 1);
    EXPECT_STREQ(slot.TextFont.lfFaceName, "Default") << "only the exact keyword keeps the face";
    velk_->DSetTextFont(255, 255, 255, 255, 255, nullptr, 1);
    EXPECT_STREQ(slot.TextFont.lfFaceName, "");
    EXPECT_GT(Draw(L"Weight").count, 0) << "the platform picks a face for an empty name";
    EXPECT_STREQ(velk_->SpriteTable[0].TextFont.lfFaceName, "ＭＳ Ｐゴシック") << "other sprites keep theirs";
}

TEST_P(Text, CharacterSpacingLastsForLaterStrings) {
    const Ink before = Draw(L"iiii");
    velk_->DSetTextSpace(10, 1);
    const Ink spaced = Draw(L"iiii");
    EXPECT_GE(spaced.width(), before.width() + 28);
    velk_->DrawBox(0, 0, 10, 10, kRed, 1, 1);  // another member between the strings
    EXPECT_EQ(Draw(L"iiii").width(), spaced.width());
    velk_->DSetTextSpace(0, 1);
    EXPECT_EQ(Draw(L"iiii").width(), before.width());
}

TEST_P(Text, EachStringsFontIsDeletedAfterwards) {
    Bstr text(L"Leak?");
    const ResourceCounts before = CountResources();
    for (int i = 0; i < 300; ++i) velk_->DrawString(i % 300, 10, text, i % 3, kRed, 1);
    ExpectFlat(before, CountResources(), 5);
}

// The family exists only in a file of the test's own, and has no Japanese
// characters: the Japanese character set that the font record asks for would
// pass it over for another face.
TEST_P(Text, AFontFileAddedForTheProcessDrawsInItsFamilyUntilTakenBack) {
    TempDir dir;
    const std::string path = dir.File("block.ttf");
    WriteBytes(path, MakeBlockFont("VelkTestBlock"));
    // Each look uses a size of its own: the platform of the test bed keeps a
    // font request's answer while fonts are added and taken away.
    Bstr family(L"VelkTestBlock");
    velk_->DSetTextFont(38, 255, 255, 255, 255, family, 1);
    const Ink before = Draw(L"A");
    ASSERT_GT(before.count, 0);
    ASSERT_LT(before.count, 800) << "no block before the file is added";

    ASSERT_EQ(velk_->DAddFont(Bstr(std::wstring(path.begin(), path.end()).c_str())), S_OK);
    velk_->DSetTextFont(40, 255, 255, 255, 255, family, 1);
    const Ink block = Draw(L"A");
    EXPECT_GE(block.count, 36 * 36) << "the capital A of the file is a solid block";
    EXPECT_NEAR(block.width(), 40, 2);
    EXPECT_NEAR(block.height(), 40, 2);
    EXPECT_NE(Log().find("DAddFont フォントファイルを追加"), std::string::npos);

    velk_->RemoveAddedFonts();  // what the object's end does
    velk_->DSetTextFont(42, 255, 255, 255, 255, family, 1);
    EXPECT_LT(Draw(L"A").count, 800);
}

// ---------------------------------------------------------------- fatal paths

VELK_SCENARIO(DrawStringAlignThree) {
    return ScenarioInGdiMode([](VelkObject* v) { v->DrawString(0, 0, nullptr, 3, 0, 0); });
}
VELK_SCENARIO(DrawStringSpriteBeforeAlign) {
    return ScenarioInGdiMode([](VelkObject* v) { v->DrawString(0, 0, nullptr, -1, 0, 9); });
}
VELK_SCENARIO(TextFontEmpty) {
    return ScenarioInGdiMode([](VelkObject* v) { v->DSetTextFont(255, 255, 255, 255, 255, nullptr, 4); });
}
VELK_SCENARIO(AddMissingFontFile) {
    return ScenarioInGdiMode([](VelkObject* v) { v->DAddFont(Bstr(L"no such font.ttf")); });
}
VELK_SCENARIO(AddFontFromAFileOfAnotherKind) {
    return ScenarioInGdiMode([](VelkObject* v) {
        WriteBytes("not a font.ttf", Bytes(600, 0x5A));
        v->DAddFont(Bstr(L"not a font.ttf"));
    });
}
VELK_SCENARIO(AddFontNull) { return ScenarioInGdiMode([](VelkObject* v) { v->DAddFont(nullptr); }); }
VELK_SCENARIO(TextSpaceMinusOne) { return ScenarioInGdiMode([](VelkObject* v) { v->DSetTextSpace(1, -1); }); }

TEST(TextErrors, EndTheProcessWithTheExactText) {
    namespace t = velk::texts;
    const std::vector<FatalCase> cases = {
        {"DrawStringAlignThree", IdRangeText("DrawString テキスト位置定数 ", 3, "0(Left) 1(Right) 2(Center)")},
        {"DrawStringSpriteBeforeAlign", IdRangeText(t::kSubjectDrawing, 9, t::kSpriteRangeAny)},
        {"TextFontEmpty",
         std::string("  [ Error ] Typ:ID     ") + t::kSubjectDrawing +
             "で正しくないID : 4 が指定されました。\n\t\t->指定されたIDは空です。使用されていません"},
        {"TextSpaceMinusOne", IdRangeText(t::kSubjectDrawing, -1, t::kSpriteRangeAny)},
        {"AddMissingFontFile", FailedText(t::kFontFileNotFound)},
        {"AddFontFromAFileOfAnotherKind", FailedText(t::kFontFileRefused)},
        {"AddFontNull", ParamText(t::kSubjectAddFont)},
    };
    ExpectFatalEnds(cases);
}
