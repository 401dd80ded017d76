// Hosts that do their work in handlers, as event-driven games do: handlers that
// fail, pump, end the window, release the object, play sound or download while
// a member of the library is itself pumping messages. Each case is a native
// host run in a child process; it checks what it can see itself and returns 0,
// and the table says how the process must end.
#include "storage/local_http_server.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "core/texts.h"
#include "support/bstr.h"
#include "support/harness.h"
#include "support/local_app_data.h"
#include "support/ogg_file.h"
#include "support/velk_loader.h"

using namespace velk_test;

namespace {

IVELK* g_velk = nullptr;
int g_calls = 0;
HANDLE g_more_body = nullptr;
WINDOWPOS g_placement = {};

constexpr char kHostMarker[] = "host: marker";

IVELK* OpenHost(const wchar_t* name) {
    g_velk = CreateFromLibrary();
    if (!g_velk) return nullptr;
    g_velk->Logging();
    g_velk->wDefault(Bstr(name));
    return g_velk;
}

HWND WindowOf(IVELK* velk) {
    LONG handle = 0;
    velk->wGetHandle(&handle);
    return reinterpret_cast<HWND>(static_cast<uintptr_t>(handle));
}

template <typename Function>
velk::HostAddress Address(Function* function) {
    return velk::AddressOf(function);
}

// A line of the host's own in the library's log, to tell what came before it from what came after.
void AppendHostMarker() {
    FILE* log = fopen("Log.txt", "a");
    if (!log) return;
    fprintf(log, "%s\n", kHostMarker);
    fclose(log);
}

std::string AfterHostMarker() {
    std::string log = ReadFileBytes("Log.txt");
    size_t at = log.rfind(kHostMarker);
    return at == std::string::npos ? std::string() : log.substr(at);
}

BOOL CALLBACK CountVisibleDialog(HWND window, LPARAM count) {
    char class_name[16] = {};
    GetClassNameA(window, class_name, sizeof class_name);
    if (strcmp(class_name, "#32770") == 0 && IsWindowVisible(window)) ++*reinterpret_cast<int*>(count);
    return TRUE;
}

int VisibleDialogsOfThisThread() {
    int count = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountVisibleDialog, reinterpret_cast<LPARAM>(&count));
    return count;
}

// ---------------------------------------------------------------- handlers

void __cdecl BltFromEmptySprite(LONG) { g_velk->Blt(1, 0, 0, 1, 1, 0, 0, 0); }

void __cdecl DestroyThenFail(LONG) {
    g_velk->wDestroy();
    g_velk->Blt(1, 0, 0, 1, 1, 0, 0, 0);
}

void __cdecl DestroyOnce(LONG) {
    if (++g_calls == 1) g_velk->wDestroy();
}

// A frame handler that ends the game on every tick until the loop notices.
void __cdecl DestroyEveryTick(LONG) { g_velk->wDestroy(); }

void __cdecl DestroyOnThirdCall(LONG) {
    if (++g_calls == 3) g_velk->wDestroy();
}

// Work that takes longer than the timer's interval (the workload, not a wait).
void __cdecl SlowerThanTheTimer(LONG) {
    ++g_calls;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 20) {
    }
}

void __cdecl PumpFromHandler(LONG) {
    LONG ended = 0;
    g_velk->DoEvents(&ended);
}

// Ends the window and releases the host's only reference from inside a member that pumps.
void __cdecl ReleaseTheLastReference(LONG) {
    if (!g_velk) return;
    IVELK* velk = g_velk;
    g_velk = nullptr;
    velk->wDestroy();
    velk->Release();
    AppendHostMarker();
}

// Asks the sprite inspector to close, then releases from inside its modal loop.
void __cdecl CloseTheViewerAndRelease(LONG) {
    HWND viewer = FindWindowA("#32770", "VELK SpriteInspector Ver 1.00");
    if (!viewer) return;
    PostMessageA(viewer, WM_COMMAND, IDCANCEL, 0);
    ReleaseTheLastReference(0);
}

void __cdecl PlayAnotherThenStopTheFirst(LONG) {
    if (++g_calls == 1)
        g_velk->Snd_Play(4, 1);
    else
        g_velk->Snd_Stop(3);
}

void __cdecl Nothing(LONG) {}

// A sprite pasted onto the back buffer by the timer, which in mode 2 may keep
// both surfaces locked for the next copy.
void __cdecl PasteTheSprite(LONG) {
    ++g_calls;
    g_velk->SpritePaste(1, 0, 10, 10);
}

