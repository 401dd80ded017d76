// Counted keys, typed text, dropped files, the clipboard and gamepads: the
// rules alone, then the members fed through the real window procedure, the
// real clipboard and the scripted gamepad module beside the test program.
#include <gtest/gtest.h>
#include <windows.h>
#include <imm.h>  // for: ImmSetCompositionStringW
#include <shlobj.h>  // for: DROPFILES

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "core/texts.h"
#include "graphics/graphics_fixture.h"
#include "support/event_sink.h"
#include "support/script_host.h"
#include "support/velk_loader.h"
#include "support/window_fixture.h"
#include "window/input_state.h"

using namespace velk_test;

namespace {

constexpr LPARAM kRepeat = 1 << 30;

}  // namespace

// ---------------------------------------------------------------- the rules alone

TEST(InputRules, KeyAndButtonMessagesBecomePressesAndReleases) {
    struct Case {
        UINT message;
        WPARAM wparam;
        LPARAM lparam;
        int key;
        bool down;
    };
    const Case cases[] = {
        {WM_KEYDOWN, 'A', 0, 'A', true},
        {WM_KEYDOWN, 'A', kRepeat, 0, true},  // auto-repeat: no new press
        {WM_SYSKEYDOWN, VK_MENU, 0, VK_MENU, true},
        {WM_SYSKEYUP, VK_F10, 0, VK_F10, false},
        {WM_KEYUP, VK_SPACE, kRepeat | (1 << 31), VK_SPACE, false},
        {WM_LBUTTONDBLCLK, 0, 0, VK_LBUTTON, true},
        {WM_RBUTTONUP, 0, 0, VK_RBUTTON, false},
        {WM_MBUTTONDOWN, 0, 0, VK_MBUTTON, true},
        {WM_XBUTTONDOWN, MAKEWPARAM(0, XBUTTON2), 0, VK_XBUTTON2, true},
        {WM_XBUTTONUP, MAKEWPARAM(0, XBUTTON1), 0, VK_XBUTTON1, false},
        {WM_CHAR, 'A', 0, 0, false},
    };
    for (const Case& c : cases) {
        velk::KeyTransition t = velk::KeyTransitionFor(c.message, c.wparam, c.lparam);
        EXPECT_EQ(t.key, c.key) << std::hex << c.message;
        if (t.key) {
            EXPECT_EQ(t.down, c.down) << std::hex << c.message;
        }
    }
}

TEST(InputRules, CountsStopAt255AndReadsStartAgain) {
    velk::KeyCounts counts = {};
    for (int i = 0; i < 300; ++i) velk::CountKey(counts, {'Z', true});
    velk::CountKey(counts, {255, true});  // outside the codes: ignored
    EXPECT_EQ(counts.Downs[255], 0);
    EXPECT_EQ(velk::TakeKeyCount(counts.Downs['Z']), 255);
    EXPECT_EQ(velk::TakeKeyCount(counts.Downs['Z']), 0);
}

TEST(InputRules, TextKeepsTheNewest1024UnitsWithoutSplittingAPair) {
    static velk::TextQueue queue;
    std::wstring letters;
    for (int i = 0; i < 1024; ++i) letters += static_cast<wchar_t>(L'0' + i % 10);
    // Whatever came first, the 1024 letters that follow are what is kept.
    for (const std::wstring& first : {std::wstring(L"a"), std::wstring(L"\xD83D\xDE00"),
                                     std::wstring(L"ab\xD83D\xDE00"), std::wstring(L"\xD83D\xDE00" L"a")}) {
        queue.Length = 0;
        velk::AppendText(queue, first.data(), first.size());
        velk::AppendText(queue, letters.data(), letters.size());
        EXPECT_EQ(std::wstring(queue.Units, queue.Length), letters) << first.size();
    }
    // A pair at the front when one unit must go leaves with its partner.
    queue.Length = 0;
    const std::wstring pair_first = L"\xD83D\xDE00" + letters.substr(0, 1022);
    velk::AppendText(queue, pair_first.data(), pair_first.size());
    velk::AppendText(queue, L"z", 1);
    EXPECT_EQ(std::wstring(queue.Units, queue.Length), letters.substr(0, 1022) + L"z");

    wchar_t units[2] = {};
    EXPECT_EQ(velk::EncodeCodePoint(0x1F600, units), 2u);
    EXPECT_EQ(std::wstring(units, 2), L"\xD83D\xDE00");
    EXPECT_EQ(velk::EncodeCodePoint(0xDC00, units), 0u);
    EXPECT_EQ(velk::EncodeCodePoint(0x110000, units), 0u);
}

