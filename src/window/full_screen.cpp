// wFullScreen: the window as a borderless popup covering the monitor it is on,
// the display mode untouched, and back exactly as it was.
#include <windows.h>

#include "core/keep_alive.h"
#include "core/log.h"
#include "core/texts.h"
#include "core/velk.h"

namespace texts = velk::texts;

namespace {

constexpr LONG kModeFullScreen = 3;

// Bits of the window's state that members change on the live window while it
// is borderless; leaving keeps them as they are then.
constexpr LONG_PTR kLiveStyleBits = WS_VISIBLE | WS_DISABLED;
constexpr LONG_PTR kLiveExtendedBits = WS_EX_TOPMOST;
constexpr LONG_PTR kShownStateBits = WS_MAXIMIZE | WS_MINIMIZE;

LONG_PTR BorderlessStyle(LONG_PTR style) {
    return (style & (WS_VISIBLE | WS_DISABLED | WS_CLIPCHILDREN | WS_CLIPSIBLINGS)) | WS_POPUP;
}

LONG_PTR BorderlessExtendedStyle(LONG_PTR extended) {
    return extended & ~static_cast<LONG_PTR>(WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE |
                                             WS_EX_STATICEDGE);
}

// Enters the borderless state. Each platform call below sends messages whose
// handlers may call wFullScreen again: the generation tells whether they did,
// and then the later call's state stands.
void EnterBorderless(VelkObject* self) {
    velk::BorderlessWindow& state = self->Borderless;
    HWND window = self->Window;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor)) return;

    velk::BorderlessWindow saved;
    saved.Style = GetWindowLongPtrA(window, GWL_STYLE);
    saved.ExtendedStyle = GetWindowLongPtrA(window, GWL_EXSTYLE);
    GetWindowRect(window, &saved.Rect);
    saved.Placement.length = sizeof saved.Placement;
    GetWindowPlacement(window, &saved.Placement);
    saved.On = true;
    saved.Generation = state.Generation + 1;
    state = saved;
    const LONG generation = state.Generation;

    velk::LogWrite(self, texts::kStep, texts::kBorderlessOnStep);
    SetWindowLongPtrA(window, GWL_STYLE, BorderlessStyle(saved.Style));
    if (state.Generation != generation) return;
    SetWindowLongPtrA(window, GWL_EXSTYLE, BorderlessExtendedStyle(saved.ExtendedStyle));
    if (state.Generation != generation) return;
    const RECT& area = monitor.rcMonitor;
    SetWindowPos(window, HWND_TOP, area.left, area.top, area.right - area.left, area.bottom - area.top,
                 SWP_FRAMECHANGED | SWP_NOACTIVATE);
}

}  // namespace

void VelkObject::LeaveBorderless() {
    if (!Borderless.On) return;
    const velk::BorderlessWindow saved = Borderless;
    Borderless.On = false;
    const LONG generation = ++Borderless.Generation;
    if (!Window || !IsWindow(Window)) return;
    velk::KeepAlive alive(this);  // the frame change runs handlers

    velk::LogWrite(this, texts::kStep, texts::kBorderlessOffStep);
    const LONG_PTR live = GetWindowLongPtrA(Window, GWL_STYLE);
    const LONG_PTR live_extended = GetWindowLongPtrA(Window, GWL_EXSTYLE);
    LONG_PTR style = (saved.Style & ~kLiveStyleBits) | (live & kLiveStyleBits);
    // A maximized (or minimized) window goes back through its placement, which
    // also keeps the size it restores to; the state bit comes with it.
    const bool placed = (saved.Style & kShownStateBits) && (style & WS_VISIBLE);
    if (placed) style &= ~kShownStateBits;
    SetWindowLongPtrA(Window, GWL_STYLE, style);
    if (Borderless.Generation != generation) return;
    SetWindowLongPtrA(Window, GWL_EXSTYLE,
                      (saved.ExtendedStyle & ~kLiveExtendedBits) | (live_extended & kLiveExtendedBits));
    if (Borderless.Generation != generation) return;
    if (placed) {
        SetWindowPlacement(Window, &saved.Placement);
        SetWindowPos(Window, nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    } else {
        const RECT& rect = saved.Rect;
        SetWindowPos(Window, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    }
}

HRESULT VelkObject::get_wFullScreen(LONG* pVal) {
    if (pVal) *pVal = (GraphicsMode == kModeFullScreen || (Borderless.On && Window && IsWindow(Window))) ? 1 : 0;
    return S_OK;
}

HRESULT VelkObject::put_wFullScreen(LONG newVal) {
    if (newVal != 0 && newVal != 1)
        velk::FatalError(this, texts::kValueRangeError, texts::kFullScreenSubject, newVal, texts::kFullScreenRange);
    // Exclusive full screen frames the window itself; there is nothing to take.
    if (GraphicsMode == kModeFullScreen || !Window || !IsWindow(Window)) return S_OK;
    velk::KeepAlive alive(this);  // the frame changes run handlers
    if (newVal == 1 && !Borderless.On)
        EnterBorderless(this);
    else if (newVal == 0)
        LeaveBorderless();
    // The back buffer takes the new client size before the host draws again.
    ApplyPendingClientSize();
    return S_OK;
}
