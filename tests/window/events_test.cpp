// Window messages reaching the host's handlers with the right arguments, the
// timer, the replacement procedure and the process-wide life of the slots.
#include <gtest/gtest.h>

#include "core/velk.h"
#include "support/event_sink.h"
#include "support/window_fixture.h"
#include "window/events.h"
#include "window/process_state.h"

using namespace velk_test;

namespace {

std::vector<HandlerCall> Only(const std::string& slot, LONG argument) { return {{slot, argument}}; }

void SetHandler(IVELK* velk, HRESULT (STDMETHODCALLTYPE IVELK::*put)(velk::HostAddress), const std::string& slot) {
    ASSERT_EQ((velk->*put)(RecorderFor(slot)), S_OK);
}

}  // namespace

TEST(EventTable, MapsEveryMessageToItsSlotAndArgument) {
    using velk::EventForMessage;
    using velk::HandlerSlots;
    EXPECT_EQ(EventForMessage(WM_ACTIVATE, 0, 0).slot, &HandlerSlots::OnActive);
    EXPECT_EQ(EventForMessage(WM_ACTIVATE, WA_CLICKACTIVE, 0).slot, &HandlerSlots::OnDeActive);
    EXPECT_EQ(EventForMessage(WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1), 0).slot, &HandlerSlots::OnDeActive)
        << "a minimised window losing activation";
    EXPECT_EQ(EventForMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), 0).argument, 65416);
    EXPECT_EQ(EventForMessage(WM_MOUSEWHEEL, MAKEWPARAM(MK_SHIFT, 120), 0).argument, 120);
    EXPECT_EQ(EventForMessage(0x03B9, 2, 0).slot, nullptr) << "only successful and failure notifications";
    EXPECT_EQ(EventForMessage(WM_LBUTTONDBLCLK, 0, 0).slot, nullptr);
    EXPECT_EQ(EventForMessage(WM_CHAR, 'a', 0).slot, nullptr);
    EXPECT_EQ(EventForMessage(WM_CLOSE, 0, 0).slot, nullptr);
    EXPECT_EQ(EventForMessage(WM_TIMER, 9, 0).slot, &HandlerSlots::Timer) << "whatever the timer identifier";
    EXPECT_EQ(EventForMessage(WM_TIMER, 9, 0).argument, 0);
}

namespace {
// Keys, a command, the three buttons, a wheel turn down, the two MCI ends and a
// lost surface, each posted once.
void PostEveryInput(HWND w) {
    PostMessageA(w, WM_KEYDOWN, 'A', 0x001E0001);
    PostMessageA(w, WM_KEYUP, 'A', 0xC01E0001);
    PostMessageA(w, WM_COMMAND, MAKEWPARAM(5, 2), 0);
    PostMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    PostMessageA(w, WM_LBUTTONUP, 0, 0);
    PostMessageA(w, WM_RBUTTONDOWN, MK_RBUTTON, 0);
    PostMessageA(w, WM_RBUTTONUP, 0, 0);
    PostMessageA(w, WM_MBUTTONDOWN, MK_MBUTTON, 0);
    PostMessageA(w, WM_MBUTTONUP, 0, 0);
    PostMessageA(w, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), 0);
    PostMessageA(w, 0x03B9, 1, 0);
    PostMessageA(w, 0x03B9, 8, 0);
    PostMessageA(w, 0x03B9, 2, 0);
    PostMessageA(w, WM_USER + 1, 77, 0);
}
}  // namespace