TEST(InputRules, SticksLoseTheirDeadZoneRadiallyAndTriggersTheirThreshold) {
    struct Case {
        SHORT raw_x, raw_y;
        double x, y;
    };
    const double diagonal = std::sqrt(0.5);
    const Case sticks[] = {
        {7000, 3000, 0.0, 0.0},              // inside the left dead zone
        {7849, 0, 0.0, 0.0},                 // on its edge
        {32767, 0, 1.0, 0.0},                // full right
        {-32768, 0, -1.0, 0.0},              // full left: past the circle, held at -1
        {0, 32767, 0.0, 1.0},                // up is positive
        {32767, 32767, diagonal, diagonal},  // a corner: full tilt along the diagonal
        {0, -20308, 0.0, -0.5},              // half way out of the dead zone: 7849 + (32767 - 7849) / 2
    };
    for (const Case& c : sticks) {
        double x = 9, y = 9;
        velk::StickPosition(c.raw_x, c.raw_y, XINPUT_GAMEPAD_LEFT_THUMB_DEADZONE, &x, &y);
        EXPECT_NEAR(x, c.x, 1e-4) << c.raw_x << "," << c.raw_y;
        EXPECT_NEAR(y, c.y, 1e-4) << c.raw_x << "," << c.raw_y;
    }
    const std::pair<BYTE, double> triggers[] = {{0, 0.0}, {30, 0.0}, {31, 1.0 / 225}, {255, 1.0}};
    for (const auto& trigger : triggers) EXPECT_NEAR(velk::TriggerPosition(trigger.first), trigger.second, 1e-12);

    XINPUT_GAMEPAD pad = {};
    pad.sThumbLX = 8000;  // outside the left stick's dead zone...
    pad.sThumbRY = -8000;  // ...inside the right stick's larger one
    pad.bRightTrigger = 255;
    const double axes[] = {(8000.0 - 7849) / (32767 - 7849), 0.0, 0.0, 0.0, 0.0, 1.0};
    for (int axis = 0; axis < velk::kPadAxisCount; ++axis)
        EXPECT_NEAR(velk::PadAxisValue(pad, axis), axes[axis], 1e-6) << axis;

    const std::pair<double, WORD> motors[] = {{0.0, 0}, {0.25, 16384}, {1.0, 65535}};
    for (const auto& motor : motors) EXPECT_EQ(velk::MotorSpeed(motor.first), motor.second);
}

TEST(InputRules, EmptySlotsAreProbedOncePerInterval) {
    const velk::PadSlot empty = {false, false, 1000};
    const velk::PadSlot present = {true, true, 1000};
    EXPECT_FALSE(velk::PadProbeDue(empty, 1000 + velk::kEmptyPadProbeInterval - 1));
    EXPECT_TRUE(velk::PadProbeDue(empty, 1000 + velk::kEmptyPadProbeInterval));
    EXPECT_TRUE(velk::PadProbeDue(present, 1000));
    const velk::PadSlot wrapped = {false, false, 0xFFFFFFF0u};  // the tick count wrapped since
    EXPECT_TRUE(velk::PadProbeDue(wrapped, velk::kEmptyPadProbeInterval));
}

// ---------------------------------------------------------------- through the window

