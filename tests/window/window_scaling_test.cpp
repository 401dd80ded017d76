// wScale and wFullScreen: the placement arithmetic alone, then the scaled
// picture, the pointer and the borderless window on the test display.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "core/texts.h"
#include "graphics/graphics_fixture.h"
#include "window/scaling_math.h"

using namespace velk_test;

namespace {

std::string Text(const RECT& r) {
    return "{" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + "}";
}

constexpr COLORREF kBack = 0x808080, kRed = 0x0000FF, kGreen = 0x00FF00, kBlack = 0;

}  // namespace

// ---------------------------------------------------------------- arithmetic

TEST(ScalingMath, DestinationOfEachModeInTheArea) {
    struct Case {
        LONG mode, buffer_w, buffer_h, area_w, area_h;
        RECT want;
    };
    const Case cases[] = {
        {velk::kScaleFill, 320, 240, 1000, 700, {0, 0, 1000, 700}},
        {velk::kScaleAspect, 320, 240, 1000, 600, {100, 0, 900, 600}},      // height limits
        {velk::kScaleAspect, 320, 240, 640, 600, {0, 60, 640, 540}},        // width limits
        {velk::kScaleAspect, 321, 199, 640, 480, {0, 41, 640, 438}},        // 396.76 rounds to 397
        {velk::kScaleAspect, 320, 240, 0, 0, {0, 0, 0, 0}},                 // minimized
        {velk::kScaleWhole, 320, 240, 1000, 700, {180, 110, 820, 590}},     // 2x: the height limits
        {velk::kScaleWhole, 320, 240, 960, 720, {0, 0, 960, 720}},          // 3x exactly
        {velk::kScaleWhole, 213, 157, 640, 480, {0, 4, 639, 475}},          // 3x, odd sizes
        {velk::kScaleWhole, 800, 600, 640, 480, {-80, -60, 720, 540}},      // 1x, centred and cut
        {velk::kScaleWhole, 641, 480, 640, 480, {-1, 0, 640, 480}},         // the odd pixel cut on the left
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.mode) + ": " + std::to_string(c.buffer_w) + "x" + std::to_string(c.buffer_h) +
                     " in " + std::to_string(c.area_w) + "x" + std::to_string(c.area_h));
        EXPECT_EQ(Text(velk::ScaledDestination(c.mode, c.buffer_w, c.buffer_h, c.area_w, c.area_h)), Text(c.want));
    }
    EXPECT_EQ(velk::WholeMultiple(320, 240, 319, 2000), 1) << "at least 1";
    EXPECT_EQ(velk::WholeMultiple(100, 100, 4096, 4096), 40);
}

TEST(ScalingMath, BarsCoverExactlyWhatTheDestinationLeaves) {
    struct Case {
        RECT destination;
        LONG area_w, area_h;
        std::vector<std::string> want;
    };
    const Case cases[] = {
        {{180, 110, 820, 590}, 1000, 700, {"{0,0,1000,110}", "{0,590,1000,700}", "{0,110,180,590}", "{820,110,1000,590}"}},
        {{0, 4, 639, 475}, 640, 480, {"{0,0,640,4}", "{0,475,640,480}", "{639,4,640,475}"}},
        {{100, 0, 900, 600}, 1000, 600, {"{0,0,100,600}", "{900,0,1000,600}"}},
        {{-80, -60, 720, 540}, 640, 480, {}},
        {{0, 0, 640, 480}, 640, 480, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Text(c.destination));
        RECT bars[4];
        const int count = velk::UncoveredBars(c.destination, c.area_w, c.area_h, bars);
        std::vector<std::string> got;
        for (int i = 0; i < count; ++i) got.push_back(Text(bars[i]));
        EXPECT_EQ(got, c.want);
    }
}