TEST_F(WindowTest, PostedMessagesReachTheirHandlers) {
    SetHandler(velk_, &IVELK::put_OnKeyDown, "OnKeyDown");
    SetHandler(velk_, &IVELK::put_OnKeyUp, "OnKeyUp");
    SetHandler(velk_, &IVELK::put_OnCommand, "OnCommand");
    SetHandler(velk_, &IVELK::put_OnMouseDown, "OnMouseDown");
    SetHandler(velk_, &IVELK::put_OnMouseUp, "OnMouseUp");
    SetHandler(velk_, &IVELK::put_OnMouseWheel, "OnMouseWheel");
    SetHandler(velk_, &IVELK::put_OnMCISuccess, "OnMCISuccess");
    SetHandler(velk_, &IVELK::put_OnMCIFailure, "OnMCIFailure");
    SetHandler(velk_, &IVELK::put_OnSurfaceLost, "OnSurfaceLost");
    RecordedCalls().clear();
    HWND w = window();
    PostEveryInput(w);
    PostMessageA(w, WM_LBUTTONDBLCLK, MK_LBUTTON, 0);
    PostMessageA(w, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
    LONG ended = 0;
    velk_->DoEvents(&ended);
    const std::vector<HandlerCall> expected = {
        {"OnKeyDown", 'A'},   {"OnKeyUp", 'A'},       {"OnCommand", 0x20005}, {"OnMouseDown", 1},
        {"OnMouseUp", 1},     {"OnMouseDown", 2},     {"OnMouseUp", 2},       {"OnMouseDown", 3},
        {"OnMouseUp", 3},     {"OnMouseWheel", 65416}, {"OnMCISuccess", 0},  {"OnMCIFailure", 0},
        {"OnSurfaceLost", 77}, {"OnMouseWheel", 120}};
    EXPECT_EQ(RecordedCalls(), expected);
}

TEST_F(WindowTest, ActivationCallsTheInvertedPair) {
    SetHandler(velk_, &IVELK::put_OnActive, "OnActive");
    SetHandler(velk_, &IVELK::put_OnDeActive, "OnDeActive");
    RecordedCalls().clear();
    SendMessageA(window(), WM_ACTIVATE, WA_ACTIVE, 0);
    SendMessageA(window(), WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_EQ(RecordedCalls(), (std::vector<HandlerCall>{{"OnDeActive", 0}, {"OnActive", 0}}));
}

TEST_F(WindowTest, MoveAndSizeEventsAndTheDragRectangles) {
    SetHandler(velk_, &IVELK::put_OnMove, "OnMove");
    SetHandler(velk_, &IVELK::put_OnSize, "OnSize");
    RecordedCalls().clear();
    velk_->wMoveTo(50, 60);
    EXPECT_EQ(CallsOf("OnMove"), Only("OnMove", 0));
    velk_->wResizeBy(10, 10);
    EXPECT_EQ(CallsOf("OnSize"), Only("OnSize", SIZE_RESTORED));

    // A handler may rewrite the rectangle it is given.
    static RECT* seen = nullptr;
    struct Clamp {
        // Pointer-wide, so that the rectangle's address arrives whole on 64 bits.
        static void __cdecl Handler(LONG_PTR address) {
            seen = reinterpret_cast<RECT*>(address);
            seen->right = seen->left + 100;
        }
    };
    velk_->put_OnSizing(velk::AddressOf(&Clamp::Handler));
    velk_->put_OnMoving(velk::AddressOf(&Clamp::Handler));
    RECT drag = {10, 20, 500, 400};
    SendMessageA(window(), WM_SIZING, WMSZ_RIGHT, reinterpret_cast<LPARAM>(&drag));
    EXPECT_EQ(seen, &drag);
    EXPECT_EQ(drag.right, 110);
    RECT moving = {0, 0, 300, 300};
    SendMessageA(window(), WM_MOVING, 0, reinterpret_cast<LPARAM>(&moving));
    EXPECT_EQ(moving.right, 100);
}

TEST_F(WindowTest, TimerCallsItsHandlerWithZero) {
    velk_->wRunTimer(10, RecorderFor("Timer"));
    RecordedCalls().clear();
    DWORD start = GetTickCount();
    while (CallsOf("Timer").size() < 2 && GetTickCount() - start < 5000) PumpFor(velk_, 20);
    ASSERT_GE(CallsOf("Timer").size(), 2u);
    EXPECT_EQ(CallsOf("Timer")[0].argument, 0);
    velk_->wRunTimer(10000, RecorderFor("Timer"));  // replaces the running timer
    RecordedCalls().clear();
    PumpFor(velk_, 100);
    EXPECT_TRUE(CallsOf("Timer").empty());
}

VELK_SCENARIO(TimerWithoutFunction) {
    IVELK* velk = CreateFromLibrary();
    velk->Logging();
    velk->wRunTimer(100, 0);
    return 60;
}

TEST(WindowFatal, TimerWithoutAFunctionIsAParameterError) {
    TempDir dir;
    ScenarioResult result = RunScenario("TimerWithoutFunction", dir.path());
    ASSERT_TRUE(EndedFatallyWithOneBox(result));
    EXPECT_EQ(result.boxes[0].text, "\t[ Error ] Typ:Param  wRunTimerでの関数アドレスで正しくない引数 NULL が渡されました。");
}

VELK_SCENARIO(DefaultWithNullName) {
    IVELK* velk = CreateFromLibrary();
    velk->Logging();
    velk->wDefault(nullptr);
    return 61;
}

TEST(WindowFatal, ANullProgramNameFailsWindowCreationWithSystemText) {
    TempDir dir;
    ScenarioResult result = RunScenario("DefaultWithNullName", dir.path());
    ASSERT_TRUE(EndedFatallyWithOneBox(result));
    const std::string head = "### Failed  ウインドウ作成に失敗しました。VELK は起動できません\n\t(詳細:) ";
    EXPECT_EQ(result.boxes[0].text.substr(0, head.size()), head);
    EXPECT_GT(result.boxes[0].text.size(), head.size()) << "the platform's text follows";
    EXPECT_FALSE(result.boxes[0].has_owner);
    EXPECT_NE(result.log.find("\t[ Info  ] Program and CLS NameValue :  = (null)\r\n"), std::string::npos);
    EXPECT_NE(result.log.find("### VELK FinallyCall"), std::string::npos);
}

TEST_F(WindowTest, ReplacementProcedureTakesEveryMessage) {
    static std::vector<UINT> seen;
    struct Procedure {
        static LRESULT CALLBACK Handle(HWND w, UINT message, WPARAM wp, LPARAM lp) {
            seen.push_back(message);
            return DefWindowProcA(w, message, wp, lp);
        }
    };
    SetHandler(velk_, &IVELK::put_OnKeyDown, "OnKeyDown");
    velk::HostAddress address = velk::AddressOf(&Procedure::Handle);
    velk_->put_wProcedure(address);
    velk::HostAddress read = 0;
    velk_->get_wProcedure(&read);
    EXPECT_EQ(read, address);
    RecordedCalls().clear();
    PostMessageA(window(), WM_KEYDOWN, 'B', 0);
    PostMessageA(window(), WM_CLOSE, 0, 0);
    LONG ended = 0;
    velk_->DoEvents(&ended);
    EXPECT_TRUE(RecordedCalls().empty()) << "no handler runs";
    EXPECT_NE(std::find(seen.begin(), seen.end(), static_cast<UINT>(WM_KEYDOWN)), seen.end());
    EXPECT_NE(std::find(seen.begin(), seen.end(), static_cast<UINT>(WM_DESTROY)), seen.end());
    EXPECT_FALSE(IsWindow(window()));
    EXPECT_EQ(ended, 0) << "closing no longer ends the loop";
    velk_->put_wProcedure(0);
}

class EventsBeforeWindow : public WindowTest {
protected:
    EventsBeforeWindow() { open_in_setup_ = false; }
};

TEST_F(EventsBeforeWindow, HandlersStoredBeforeDefaultRunDuringCreation) {
    SetHandler(velk_, &IVELK::put_OnSize, "OnSize");
    SetHandler(velk_, &IVELK::put_OnMove, "OnMove");
    velk_->wRunTimer(5, RecorderFor("Timer"));  // stored, but no window gets timer messages
    RecordedCalls().clear();
    OpenWindow();
    EXPECT_FALSE(CallsOf("OnSize").empty());
    EXPECT_FALSE(CallsOf("OnMove").empty());
    PumpFor(velk_, 60);
    EXPECT_TRUE(CallsOf("Timer").empty());
}

// Every slot holds a whole host address: on 64 bits the test program's own
// functions lie above 4 GB, so a slot that cut them would read back wrong.
TEST(EventSlots, HoldWholeAddressesThatBelongToTheProcess) {
    using Get = HRESULT (STDMETHODCALLTYPE IVELK::*)(velk::HostAddress*);
    using Put = HRESULT (STDMETHODCALLTYPE IVELK::*)(velk::HostAddress);
    struct Slot { const char* name; Get get; Put put; };
    const Slot slots[] = {
        {"OnActive", &IVELK::get_OnActive, &IVELK::put_OnActive},
        {"OnDeActive", &IVELK::get_OnDeActive, &IVELK::put_OnDeActive},
        {"OnKeyDown", &IVELK::get_OnKeyDown, &IVELK::put_OnKeyDown},
        {"OnKeyUp", &IVELK::get_OnKeyUp, &IVELK::put_OnKeyUp},
        {"OnCommand", &IVELK::get_OnCommand, &IVELK::put_OnCommand},
        {"OnMouseDown", &IVELK::get_OnMouseDown, &IVELK::put_OnMouseDown},
        {"OnMouseUp", &IVELK::get_OnMouseUp, &IVELK::put_OnMouseUp},
        {"OnMouseWheel", &IVELK::get_OnMouseWheel, &IVELK::put_OnMouseWheel},
        {"OnMove", &IVELK::get_OnMove, &IVELK::put_OnMove},
        {"OnMoving", &IVELK::get_OnMoving, &IVELK::put_OnMoving},
        {"OnSize", &IVELK::get_OnSize, &IVELK::put_OnSize},
        {"OnSizing", &IVELK::get_OnSizing, &IVELK::put_OnSizing},
        {"OnMCIFailure", &IVELK::get_OnMCIFailure, &IVELK::put_OnMCIFailure},
        {"OnMCISuccess", &IVELK::get_OnMCISuccess, &IVELK::put_OnMCISuccess},
        {"OnSurfaceLost", &IVELK::get_OnSurfaceLost, &IVELK::put_OnSurfaceLost},
        {"wProcedure", &IVELK::get_wProcedure, &IVELK::put_wProcedure},
    };
    TempDir dir;
    CurrentDirectory cd(dir.path());
    IVELK* first = CreateFromLibrary();
    ASSERT_NE(first, nullptr);
    for (const Slot& slot : slots) {
        velk::HostAddress address = RecorderFor(slot.name);
        if (sizeof(void*) == 8) {
            EXPECT_GT(static_cast<uint64_t>(address), 0xFFFFFFFFull) << slot.name;
        }
        (first->*slot.put)(address);
    }
    first->Release();
    IVELK* second = CreateFromLibrary();
    ASSERT_NE(second, nullptr);
    for (const Slot& slot : slots) {
        velk::HostAddress value = 0;
        (second->*slot.get)(&value);
        EXPECT_EQ(value, RecorderFor(slot.name)) << slot.name << " survives the object, whole";
        (second->*slot.put)(0);
    }
    second->Release();
}

// The back buffer follows the client size; this uses the library core linked
// into the test to see the pending size itself.
TEST(ClientSize, IsHandedOnAtTheNextDoEventsAndMinimisingHandsOnNothing) {
    TempDir dir;
    CurrentDirectory cd(dir.path());
    IVELK* velk = nullptr;
    ASSERT_EQ(VelkObject::Create(nullptr, IID_IVELK, reinterpret_cast<void**>(&velk)), S_OK);
    EXPECT_EQ(velk::PendingClientSize, 0);
    Bstr name(L"VelkCoreWindow");
    velk->wDefault(name);
    LONG ended = 0;
    velk->DoEvents(&ended);
    EXPECT_EQ(velk::PendingClientSize, 0);
    velk->put_wResizeable(1);  // pumps: the size reached the back buffer already
    EXPECT_EQ(velk::PendingClientSize, 0);
    velk->wResizeBy(40, 20);
    EXPECT_NE(velk::PendingClientSize, 0) << "recorded by the size message, not yet handed on";
    velk->DoEvents(&ended);
    EXPECT_EQ(velk::PendingClientSize, 0);

    HWND window = static_cast<VelkObject*>(velk)->Window;
    ShowWindow(window, SW_MINIMIZE);
    EXPECT_EQ(velk::PendingClientSize, 0) << "a minimised window reports 0 x 0";
    velk->Release();
}

// ---------------------------------------------------------------- events for automation callers

namespace {

// The sink's view of the rectangle: Left, Top, Right, Bottom arrive last first.
LONG& Side(DISPPARAMS* params, int side) { return *V_I4REF(&params->rgvarg[3 - side]); }
constexpr int kLeft = 0;
constexpr int kRight = 2;

}  // namespace

TEST_F(WindowTest, EveryEventReachesASinkOnceAfterItsHandlerAlsoWhenTheSlotIsEmpty) {
    for (auto put : {&IVELK::put_OnActive, &IVELK::put_OnDeActive, &IVELK::put_OnKeyUp, &IVELK::put_OnCommand,
                     &IVELK::put_OnMouseDown, &IVELK::put_OnMouseUp, &IVELK::put_OnMouseWheel, &IVELK::put_OnMove,
                     &IVELK::put_OnMoving, &IVELK::put_OnSize, &IVELK::put_OnSizing, &IVELK::put_OnMCISuccess,
                     &IVELK::put_OnMCIFailure, &IVELK::put_OnSurfaceLost})
        (velk_->*put)(0);
    SetHandler(velk_, &IVELK::put_OnKeyDown, "OnKeyDown");
    PumpFor(velk_, 50);  // what the window's creation left in the queue
    SinkPtr sink = MakeSink("A");
    ASSERT_TRUE(sink->Advise(velk_));
    RecordedCalls().clear();
    HWND w = window();
    SendMessageA(w, WM_ACTIVATE, WA_ACTIVE, 0);
    SendMessageA(w, WM_ACTIVATE, WA_INACTIVE, 0);
    RECT sizing = {10, 20, 500, 400};
    SendMessageA(w, WM_SIZING, WMSZ_RIGHT, reinterpret_cast<LPARAM>(&sizing));
    RECT moving = {30, 40, 300, 300};
    SendMessageA(w, WM_MOVING, 0, reinterpret_cast<LPARAM>(&moving));
    PostMessageA(w, WM_MOVE, 0, MAKELPARAM(50, 60));
    PostMessageA(w, WM_SIZE, SIZE_RESTORED, MAKELPARAM(640, 480));
    PostEveryInput(w);
    LONG ended = 0;
    velk_->DoEvents(&ended);
    const std::vector<HandlerCall> expected = {
        {"A.OnDeActive", 0},  {"A.OnActive", 0},      {"A.OnSizing", 10},       {"A.OnMoving", 30},
        {"A.OnMove", 0},      {"A.OnSize", 0},        {"OnKeyDown", 'A'},       {"A.OnKeyDown", 'A'},
        {"A.OnKeyUp", 'A'},   {"A.OnCommand", 0x20005}, {"A.OnMouseDown", 1},  {"A.OnMouseUp", 1},
        {"A.OnMouseDown", 2}, {"A.OnMouseUp", 2},     {"A.OnMouseDown", 3},     {"A.OnMouseUp", 3},
        {"A.OnMouseWheel", 65416}, {"A.OnMCISuccess", 0}, {"A.OnMCIFailure", 0}, {"A.OnSurfaceLost", 77}};
    EXPECT_EQ(RecordedCalls(), expected);
    EXPECT_EQ(sink->Unadvise(velk_), S_OK);
}

TEST_F(WindowTest, WithASinkTheTimerNeedsNoHandlerAndTicksGoToOnTimerAlone) {
    SinkPtr sink = MakeSink("A");
    ASSERT_TRUE(sink->Advise(velk_));
    velk_->wRunTimer(10, RecorderFor("Timer"));
    velk_->wRunTimer(10, 0);  // replaces the handler too
    RecordedCalls().clear();
    DWORD start = GetTickCount();
    while (CallsOf("A.OnTimer").size() < 2 && GetTickCount() - start < 5000) PumpFor(velk_, 20);
    ASSERT_GE(CallsOf("A.OnTimer").size(), 2u);
    EXPECT_EQ(CallsOf("A.OnTimer")[0].argument, 0);
    EXPECT_TRUE(CallsOf("Timer").empty()) << "the ticks go to the event alone";
}

TEST_F(WindowTest, ASinkChangesTheDragRectangleAfterTheHandler) {
    struct Clamp {
        static void __cdecl Handler(LONG_PTR address) {
            RECT* rect = reinterpret_cast<RECT*>(address);
            rect->right = rect->left + 100;
        }
    };
    velk_->put_OnSizing(velk::AddressOf(&Clamp::Handler));
    velk_->put_OnMoving(0);
    SinkPtr sink = MakeSink("A");
    sink->During = [](const std::string&, DISPPARAMS* params) { Side(params, kRight) += 1; };
    ASSERT_TRUE(sink->Advise(velk_));
    RECT sizing = {10, 20, 500, 400};
    SendMessageA(window(), WM_SIZING, WMSZ_RIGHT, reinterpret_cast<LPARAM>(&sizing));
    EXPECT_EQ(sizing.right, 111) << "the handler's 110, then the sink's step";
    RECT moving = {0, 0, 300, 300};
    SendMessageA(window(), WM_MOVING, 0, reinterpret_cast<LPARAM>(&moving));
    EXPECT_EQ(moving.right, 301);
    EXPECT_EQ(moving.left, 0);
    EXPECT_EQ(moving.bottom, 300);
}

// A real sizing through the platform's loop, driven from the keyboard: the
// loop hands its rectangle to the sink, and the window takes the size the
// sink wrote. The keys go in one at a time from the timer, which the loop
// keeps dispatching, so each lands after the pointer move the one before made.
TEST_F(WindowTest, TheSizedWindowTakesTheRectangleASinkWrites) {
    velk_->put_wResizeable(1);
    velk_->put_OnSizing(0);
    SinkPtr sink = MakeSink("A");
    int step = 0;
    sink->During = [&step](const std::string& event, DISPPARAMS* params) {
        if (event == "OnSizing") Side(params, kRight) = Side(params, kLeft) + 500;
        if (event != "OnTimer" || step > 2) return;
        static const WORD kKeys[] = {VK_RIGHT, VK_RIGHT, VK_RETURN};  // pick the edge, move it, accept
        INPUT key[2] = {};
        key[0].type = key[1].type = INPUT_KEYBOARD;
        key[0].ki.wVk = key[1].ki.wVk = kKeys[step++];
        key[1].ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(2, key, sizeof key[0]);
    };
    ASSERT_TRUE(sink->Advise(velk_));
    PumpFor(velk_, 50);
    const RECT before = OuterRect();
    RecordedCalls().clear();
    velk_->wRunTimer(100, 0);
    PostMessageA(window(), WM_SYSCOMMAND, SC_SIZE, 0);
    DWORD start = GetTickCount();
    while (step <= 2 && GetTickCount() - start < 5000) PumpFor(velk_, 20);
    PumpFor(velk_, 100);
    EXPECT_FALSE(CallsOf("A.OnSizing").empty());
    const RECT after = OuterRect();
    EXPECT_EQ(after.right - after.left, 500) << "the sink's width, not " << before.right - before.left;
    EXPECT_EQ(after.left, before.left);
}

// Sinks run in the order they were advised; one that fails does not stop the
// rest; one unadvised during an event hears nothing more, one advised during
// it hears the next.
TEST_F(WindowTest, SinksMayUnadviseAndAdviseDuringAnEvent) {
    SinkPtr failing = MakeSink("F"), a = MakeSink("A"), b = MakeSink("B"), c = MakeSink("C");
    failing->Answer = DISP_E_EXCEPTION;
    ASSERT_TRUE(failing->Advise(velk_));
    ASSERT_TRUE(a->Advise(velk_));
    ASSERT_TRUE(b->Advise(velk_));
    IVELK* velk = velk_;
    EventSink* a_raw = a.get();
    EventSink* b_raw = b.get();
    EventSink* c_raw = c.get();
    a->During = [=](const std::string&, DISPPARAMS*) {
        EXPECT_EQ(a_raw->Unadvise(velk), S_OK);
        EXPECT_EQ(b_raw->Unadvise(velk), S_OK);
        EXPECT_TRUE(c_raw->Advise(velk));
    };
    velk_->put_OnKeyDown(0);
    RecordedCalls().clear();
    SendMessageA(window(), WM_KEYDOWN, 'X', 0);
    SendMessageA(window(), WM_KEYDOWN, 'Y', 0);
    EXPECT_EQ(RecordedCalls(), (std::vector<HandlerCall>{
                                   {"F.OnKeyDown", 'X'}, {"A.OnKeyDown", 'X'}, {"F.OnKeyDown", 'Y'}, {"C.OnKeyDown", 'Y'}}));
    EXPECT_EQ(a->References(), 1u) << "released when unadvised";
    EXPECT_EQ(b->References(), 1u);
    EXPECT_EQ(a->Unadvise(velk_), CONNECT_E_NOCONNECTION);
}

// The host's last reference goes inside an event: the remaining sinks are
// still called, then the object ends and lets go of them.
TEST_F(WindowTest, ASinkMayReleaseTheObjectDuringAnEvent) {
    SinkPtr a = MakeSink("A"), b = MakeSink("B");
    ASSERT_TRUE(a->Advise(velk_));
    ASSERT_TRUE(b->Advise(velk_));
    const HWND w = window();
    IVELK* velk = velk_;
    velk_ = nullptr;  // the sink takes over the fixture's reference
    a->During = [velk](const std::string&, DISPPARAMS*) { velk->Release(); };
    std::string log_during_b;
    b->During = [&](const std::string&, DISPPARAMS*) { log_during_b = Log(); };
    RecordedCalls().clear();
    SendMessageA(w, WM_KEYUP, 'Z', 0);
    EXPECT_EQ(RecordedCalls(), (std::vector<HandlerCall>{{"A.OnKeyUp", 'Z'}, {"B.OnKeyUp", 'Z'}}));
    EXPECT_EQ(log_during_b.find("### VELK FinallyCall"), std::string::npos) << "alive until the event ends";
    EXPECT_NE(Log().find("### VELK FinallyCall"), std::string::npos) << "ended after it";
    EXPECT_EQ(a->References(), 1u) << "the ended object let go of its sinks";
    EXPECT_EQ(b->References(), 1u);
}

TEST_F(WindowTest, TeardownLetsGoOfEverySinkBeforeItCleansUp) {
    SinkPtr a = MakeSink("A"), b = MakeSink("B");
    ASSERT_TRUE(a->Advise(velk_));
    ASSERT_TRUE(b->Advise(velk_));
    std::vector<std::string> logs_when_released;
    a->WhenReleased = [&] { logs_when_released.push_back(Log()); };
    velk_->Release();
    velk_ = nullptr;
    const std::string cleanup = "### 描画メソッドのクリアライズを行います";
    ASSERT_EQ(logs_when_released.size(), 1u);
    EXPECT_EQ(logs_when_released[0].find(cleanup), std::string::npos) << "before the graphics clean-up";
    EXPECT_NE(Log().find(cleanup), std::string::npos);
    EXPECT_EQ(a->References(), 1u);
    EXPECT_EQ(b->References(), 1u);
}

// The container, its one connection point, their enumerators and the class
// information, as generic automation hosts walk them.
TEST(EventSource, AnswersTheConnectionPointContractAndItsEnumerators) {
    TempDir dir;
    CurrentDirectory cd(dir.path());
    IVELK* velk = CreateFromLibrary();
    ASSERT_NE(velk, nullptr);
    IConnectionPointContainer* container = nullptr;
    ASSERT_EQ(velk->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container)), S_OK);
    IUnknown* identity = nullptr;
    IUnknown* via_container = nullptr;
    velk->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity));
    container->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&via_container));
    EXPECT_EQ(identity, via_container) << "one object";
    identity->Release();
    via_container->Release();

    IConnectionPoint* point = reinterpret_cast<IConnectionPoint*>(1);
    EXPECT_EQ(container->FindConnectionPoint(IID_IDispatch, &point), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(point, nullptr);
    IEnumConnectionPoints* points = nullptr;
    ASSERT_EQ(container->EnumConnectionPoints(&points), S_OK);
    ULONG fetched = 9;
    IConnectionPoint* listed[2] = {};
    EXPECT_EQ(points->Next(2, listed, nullptr), E_INVALIDARG) << "more than one needs a count";
    ASSERT_EQ(points->Next(2, listed, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 1u);
    point = listed[0];
    EXPECT_EQ(points->Skip(1), S_FALSE);
    EXPECT_EQ(points->Reset(), S_OK);
    EXPECT_EQ(points->Skip(1), S_OK);
    IEnumConnectionPoints* copy = nullptr;
    ASSERT_EQ(points->Clone(&copy), S_OK);
    EXPECT_EQ(copy->Next(1, listed, nullptr), S_FALSE) << "the clone starts where its original stood";
    copy->Reset();
    EXPECT_EQ(copy->Next(1, listed, nullptr), S_OK);
    EXPECT_EQ(listed[0], point);
    listed[0]->Release();
    copy->Release();
    points->Release();

    IID iid = IID_NULL;
    EXPECT_EQ(point->GetConnectionInterface(&iid), S_OK);
    EXPECT_TRUE(IsEqualIID(iid, DIID__IVELKEvents));
    IConnectionPointContainer* owner = nullptr;
    EXPECT_EQ(point->GetConnectionPointContainer(&owner), S_OK);
    EXPECT_EQ(owner, container);
    owner->Release();

    DWORD cookie = 7;
    EXPECT_EQ(point->Advise(nullptr, &cookie), E_POINTER);
    EXPECT_EQ(cookie, 0u);
    IClassFactory* factory = nullptr;  // answers neither the events nor IDispatch
    ASSERT_EQ(GetLibraryClassFactory(&factory), S_OK);
    EXPECT_EQ(point->Advise(factory, &cookie), CONNECT_E_CANNOTCONNECT);
    factory->Release();
    SinkPtr a = MakeSink("A"), b = MakeSink("B");
    DWORD cookies[2] = {};
    ASSERT_EQ(point->Advise(a.get(), &cookies[0]), S_OK);
    ASSERT_EQ(point->Advise(b.get(), &cookies[1]), S_OK);
    EXPECT_NE(cookies[0], cookies[1]);
    EXPECT_EQ(point->Unadvise(cookies[1] + 100), CONNECT_E_NOCONNECTION);

    IEnumConnections* connections = nullptr;
    ASSERT_EQ(point->EnumConnections(&connections), S_OK);
    point->Unadvise(cookies[1]);  // the enumerator keeps what it listed
    CONNECTDATA data[3] = {};
    ASSERT_EQ(connections->Next(3, data, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 2u);
    EXPECT_EQ(data[0].dwCookie, cookies[0]);
    EXPECT_EQ(data[1].dwCookie, cookies[1]);
    EXPECT_EQ(b->References(), 3u) << "the enumerator's reference and the one it handed out";
    for (ULONG i = 0; i < fetched; ++i) data[i].pUnk->Release();
    connections->Release();
    EXPECT_EQ(b->References(), 1u);

    IProvideClassInfo2* info = nullptr;
    ASSERT_EQ(velk->QueryInterface(IID_IProvideClassInfo2, reinterpret_cast<void**>(&info)), S_OK);
    GUID guid = GUID_NULL;
    EXPECT_EQ(info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &guid), S_OK);
    EXPECT_TRUE(IsEqualGUID(guid, DIID__IVELKEvents));
    EXPECT_EQ(info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID + 1, &guid), E_INVALIDARG);
    ITypeInfo* coclass = nullptr;
    ASSERT_EQ(info->GetClassInfo(&coclass), S_OK);
    TYPEATTR* attributes = nullptr;
    coclass->GetTypeAttr(&attributes);
    EXPECT_TRUE(IsEqualGUID(attributes->guid, CLSID_VELK));
    coclass->ReleaseTypeAttr(attributes);
    coclass->Release();
    info->Release();

    // The point keeps the object alive after the host's last reference.
    container->Release();
    velk->Release();
    EXPECT_EQ(a->References(), 2u) << "still connected";
    point->Release();
    EXPECT_EQ(a->References(), 1u) << "the object ended and let go";
}