void __cdecl AskForTheRestOfTheBody(LONG) { SetEvent(g_more_body); }
// The press comes with the first part of the body; the timer's tick, later,
// can only be handled by a pump that runs while nothing arrives.
void __cdecl AskForTheRestOfTheBodyLater(LONG) { g_velk->wRunTimer(50, Address(&AskForTheRestOfTheBody)); }

// Records where the library asks the window to go and keeps it where it is.
LRESULT CALLBACK RecordPlacement(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_WINDOWPOSCHANGING) {
        auto* placement = reinterpret_cast<WINDOWPOS*>(lparam);
        g_placement = *placement;
        placement->flags |= SWP_NOMOVE | SWP_NOSIZE;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

}  // namespace

// ---------------------------------------------------------------- the fatal path

VELK_SCENARIO(ReentryFatalInTimerHandler) {
    if (!OpenHost(L"VelkFatalTimer")) return 50;
    g_velk->wRunTimer(1, Address(&BltFromEmptySprite));
    g_velk->Run();
    return 60;
}

VELK_SCENARIO(ReentryFatalAfterDestroy) {
    if (!OpenHost(L"VelkFatalAfterDestroy")) return 50;
    g_velk->wRunTimer(1, Address(&DestroyThenFail));
    g_velk->Run();
    return 60;
}

// The box takes the activation: the window's handler runs inside the box's loop, and fails too.
VELK_SCENARIO(ReentryFatalInsideTheFatalBox) {
    if (!OpenHost(L"VelkFatalInBox")) return 50;
    g_velk->put_OnActive(Address(&BltFromEmptySprite));
    g_velk->Blt(1, 0, 0, 1, 1, 0, 0, 0);
    return 60;
}

// ---------------------------------------------------------------- pumps and the quit message

VELK_SCENARIO(ReentryBoxAfterRunEndedByDestroy) {
    if (!OpenHost(L"VelkBoxAfterRun")) return 50;
    g_velk->wRunTimer(1, Address(&DestroyOnce));
    g_velk->Run();
    LONG yes = 0;
    g_velk->wYesNoMessage(Bstr(L"again?"), Bstr(L"host"), &yes);
    g_velk->Release();
    return yes == 1 ? 0 : 2;
}

// The game ends itself on every tick, and again inside the question that
// follows: the box's activation runs the window's handler before its loop.
int AskAfterRepeatedDestroy(bool run) {
    if (!OpenHost(run ? L"VelkRepeatedDestroyRun" : L"VelkRepeatedDestroyDoEvents")) return 50;
    g_velk->wRunTimer(10, Address(&DestroyEveryTick));
    if (run) {
        g_velk->Run();
    } else {
        LONG ended = 0;
        while (!ended) g_velk->DoEvents(&ended);
    }
    g_velk->put_OnActive(Address(&DestroyEveryTick));
    LONG yes = 0;
    g_velk->wYesNoMessage(Bstr(L"save your score?"), Bstr(L"host"), &yes);
    g_velk->Release();
    return yes == 1 ? 0 : 2;
}

VELK_SCENARIO(ReentryBoxAfterRunEndedByRepeatedDestroy) { return AskAfterRepeatedDestroy(true); }
VELK_SCENARIO(ReentryBoxAfterDoEventsEndedByRepeatedDestroy) { return AskAfterRepeatedDestroy(false); }

VELK_SCENARIO(ReentryDoEventsUnderASlowTimer) {
    if (!OpenHost(L"VelkSlowTimer")) return 50;
    g_velk->wRunTimer(1, Address(&SlowerThanTheTimer));
    LONG ended = 0;
    while (g_calls < 5) g_velk->DoEvents(&ended);
    g_velk->wRunTimer(60000, Address(&Nothing));
    g_velk->Release();
    return 0;
}

// A quit that a member's pump took ends one Run; the next one runs until its own end.
VELK_SCENARIO(ReentryQuitTakenByAPumpEndsOneRun) {
    if (!OpenHost(L"VelkNestedQuit")) return 50;
    PostQuitMessage(0);
    g_velk->put_wResizeable(1);
    g_velk->Run();
    g_velk->wRunTimer(1, Address(&DestroyOnThirdCall));
    g_velk->Run();
    g_velk->Release();
    return g_calls >= 3 ? 0 : 2;
}

VELK_SCENARIO(ReentryPumpDuringWindowCreation) {
    g_velk = CreateFromLibrary();
    if (!g_velk) return 50;
    g_velk->Logging();
    g_velk->put_OnSize(Address(&PumpFromHandler));
    g_velk->wDefault(Bstr(L"VelkPumpEarly"));
    g_velk->put_OnSize(0);
    g_velk->Release();
    return 0;
}

