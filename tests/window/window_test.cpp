// The application window: creation, the message loop, the tick and the
// window's properties, on a real window under the test display.
#include <windows.h>
#include <mmsystem.h>  // for: timeGetTime, the clock GetTick counts

#include <gtest/gtest.h>

#include "core/texts.h"
#include "support/expected_log.h"
#include "support/window_fixture.h"

using namespace velk_test;

namespace {

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

}  // namespace

TEST_F(WindowTest, OpensA640By480ClientAreaWithTheDefaultStylesAndLogLines) {
    RECT client = ClientRect();
    EXPECT_EQ(Width(client), 640);
    EXPECT_EQ(Height(client), 480);
    EXPECT_EQ(static_cast<DWORD>(GetClassLongA(window(), GCL_STYLE)), 0x4Bu);
    EXPECT_EQ(GetClassLongPtrA(window(), GCLP_HBRBACKGROUND), 16);
    DWORD style = static_cast<DWORD>(GetWindowLongA(window(), GWL_STYLE));
    EXPECT_EQ(style & ~static_cast<DWORD>(WS_CLIPSIBLINGS), 0x12C80000u);
    EXPECT_EQ(GetWindowLongA(window(), GWL_EXSTYLE) & ~(WS_EX_WINDOWEDGE), 0);
    char title[64] = {};
    GetWindowTextA(window(), title, sizeof title);
    EXPECT_STREQ(title, "VelkTestWindow");
    char class_name[64] = {};
    GetClassNameA(window(), class_name, sizeof class_name);
    EXPECT_STREQ(class_name, "VelkTestWindow");
    EXPECT_TRUE(IsWindowVisible(window()));

    char handle_line[64];
    snprintf(handle_line, sizeof handle_line, "\t[ Info  ] HandleToWindow :  = " VELK_HEX "(Hex)\r\n",
             velk::HexValue(window()));
    std::string log = Log();
    const std::string head = kBannerLines + "### wDefault( 単純なウインドウを作成する関数 )\r\n" +
                             "\t[ Info  ] Program and CLS NameValue :  = VelkTestWindow\r\n" + "\t[ Info  ] InstanceHandle :  = ";
    EXPECT_EQ(log.substr(0, head.size()), head);
    const std::string tail = "\t[ Info  ] Icon :  = 固定：APPLICATION\r\n\t[ Info  ] Cursor :  = 固定：ARROW\r\n"
                             "\t[ Step  ] ウインドウ作成を行います\r\n\t[ Step  ] ウインドウ作成に成功しました\r\n" +
                             std::string(handle_line) + "### Succeed\r\n" +
                             "wDefaultはGraphics( WINGDI )とSound( DSOUND )をコールします・・・\r\n";
    EXPECT_NE(log.find(tail), std::string::npos) << log;
}

TEST_F(WindowTest, SecondDefaultIsOnlyLoggedAlsoAfterTheWindowWasClosed) {
    HWND first = window();
    Bstr other(L"Other");
    velk_->wDefault(other);
    EXPECT_EQ(window(), first);
    const std::string abort_line =
        "  [ Abort ] Typ:???    wDefaultはすでにコールされていてこれ以降の呼び出しは意味がありません\r\n";
    EXPECT_NE(Log().find(abort_line), std::string::npos);

    DestroyWindow(first);
    size_t before = Log().size();
    velk_->wDefault(other);
    EXPECT_EQ(window(), first) << "the handle is kept after the window is gone";
    EXPECT_EQ(Log().substr(before), abort_line);
}

TEST_F(WindowTest, DestroyEndsRunAndDoEventsConsumesTheQuitMessage) {
    LONG ended = -1;
    velk_->DoEvents(&ended);
    EXPECT_EQ(ended, 0);
    velk_->wDestroy();
    EXPECT_EQ(velk_->Run(), S_OK) << "returns at once on the posted quit message";
    PostQuitMessage(0);
    velk_->DoEvents(&ended);
    EXPECT_EQ(ended, 1);
    MSG left;
    EXPECT_FALSE(PeekMessageA(&left, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE)) << "the quit message was consumed";
    EXPECT_TRUE(IsWindow(window())) << "the window stays until closed";
    EXPECT_NE(Log().find("\t[ Step  ] wRunがコールされWindowは実行状態に入りました。\r\n"), std::string::npos);
    EXPECT_NE(Log().find(std::string("\t[ Step  ] ") + velk::texts::kDestroyRequested + "\r\n"), std::string::npos);
}

