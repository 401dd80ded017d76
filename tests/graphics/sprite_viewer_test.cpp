// Sprite viewer: the description text and size, and the real modal dialog
// driven from a watcher thread (selection, mask box, picture, every way to close).
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>  // for: the trackbar messages

#include <cstring>
#include <functional>
#include <string>
#include <thread>

#include "graphics/graphics_fixture.h"
#include "graphics/sprite_viewer.h"

using namespace velk_test;

TEST(ViewerText, SizeOrUnusedOnTheSecondLine) {
    velk::SpriteSlot slot;
    velk::ResetSpriteSlot(slot);
    char text[velk::kViewerTextBytes];
    velk::ViewerText(4, slot, text);
    EXPECT_STREQ(text, "ID : 4\r\n未使用です");
    EXPECT_EQ(velk::ViewerClientSize(slot).cx, 320);
    EXPECT_EQ(velk::ViewerClientSize(slot).cy, 25);

    slot.MemoryDC = reinterpret_cast<HDC>(1);  // only tested for presence
    slot.Width = 640;
    slot.Height = 48;
    velk::ViewerText(3, slot, text);
    EXPECT_STREQ(text, "ID : 3\r\n 640*48");
    EXPECT_EQ(velk::ViewerClientSize(slot).cx, 640);
    EXPECT_EQ(velk::ViewerClientSize(slot).cy, 73);
}

namespace {
constexpr char kCaption[] = "VELK SpriteInspector Ver 1.00";
constexpr LONG kKey = 0x00FF00FF;

// The viewer once its opening has run: the dialog is shown only after it, and
// the text control then names a sprite. It is painted at once on its own
// thread, before anything reads its pixels: the opening's first paint may
// still be waiting in its queue.
HWND FindViewer() {
    for (int i = 0; i < 600; ++i, Sleep(50)) {
        HWND found = FindWindowA("#32770", kCaption);
        if (!found || !IsWindowVisible(found)) continue;
        char text[32] = {};
        GetDlgItemTextA(found, 205, text, sizeof text);
        if (strncmp(text, "ID : ", 5) != 0) continue;
        RedrawWindow(found, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        return found;
    }
    return nullptr;
}

struct Seen {
    std::string text;
    SIZE client{};
    bool mask_enabled = false;
    bool mask_checked = false;
};

Seen Look(HWND viewer) {
    Seen seen;
    char text[128] = {};
    GetDlgItemTextA(viewer, 205, text, sizeof text);
    seen.text = text;
    RECT client{};
    GetClientRect(viewer, &client);
    seen.client = {client.right, client.bottom};
    seen.mask_enabled = IsWindowEnabled(GetDlgItem(viewer, 209)) != FALSE;
    seen.mask_checked = SendDlgItemMessageA(viewer, 209, BM_GETCHECK, 0, 0) == BST_CHECKED;
    return seen;
}

void Select(HWND viewer, int sprite, WPARAM code = TB_ENDTRACK) {
    SendDlgItemMessageA(viewer, 208, TBM_SETPOS, TRUE, sprite);
    SendMessageA(viewer, WM_HSCROLL, code, reinterpret_cast<LPARAM>(GetDlgItem(viewer, 208)));
}
}  // namespace

class SpriteViewer : public GraphicsTest {
protected:
    void SetUp() override {
        GraphicsTest::SetUp();
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
        InitCommonControlsEx(&controls);
    }
    // Runs the viewer while `watch` drives it from another thread; the watcher
    // must close it. False when no viewer appeared.
    bool View(const std::function<void(HWND)>& watch) {
        bool found = false;
        std::thread watcher([&] {
            HWND viewer = FindViewer();
            found = viewer != nullptr;
            if (viewer) watch(viewer);
        });
        EXPECT_EQ(velk_->SpriteView(), S_OK);
        watcher.join();
        return found;
    }
};

TEST_F(SpriteViewer, ShowsTheSelectedSpriteAndItsMaskInGdiMode) {
    ASSERT_TRUE(SetMode(1));
    velk_->SpriteState(3, 1);
    velk_->SpriteResize(3, 64, 48);
    velk_->DrawBox(0, 0, 64, 48, 0x0000FF, 1, 3);
    velk_->DrawBox(0, 0, 8, 8, kKey, 1, 3);
    velk_->DSetColorKey(kKey, 3);

    Seen opened, keyed, dragged, empty;
    COLORREF picture = CLR_INVALID;
    ASSERT_TRUE(View([&](HWND viewer) {
        opened = Look(viewer);
        Select(viewer, 3);
        keyed = Look(viewer);
        HDC dc = GetDC(viewer);
        picture = GetPixel(dc, 20, 25 + 20);
        ReleaseDC(viewer, dc);
        Select(viewer, 5, TB_THUMBTRACK);
        dragged = Look(viewer);
        Select(viewer, 5);
        empty = Look(viewer);
        PostMessageA(viewer, WM_COMMAND, IDOK, 0);
    }));
    EXPECT_EQ(opened.text, "ID : 0\r\n 640*480");
    // The frame is sized without the extended styles, whose edge takes a few pixels.
    EXPECT_LE(opened.client.cx, 640);
    EXPECT_GE(opened.client.cx, 640 - 4);
    EXPECT_GE(opened.client.cy, 480 + 25 - 4);
    EXPECT_FALSE(opened.mask_enabled) << "sprite 0 has no colour key";

    EXPECT_EQ(keyed.text, "ID : 3\r\n 64*48");
    EXPECT_GE(keyed.client.cx, 320 - 4);
    EXPECT_TRUE(keyed.mask_enabled);
    EXPECT_TRUE(keyed.mask_checked);
    EXPECT_EQ(picture, 0x0000FFu) << "the opaque part of the picture";

    EXPECT_EQ(dragged.text, keyed.text) << "dragging does not select";
    EXPECT_EQ(empty.text, "ID : 5\r\n未使用です");
    EXPECT_FALSE(empty.mask_enabled);
}

TEST_F(SpriteViewer, EveryWayOfClosingReturnsAndTheNextOpeningStartsAtSpriteZero) {
    ASSERT_TRUE(SetMode(1));
    velk_->SpriteState(2, 1);
    const std::function<void(HWND)> closers[] = {
        [](HWND v) { PostMessageA(v, WM_COMMAND, IDOK, 0); },
        [](HWND v) { PostMessageA(v, WM_COMMAND, IDCANCEL, 0); },
        [](HWND v) { PostMessageA(v, WM_CLOSE, 0, 0); },
    };
    for (const auto& close : closers) {
        std::string text;
        ASSERT_TRUE(View([&](HWND viewer) {
            text = Look(viewer).text;
            Select(viewer, 2);
            close(viewer);
        }));
        EXPECT_EQ(text, "ID : 0\r\n 640*480");
        EXPECT_EQ(FindWindowA("#32770", kCaption), nullptr);
    }
}

TEST_F(SpriteViewer, MaskStaysDisabledForSurfaces) {
    if (!SetMode(2)) GTEST_SKIP() << "no DirectDraw here";
    velk_->SpriteState(1, 1);
    velk_->DSetColorKey(kKey, 1);
    Seen seen;
    ASSERT_TRUE(View([&](HWND viewer) {
        Select(viewer, 1);
        seen = Look(viewer);
        PostMessageA(viewer, WM_COMMAND, IDCANCEL, 0);
    }));
    EXPECT_EQ(seen.text, "ID : 1\r\n 640*480");
    EXPECT_FALSE(seen.mask_enabled);
    EXPECT_FALSE(seen.mask_checked);
}