TEST(ScalingMath, PointerMapsToThePixelUnderItClampedAndBackToThatPixelsCentre) {
    struct Case {
        LONG client, start, span, buffer, want;
    };
    const Case cases[] = {
        {180, 180, 640, 320, 0}, {181, 180, 640, 320, 0}, {182, 180, 640, 320, 1}, {819, 180, 640, 320, 319},
        {820, 180, 640, 320, 319},  // the bar right of the picture
        {0, 180, 640, 320, 0},      // the bar left of it
        {-5000, 180, 640, 320, 0}, {5000, 180, 640, 320, 319},
        {2, 0, 1000, 320, 0}, {3, 0, 1000, 320, 1},  // 2.5 and 3.5 client pixels in: 0.8 and 1.12
        {10, 0, 0, 320, 0},                          // nothing shown
    };
    for (const Case& c : cases)
        EXPECT_EQ(velk::ClientToBuffer(c.client, c.start, c.span, c.buffer), c.want)
            << c.client << " in " << c.start << "+" << c.span << " for " << c.buffer;

    struct Geometry {
        LONG start, span, buffer;
    };
    for (const Geometry& g : {Geometry{180, 640, 320}, Geometry{0, 1000, 320}, Geometry{41, 397, 199},
                              Geometry{-1, 641, 641}, Geometry{5, 960, 320}}) {
        for (LONG p = 0; p < g.buffer; ++p) {
            const LONG client = velk::BufferToClient(p, g.start, g.span, g.buffer);
            ASSERT_EQ(velk::ClientToBuffer(client, g.start, g.span, g.buffer), p) << g.start << "+" << g.span;
        }
    }
    EXPECT_EQ(velk::BufferToClient(0, 180, 640, 320), 181);
    EXPECT_EQ(velk::BufferToClient(-1, 180, 640, 320), 179) << "left of the picture, not clamped";
    EXPECT_EQ(velk::BufferToClient(0x7FFFFFFF, 0, 4096, 1), 0x7FFFFFFF) << "saturates";
}

TEST(ScalingMath, SamplingTakesWholePixelsAndOnlyTheVisiblePart) {
    // 3 x 2 pixels in rows of 4; the fourth word of each row is padding.
    const uint32_t source[] = {1, 2, 3, 99, 4, 5, 6, 99};
    std::vector<uint32_t> out;
    std::vector<LONG> columns;
    struct Case {
        RECT destination, visible;
        std::vector<uint32_t> want;
    };
    const Case cases[] = {
        {{10, 20, 16, 24}, {10, 20, 16, 24},
         {1, 1, 2, 2, 3, 3, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 4, 4, 5, 5, 6, 6}},
        {{-1, -1, 2, 1}, {0, 0, 2, 1}, {5, 6}},               // 1x, cut on the left and above
        {{0, 0, 5, 2}, {0, 0, 5, 2}, {1, 1, 2, 3, 3, 4, 4, 5, 6, 6}},  // 5/3: no blend, the nearest
        {{0, 0, 2, 1}, {0, 0, 2, 1}, {4, 6}},                 // shrunk: the pixels under the centres
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Text(c.destination));
        velk::SampleNearest(source, 4, 3, 2, c.destination, c.visible, out, columns);
        EXPECT_EQ(out, c.want);
    }
}

// Whole factors across the full width have rows of their own: every pixel
// still the one under its centre, across runs of four and the rest.
TEST(ScalingMath, WholeFactorsRepeatEachPixel) {
    const LONG width = 9, height = 2;
    std::vector<uint32_t> source(width * height);
    for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<uint32_t>(i + 1);
    std::vector<uint32_t> out;
    std::vector<LONG> columns;
    for (LONG factor = 1; factor <= 5; ++factor) {
        SCOPED_TRACE(factor);
        const RECT whole = {0, 0, width * factor, height * factor};
        velk::SampleNearest(source.data(), width, width, height, whole, whole, out, columns);
        ASSERT_EQ(out.size(), static_cast<size_t>(width * factor * height * factor));
        for (LONG y = 0; y < height * factor; ++y)
            for (LONG x = 0; x < width * factor; ++x)
                ASSERT_EQ(out[y * width * factor + x], source[(y / factor) * width + x / factor]) << x << ", " << y;
    }
}

TEST(ScalingMath, ValidSettings) {
    struct Case {
        LONG width, height, mode;
        bool valid;
    };
    const Case cases[] = {{0, 0, 0, true},     {1, 1, 1, true},      {4096, 4096, 3, true}, {320, 240, 2, true},
                          {0, 240, 1, false},  {320, 0, 1, false},   {4097, 240, 1, false}, {320, 4097, 3, false},
                          {320, 240, 0, false}, {0, 0, 1, false},    {320, 240, 4, false},  {320, 240, -1, false},
                          {-320, 240, 1, false}};
    for (const Case& c : cases)
        EXPECT_EQ(velk::IsValidScale(c.width, c.height, c.mode), c.valid) << c.width << "x" << c.height << " " << c.mode;
}

