// SpriteLoadFromFile end to end: BMP, PNG and JPEG files of every kind made
// here, loaded through the real loader modules in both sprite representations;
// transparency under a colour key; the user-directory look-up; the fatal
// refusals through the child-process harness.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <utility>
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

namespace {
// One image file of the table: what it holds, and the picture it must give.
struct ImageFixture {
    const char* file;
    Bytes bytes;
    int width, height;
    std::vector<uint32_t> expected;  // 0x00RRGGBB, top row first
    int tolerance = 0;               // per channel; lossy formats only
    int margin = 0;                  // lossy: pixels this close to a colour edge are not compared
};

std::vector<uint32_t> FromPalette(const std::vector<uint8_t>& indices) {
    std::vector<uint32_t> colors;
    for (uint8_t i : indices) colors.push_back(FixturePaletteColor(i));
    return colors;
}

// `cell` x `cell` squares of the given colours, `across` squares to a row.
std::vector<uint32_t> Squares(const std::vector<uint32_t>& colors, int across, int cell) {
    const int down = int(colors.size()) / across;
    std::vector<uint32_t> pixels;
    for (int y = 0; y < down * cell; ++y)
        for (int x = 0; x < across * cell; ++x) pixels.push_back(colors[(y / cell) * across + x / cell]);
    return pixels;
}

PngPicture GreyPng(int bits, int width, int height) {
    PngPicture picture{width, height, 0, bits, {}};
    for (int i = 0; i < width * height; ++i) picture.Samples.push_back(uint16_t(i % (1 << bits)));
    return picture;
}
std::vector<uint32_t> GreyPixels(int bits, int count) {
    std::vector<uint32_t> pixels;
    for (int i = 0; i < count; ++i) pixels.push_back(uint32_t(i % (1 << bits)) * (255 / ((1 << bits) - 1)) * 0x010101u);
    return pixels;
}

// RGBA, one pixel per alpha class: opaque, fully transparent, half.
PngPicture RgbaPng() {
    return {3, 1, 6, 8, {0xFF, 0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x80}};
}
// The same three alpha classes through a palette with tRNS.
PngPicture PalettePng() {
    PngPicture picture{3, 1, 3, 2, {0, 1, 2}};
    picture.Palette = {0xFF, 0x00, 0x00, 0x00, 0xFF, 0x00, 0xFF, 0xFF, 0xFF};
    picture.Transparency = {0xFF, 0x00, 0x80};
    return picture;
}
// Red kept, the transparent pixel over black, white at half alpha.
const std::vector<uint32_t> kFlattened = {0xFF0000, 0x000000, 0x808080};

std::vector<ImageFixture> Fixtures() {
    const std::vector<uint8_t> indices = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14};  // 5 x 3
    const std::vector<uint8_t> runs = {2, 2, 2, 7, 7, 1, 1, 1, 1, 1, 12, 3, 3, 3, 15};
    const std::vector<uint8_t> bits1 = {0, 1, 1, 0, 1, 1, 0, 0, 1, 0, 0, 0, 1, 1, 1};
    const std::vector<uint32_t> pure = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000, 0xFF00FF};
    std::vector<uint32_t> nine_by_nine;
    for (int i = 0; i < 81; ++i) nine_by_nine.push_back(uint32_t(i) * 0x030507u & 0xFFFFFF);

    PngPicture interlaced{9, 9, 2, 8, {}};
    for (uint32_t p : nine_by_nine)
        interlaced.Samples.insert(interlaced.Samples.end(), {uint16_t(p >> 16), uint16_t(p >> 8 & 0xFF), uint16_t(p & 0xFF)});
    interlaced.Interlaced = true;
    // 16 bits per channel: the top byte decides, the low byte must not disturb it.
    PngPicture deep{3, 2, 2, 16, {}};
    for (uint32_t p : kPicture)
        deep.Samples.insert(deep.Samples.end(),
                            {uint16_t((p >> 16) * 0x101), uint16_t((p >> 8 & 0xFF) * 0x101), uint16_t((p & 0xFF) * 0x101)});
    PngPicture interlaced_grey = GreyPng(4, 9, 9);
    interlaced_grey.Interlaced = true;

    const std::vector<uint32_t> photo = Squares({0xE02020, 0x20C040, 0x2040E0, 0xF0F0F0}, 2, 16);
    const std::vector<uint32_t> grey_photo = Squares({0x404040, 0xC0C0C0}, 2, 16);
    const std::vector<uint32_t> blocks = {0xE02020, 0x20C040, 0x2040E0, 0xF0F0F0};
    return {
        {"bottom.bmp", MakeBmp24(kPictureWidth, kPictureHeight, kPicture), 3, 2, kPicture},
        {"top.bmp", MakeBmp24(kPictureWidth, kPictureHeight, kPicture, true), 3, 2, kPicture},
        {"one.bmp", MakeBmpIndexed(5, 3, bits1, 1, false), 5, 3, FromPalette(bits1)},
        {"core4.bmp", MakeBmpIndexed(5, 3, indices, 4, true), 5, 3, FromPalette(indices)},
        {"eight.bmp", MakeBmpIndexed(5, 3, indices, 8, false), 5, 3, FromPalette(indices)},
        {"four.bmp", MakeBmpIndexed(5, 3, indices, 4, false), 5, 3, FromPalette(indices)},
        {"core8.bmp", MakeBmpIndexed(5, 3, indices, 8, true), 5, 3, FromPalette(indices)},
        {"core1.bmp", MakeBmpIndexed(5, 3, bits1, 1, true), 5, 3, FromPalette(bits1)},
        {"rle8.bmp", MakeBmpRle(5, 3, runs, 8), 5, 3, FromPalette(runs)},
        {"rle4.bmp", MakeBmpRle(5, 3, runs, 4), 5, 3, FromPalette(runs)},
        {"fields.bmp", MakeBmp565(3, 2, pure), 3, 2, pure},
        {"rgb.png", MakePng(kPictureWidth, kPictureHeight, kPicture), 3, 2, kPicture},
        {"interlaced.png", MakePng(interlaced), 9, 9, nine_by_nine},
        {"deep.png", MakePng(deep), 3, 2, kPicture},
        {"grey1.png", MakePng(GreyPng(1, 5, 2)), 5, 2, GreyPixels(1, 10)},
        {"grey2.png", MakePng(GreyPng(2, 5, 2)), 5, 2, GreyPixels(2, 10)},
        {"grey4.png", MakePng(interlaced_grey), 9, 9, GreyPixels(4, 81)},
        {"rgba.png", MakePng(RgbaPng()), 3, 1, kFlattened},
        {"palette.png", MakePng(PalettePng()), 3, 1, kFlattened},
        {"photo.jpg", MakeJpeg(32, 32, photo), 32, 32, photo, 16, 3},
        {"grey.jpg", MakeJpeg(32, 16, grey_photo, true), 32, 16, grey_photo, 8, 3},
        {"progressive.jpg", MakeProgressiveJpeg(blocks), 32, 8, Squares(blocks, 4, 8), 8},
        {"cmyk.jpg", MakeProgressiveJpeg(blocks, true), 32, 8, Squares(blocks, 4, 8), 8},
    };
}

