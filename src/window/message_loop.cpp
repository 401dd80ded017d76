// The application window: creation with fixed defaults, the message loop, the
// ended flag, the millisecond tick and the window timer.
#include <windows.h>
#include <mmsystem.h>  // for: timeGetTime
#include <shellapi.h>  // for: DragAcceptFiles

#include "core/ansi.h"
#include "core/keep_alive.h"
#include "core/log.h"
#include "core/texts.h"
#include "core/velk.h"
#include "window/events.h"
#include "window/process_state.h"

namespace {

constexpr UINT kClassStyle = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_CLASSDC;  // 0x4B
constexpr DWORD kWindowStyle = 0x12C80000;  // visible, clip children, caption, system menu
constexpr LONG kClientWidth = 640;
constexpr LONG kClientHeight = 480;
constexpr LONG kDefaultFrameRate = 60;
constexpr LONG kDefaultGraphicsMode = 1;
constexpr LONG kDefaultSoundMode = 2;

void RegisterWindowClass(const char* name) {
    WNDCLASSEXA window_class = {};
    window_class.cbSize = sizeof window_class;
    window_class.style = kClassStyle;
    window_class.lpfnWndProc = velk::WindowProcedure;
    window_class.hInstance = velk::ModuleInstance();
    window_class.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
    window_class.hIconSm = LoadIcon(nullptr, IDI_APPLICATION);
    window_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    window_class.lpszClassName = name;
    // A class left registered by an earlier object of this process is used as it is.
    RegisterClassExA(&window_class);
}

// ---------------------------------------------------------------- pump marks

// DoEvents handles what was waiting when it was called, and what handling it
// posted (the close command an Alt+F4 becomes, say), but not what that posts
// in turn: a handler that posts again each time cannot keep the call. A mark
// posted behind the waiting messages ends each round; posted messages come
// out in order, so once a mark is reached everything posted before it has
// been handled. Nested calls reach the marks of the calls around them first:
// the highest reached counts.
UINT PumpMarkMessage() {
    static const UINT message = RegisterWindowMessageA("VELK pump mark");
    return message;
}

LONG MarksPosted = 0;
LONG MarksReached = 0;

LONG PostPumpMark() {
    const LONG mark = ++MarksPosted;
    PostThreadMessageA(GetCurrentThreadId(), PumpMarkMessage(), static_cast<WPARAM>(mark), 0);
    return mark;
}

bool IsPumpMark(const MSG& message) { return message.hwnd == nullptr && message.message == PumpMarkMessage(); }

// Input, paint and the quit come out only after every posted message, so
// after the mark; whatever else is still there was posted after it.
bool ComesAfterPostedMessages(UINT message) {
    return (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
           (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
           (message >= WM_NCMOUSEMOVE && message <= WM_NCXBUTTONDBLCLK) || message == WM_PAINT ||
           message == WM_QUIT;
}

}  // namespace

HRESULT VelkObject::wDefault(BSTR ProgramName) {
    velk::KeepAlive alive(this);  // handlers run during the window's creation
    if (Window) {
        velk::LogWrite(this, velk::texts::kAbortRepeated, velk::texts::kDefaultName);
        return S_OK;
    }
    velk::LogWrite(this, velk::texts::kTitle, velk::texts::kDefaultTitle);
    velk::AnsiText name = velk::ToAnsi(ProgramName);
    velk::LogWrite(this, velk::texts::kInfoText, velk::texts::kProgramNameLabel, name.get());
    if (name) {
        velk::PinModule();
        RegisterWindowClass(name);
    }
    velk::LogWrite(this, velk::texts::kInfoHex, velk::texts::kInstanceLabel, velk::HexValue(velk::ModuleInstance()));
    velk::LogWrite(this, velk::texts::kInfoHex, velk::texts::kProcedureLabel,
                   velk::HexValue(reinterpret_cast<void*>(velk::WindowProcedure)));
    velk::LogWrite(this, velk::texts::kInfoText, velk::texts::kIconLabel, velk::texts::kIconValue);
    velk::LogWrite(this, velk::texts::kInfoText, velk::texts::kCursorLabel, velk::texts::kCursorValue);

    RECT outer = {0, 0, kClientWidth, kClientHeight};
    AdjustWindowRectEx(&outer, kWindowStyle, FALSE, 0);
    velk::LogWrite(this, velk::texts::kStep, velk::texts::kCreatingWindow);
    if (name) {
        Window = CreateWindowExA(0, name, name, kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT, outer.right - outer.left,
                                 outer.bottom - outer.top, nullptr, nullptr, velk::ModuleInstance(), nullptr);
    } else {
        // A window needs a class name; the platform is not asked to dereference a null one.
        SetLastError(ERROR_INVALID_PARAMETER);
    }
    if (!Window) velk::FatalSystemError(this, velk::texts::kFailed, velk::texts::kWindowCreationFailed);
    velk::LogWrite(this, velk::texts::kStep, velk::texts::kWindowCreated);
    velk::LogWrite(this, velk::texts::kInfoHex, velk::texts::kWindowHandleLabel, velk::HexValue(Window));
    if (Input.AcceptFiles) DragAcceptFiles(Window, TRUE);
    ShowWindow(Window, SW_SHOWNORMAL);
    UpdateWindow(Window);
    velk::LogWrite(this, velk::texts::kSucceed);
    velk::LogWrite(this, velk::texts::kDefaultCallsModes);

    Graphics(kDefaultGraphicsMode);
    put_SoftwareFPS(kDefaultFrameRate);
    Refresh();
    Sound(kDefaultSoundMode);
    return S_OK;
}

void VelkObject::ApplyPendingClientSize() {
    LONG size = velk::PendingClientSize;
    if (size == 0) return;
    velk::PendingClientSize = 0;
    // Handlers run while wDefault creates the window, before graphics has made
    // sprite 0; it is then made at the client size of that moment.
    if (velk::IsEmpty(SpriteTable[0])) return;
    // wScale fixed the back buffer; Refresh scales it to whatever the client is.
    if (Scaling.On()) return;
    BackBufferResize(LOWORD(size), HIWORD(size));
}

HRESULT VelkObject::Run() {
    velk::KeepAlive alive(this);
    velk::LogWrite(this, velk::texts::kStep, velk::texts::kRunStarted);
    // A pump inside a member took the quit meant for Run: it ends this Run, once.
    if (QuitTaken) {
        QuitTaken = false;
        return S_OK;
    }
    MSG message;
    for (;;) {
        WaitWatchingPads();
        if (GetMessageA(&message, nullptr, 0, 0) <= 0) break;
        TranslateMessage(&message);
        DispatchMessageA(&message);
        ApplyPendingClientSize();
        if (QuitTaken) {
            QuitTaken = false;
            break;
        }
        if (EndedFlag) {
            // The quit of wDestroy is this Run's: left waiting, it would close
            // the next message box at once.
            int code = 0;
            velk::TakePendingQuit(&code);
            break;
        }
    }
    return S_OK;
}

void VelkObject::WaitWatchingPads() {
    // Gamepads change without a message: the wait wakes for a look at them.
    MSG message;
    WatchPads();
    while (PadsWatched() && !PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE)) {
        const DWORD since = GetTickCount() - Input.Pads.LastWatch;
        const DWORD wait = since < velk::kEmptyPadProbeInterval ? velk::kEmptyPadProbeInterval - since : 0;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, wait + 1, QS_ALLINPUT);
        WatchPads();
    }
}