TEST_F(WindowTest, ClosingTheWindowEndsRunAndDoEventsWithoutAQuitMessage) {
    PostMessageA(window(), WM_CLOSE, 0, 0);
    EXPECT_EQ(velk_->Run(), S_OK);
    EXPECT_FALSE(IsWindow(window()));
    LONG ended = 0;
    velk_->DoEvents(&ended);
    EXPECT_EQ(ended, 1);
    EXPECT_NE(Log().find(std::string("\t[ Step  ] ") + velk::texts::kDestroyReceived + "\r\n"), std::string::npos);
    MSG quit;
    EXPECT_FALSE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE)) << "no quit message is posted";
}

TEST_F(WindowTest, TickCountsFromTheLastReset) {
    Sleep(400);
    // However long the machine takes between the two calls, a tick counted
    // from the reset is no more than that; one counted from creation is more.
    const DWORD reset_at = timeGetTime();
    velk_->TickReset();
    LONG tick = -1;
    velk_->GetTick(&tick);
    const DWORD read_at = timeGetTime();
    EXPECT_GE(tick, 0);
    EXPECT_LE(static_cast<DWORD>(tick), read_at - reset_at + 1) << "counts from the reset, not from creation";
    Sleep(40);
    velk_->GetTick(&tick);
    EXPECT_GE(tick, 39);
    velk_->wDestroy();
    LONG later = 0;
    velk_->GetTick(&later);
    EXPECT_GE(later, tick) << "keeps counting across wDestroy";
    EXPECT_NE(Log().find("\t[ Step  ] Ticksはリセットされ、0に戻りました。\r\n"), std::string::npos);
}

// ---------------------------------------------------------------- properties

TEST_F(WindowTest, PropertiesAfterCreationReadAsTheDefaults) {
    EXPECT_EQ(Property(&IVELK::get_wVisible), 1);
    EXPECT_EQ(Property(&IVELK::get_wEnable), 1);
    EXPECT_EQ(Property(&IVELK::get_wHasMaxBtn), 0);
    EXPECT_EQ(Property(&IVELK::get_wHasMinBtn), 0);
    EXPECT_EQ(Property(&IVELK::get_wHasCloseBtn), 0);
    EXPECT_EQ(Property(&IVELK::get_wHasTitleBar), 1);
    EXPECT_EQ(Property(&IVELK::get_wResizeable), 0);
    EXPECT_EQ(Property(&IVELK::get_wHasBorder), 1);
    EXPECT_EQ(Property(&IVELK::get_wToolWin), 0);
    EXPECT_EQ(Property(&IVELK::get_wTopMost), 0);
}

TEST_F(WindowTest, FrameChangesKeepTheClientSize) {
    RECT before = OuterRect();
    velk_->put_wResizeable(1);
    EXPECT_EQ(Property(&IVELK::get_wResizeable), 1);
    EXPECT_EQ(Width(ClientRect()), 640);
    EXPECT_EQ(Height(ClientRect()), 480);
    EXPECT_GE(Width(OuterRect()), Width(before)) << "the sizing frame is at least as thick";

    velk_->put_wHasMaxBtn(7);
    velk_->put_wHasMinBtn(1);
    EXPECT_EQ(Property(&IVELK::get_wHasMaxBtn), 1) << "any non-zero value is true; get gives exactly 1";
    EXPECT_EQ(Property(&IVELK::get_wHasMinBtn), 1);

    velk_->put_wHasBorder(0);
    EXPECT_EQ(Property(&IVELK::get_wHasBorder), 0);
    EXPECT_EQ(Property(&IVELK::get_wHasTitleBar), 1) << "the dialog frame is left";
    velk_->put_wHasTitleBar(0);
    EXPECT_EQ(Property(&IVELK::get_wHasTitleBar), 0);
    EXPECT_EQ(GetWindowLongA(window(), GWL_STYLE) & WS_CAPTION, 0);
    EXPECT_EQ(Width(ClientRect()), 640);
    EXPECT_EQ(Height(ClientRect()), 480);

    velk_->put_wToolWin(1);
    EXPECT_EQ(Property(&IVELK::get_wToolWin), 1);
    velk_->put_wTopMost(1);
    EXPECT_EQ(Property(&IVELK::get_wTopMost), 1);
    velk_->put_wTopMost(0);
    EXPECT_EQ(Property(&IVELK::get_wTopMost), 0);
    EXPECT_EQ(Width(ClientRect()), 640);
    EXPECT_EQ(Height(ClientRect()), 480);
}

