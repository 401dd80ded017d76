// The two message boxes, seen from outside the process as a user sees them.
#include <gtest/gtest.h>

#include "support/window_fixture.h"

using namespace velk_test;

VELK_SCENARIO(ShowMessage) {
    IVELK* velk = CreateFromLibrary();
    Bstr name(L"VelkBoxes");
    velk->wDefault(name);
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

    ScenarioOptions no;
    no.answer = IDNO;
    EXPECT_EQ(RunScenario("YesNoMessage", dir.path(), no).exit_code, 0u);
}
