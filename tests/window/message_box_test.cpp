// The two message boxes, seen from outside the process as a user sees them.
#include <gtest/gtest.h>

#include "support/window_fixture.h"

using namespace velk_test;

namespace {

BOOL CALLBACK FindIcon(HWND child, LPARAM icon) {
    if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
        *reinterpret_cast<HICON*>(icon) = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
    return TRUE;
}

// Icon handles are only comparable inside the process that shows the box, so
// the scenario writes down which standard icon its box carries into "icon.txt".
// It looks when the box is activated: its dialog has set the icon by then, and
// whoever closes the box from outside cannot have done so yet.
HHOOK g_icon_hook = nullptr;

LRESULT CALLBACK RecordIconOnActivate(int code, WPARAM wparam, LPARAM lparam) {
    char class_name[16] = {};
    if (code == HCBT_ACTIVATE && GetClassNameA(reinterpret_cast<HWND>(wparam), class_name, sizeof class_name) &&
        strcmp(class_name, "#32770") == 0) {
        HICON icon = nullptr;
        EnumChildWindows(reinterpret_cast<HWND>(wparam), FindIcon, reinterpret_cast<LPARAM>(&icon));
        const char* name = icon == LoadIcon(nullptr, IDI_QUESTION)      ? "question"
                           : icon == LoadIcon(nullptr, IDI_INFORMATION) ? "information"
                                                                        : "other";
        FILE* file = fopen("icon.txt", "w");
        if (file) {
            fputs(name, file);
            fclose(file);
        }
    }
    return CallNextHookEx(g_icon_hook, code, wparam, lparam);
}

void StartIconProbe() { g_icon_hook = SetWindowsHookExA(WH_CBT, RecordIconOnActivate, nullptr, GetCurrentThreadId()); }

}  // namespace

VELK_SCENARIO(ShowMessage) {
    IVELK* velk = CreateFromLibrary();
    Bstr name(L"VelkBoxes");
    velk->wDefault(name);
    StartIconProbe();
    Bstr text(L"本文です");
    Bstr caption(L"お知らせ");
    velk->wShowMessage(text, caption);
    velk->Release();
    return 7;
}

VELK_SCENARIO(YesNoMessage) {
    IVELK* velk = CreateFromLibrary();
    Bstr name(L"VelkBoxes");
    velk->wDefault(name);
    Bstr text(L"続けますか");
    Bstr caption(L"確認");
    LONG answer = -1;
    StartIconProbe();
    velk->wYesNoMessage(text, caption, &answer);
    velk->Release();
    return static_cast<int>(answer);
}

TEST(MessageBoxes, ShowMessageHasOneButtonAndIsOwnedByTheWindow) {
    TempDir dir;
    ScenarioResult result = RunScenario("ShowMessage", dir.path());
    EXPECT_EQ(result.exit_code, 7u) << "returns once the box is closed";
    ASSERT_EQ(result.boxes.size(), 1u);
    EXPECT_EQ(result.boxes[0].text, "本文です");
    EXPECT_EQ(result.boxes[0].caption, "お知らせ");
    EXPECT_TRUE(result.boxes[0].has_owner);
    EXPECT_EQ(result.boxes[0].buttons.size(), 1u);
    EXPECT_TRUE(result.boxes[0].has_icon);
    EXPECT_EQ(ReadFileBytes(dir.File("icon.txt")), "question");
}

TEST(MessageBoxes, YesNoMessageGivesOneOnlyForYes) {
    TempDir dir;
    ScenarioOptions yes;
    yes.answer = IDYES;
    ScenarioResult result = RunScenario("YesNoMessage", dir.path(), yes);
    EXPECT_EQ(result.exit_code, 1u);
    ASSERT_EQ(result.boxes.size(), 1u);
    EXPECT_EQ(result.boxes[0].text, "続けますか");
    EXPECT_EQ(result.boxes[0].caption, "確認");
    EXPECT_EQ(result.boxes[0].buttons.size(), 2u);
    EXPECT_TRUE(result.boxes[0].has_icon);
    EXPECT_EQ(ReadFileBytes(dir.File("icon.txt")), "information");

    ScenarioOptions no;
    no.answer = IDNO;
    EXPECT_EQ(RunScenario("YesNoMessage", dir.path(), no).exit_code, 0u);
}