// ---------------------------------------------------------------- the scaled picture

class ScaledPresentation : public ModeTest {
protected:
    // Grey back buffer of width x height, red top-left and green bottom-right pixel.
    void DrawPattern(LONG width, LONG height) {
        velk_->DrawBox(0, 0, width, height, kBack, 1, 0);
        velk_->DrawPixel(0, 0, kRed, 0);
        velk_->DrawPixel(width - 1, height - 1, kGreen, 0);
    }
};
INSTANTIATE_TEST_SUITE_P(Modes, ScaledPresentation, ::testing::Values(1, 2),
                         [](const ::testing::TestParamInfo<LONG>& info) {
                             return info.param == 1 ? std::string("Gdi") : std::string("DirectDraw");
                         });

TEST_P(ScaledPresentation, WholePixelsInEachModeWithBlackBarsAround) {
    struct Probe {
        int x, y;
        COLORREF want;
    };
    struct Case {
        LONG mode, width, height, client_w, client_h;
        std::vector<Probe> probes;
    };
    const std::vector<Case> cases = {
        // 2.5 x 2: buffer column 0 covers client columns 0-1, column 1 covers 2-4.
        {1, 320, 240, 800, 480, {{0, 0, kRed}, {1, 1, kRed}, {2, 0, kBack}, {0, 2, kBack},
                                 {797, 478, kGreen}, {799, 479, kGreen}, {796, 479, kBack}, {797, 477, kBack}}},
        // 2 x 2 centred: black bars of 80 columns on both sides.
        {2, 320, 240, 800, 480, {{79, 0, kBlack}, {80, 0, kRed}, {81, 1, kRed}, {82, 0, kBack},
                                 {719, 479, kGreen}, {718, 478, kGreen}, {717, 479, kBack}, {720, 479, kBlack}}},
        // 3x: 639 x 471 at (0, 4); bars above, below and one column on the right.
        {3, 213, 157, 640, 480, {{0, 3, kBlack}, {0, 4, kRed}, {2, 6, kRed}, {3, 4, kBack}, {0, 7, kBack},
                                 {636, 472, kGreen}, {638, 474, kGreen}, {635, 474, kBack}, {638, 475, kBlack},
                                 {639, 100, kBlack}, {320, 479, kBlack}}},
        // 3x exactly: no bars.
        {3, 320, 240, 960, 720, {{2, 2, kRed}, {3, 3, kBack}, {957, 717, kGreen}, {959, 719, kGreen}}},
    };
    velk_->put_SoftwareFPS(-1);
    for (const Case& c : cases) {
        SCOPED_TRACE("wScale " + std::to_string(c.width) + ", " + std::to_string(c.height) + ", " +
                     std::to_string(c.mode));
        SetClientSize(window_, c.client_w, c.client_h);
        velk_->wScale(c.width, c.height, c.mode);
        ASSERT_EQ(velk_->SpriteTable[0].Width, c.width);
        ASSERT_EQ(velk_->SpriteTable[0].Height, c.height);
        EXPECT_EQ(velk_->ScreenWidth, c.width) << "new sprites and text take the back buffer's size";
        DrawPattern(c.width, c.height);
        velk_->Refresh();
        for (const Probe& p : c.probes) EXPECT_EQ(WindowPixel(window_, p.x, p.y), p.want) << p.x << "," << p.y;
    }
}