HRESULT VelkObject::DoEvents(LONG* StillRunning) {
    velk::KeepAlive alive(this);
    WatchPads();
    // Most frames of a game find the queue empty: then there is no round to mark,
    // and a peek that finds nothing would give the rest of the time slice away.
    if (HIWORD(GetQueueStatus(QS_ALLINPUT)) == 0) {
        ApplyPendingClientSize();
        if (StillRunning) *StillRunning = EndedFlag;
        return S_OK;
    }
    LONG mark = PostPumpMark();
    bool second_round = false;
    // A handler slower than the timer's interval finds a new timer message
    // waiting every time: one per call, or the call would never come back.
    bool timer_taken = false;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE)) {
        if (message.message == WM_TIMER) {
            if (timer_taken) break;
            timer_taken = true;
        } else if (MarksReached >= mark && !IsPumpMark(message) && !ComesAfterPostedMessages(message.message)) {
            if (second_round) break;  // posted by the second round's handlers
            second_round = true;
            mark = PostPumpMark();
        }
        if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) break;
        if (IsPumpMark(message)) {
            LONG reached = static_cast<LONG>(message.wParam);
            if (reached > MarksReached) MarksReached = reached;
            continue;
        }
        // Members pump too (property puts, decoding and download dialogs):
        // the quit they take must still end Run.
        if (message.message == WM_QUIT) QuitTaken = true;
        TranslateMessage(&message);
        DispatchMessageA(&message);
        ApplyPendingClientSize();
    }
    // A size sent straight to the window procedure (a frame change) comes with
    // no queued message after it.
    ApplyPendingClientSize();
    // The call that reports the end takes the end's quit, which would
    // otherwise close the next message box unseen; a later Run still ends.
    int code = 0;
    if (EndedFlag && velk::TakePendingQuit(&code)) QuitTaken = true;
    if (StillRunning) *StillRunning = EndedFlag;
    return S_OK;
}

