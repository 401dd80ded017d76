// Polled input produced for real: pointer moves and key and button presses
// go through the platform's input injection, as a user's would.
#include <gtest/gtest.h>

#include "support/window_fixture.h"

using namespace velk_test;

namespace {

void SendKey(WORD key, bool down) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &input, sizeof input);
}

void SendLeftButton(bool down) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
    SendInput(1, &input, sizeof input);
}

}  // namespace

class InputTest : public WindowTest {
protected:
    LONG Check(short key) {
        LONG value = -1;
        EXPECT_EQ(velk_->InCheck(key, &value), S_OK);
        return value;
    }
    LONG CheckPrev(short key) {
        LONG value = -1;
        EXPECT_EQ(velk_->InCheckPrev(key, &value), S_OK);
        return value;
    }
    void Settle() { PumpFor(velk_, 30); }
    // Keys reach the window that has the display's focus, which follows the pointer.
    void FocusWindow() {
        POINT inside = {320, 240};
        ClientToScreen(window(), &inside);
        SetCursorPos(inside.x, inside.y);
        SetForegroundWindow(window());
        Settle();
    }
};

TEST_F(InputTest, InCheckFollowsAHeldKey) {
    const short key = 'Q';
    FocusWindow();
    SendKey(key, true);
    Settle();
    EXPECT_EQ(Check(key), 1);
    EXPECT_EQ(Check(key), 1) << "on every call while held";
    SendKey(key, false);
    Settle();
    EXPECT_EQ(Check(key), 0);
}

TEST_F(InputTest, InCheckPrevReportsAPressBetweenQueriesOnce) {
    const short key = 'W';
    FocusWindow();
    CheckPrev(key);  // forget anything earlier
    SendKey(key, true);
    SendKey(key, false);
    Settle();
    EXPECT_EQ(CheckPrev(key), 1);
    EXPECT_EQ(CheckPrev(key), 0) << "the query resets it";

    SendKey(key, true);
    SendKey(key, false);
    Settle();
    EXPECT_EQ(Check(key), 0) << "not down any more";
    EXPECT_EQ(CheckPrev(key), 0) << "InCheck's query already consumed the press";
}

TEST_F(InputTest, InCheckOfCodeOneIsTheLeftButton) {
    POINT inside = {320, 240};
    ClientToScreen(window(), &inside);
    SetCursorPos(inside.x, inside.y);
    SendLeftButton(true);
    Settle();
    EXPECT_EQ(Check(VK_LBUTTON), 1);
    SendLeftButton(false);
    Settle();
    EXPECT_EQ(Check(VK_LBUTTON), 0);
    EXPECT_EQ(Check(static_cast<short>(0x8001)), 0) << "a code outside the range gives 0";
}

TEST_F(InputTest, PointerRoundTripsInClientCoordinates) {
    velk_->wMoveTo(200, 150);
    Settle();
    POINT origin = {0, 0};
    ClientToScreen(window(), &origin);
    SetCursorPos(origin.x, origin.y);
    LONG x = -1, y = -1;
    velk_->get_MouseX(&x);
    velk_->get_MouseY(&y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);

    SetCursorPos(origin.x + 7, origin.y + 9);
    velk_->put_MouseX(100);
    POINT now;
    GetCursorPos(&now);
    EXPECT_EQ(now.x, origin.x + 100);
    EXPECT_EQ(now.y, origin.y + 9) << "only the horizontal position moves";
    velk_->put_MouseY(50);
    GetCursorPos(&now);
    EXPECT_EQ(now.x, origin.x + 100);
    EXPECT_EQ(now.y, origin.y + 50);
    velk_->get_MouseX(&x);
    velk_->get_MouseY(&y);
    EXPECT_EQ(x, 100);
    EXPECT_EQ(y, 50);

    SetCursorPos(origin.x - 30, origin.y - 20);
    velk_->get_MouseX(&x);
    velk_->get_MouseY(&y);
    EXPECT_EQ(x, -30) << "left of the window is negative, nothing is clipped";
    EXPECT_EQ(y, -20);
}
