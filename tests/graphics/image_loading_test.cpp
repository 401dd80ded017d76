// SpriteLoadFromFile end to end: BMP and PNG files made here, loaded through the
// real loader modules in both sprite representations; the user-directory
// look-up; the fatal refusals through the child-process harness.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/texts.h"
#include "graphics/graphics_fixture.h"
#include "support/bstr.h"
#include "support/image_file.h"
#include "support/local_app_data.h"

using namespace velk_test;

namespace {
// 0x00RRGGBB words, top row first, as the image helpers take them.
const std::vector<uint32_t> kPicture = {0xFF0000, 0x00FF00, 0x0000FF, 0x123456, 0xFFFFFF, 0xFF00FF};
constexpr int kPictureWidth = 3, kPictureHeight = 2;
constexpr LONG kMagenta = 0x00FF00FF;

LONG AsColorRef(uint32_t rgb) { return LONG(((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF)); }

std::string Failed(const char* reason) { return std::string("### Failed  ") + reason; }
}  // namespace

class ImageLoading : public ModeTest {
protected:
    void Load(LONG sprite, const wchar_t* name) { velk_->SpriteLoadFromFile(sprite, Bstr(name)); }
    void ExpectPicture(LONG sprite) {
        EXPECT_EQ(velk_->SpriteTable[sprite].Width, kPictureWidth);
        EXPECT_EQ(velk_->SpriteTable[sprite].Height, kPictureHeight);
        for (int y = 0; y < kPictureHeight; ++y)
            for (int x = 0; x < kPictureWidth; ++x)
                EXPECT_EQ(Pixel(x, y, sprite), AsColorRef(kPicture[y * kPictureWidth + x])) << x << "," << y;
    }
};

TEST_P(ImageLoading, BmpReplacesASpriteOfAnotherSizeAndLogsItsSteps) {
    velk_->SpriteState(2, 1);
    WriteBytes(dir_.File("pic.bmp"), MakeBmp24(kPictureWidth, kPictureHeight, kPicture));
    NewLog();
    Load(2, L"pic.bmp");
    ExpectPicture(2);
    EXPECT_EQ(NewLog(),
              std::string("### SpriteLoadFromFile 画像ファイルよりスプライトを作成\r\n") +
                  "\t[ Info  ] FilePath = pic.bmp\r\n" +
                  "\t[ Step  ] Joint Photographic Exports Group(JPG) Already\r\n" +
                  "\t[ Step  ] Portable Network Graphics(PNG) Already Already\r\n" +
                  "\t[ Step  ]  ** As BITMAP Image file **\r\n" +
                  "\t  ** SpriteKill(スプライト解放関数) を行います ** \r\n\t[ Info  ] ターゲットID = 2\r\n" +
                  "\t  ******************* \r\n" +
                  "\t  ** SpriteMake(スプライト作成関数) を行います ** \r\n\t[ Info  ] ターゲットID = 2\r\n" +
                  "\t[ Info  ] Width = 3 , Height = 2\r\n\t  ******************* \r\n" +
                  "\t[ Info  ] Width = 3 , Height = 2\r\n### Succeed\r\n");
}

TEST_P(ImageLoading, TopDownBmpAndPngGiveTheSamePicture) {
    WriteBytes(dir_.File("top.bmp"), MakeBmp24(kPictureWidth, kPictureHeight, kPicture, true));
    Load(4, L"top.bmp");
    ExpectPicture(4);

    WriteBytes(dir_.File("pic.png"), MakePng(kPictureWidth, kPictureHeight, kPicture, 6, {4, 1}));
    NewLog();
    Load(8, L"pic.png");
    ExpectPicture(8);
    const std::string log = NewLog();
    EXPECT_EQ(CountLines(log, " ** As PNG Image file **"), 1);
    EXPECT_EQ(CountLines(log, "As BITMAP"), 0);
    EXPECT_EQ(CountLines(log, "\t[ Info  ] Width = 3 , Height = 2\r\n### Succeed"), 1);
}

TEST_P(ImageLoading, AColourKeyOfTheSlotStaysWithTheNewPicture) {
    velk_->SpriteState(5, 1);
    velk_->DSetColorKey(kMagenta, 5);
    WriteBytes(dir_.File("pic.bmp"), MakeBmp24(kPictureWidth, kPictureHeight, kPicture));
    Load(5, L"pic.bmp");
    EXPECT_EQ(velk_->SpriteTable[5].ColorKey, kMagenta);
    if (GetParam() == 1) {
        EXPECT_EQ(Pixel(2, 1, 5), 0) << "key pixels turn black for the mask transfer";
        EXPECT_EQ(PlatformPixel(5, 2, 1 + kPictureHeight), 0xFFFFFFu) << "mask row is white under the key pixel";
        EXPECT_EQ(PlatformPixel(5, 0, kPictureHeight), 0u);
    } else {
        DDCOLORKEY key{};
        ASSERT_EQ(velk_->SpriteTable[5].Surface->GetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, ImageLoading, ::testing::Values(1, 2),
                         [](const ::testing::TestParamInfo<LONG>& info) {
                             return info.param == 1 ? std::string("Gdi") : std::string("DirectDraw");
                         });

using ImageFromUserDirectory = GraphicsTest;

TEST_F(ImageFromUserDirectory, ABareNameIsLookedUpThereOnlyWhenTheCurrentDirectoryLacksIt) {
    ASSERT_TRUE(SetMode(1));
    LocalAppDataSetting setting;
    const std::string app_data = dir_.File("appdata");
    CreateDirectoryA(app_data.c_str(), nullptr);
    CreateDirectoryA((app_data + "\\VELKUserDir").c_str(), nullptr);
    setting.Set(app_data);
    const std::string user_dir = app_data + "\\VELKUserDir\\";

    WriteBytes(user_dir + "only.png", MakePng(kPictureWidth, kPictureHeight, kPicture));
    velk_->SpriteLoadFromFile(1, Bstr(L"only.png"));
    EXPECT_EQ(velk_->SpriteTable[1].Width, kPictureWidth);
    EXPECT_EQ(Pixel(0, 0, 1), AsColorRef(kPicture[0]));

    WriteBytes(dir_.File("both.bmp"), MakeBmp24(1, 1, {0x102030}));
    WriteBytes(user_dir + "both.bmp", MakeBmp24(1, 1, {0x405060}));
    velk_->SpriteLoadFromFile(1, Bstr(L"both.bmp"));
    EXPECT_EQ(Pixel(0, 0, 1), AsColorRef(0x102030));
    DeleteFileA((user_dir + "only.png").c_str());
    DeleteFileA((user_dir + "both.bmp").c_str());
    RemoveDirectoryA((app_data + "\\VELKUserDir").c_str());
}

// ---------------------------------------------------------------- fatal refusals

namespace {
void LoadAfterWriting(VelkObject* velk, const char* file, const Bytes& bytes, const wchar_t* name) {
    WriteBytes(file, bytes);
    velk->SpriteLoadFromFile(3, Bstr(name));
}
}  // namespace

VELK_SCENARIO(LoadZero) {
    return ScenarioInGdiMode([](VelkObject* v) { v->SpriteLoadFromFile(0, Bstr(L"x.bmp")); });
}
VELK_SCENARIO(LoadNine) {
    return ScenarioInGdiMode([](VelkObject* v) { v->SpriteLoadFromFile(9, Bstr(L"x.bmp")); });
}
VELK_SCENARIO(LoadMissing) {
    return ScenarioInGdiMode([](VelkObject* v) { v->SpriteLoadFromFile(3, Bstr(L"missing.bmp")); });
}
VELK_SCENARIO(LoadLongName) {
    return ScenarioInGdiMode([](VelkObject* v) { v->SpriteLoadFromFile(3, Bstr(std::wstring(300, L'a'))); });
}
VELK_SCENARIO(LoadText) {
    return ScenarioInGdiMode([](VelkObject* v) { LoadAfterWriting(v, "note.txt", {'h', 'e', 'l', 'l', 'o'}, L"note.txt"); });
}
VELK_SCENARIO(LoadTruncatedBmp) {
    return ScenarioInGdiMode([](VelkObject* v) {
        Bytes bmp = MakeBmp24(kPictureWidth, kPictureHeight, kPicture);
        bmp.resize(bmp.size() - 1);
        LoadAfterWriting(v, "cut.bmp", bmp, L"cut.bmp");
    });
}
VELK_SCENARIO(LoadJpeg) {
    return ScenarioInGdiMode([](VelkObject* v) {
        LoadAfterWriting(v, "photo.jpg", {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0, 0xFF, 0xD9}, L"photo.jpg");
    });
}
VELK_SCENARIO(LoadBrokenPng) {
    return ScenarioInGdiMode([](VelkObject* v) {
        Bytes png = MakePng(kPictureWidth, kPictureHeight, kPicture);
        png.resize(40);
        LoadAfterWriting(v, "broken.png", png, L"broken.png");
    });
}

TEST(ImageLoadingFatal, RefusalsEndTheProcessWithTheirTexts) {
    const char* subject = "スプライト読み込み関数( SpriteLoadFromFile ) ";
    const std::string unsupported = Failed("非対応ファイルです.( InvalidFormat BMP,JPG,PNG ) ");
    const FatalCase cases[] = {
        {"LoadZero", IdRangeText(subject, 0, "１～最大スプライト数")},
        {"LoadNine", IdRangeText(subject, 9, "１～最大スプライト数")},
        {"LoadMissing", Failed("Image File Not Found")},
        {"LoadLongName", Failed("Image File Not Found")},
        {"LoadText", unsupported},
        {"LoadTruncatedBmp", unsupported},
        {"LoadJpeg", unsupported},
        {"LoadBrokenPng", Failed(velk::texts::kImageDecodeFailed)},
    };
    for (const FatalCase& fatal : cases) {
        SCOPED_TRACE(fatal.scenario);
        TempDir dir;
        ScenarioResult result = RunScenario(fatal.scenario, dir.path());
        ASSERT_TRUE(EndedFatallyWithOneBox(result));
        EXPECT_EQ(result.boxes[0].text, fatal.text);
        std::string logged = fatal.text;
        if (logged.find('\n') != std::string::npos) logged.replace(logged.find('\n'), 1, "\r\n");
        EXPECT_NE(result.log.find(logged + "\r\n"), std::string::npos);
    }
}