TEST_P(ScaledPresentation, PointerReadsAndSetsInBackBufferUnits) {
    struct Case {
        LONG mode;
        POINT client;      // where the pointer is put
        LONG want_x, want_y;
    };
    // 320 x 240 in 800 x 480: fill 2.5 x 2; aspect and whole 2x at (80, 0).
    const Case cases[] = {
        {1, {0, 0}, 0, 0},       {1, {799, 479}, 319, 239}, {1, {3, 5}, 1, 2},
        {2, {10, 100}, 0, 50},   {2, {81, 1}, 0, 0},        {2, {82, 2}, 1, 1},  {2, {790, 479}, 319, 239},
        {3, {719, 478}, 319, 239}, {3, {720, 0}, 319, 0},
    };
    SetClientSize(window_, 800, 480);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        velk_->wScale(320, 240, c.mode);
        POINT screen = c.client;
        ClientToScreen(window_, &screen);
        SetCursorPos(screen.x, screen.y);
        LONG x = -1, y = -1;
        velk_->get_MouseX(&x);
        velk_->get_MouseY(&y);
        EXPECT_EQ(x, c.want_x) << c.client.x;
        EXPECT_EQ(y, c.want_y) << c.client.y;
    }
    // Put: the centre of the back-buffer pixel (2x at 80, 0), which reads back as put.
    velk_->wScale(320, 240, 3);
    velk_->put_MouseX(100);
    velk_->put_MouseY(7);
    POINT now{};
    GetCursorPos(&now);
    ScreenToClient(window_, &now);
    EXPECT_EQ(now.x, 80 + 201);
    EXPECT_EQ(now.y, 15);
    LONG x = -1, y = -1;
    velk_->get_MouseX(&x);
    velk_->get_MouseY(&y);
    EXPECT_EQ(x, 100);
    EXPECT_EQ(y, 7);
    velk_->wScale(0, 0, 0);
    velk_->get_MouseX(&x);
    EXPECT_EQ(x, 80 + 201) << "client units again";
}

// ---------------------------------------------------------------- the library's window

using WindowScaling = GraphicsTest;

TEST_F(WindowScaling, BackBufferStaysFixedAcrossResizesAndModesUntilScaleIsOff) {
    UseLibraryWindow(L"VelkScalingWindow");
    LONG ended = 0;
    velk_->wScale(320, 240, 3);
    for (LONG mode : {1, 2, 1}) {
        SCOPED_TRACE(mode);
        velk_->Graphics(mode);
        velk_->wResizeTo(900, 700);
        velk_->DoEvents(&ended);
        EXPECT_EQ(velk_->SpriteTable[0].Width, 320);
        EXPECT_EQ(velk_->SpriteTable[0].Height, 240);
        EXPECT_EQ(velk_->ScreenWidth, 320);
        velk_->wResizeTo(700, 500);
        velk_->DoEvents(&ended);
        EXPECT_EQ(velk_->SpriteTable[0].Width, 320);
    }
    velk_->wScale(0, 0, 0);
    RECT client{};
    GetClientRect(window_, &client);
    EXPECT_EQ(velk_->SpriteTable[0].Width, client.right) << "at once, not at the next size message";
    EXPECT_EQ(velk_->SpriteTable[0].Height, client.bottom);
    SetClientSize(window_, 400, 300);
    velk_->DoEvents(&ended);
    EXPECT_EQ(velk_->SpriteTable[0].Width, 400) << "following the client again";
    EXPECT_EQ(velk_->SpriteTable[0].Height, 300);
}

TEST_F(WindowScaling, FullScreenCoversTheMonitorAndGivesTheWindowBackExactly) {
    UseLibraryWindow(L"VelkBorderlessWindow");
    velk_->wMoveTo(30, 40);
    velk_->put_wResizeable(1);
    const LONG_PTR style = GetWindowLongPtrA(window_, GWL_STYLE);
    const LONG_PTR extended = GetWindowLongPtrA(window_, GWL_EXSTYLE);
    RECT before{};
    GetWindowRect(window_, &before);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    ASSERT_TRUE(GetMonitorInfoA(MonitorFromWindow(window_, MONITOR_DEFAULTTONEAREST), &monitor));

    LONG value = -1;
    for (int repeat = 0; repeat < 2; ++repeat) {  // a second put of 1 changes nothing
        velk_->put_wFullScreen(1);
        velk_->get_wFullScreen(&value);
        EXPECT_EQ(value, 1);
        RECT rect{}, client{};
        GetWindowRect(window_, &rect);
        GetClientRect(window_, &client);
        EXPECT_EQ(Text(rect), Text(monitor.rcMonitor));
        EXPECT_EQ(Text(client), Text(RECT{0, 0, monitor.rcMonitor.right - monitor.rcMonitor.left,
                                          monitor.rcMonitor.bottom - monitor.rcMonitor.top}));
        EXPECT_FALSE(GetWindowLongPtrA(window_, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME));
        EXPECT_EQ(velk_->SpriteTable[0].Width, client.right) << "the back buffer follows";
        EXPECT_EQ(velk_->SpriteTable[0].Height, client.bottom);
    }
    velk_->get_wResizeable(&value);
    EXPECT_EQ(value, 1) << "the frame bits are those of the window that comes back";

    velk_->put_wFullScreen(0);
    velk_->put_wFullScreen(0);
    velk_->get_wFullScreen(&value);
    EXPECT_EQ(value, 0);
    RECT after{};
    GetWindowRect(window_, &after);
    EXPECT_EQ(GetWindowLongPtrA(window_, GWL_STYLE), style);
    EXPECT_EQ(GetWindowLongPtrA(window_, GWL_EXSTYLE), extended);
    EXPECT_EQ(Text(after), Text(before));
}