// The close item of the window's menu (and with it the close button) follows the bit.
static bool CloseItemEnabled(HWND window) {
    UINT state = GetMenuState(GetSystemMenu(window, FALSE), SC_CLOSE, MF_BYCOMMAND);
    return state != static_cast<UINT>(-1) && !(state & (MF_GRAYED | MF_DISABLED));
}

TEST_F(WindowTest, CloseButtonBitDisablesClosing) {
    EXPECT_TRUE(CloseItemEnabled(window()));
    velk_->put_wHasCloseBtn(1);
    EXPECT_EQ(Property(&IVELK::get_wHasCloseBtn), 1);
    EXPECT_TRUE(GetClassLongA(window(), GCL_STYLE) & CS_NOCLOSE);
    EXPECT_FALSE(CloseItemEnabled(window()));
    const LPARAM alt_down = 1 << 29;
    PostMessageA(window(), WM_SYSKEYDOWN, VK_F4, alt_down);
    LONG ended = 0;
    velk_->DoEvents(&ended);
    EXPECT_TRUE(IsWindow(window())) << "Alt+F4 does not close it";
    EXPECT_EQ(ended, 0);

    velk_->put_wHasCloseBtn(0);
    EXPECT_EQ(Property(&IVELK::get_wHasCloseBtn), 0);
    EXPECT_FALSE(GetClassLongA(window(), GCL_STYLE) & CS_NOCLOSE);
    EXPECT_TRUE(CloseItemEnabled(window()));
    PostMessageA(window(), WM_SYSKEYDOWN, VK_F4, alt_down);
    velk_->DoEvents(&ended);
    EXPECT_EQ(ended, 1) << "closing works again";
}

TEST_F(WindowTest, HiddenWindowReappearsOnMoveAndEnableFollowsTheDisabledBit) {
    velk_->put_wVisible(0);
    EXPECT_FALSE(IsWindowVisible(window()));
    EXPECT_EQ(Property(&IVELK::get_wVisible), 0);
    velk_->wMoveTo(30, 40);
    EXPECT_TRUE(IsWindowVisible(window()));
    EXPECT_EQ(OuterRect().left, 30);
    EXPECT_EQ(OuterRect().top, 40);
    velk_->wMoveBy(5, -10);
    EXPECT_EQ(OuterRect().left, 35);
    EXPECT_EQ(OuterRect().top, 30);

    velk_->put_wEnable(0);
    EXPECT_FALSE(IsWindowEnabled(window()));
    EXPECT_EQ(Property(&IVELK::get_wEnable), 0);
    velk_->put_wEnable(1);
    EXPECT_TRUE(IsWindowEnabled(window()));
}

TEST_F(WindowTest, ResizingSetsTheOuterSizeAndTitleAndHandleAreReachable) {
    velk_->wResizeTo(640, 480);
    EXPECT_EQ(Width(OuterRect()), 640);
    EXPECT_EQ(Height(OuterRect()), 480);
    EXPECT_LT(Width(ClientRect()), 640) << "the size includes the frame";
    EXPECT_LT(Height(ClientRect()), 480);
    velk_->wResizeBy(20, -30);
    EXPECT_EQ(Width(OuterRect()), 660);
    EXPECT_EQ(Height(OuterRect()), 450);

    Bstr caption(L"ゲーム画面");
    velk_->put_wCaption(caption);
    char title[64] = {};
    GetWindowTextA(window(), title, sizeof title);
    EXPECT_STREQ(title, "ゲーム画面");
    EXPECT_EQ(FindWindowA("VelkTestWindow", nullptr), window());
}

TEST(WindowWithoutWindow, MembersHaveNothingToActOnBeforeDefault) {
    TempDir dir;
    CurrentDirectory cd(dir.path());
    IVELK* velk = CreateFromLibrary();
    ASSERT_NE(velk, nullptr);
    LONG handle = -1;
    velk->wGetHandle(&handle);
    EXPECT_EQ(handle, 0);
    LONG value = -1;
    EXPECT_EQ(velk->get_wVisible(&value), S_OK);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(velk->wMoveTo(10, 10), S_OK);
    EXPECT_EQ(velk->put_wResizeable(1), S_OK);
    LONG ended = -1;
    velk->DoEvents(&ended);
    EXPECT_EQ(ended, 0);
    velk->Release();
}