// True when every source pixel within `margin` of (x, y) has the same colour.
bool AwayFromEdges(const ImageFixture& f, int x, int y) {
    for (int dy = -f.margin; dy <= f.margin; ++dy)
        for (int dx = -f.margin; dx <= f.margin; ++dx) {
            const int nx = std::min(std::max(x + dx, 0), f.width - 1), ny = std::min(std::max(y + dy, 0), f.height - 1);
            if (f.expected[size_t(ny) * f.width + nx] != f.expected[size_t(y) * f.width + x]) return false;
        }
    return true;
}

bool Near(LONG got, LONG want, int tolerance) {
    for (int shift = 0; shift < 24; shift += 8)
        if (abs(int(got >> shift & 0xFF) - int(want >> shift & 0xFF)) > tolerance) return false;
    return true;
}
}  // namespace

TEST_P(ImageLoading, EveryKindOfFileGivesItsSizeAndColours) {
    velk_->SpriteState(7, 1);  // a sprite of another size, replaced by every load
    for (const ImageFixture& f : Fixtures()) {
        SCOPED_TRACE(f.file);
        ASSERT_FALSE(f.bytes.empty()) << "the fixture could not be made";
        WriteBytes(dir_.File(f.file), f.bytes);
        const std::wstring name(f.file, f.file + strlen(f.file));
        Load(7, name.c_str());
        ASSERT_EQ(velk_->SpriteTable[7].Width, f.width);
        ASSERT_EQ(velk_->SpriteTable[7].Height, f.height);
        int wrong = 0;
        for (int y = 0; y < f.height; ++y)
            for (int x = 0; x < f.width && wrong < 6; ++x) {
                if (!AwayFromEdges(f, x, y)) continue;
                const LONG got = Pixel(x, y, 7), want = AsColorRef(f.expected[size_t(y) * f.width + x]);
                if (!Near(got, want, f.tolerance)) {
                    ++wrong;
                    ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << got << " instead of " << want;
                }
            }
    }
}