namespace {

// The scripted module's controls, reached in the module the library loaded.
struct ScriptedPad {
    using SetFn = void (*)(int, int, int, int, int, int, int, int, int);
    using RumbleFn = void (*)(int, int*, int*);
    using CallsFn = LONG (*)(int, int);
    SetFn Set = nullptr;
    RumbleFn Rumble = nullptr;
    CallsFn StateCalls = nullptr;

    bool Find() {
        HMODULE module = GetModuleHandleA("xinput1_4.dll");
        if (!module) return false;
        Set = reinterpret_cast<SetFn>(reinterpret_cast<void*>(GetProcAddress(module, "ScriptedPadSet")));
        Rumble = reinterpret_cast<RumbleFn>(reinterpret_cast<void*>(GetProcAddress(module, "ScriptedPadRumble")));
        StateCalls =
            reinterpret_cast<CallsFn>(reinterpret_cast<void*>(GetProcAddress(module, "ScriptedPadStateCalls")));
        return Set && Rumble && StateCalls;
    }
    void DisconnectAll() {
        for (int index = 0; index < velk::kPadCount; ++index) Set(index, 0, 0, 0, 0, 0, 0, 0, 0);
    }
};

// A drop as the shell hands it over: DROPFILES, then the wide paths, each
// NUL-ended, and one more NUL.
HGLOBAL MakeDrop(const std::vector<std::wstring>& paths) {
    size_t units = 1;
    for (const std::wstring& path : paths) units += path.size() + 1;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + units * sizeof(wchar_t));
    auto* header = static_cast<DROPFILES*>(GlobalLock(block));
    header->pFiles = sizeof(DROPFILES);
    header->fWide = TRUE;
    auto* list = reinterpret_cast<wchar_t*>(header + 1);
    for (const std::wstring& path : paths) {
        std::memcpy(list, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
        list += path.size() + 1;
    }
    GlobalUnlock(block);
    return block;
}

}  // namespace

class InputMembers : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        ASSERT_EQ(velk_->QueryInterface(IID_IVELK2, reinterpret_cast<void**>(&velk2_)), S_OK);
        RecordedCalls().clear();
    }
    void TearDown() override {
        if (velk2_) velk2_->Release();
        WindowTest::TearDown();
    }
    void Pump() { PumpFor(velk_, 0); }
    LONG Hits(LONG key) {
        LONG count = -1;
        EXPECT_EQ(velk2_->KeyHit(key, &count), S_OK);
        return count;
    }
    LONG Releases(LONG key) {
        LONG count = -1;
        EXPECT_EQ(velk2_->KeyReleased(key, &count), S_OK);
        return count;
    }
    std::wstring Text(HRESULT (STDMETHODCALLTYPE IVELK2::*get)(BSTR*)) {
        BSTR text = nullptr;
        EXPECT_EQ((velk2_->*get)(&text), S_OK);
        std::wstring result = Wide(text);
        SysFreeString(text);
        return result;
    }
    // Pumps until `event` was recorded `count` times, or a generous limit passes.
    size_t PumpUntil(const std::string& event, size_t count) {
        const DWORD start = GetTickCount();
        while (CallsOf(event).size() < count && GetTickCount() - start < 20000) {
            LONG ended = 0;
            velk_->DoEvents(&ended);
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        }
        return CallsOf(event).size();
    }
    ScriptedPad FindPad() {
        LONG connected = -1;
        EXPECT_EQ(velk2_->PadConnected(0, &connected), S_OK);  // loads the module
        ScriptedPad pad;
        EXPECT_TRUE(pad.Find()) << "the scripted module beside the test program";
        return pad;
    }

    IVELK2* velk2_ = nullptr;
};