VELK_SCENARIO(ReentrySizeOfAnEarlierWindow) {
    IVELK* earlier = CreateFromLibrary();
    if (!earlier) return 50;
    earlier->wDefault(Bstr(L"VelkEarlierSize"));
    HWND earlier_window = WindowOf(earlier);
    earlier->Release();
    if (!OpenHost(L"VelkLiveSize")) return 50;
    LONG ended = 0;
    g_velk->DoEvents(&ended);
    AppendHostMarker();
    SetWindowPos(earlier_window, nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    g_velk->DoEvents(&ended);
    bool resized = AfterHostMarker().find(velk::texts::kBackBufferResizeStep) != std::string::npos;
    g_velk->Release();
    return resized ? 2 : 0;
}

VELK_SCENARIO(ReentrySaturatedMoveAndResize) {
    if (!OpenHost(L"VelkSaturated")) return 50;
    g_velk->wMoveTo(100, -100);
    RECT before = {};
    GetWindowRect(WindowOf(g_velk), &before);
    g_velk->put_wProcedure(Address(&RecordPlacement));
    // The platform may bring far places and sizes nearer; a wrapped sum lands on the other side.
    g_velk->wMoveBy(LONG_MAX, LONG_MIN);
    const bool moved = g_placement.x > before.left && g_placement.y < before.top;
    g_velk->wResizeBy(LONG_MAX, LONG_MAX);
    const bool resized = g_placement.cx > before.right - before.left && g_placement.cy > before.bottom - before.top;
    g_velk->put_wProcedure(0);
    g_velk->Release();
    return !moved ? 2 : !resized ? 3 : 0;
}

// A size handler run by wFullScreen's own frame change leaves full screen and
// releases the last reference: the put finishes on a live object, and the
// window is the one from before.
void __cdecl LeaveFullScreenThenRelease(LONG) {
    if (!g_velk || g_calls > 0) return;
    ++g_calls;
    IVELK2* velk2 = nullptr;
    if (FAILED(g_velk->QueryInterface(IID_IVELK2, reinterpret_cast<void**>(&velk2)))) return;
    velk2->put_wFullScreen(0);
    velk2->Release();
    ReleaseTheLastReference(0);
}

VELK_SCENARIO(ReentryFullScreenLeftAndReleasedInsideItsPut) {
    if (!OpenHost(L"VelkFullScreenReentry")) return 50;
    IVELK2* velk2 = nullptr;
    if (FAILED(g_velk->QueryInterface(IID_IVELK2, reinterpret_cast<void**>(&velk2)))) return 51;
    g_velk->Release();  // the interface pointer below holds the one reference
    g_velk = velk2;
    const HWND window = WindowOf(g_velk);
    RECT before = {}, after = {};
    GetWindowRect(window, &before);
    const LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
    g_velk->put_OnSize(Address(&LeaveFullScreenThenRelease));
    velk2->put_wFullScreen(1);  // the handler releases the object inside
    if (g_velk || g_calls != 1) return 2;
    GetWindowRect(window, &after);
    if (!EqualRect(&before, &after) || GetWindowLongPtrA(window, GWL_STYLE) != style) return 3;
    return AfterHostMarker().find(std::string("### ") + velk::texts::kFinallyCall) != std::string::npos ? 0 : 4;
}

// ---------------------------------------------------------------- the object's lifetime

// The library's teardown must come after the handler's last line, when the member returns.
int ReleaseInsideAPump(bool run) {
    IVELK* velk = OpenHost(run ? L"VelkReleaseInRun" : L"VelkReleaseInDoEvents");
    if (!velk) return 50;
    velk->wRunTimer(1, Address(&ReleaseTheLastReference));
    if (run) {
        velk->Run();
    } else {
        LONG ended = 0;
        while (g_velk) velk->DoEvents(&ended);
    }
    std::string after = AfterHostMarker();
    if (after.empty()) return 3;
    return after.find(std::string("### ") + velk::texts::kFinallyCall) != std::string::npos ? 0 : 2;
}

VELK_SCENARIO(ReentryReleaseInsideRun) { return ReleaseInsideAPump(true); }
VELK_SCENARIO(ReentryReleaseInsideDoEvents) { return ReleaseInsideAPump(false); }

VELK_SCENARIO(ReentryReleaseInsideSpriteView) {
    IVELK* velk = OpenHost(L"VelkReleaseInViewer");
    if (!velk) return 50;
    velk->wRunTimer(1, Address(&CloseTheViewerAndRelease));
    // The harness may answer a viewer before the timer does: open it again until the handler ran.
    while (g_velk) velk->SpriteView();
    std::string after = AfterHostMarker();
    if (after.empty()) return 3;
    return after.find(std::string("### ") + velk::texts::kFinallyCall) != std::string::npos ? 0 : 2;
}

// Whatever a handler copied inside the pump, the host's own drawing and
// presentation after it work on the same surfaces.
VELK_SCENARIO(ReentryCopiesInAHandlerThenTheHostDraws) {
    if (!OpenHost(L"VelkCopiesInAHandler")) return 50;
    g_velk->Graphics(2);
    g_velk->SpriteState(1, 1);
    g_velk->SpriteResize(1, 8, 8);
    g_velk->DrawBox(0, 0, 8, 8, 0x0000FF, 1, 1);
    g_velk->wRunTimer(1, Address(&PasteTheSprite));
    LONG ended = 0;
    while (g_calls < 2) g_velk->DoEvents(&ended);
    g_velk->wRunTimer(60000, Address(&Nothing));
    g_velk->DrawBox(20, 20, 4, 4, 0x00FF00, 1, 0);
    g_velk->BltStretch(1, 0, 0, 8, 8, 0, 30, 30, 4, 4);  // the platform's own blit
    g_velk->Refresh();
    LONG pasted = 0, drawn = 0, stretched = 0;
    g_velk->DGetPixel(12, 12, 0, &pasted);
    g_velk->DGetPixel(21, 21, 0, &drawn);
    g_velk->DGetPixel(31, 31, 0, &stretched);
    g_velk->Release();
    return pasted == 0x0000FF && drawn == 0x00FF00 && stretched == 0x0000FF ? 0 : 2;
}

// ---------------------------------------------------------------- sound

VELK_SCENARIO(ReentryNestedSoundFills) {
    if (!WriteToneOgg("long.ogg", 22050 * 8, 22050, 1) || !WriteToneOgg("short.ogg", 22050, 22050, 1)) return 51;
    if (!OpenHost(L"VelkNestedFills")) return 50;
    g_velk->Snd_Open(3, Bstr(L"long.ogg"));
    g_velk->Snd_Open(4, Bstr(L"short.ogg"));
    g_velk->wRunTimer(1, Address(&PlayAnotherThenStopTheFirst));
    g_velk->Snd_Play(3, 1);
    const int calls = g_calls;
    const int dialogs = VisibleDialogsOfThisThread();
    g_velk->wRunTimer(60000, Address(&Nothing));
    g_velk->Snd_Stop(3);
    g_velk->Snd_Stop(4);
    g_velk->Release();
    if (dialogs != 0) return 2;
    return calls >= 2 ? 0 : 3;  // the outer fill pumps on after the nested one
}

VELK_SCENARIO(ReentryPauseAndResumeTheStream) {
    if (!WriteToneOgg("stream.ogg", 22050 * 8, 22050, 1)) return 51;
    if (!OpenHost(L"VelkPauseResume")) return 50;
    g_velk->Snd_Open(1, Bstr(L"stream.ogg"));
    g_velk->Snd_Play(1, 0);
    AppendHostMarker();
    for (int i = 0; i < 200; ++i) {
        g_velk->Snd_Pause(0, 1);
        g_velk->Snd_Pause(1, 1);
    }
    // The worker's end-of-play reset frees the ring's copy; a paused or resumed stream keeps it.
    bool reset = AfterHostMarker().find(velk::texts::kStagingCopyName) != std::string::npos;
    g_velk->Snd_Stop(1);
    g_velk->Release();
    return reset ? 2 : 0;
}

// ---------------------------------------------------------------- download

VELK_SCENARIO(ReentryFatalDuringDownload) {
    LocalHttpServer server({"200 OK", std::string(2 * 1024 * 1024, 'd'), 1000, 500});
    if (!OpenHost(L"VelkFatalDownload")) return 50;
    g_velk->put_OnKeyDown(Address(&BltFromEmptySprite));
    PostMessageA(WindowOf(g_velk), WM_KEYDOWN, 'A', 0);
    g_velk->Download(Bstr(server.Url(L"/x")), Bstr(L"target.bin"));
    return 60;
}

// The server sends the rest of the body only once a handler has run twice:
// the transfer must pump with the first part in hand, and go on pumping while
// the link is silent, not wait for a block or a byte.
VELK_SCENARIO(ReentryDownloadOnASlowLink) {
    g_more_body = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HttpReply reply{"200 OK", std::string(200000, 's'), 1000, 15000};
    reply.resume_event = g_more_body;
    LocalHttpServer server(reply);
    if (!OpenHost(L"VelkSlowLink")) return 50;
    g_velk->put_OnKeyDown(Address(&AskForTheRestOfTheBodyLater));
    PostMessageA(WindowOf(g_velk), WM_KEYDOWN, 'A', 0);
    g_velk->Download(Bstr(server.Url(L"/x")), Bstr(L"target.bin"));
    g_velk->put_OnKeyDown(0);
    g_velk->wRunTimer(60000, Address(&Nothing));
    g_velk->Release();
    return server.resumed_by_event() ? 0 : 2;
}

// ---------------------------------------------------------------- the table

namespace {

struct ReentryCase {
    const char* scenario;
    DWORD exit_code;
    size_t boxes;  // message boxes; the library's progress windows are not counted
    int answer;
    DWORD timeout_ms;
};

const ReentryCase kCases[] = {
    {"ReentryFatalInTimerHandler", 1, 1, IDOK, 30000},
    {"ReentryFatalAfterDestroy", 1, 1, IDOK, 30000},
    {"ReentryFatalInsideTheFatalBox", 1, 1, IDOK, 30000},
    {"ReentryBoxAfterRunEndedByDestroy", 0, 1, IDYES, 30000},
    {"ReentryBoxAfterRunEndedByRepeatedDestroy", 0, 1, IDYES, 30000},
    {"ReentryBoxAfterDoEventsEndedByRepeatedDestroy", 0, 1, IDYES, 30000},
    {"ReentryDoEventsUnderASlowTimer", 0, 0, IDOK, 20000},
    {"ReentryQuitTakenByAPumpEndsOneRun", 0, 0, IDOK, 30000},
    {"ReentryPumpDuringWindowCreation", 0, 0, IDOK, 30000},
    {"ReentrySizeOfAnEarlierWindow", 0, 0, IDOK, 30000},
    {"ReentrySaturatedMoveAndResize", 0, 0, IDOK, 30000},
    {"ReentryFullScreenLeftAndReleasedInsideItsPut", 0, 0, IDOK, 30000},
    {"ReentryReleaseInsideRun", 0, 0, IDOK, 30000},
    {"ReentryReleaseInsideDoEvents", 0, 0, IDOK, 30000},
    {"ReentryReleaseInsideSpriteView", 0, 0, IDOK, 30000},
    {"ReentryCopiesInAHandlerThenTheHostDraws", 0, 0, IDOK, 30000},
    {"ReentryNestedSoundFills", 0, 0, IDOK, 30000},
    {"ReentryPauseAndResumeTheStream", 0, 0, IDOK, 30000},
    {"ReentryFatalDuringDownload", 1, 1, IDOK, 30000},
    {"ReentryDownloadOnASlowLink", 0, 0, IDOK, 30000},
};

size_t Occurrences(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}


}  // namespace

TEST(Reentry, HandlersMayCallAnyMemberWhileMembersPump) {
    for (const ReentryCase& c : kCases) {
        SCOPED_TRACE(c.scenario);
        LocalAppDataSetting setting;
        TempDir app_data;
        setting.Set(app_data.path());
        const std::string user_dir = app_data.path() + "\\VELKUserDir";
        CreateDirectoryA(user_dir.c_str(), nullptr);
        TempDir work;
        ScenarioResult result = RunScenario(c.scenario, work.path(), {c.answer, c.timeout_ms});
        EXPECT_FALSE(result.timed_out);
        EXPECT_EQ(result.exit_code, c.exit_code);
        size_t boxes = 0;
        for (const MessageBoxSeen& box : result.boxes) {
            if (box.text.empty()) continue;  // a progress window, not a box
            ++boxes;
            // The error that ended the process is written once, whatever ran after it.
            if (box.caption == velk::texts::kFatalCaption) {
                const std::string first_line = box.text.substr(0, box.text.find_first_of("\r\n"));
                EXPECT_EQ(Occurrences(result.log, first_line), 1u) << result.log;
            }
        }
        EXPECT_EQ(boxes, c.boxes);
        const std::vector<std::string> left = FolderEntries(user_dir);
        EXPECT_TRUE(std::all_of(left.begin(), left.end(), [](const std::string& name) { return name == "target.bin"; }))
            << "a temporary file stayed";
    }
}