HRESULT VelkObject::wDestroy() {
    velk::LogWrite(this, velk::texts::kStep, velk::texts::kDestroyRequested);
    // A frame handler that calls this on every tick until the loop notices
    // must not leave quits behind for the message boxes that follow: the
    // first call's quit is the one that ends the loop.
    if (!QuitPosted) PostQuitMessage(0);
    QuitPosted = true;
    EndedFlag = 1;
    return S_OK;
}

HRESULT VelkObject::GetTick(LONG* Tick) {
    if (Tick) *Tick = static_cast<LONG>(timeGetTime() - StartTick);
    return S_OK;
}

HRESULT VelkObject::TickReset() {
    velk::LogWrite(this, velk::texts::kStep, velk::texts::kTicksReset);
    StartTick = timeGetTime();
    return S_OK;
}

HRESULT VelkObject::wRunTimer(LONG Interval, velk::HostAddress Event) {
    // With a sink connected the ticks may go to OnTimer alone.
    if (Event == 0 && !Events.HasSinks())
        velk::FatalError(this, velk::texts::kParamError, velk::texts::kTimerFunctionSubject);
    KillTimer(Window, velk::kWindowTimerId);
    // Without a window the platform would make a thread timer whose messages
    // reach no window procedure; the handler is only stored then.
    if (Window) SetTimer(Window, velk::kWindowTimerId, static_cast<UINT>(Interval), nullptr);
    velk::Handlers.Timer = Event;
    return S_OK;
}

// ---------------------------------------------------------------- handler slots

#define VELK_HANDLER_PROPERTY(Name)                    \
    HRESULT VelkObject::get_##Name(velk::HostAddress* pVal) {       \
        if (pVal) *pVal = velk::Handlers.Name;         \
        return S_OK;                                   \
    }                                                  \
    HRESULT VelkObject::put_##Name(velk::HostAddress newVal) {      \
        velk::Handlers.Name = newVal;                  \
        return S_OK;                                   \
    }

VELK_HANDLER_PROPERTY(OnActive)
VELK_HANDLER_PROPERTY(OnDeActive)
VELK_HANDLER_PROPERTY(OnKeyDown)
VELK_HANDLER_PROPERTY(OnKeyUp)
VELK_HANDLER_PROPERTY(OnCommand)
VELK_HANDLER_PROPERTY(OnMouseDown)
VELK_HANDLER_PROPERTY(OnMouseUp)
VELK_HANDLER_PROPERTY(OnMouseWheel)
VELK_HANDLER_PROPERTY(OnMove)
VELK_HANDLER_PROPERTY(OnMoving)
VELK_HANDLER_PROPERTY(OnSize)
VELK_HANDLER_PROPERTY(OnSizing)
VELK_HANDLER_PROPERTY(OnMCIFailure)
VELK_HANDLER_PROPERTY(OnMCISuccess)
VELK_HANDLER_PROPERTY(OnSurfaceLost)

HRESULT VelkObject::get_wProcedure(velk::HostAddress* pVal) {
    if (pVal) *pVal = velk::Handlers.Procedure;
    return S_OK;
}

HRESULT VelkObject::put_wProcedure(velk::HostAddress newVal) {
    velk::Handlers.Procedure = newVal;
    return S_OK;
}