TEST_F(InputMembers, KeyHitAndKeyReleasedCountEveryTapSinceTheLastRead) {
    struct Post {
        UINT message;
        WPARAM wparam;
        LPARAM lparam;
    };
    const Post posts[] = {
        {WM_KEYDOWN, 'K', 0}, {WM_KEYDOWN, 'K', kRepeat}, {WM_KEYDOWN, 'K', kRepeat}, {WM_KEYUP, 'K', 0},
        {WM_KEYDOWN, 'K', 0}, {WM_KEYUP, 'K', 0},  // a second tap within the same frame
        {WM_SYSKEYDOWN, 'X', 0}, {WM_SYSKEYUP, 'X', 0},
        {WM_LBUTTONDOWN, 0, 0}, {WM_LBUTTONUP, 0, 0}, {WM_LBUTTONDBLCLK, 0, 0}, {WM_LBUTTONUP, 0, 0},
        {WM_XBUTTONDOWN, MAKEWPARAM(0, XBUTTON1), 0},
    };
    for (const Post& post : posts) PostMessageA(window(), post.message, post.wparam, post.lparam);
    Pump();
    struct Expected {
        LONG key, hits, releases;
    };
    const Expected counts[] = {
        {'K', 2, 2}, {'X', 1, 1}, {VK_LBUTTON, 2, 2}, {VK_XBUTTON1, 1, 0}, {'J', 0, 0},
    };
    for (const Expected& e : counts) {
        EXPECT_EQ(Hits(e.key), e.hits) << e.key;
        EXPECT_EQ(Releases(e.key), e.releases) << e.key;
        EXPECT_EQ(Hits(e.key), 0) << e.key << ": the read starts the count again";
        EXPECT_EQ(Releases(e.key), 0) << e.key;
    }
}

TEST_F(InputMembers, TextInputTakesCharactersWholeInArrivalOrder) {
    const HWND w = window();
    PostMessageA(w, WM_CHAR, 'a', 0);
    PostMessageA(w, WM_CHAR, 0x82, 0);  // "あ" as the ANSI window gets it: lead byte, then trail byte
    PostMessageA(w, WM_CHAR, 0xA0, 0);
    PostMessageA(w, WM_IME_CHAR, 0x82A2, 0);  // "い" from an input method, packed
    PostMessageA(w, WM_UNICHAR, 0x1F600, 0);  // outside the basic plane
    PostMessageA(w, WM_CHAR, VK_BACK, 0);
    PostMessageA(w, WM_CHAR, VK_RETURN, 0);
    Pump();
    EXPECT_EQ(Text(&IVELK2::get_TextInput), L"a\x3042\x3044\xD83D\xDE00\b\r");
    EXPECT_EQ(Text(&IVELK2::get_TextInput), L"") << "the read empties it";
    EXPECT_EQ(SendMessageA(w, WM_UNICHAR, UNICODE_NOCHAR, 0), TRUE) << "whole code points are welcome";
}

TEST_F(InputMembers, AnInputMethodsResultArrivesWholeOnce) {
    HIMC context = ImmGetContext(window());
    ASSERT_NE(context, nullptr);
    wchar_t result[] = L"\x6F22\x5B57\xD842\xDFB7";  // two kanji and one outside the basic plane
    ASSERT_TRUE(ImmSetCompositionStringW(context, SCS_SETSTR, result, sizeof result - sizeof(wchar_t), nullptr, 0));
    ASSERT_TRUE(ImmNotifyIME(context, NI_COMPOSITIONSTR, CPS_COMPLETE, 0));
    ImmReleaseContext(window(), context);
    Pump();
    EXPECT_EQ(Text(&IVELK2::get_TextInput), result);
}