TEST_P(ImageLoading, TransparentPixelsShowWhatLiesBehindUnderAColourKey) {
    constexpr LONG kBackground = 0x00336699;
    // A bitmap has no alpha: its key-coloured pixel is the transparent one.
    const std::pair<const char*, Bytes> files[] = {
        {"rgba.png", MakePng(RgbaPng())},
        {"palette.png", MakePng(PalettePng())},
        {"key.bmp", MakeBmp24(3, 1, {kFlattened[0], 0xFF00FF, kFlattened[2]})},
    };
    for (const auto& [file, bytes] : files) {
        SCOPED_TRACE(file);
        velk_->SpriteKill(velk_->SpriteTable[6], 6, 0);
        velk_->SpriteState(6, 1);
        velk_->DSetColorKey(kMagenta, 6);
        WriteBytes(dir_.File(file), bytes);
        const std::wstring name(file, file + strlen(file));
        Load(6, name.c_str());
        EXPECT_EQ(velk_->SpriteTable[6].ColorKey, kMagenta);
        velk_->DrawBox(0, 0, 8, 8, kBackground, 1, 0);
        velk_->Blt(6, 0, 0, 3, 1, 0, 0, 0);
        EXPECT_EQ(Pixel(0, 0), AsColorRef(kFlattened[0]));
        EXPECT_EQ(Pixel(1, 0), kBackground) << "transparent under the key that the slot kept";
        EXPECT_EQ(Pixel(2, 0), AsColorRef(kFlattened[2])) << "half alpha is drawn over black";
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, ImageLoading, ::testing::Values(1, 2),
                         [](const ::testing::TestParamInfo<LONG>& info) {
                             return info.param == 1 ? std::string("Gdi") : std::string("DirectDraw");
                         });

// ---------------------------------------------------------------- the loader contract

namespace {
int progress_calls = 0;
int WINAPI CountProgress(int, int, int) { return ++progress_calls, 0; }
using GetPictureFunction = int(WINAPI*)(const char*, LONG, LONG, HLOCAL*, HLOCAL*, int(WINAPI*)(int, int, int), LONG);

struct ThreadOutcome {
    int result = -1;
    LONG width = 0, height = 0;
    HRESULT com_after = E_FAIL;  // joining the multithreaded apartment once the caller is done with COM
};
}  // namespace

// Called directly on threads without COM, in a single-threaded and in the
// multithreaded apartment: the blocks come back each time, and the thread's COM
// state is what it was.
TEST(LoaderModule, DecodesOnEveryThreadAndLeavesItsComStateAsFound) {
    TempDir dir;
    const std::string file = dir.File("pic.png");
    WriteBytes(file, MakePng(kPictureWidth, kPictureHeight, kPicture));
    HMODULE module = LoadLibraryA("pngloader.");
    ASSERT_TRUE(module);
    const auto get_picture =
        reinterpret_cast<GetPictureFunction>(reinterpret_cast<void*>(GetProcAddress(module, "GetPicture")));
    ASSERT_TRUE(get_picture);
    constexpr DWORD kNoCom = 0xFFFFFFFF;
    for (DWORD apartment : {kNoCom, DWORD(COINIT_APARTMENTTHREADED), DWORD(COINIT_MULTITHREADED)}) {
        SCOPED_TRACE(apartment);
        ThreadOutcome outcome;
        progress_calls = 0;
        std::thread([&] {
            if (apartment != kNoCom) CoInitializeEx(nullptr, apartment);
            HLOCAL info = nullptr, bits = nullptr;
            outcome.result = get_picture(file.c_str(), 0, 0, &info, &bits, CountProgress, 0);
            if (info && bits) {
                const auto* header = static_cast<const BITMAPINFOHEADER*>(LocalLock(info));
                outcome.width = header->biWidth;
                outcome.height = header->biHeight;
                LocalUnlock(info);
            }
            if (info) LocalFree(info);
            if (bits) LocalFree(bits);
            if (apartment != kNoCom) CoUninitialize();
            outcome.com_after = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            if (SUCCEEDED(outcome.com_after)) CoUninitialize();
        }).join();
        EXPECT_EQ(outcome.result, 0);
        EXPECT_EQ(outcome.width, kPictureWidth);
        EXPECT_EQ(outcome.height, kPictureHeight);
        EXPECT_GT(progress_calls, 0);
        EXPECT_EQ(outcome.com_after, S_OK) << "the loader left COM initialised on the thread";
    }
    FreeLibrary(module);
}

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
VELK_SCENARIO(LoadTruncatedPng) {
    return ScenarioInGdiMode([](VelkObject* v) {
        Bytes png = MakePng(kPictureWidth, kPictureHeight, kPicture);
        png.resize(png.size() / 2);
        LoadAfterWriting(v, "cut.png", png, L"cut.png");
    });
}
VELK_SCENARIO(LoadTruncatedJpeg) {
    return ScenarioInGdiMode([](VelkObject* v) {
        Bytes jpeg = MakeJpeg(32, 32, std::vector<uint32_t>(32 * 32, 0x2040E0));
        jpeg.resize(jpeg.size() / 2);
        LoadAfterWriting(v, "cut.jpg", jpeg, L"cut.jpg");
    });
}

TEST(ImageLoadingFatal, RefusalsEndTheProcessWithTheirTexts) {
    const char* subject = "スプライト読み込み関数( SpriteLoadFromFile ) ";
    const std::string unsupported = Failed("非対応ファイルです.( InvalidFormat BMP,JPG,PNG ) ");
    const std::vector<FatalCase> cases = {
        {"LoadZero", IdRangeText(subject, 0, "１～最大スプライト数")},
        {"LoadNine", IdRangeText(subject, 9, "１～最大スプライト数")},
        {"LoadMissing", Failed("Image File Not Found")},
        {"LoadLongName", Failed("Image File Not Found")},
        {"LoadText", unsupported},
        {"LoadTruncatedBmp", unsupported},
        {"LoadTruncatedPng", Failed("画像ファイルを展開できませんでした.( cut.png ) ")},
        {"LoadTruncatedJpeg", Failed("画像ファイルを展開できませんでした.( cut.jpg ) ")},
    };
    ExpectFatalEnds(cases);
}
