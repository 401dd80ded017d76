// Lifetime faults a host can run into: a library freed while its window lives,
// a quit message taken by a member's own pump, an earlier object's window, and
// the fatal path under a host that holds several references.
#include <gtest/gtest.h>

#include "graphics/graphics_fixture.h"
#include "support/bstr.h"
#include "support/expected_log.h"
#include "support/harness.h"
#include "support/resource_counts.h"
#include "support/velk_loader.h"
#include "support/window_fixture.h"

using namespace velk_test;

namespace {

HWND WindowOf(IVELK* velk) {
    LONG handle = 0;
    velk->wGetHandle(&handle);
    return reinterpret_cast<HWND>(static_cast<uintptr_t>(handle));
}

IVELK* OpenedObject(const wchar_t* name) {
    IVELK* velk = CreateFromLibrary();
    if (!velk) return nullptr;
    Bstr program(name);
    velk->wDefault(program);
    return velk;
}

size_t Occurrences(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

}  // namespace

// A host that frees unused libraries, then lets the user close the window.
VELK_SCENARIO(FreedWhileItsWindowLives) {
    IVELK* velk = OpenedObject(L"VelkFreed");
    if (!velk) return 50;
    HWND window = WindowOf(velk);
    velk->Release();
    if (LibraryCanUnloadNow() == S_OK) FreeLibrary(VelkLibrary());
    if (!GetModuleHandleA("VELKlib_100.dll")) return 2;  // the window procedure is gone
    SendMessageA(window, WM_CLOSE, 0, 0);
    return IsWindow(window) ? 3 : 0;
}

// wDestroy, then a put that pumps the quit message out of the queue: Run must end.
VELK_SCENARIO(QuitTakenByAPropertyPut) {
    IVELK* velk = OpenedObject(L"VelkQuit");
    if (!velk) return 50;
    velk->wDestroy();
    velk->put_wResizeable(1);
    velk->Run();
    velk->Release();
    return 0;
}

VELK_SCENARIO(FatalWithSeveralReferences) {
    VelkObject* velk = CreateCoreObject();
    velk->Logging();
    velk->AddRef();
    velk->AddRef();
    velk->SpriteState(9, 1);  // a bad ID: the fatal path
    return 51;
}

TEST(Lifetime, ScenariosEndCleanly) {
    for (const char* name : {"FreedWhileItsWindowLives", "QuitTakenByAPropertyPut"}) {
        TempDir dir;
        ScenarioOptions options;
        options.timeout_ms = 20000;
        ScenarioResult result = RunScenario(name, dir.path(), options);
        EXPECT_FALSE(result.timed_out) << name;
        EXPECT_EQ(result.exit_code, 0u) << name;
        EXPECT_TRUE(result.boxes.empty()) << name;
    }
}

TEST(Lifetime, FatalPathTearsDownOnceWhateverTheReferenceCount) {
    TempDir dir;
    ScenarioResult result = RunScenario("FatalWithSeveralReferences", dir.path());
    ASSERT_TRUE(EndedFatallyWithOneBox(result));
    EXPECT_EQ(Occurrences(result.log, "### VELK FinallyCall\r\n"), 1u) << result.log;
    EXPECT_NE(result.log.find(TeardownLines()), std::string::npos) << result.log;
}

TEST(Lifetime, AnEarlierObjectsWindowDoesNotEndTheLiveObject) {
    TempDir dir;
    CurrentDirectory cd(dir.path());
    IVELK* earlier = OpenedObject(L"VelkEarlier");
    ASSERT_NE(earlier, nullptr);
    HWND earlier_window = WindowOf(earlier);
    earlier->Release();
    IVELK* live = OpenedObject(L"VelkLive");
    ASSERT_NE(live, nullptr);
    DestroyWindow(earlier_window);
    LONG ended = 1;
    live->DoEvents(&ended);
    EXPECT_EQ(ended, 0);
    DestroyWindow(WindowOf(live));
    live->DoEvents(&ended);
    EXPECT_EQ(ended, 1) << "its own window still ends it";
    live->Release();
}

using LifetimeResources = GraphicsTest;

TEST_F(LifetimeResources, HundredObjectLifetimesLeaveNothingBehind) {
    velk_->Release();
    velk_ = nullptr;
    auto one_lifetime = [this] {
        VelkObject* velk = CreateCoreObject();
        ASSERT_NE(velk, nullptr);
        velk->Window = window_;
        velk->Graphics(2);
        for (LONG id = 1; id <= 8; ++id) velk->SpriteState(id, 1);
        Bstr text(L"VELK");
        velk->DrawString(0, 0, text, 0, 0xFFFFFF, 0);
        velk->Sound(2);
        velk->Release();
    };
    one_lifetime();  // first-use caches of the platform
    const ResourceCounts before = CountResources();
    for (int i = 0; i < 100; ++i) one_lifetime();
    ExpectFlat(before, CountResources());
}
