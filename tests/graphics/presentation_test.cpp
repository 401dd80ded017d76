// Presentation: sprite 0 reaches the window in modes 1 and 2, the frame-rate
// arithmetic, and the back buffer following the window's size.
#include <gtest/gtest.h>

#include "core/texts.h"
#include "graphics/graphics_fixture.h"
#include "graphics/pacing.h"
#include "window/process_state.h"

using namespace velk_test;

TEST(Pacing, FrameRateReadsBackThroughIntegerDivision) {
    EXPECT_EQ(velk::FrameIntervalFor(60), 16);
    EXPECT_EQ(velk::FramesPerSecondFor(16), 62);
    EXPECT_EQ(velk::FramesPerSecondFor(velk::FrameIntervalFor(30)), 30);
    EXPECT_EQ(velk::FramesPerSecondFor(velk::FrameIntervalFor(100)), 100);
    EXPECT_EQ(velk::FrameIntervalFor(2000), 0);
    EXPECT_EQ(velk::FrameIntervalFor(-1), 0);
    EXPECT_EQ(velk::FrameIntervalFor(0), 0) << "no division by zero: no limit";
    EXPECT_EQ(velk::FramesPerSecondFor(0), -1) << "no limit reads back as -1";
    EXPECT_EQ(velk::FrameIntervalFor(-5), -200);
    EXPECT_EQ(velk::FramesPerSecondFor(-200), -5);
}

TEST(Pacing, SleepsTheRestOfTheIntervalAndSurvivesTheTickWrap) {
    velk::PaceDecision early = velk::DecidePace(1005, 1000, 16);
    EXPECT_EQ(early.keep_fps, 1);
    EXPECT_EQ(early.sleep_ms, 11u);
    velk::PaceDecision late = velk::DecidePace(1020, 1000, 16);
    EXPECT_EQ(late.keep_fps, 0);
    EXPECT_EQ(late.sleep_ms, 0u);
    velk::PaceDecision wrapped = velk::DecidePace(3, 0xFFFFFFFEu, 16);
    EXPECT_EQ(wrapped.keep_fps, 1);
    EXPECT_EQ(wrapped.sleep_ms, 11u);
    EXPECT_EQ(velk::DecidePace(1000, 1000, 0).keep_fps, 0) << "no limit never keeps the rate";
    EXPECT_EQ(velk::DecidePace(1000, 1000, -200).sleep_ms, 0u);
    for (DWORD gap : {0x80000000u, 0xFFFFFFF0u}) {  // read signed, these slept for weeks
        velk::PaceDecision absurd = velk::DecidePace(1000 + gap, 1000, 16);
        EXPECT_EQ(absurd.keep_fps, 0) << gap;
        EXPECT_EQ(absurd.sleep_ms, 0u) << gap;
    }
}

using Presentation = GraphicsTest;

TEST_F(Presentation, SoftwareFpsAndKeepFpsMembers) {
    LONG value = 0;
    velk_->get_KeepFPS(&value);
    EXPECT_EQ(value, 0);
    velk_->put_SoftwareFPS(60);
    velk_->get_SoftwareFPS(&value);
    EXPECT_EQ(value, 62);
    velk_->put_SoftwareFPS(-1);
    velk_->get_SoftwareFPS(&value);
    EXPECT_EQ(value, -1);
    velk_->Refresh();
    velk_->Refresh();
    velk_->get_KeepFPS(&value);
    EXPECT_EQ(value, 0) << "no limit";
    velk_->put_SoftwareFPS(10);
    velk_->Refresh();
    velk_->Refresh();  // right after the previous frame: well inside 100 ms
    velk_->get_KeepFPS(&value);
    EXPECT_EQ(value, 1);
}

namespace {

COLORREF ScreenPixelOfClient(HWND window, int x, int y) {
    POINT point = {x, y};
    ClientToScreen(window, &point);
    HDC dc = GetDC(nullptr);
    COLORREF color = GetPixel(dc, point.x, point.y);
    ReleaseDC(nullptr, dc);
    return color;
}

}  // namespace