TEST_F(WindowScaling, PlacementAndFrameMembersWhileFullScreenShapeTheWindowThatComesBack) {
    UseLibraryWindow(L"VelkBorderlessPlacement");
    velk_->wMoveTo(10, 20);
    velk_->put_wFullScreen(1);
    RECT full{};
    GetWindowRect(window_, &full);
    velk_->wMoveTo(50, 60);
    velk_->wResizeTo(500, 400);
    velk_->wResizeBy(10, 20);
    velk_->wMoveBy(5, 5);
    velk_->put_wHasTitleBar(0);
    RECT still{};
    GetWindowRect(window_, &still);
    EXPECT_EQ(Text(still), Text(full)) << "the full-screen window stays as it is";
    velk_->put_wFullScreen(0);
    RECT back{};
    GetWindowRect(window_, &back);
    EXPECT_EQ(Text(back), Text(RECT{55, 65, 565, 485}));
    EXPECT_FALSE(GetWindowLongPtrA(window_, GWL_STYLE) & WS_CAPTION);
}

TEST_F(WindowScaling, FullScreenGivesAMaximizedWindowBackMaximized) {
    UseLibraryWindow(L"VelkBorderlessMaximized");
    ShowWindow(window_, SW_MAXIMIZE);
    PumpMessages();
    ASSERT_TRUE(IsZoomed(window_));
    RECT maximized{};
    GetWindowRect(window_, &maximized);
    velk_->put_wFullScreen(1);
    EXPECT_FALSE(IsZoomed(window_));
    velk_->put_wFullScreen(0);
    EXPECT_TRUE(IsZoomed(window_));
    RECT back{};
    GetWindowRect(window_, &back);
    EXPECT_EQ(Text(back), Text(maximized));
    ShowWindow(window_, SW_RESTORE);
    PumpMessages();
    EXPECT_FALSE(IsZoomed(window_)) << "and restores to its size from before";
}

// ---------------------------------------------------------------- bad arguments

namespace {
std::string ValueText(const char* subject, long value, const char* range) {
    return std::string("  [ Error ] Typ:Param  ") + subject + "で正しくない値 : " + std::to_string(value) +
           " が指定されました。\n\t\t->" + range + "の範囲で許されます";
}
}  // namespace

VELK_SCENARIO(ScaleZeroWidth) { return ScenarioInGdiMode([](VelkObject* v) { v->wScale(0, 240, 3); }); }
VELK_SCENARIO(ScaleTallHeight) { return ScenarioInGdiMode([](VelkObject* v) { v->wScale(320, 4097, 1); }); }
VELK_SCENARIO(ScaleModeFour) { return ScenarioInGdiMode([](VelkObject* v) { v->wScale(320, 240, 4); }); }
VELK_SCENARIO(ScaleOffWithSize) { return ScenarioInGdiMode([](VelkObject* v) { v->wScale(320, 240, 0); }); }
VELK_SCENARIO(FullScreenTwo) { return ScenarioInGdiMode([](VelkObject* v) { v->put_wFullScreen(2); }); }

TEST(WindowScalingFatal, BadArgumentsEndThroughTheErrorPath) {
    namespace t = velk::texts;
    ExpectFatalEnds({
        {"ScaleZeroWidth", ValueText(t::kScaleWidthSubject, 0, t::kScaleSizeRange)},
        {"ScaleTallHeight", ValueText(t::kScaleHeightSubject, 4097, t::kScaleSizeRange)},
        {"ScaleModeFour", ValueText(t::kScaleModeSubject, 4, t::kScaleModeRange)},
        {"ScaleOffWithSize", ValueText(t::kScaleWidthSubject, 320, t::kScaleOffSizeRange)},
        {"FullScreenTwo", ValueText(t::kFullScreenSubject, 2, t::kFullScreenRange)},
    });
}