TEST_F(InputMembers, DroppedFilesArriveWithTheirEventAndLeaveOnRead) {
    SinkPtr sink = MakeSink("A");
    ASSERT_TRUE(sink->Advise(velk_));
    ASSERT_EQ(velk2_->put_wAcceptFiles(1), S_OK);
    EXPECT_TRUE(GetWindowLongA(window(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    LONG accept = -1;
    velk2_->get_wAcceptFiles(&accept);
    EXPECT_EQ(accept, 1);

    const std::vector<std::wstring> first = {L"C:\\games\\stage1.dat", L"C:\\\x30C7\x30FC\x30BF\\\x753B\x50CF.png"};
    SendMessageW(window(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(first)), 0);
    PostMessageW(window(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({L"D:\\x.txt"})), 0);
    Pump();
    EXPECT_EQ(CallsOf("A.OnDropFiles"), (std::vector<HandlerCall>{{"A.OnDropFiles", 2}, {"A.OnDropFiles", 1}}));
    EXPECT_EQ(Text(&IVELK2::get_DroppedFiles), first[0] + L"\r\n" + first[1] + L"\r\nD:\\x.txt");
    EXPECT_EQ(Text(&IVELK2::get_DroppedFiles), L"");

    ASSERT_EQ(velk2_->put_wAcceptFiles(0), S_OK);
    EXPECT_FALSE(GetWindowLongA(window(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
}

TEST_F(InputMembers, ClipboardTextGoesThroughTheRealClipboard) {
    for (const std::wstring& text :
         {std::wstring(L"plain"), std::wstring(L"\x30AF\x30EA\x30C3\x30D7 \xD83D\xDE00\r\nline"), std::wstring()}) {
        ASSERT_EQ(velk2_->put_ClipboardText(Bstr(text)), S_OK);
        ASSERT_TRUE(OpenClipboard(nullptr));
        HANDLE data = GetClipboardData(CF_UNICODETEXT);
        const wchar_t* held = data ? static_cast<const wchar_t*>(GlobalLock(data)) : nullptr;
        EXPECT_EQ(std::wstring(held ? held : L"(none)"), text);
        if (held) GlobalUnlock(data);
        CloseClipboard();
        EXPECT_EQ(Text(&IVELK2::get_ClipboardText), text);
    }
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
    EXPECT_EQ(Text(&IVELK2::get_ClipboardText), L"") << "no text on the clipboard";
}

TEST_F(InputMembers, GamepadsComeFromTheModuleWithDeadZonesAndConnectionEvents) {
    ScriptedPad pad = FindPad();
    if (!pad.Set) return;
    SinkPtr sink = MakeSink("A");
    ASSERT_TRUE(sink->Advise(velk_));
    // The right stick rests inside its own dead zone, outside the left one's.
    pad.Set(2, 1, XINPUT_GAMEPAD_A | XINPUT_GAMEPAD_START, 0, -32768, 6000, 6000, 30, 255);
    ASSERT_EQ(PumpUntil("A.OnPadConnected", 1), 1u);
    EXPECT_EQ(CallsOf("A.OnPadConnected")[0].argument, 2);

    LONG connected = -1, buttons = -1;
    velk2_->PadConnected(2, &connected);
    velk2_->PadButtons(2, &buttons);
    EXPECT_EQ(connected, 1);
    EXPECT_EQ(buttons, XINPUT_GAMEPAD_A | XINPUT_GAMEPAD_START);
    const double axes[] = {0.0, -1.0, 0.0, 0.0, 0.0, 1.0};
    for (LONG axis = 0; axis < velk::kPadAxisCount; ++axis) {
        double value = 9;
        velk2_->PadAxis(2, axis, &value);
        EXPECT_NEAR(value, axes[axis], 0.01) << axis;
    }
    velk2_->PadButtons(1, &buttons);
    EXPECT_EQ(buttons, 0) << "no pad at 1";

    ASSERT_EQ(velk2_->PadRumble(2, 0.25, 1.0), S_OK);
    int low = -1, high = -1;
    pad.Rumble(2, &low, &high);
    EXPECT_EQ(low, 16384);
    EXPECT_EQ(high, 65535);
    EXPECT_EQ(velk2_->PadRumble(3, 1.0, 1.0), S_OK) << "no pad: nothing happens";

    pad.Set(2, 0, 0, 0, 0, 0, 0, 0, 0);
    EXPECT_EQ(PumpUntil("A.OnPadDisconnected", 1), 1u);
    PumpFor(velk_, 300);
    EXPECT_EQ(CallsOf("A.OnPadConnected").size(), 1u) << "each change is told once";
    ASSERT_EQ(CallsOf("A.OnPadDisconnected").size(), 1u);
    EXPECT_EQ(CallsOf("A.OnPadDisconnected")[0].argument, 2);
    pad.DisconnectAll();
}

TEST_F(InputMembers, AnEmptySlotIsAskedOnlyAFewTimesASecond) {
    ScriptedPad pad = FindPad();
    if (!pad.Set) return;
    pad.StateCalls(3, 1);
    const DWORD start = GetTickCount();
    LONG connected = -1, ended = 0;
    int reads = 0;
    while (GetTickCount() - start < 1000 || reads < 1000) {
        velk2_->PadConnected(3, &connected);
        velk_->DoEvents(&ended);
        ++reads;
    }
    const DWORD elapsed = GetTickCount() - start;
    EXPECT_EQ(connected, 0);
    // One probe per interval at most, and one more for the interval under way.
    EXPECT_LE(pad.StateCalls(3, 0), static_cast<LONG>(elapsed / velk::kEmptyPadProbeInterval + 1));
}

// ---------------------------------------------------------------- refused arguments

namespace {

std::string ValueText(const char* subject, long value, const char* range) {
    return std::string("  [ Error ] Typ:Param  ") + subject + "で正しくない値 : " + std::to_string(value) +
           " が指定されました。\n\t\t->" + range + "の範囲で許されます";
}

}  // namespace

VELK_SCENARIO(KeyHitZero) {
    return ScenarioInGdiMode([](VelkObject* v) {
        LONG count;
        v->KeyHit(0, &count);
    });
}
VELK_SCENARIO(KeyReleased255) {
    return ScenarioInGdiMode([](VelkObject* v) {
        LONG count;
        v->KeyReleased(255, &count);
    });
}
VELK_SCENARIO(PadIndexFour) {
    return ScenarioInGdiMode([](VelkObject* v) {
        LONG connected;
        v->PadConnected(4, &connected);
    });
}
VELK_SCENARIO(PadAxisSix) {
    return ScenarioInGdiMode([](VelkObject* v) {
        double value;
        v->PadAxis(0, 6, &value);
    });
}
VELK_SCENARIO(PadRumbleNaN) {
    return ScenarioInGdiMode([](VelkObject* v) { v->PadRumble(0, 0.5, std::numeric_limits<double>::quiet_NaN()); });
}
VELK_SCENARIO(AcceptFilesTwo) {
    return ScenarioInGdiMode([](VelkObject* v) { v->put_wAcceptFiles(2); });
}

TEST(InputErrors, ArgumentsOutOfRangeEndTheProcess) {
    namespace t = velk::texts;
    ExpectFatalEnds({
        {"KeyHitZero", ValueText(t::kKeyHitSubject, 0, t::kKeyCodeRange)},
        {"KeyReleased255", ValueText(t::kKeyReleasedSubject, 255, t::kKeyCodeRange)},
        {"PadIndexFour", ValueText(t::kPadIndexSubject, 4, t::kPadIndexRange)},
        {"PadAxisSix", ValueText(t::kPadAxisSubject, 6, t::kPadAxisRange)},
        {"PadRumbleNaN", std::string("  [ Error ] Typ:Param  ") + t::kRumbleSubject +
                             "で正しくない値 : nan が指定されました。\n\t\t->0.0～1.0の範囲で許されます"},
        {"AcceptFilesTwo", ValueText(t::kAcceptFilesSubject, 2, t::kAcceptFilesRange)},
    });
}

// ---------------------------------------------------------------- from a script

TEST(InputScript, VBScriptReadsKeysTextAndTheClipboard) {
    ASSERT_EQ(RegisterLibrary(), S_OK);
    TempDir dir;
    ScriptRun run = RunScript("input.vbs", dir.path());
    for (const char* marker : {"keys=0,0", "text=[]", "clipboard=[from a script]", "pad=0", "script-complete"})
        EXPECT_NE(run.output.find(marker), std::string::npos) << marker << " in:\n" << run.output;
}