class PresentationModes : public ModeTest {};
INSTANTIATE_TEST_SUITE_P(Modes, PresentationModes, ::testing::Values(1, 2),
                         [](const ::testing::TestParamInfo<LONG>& info) {
                             return info.param == 1 ? std::string("Gdi") : std::string("DirectDraw");
                         });

TEST_P(PresentationModes, RefreshShowsSpriteZeroInTheClientArea) {
    velk_->put_SoftwareFPS(-1);
    velk_->DrawBox(0, 0, 640, 480, 0x00FF0000, 1, 0);
    velk_->DrawBox(100, 50, 20, 10, 0x000000FF, 1, 0);
    velk_->DrawPixel(639, 479, 0x0000FF00, 0);
    velk_->Refresh();
    PumpMessages();
    velk_->Refresh();
    EXPECT_EQ(WindowPixel(window_, 5, 5), 0x00FF0000u);
    EXPECT_EQ(WindowPixel(window_, 110, 55), 0x000000FFu);
    EXPECT_EQ(WindowPixel(window_, 639, 479), 0x0000FF00u);
    EXPECT_EQ(ScreenPixelOfClient(window_, 110, 55), 0x000000FFu);
    EXPECT_EQ(ScreenPixelOfClient(window_, 120, 55), 0x00FF0000u);
}

TEST_P(PresentationModes, RefreshShowsTheBackBuffersPixelsWhateverItsOriginAndScalesAnotherSize) {
    velk_->put_SoftwareFPS(-1);
    velk_->DrawBox(0, 0, 640, 480, 0x00FF0000, 1, 0);
    velk_->DrawBox(100, 50, 20, 10, 0x000000FF, 1, 0);
    velk_->DSetOrigin(-30, -40, 0);
    velk_->Refresh();
    EXPECT_EQ(WindowPixel(window_, 110, 55), 0x000000FFu);
    EXPECT_EQ(WindowPixel(window_, 140, 95), 0x00FF0000u);
    velk_->DSetOrigin(0, 0, 0);
    if (GetParam() != 2) return;
    // The host made the back buffer half the size of the presented area.
    velk_->SpriteResize(0, 320, 240);
    velk_->DrawBox(0, 0, 320, 240, 0x00FF0000, 1, 0);
    velk_->DrawBox(50, 25, 10, 5, 0x0000FF00, 1, 0);
    velk_->Refresh();
    EXPECT_EQ(WindowPixel(window_, 110, 55), 0x0000FF00u);
    EXPECT_EQ(WindowPixel(window_, 630, 470), 0x00FF0000u);
}

TEST_F(Presentation, BackBufferFollowsTheWindowSizeAtTheNextDoEvents) {
    UseLibraryWindow(L"VelkGraphicsResize");
    VelkObject* velk = velk_;
    LONG ended = 0;
    velk->DrawPixel(2, 2, 0x0000FF, 0);
    NewLog();

    SetClientSize(velk->Window, 400, 300);
    velk->DoEvents(&ended);
    RECT client{};
    GetClientRect(velk->Window, &client);
    EXPECT_EQ(velk->ScreenWidth, client.right);
    EXPECT_EQ(velk->ScreenHeight, client.bottom);
    EXPECT_EQ(velk->SpriteTable[0].Width, client.right);
    EXPECT_EQ(velk->SpriteTable[0].Height, client.bottom);
    EXPECT_EQ(Pixel(2, 2), 0x0000FF) << "the top-left part survives";
    EXPECT_EQ(CountLines(NewLog(), velk::texts::kBackBufferResizeStep), 1);
    velk->DoEvents(&ended);
    EXPECT_EQ(CountLines(NewLog(), velk::texts::kBackBufferResizeStep), 0);
}
