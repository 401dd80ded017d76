// The window procedure: turns window messages into calls of the host's handlers and
// the events of the object's sinks.
#include "window/events.h"

#include <imm.h>       // for: ImmGetCompositionStringW
#include <shellapi.h>  // for: HDROP

#include <vector>

#include "core/events_source.h"
#include "core/log.h"
#include "core/texts.h"
#include "core/velk.h"

namespace velk {
namespace {

constexpr UINT kMciNotify = 0x03B9;
constexpr WPARAM kMciSuccessful = 1;
constexpr WPARAM kMciFailure = 8;
constexpr UINT kFirstUserMessage = 0x0401;

// An earlier object's window may still be open: its messages are not the live object's.
bool IsLiveObjectsWindow(HWND window) {
    VelkObject* self = LiveInstance.load();
    return self && self->WindowHandle() == window;
}

// Text an input method finished, read as Unicode; the message then goes on
// without its result, which would otherwise come again as characters.
LPARAM TakeCompositionResult(VelkObject* self, HWND window, LPARAM flags) {
    constexpr LPARAM kResultFlags = GCS_RESULTSTR | GCS_RESULTREADSTR | GCS_RESULTCLAUSE | GCS_RESULTREADCLAUSE;
    if (!(flags & GCS_RESULTSTR)) return flags;
    HIMC context = ImmGetContext(window);
    if (!context) return flags;  // unreadable here: the default handling sends it as characters
    LONG bytes = ImmGetCompositionStringW(context, GCS_RESULTSTR, nullptr, 0);
    if (bytes > 0) {
        std::vector<wchar_t> text(static_cast<size_t>(bytes) / sizeof(wchar_t) + 1);
        bytes = ImmGetCompositionStringW(context, GCS_RESULTSTR, text.data(),
                                         static_cast<DWORD>(text.size() * sizeof(wchar_t)));
        const size_t units = bytes > 0 ? static_cast<size_t>(bytes) / sizeof(wchar_t) : 0;
        AppendText(self->Input.Text, text.data(), units < text.size() ? units : text.size());
    }
    ImmReleaseContext(window, context);
    return flags & ~kResultFlags;
}

// Keys, typed text and dropped files for the live object's window. True when
// the message is fully handled here, with `result` for the platform.
bool TakeInputMessage(VelkObject* self, HWND window, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
    CountKey(self->Input.Keys, KeyTransitionFor(message, wparam, lparam));
    switch (message) {
    case WM_CHAR:
        self->TakeTypedBytes(wparam);
        return false;
    case WM_IME_CHAR:
        // Taken here, or the default handling would send it again as WM_CHAR.
        self->TakeTypedBytes(wparam);
        *result = 0;
        return true;
    case WM_UNICHAR: {
        // TRUE to the probe tells the sender that whole code points are welcome.
        *result = wparam == UNICODE_NOCHAR ? TRUE : FALSE;
        wchar_t units[2];
        if (wparam != UNICODE_NOCHAR) AppendText(self->Input.Text, units, EncodeCodePoint(static_cast<DWORD>(wparam), units));
        return true;
    }
    case WM_IME_COMPOSITION: {
        LPARAM rest = TakeCompositionResult(self, window, lparam);
        if (rest == lparam) return false;
        *result = rest ? DefWindowProcA(window, message, wparam, rest) : 0;
        return true;
    }
    case WM_DROPFILES:
        self->TakeDroppedFiles(reinterpret_cast<HDROP>(wparam));
        *result = 0;
        return true;
    default: return false;
    }
}

}  // namespace

EventCall EventForMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_MOVE: return {&HandlerSlots::OnMove, static_cast<LONG>(wparam)};
    case WM_SIZE: return {&HandlerSlots::OnSize, static_cast<LONG>(wparam)};
    // The names are inverted on purpose: hosts were written against this pairing.
    case WM_ACTIVATE: return {wparam == 0 ? &HandlerSlots::OnActive : &HandlerSlots::OnDeActive, 0};
    case WM_KEYDOWN: return {&HandlerSlots::OnKeyDown, static_cast<LONG>(wparam)};
    case WM_KEYUP: return {&HandlerSlots::OnKeyUp, static_cast<LONG>(wparam)};
    case WM_COMMAND: return {&HandlerSlots::OnCommand, static_cast<LONG>(wparam)};
    case WM_TIMER: return {&HandlerSlots::Timer, 0};
    case WM_LBUTTONDOWN: return {&HandlerSlots::OnMouseDown, 1};
    case WM_LBUTTONUP: return {&HandlerSlots::OnMouseUp, 1};
    case WM_RBUTTONDOWN: return {&HandlerSlots::OnMouseDown, 2};
    case WM_RBUTTONUP: return {&HandlerSlots::OnMouseUp, 2};
    case WM_MBUTTONDOWN: return {&HandlerSlots::OnMouseDown, 3};
    case WM_MBUTTONUP: return {&HandlerSlots::OnMouseUp, 3};
    case WM_MOUSEWHEEL: return {&HandlerSlots::OnMouseWheel, static_cast<LONG>(HIWORD(wparam))};
    case WM_SIZING: return {&HandlerSlots::OnSizing, lparam};
    case WM_MOVING: return {&HandlerSlots::OnMoving, lparam};
    case kMciNotify:
        if (wparam == kMciFailure) return {&HandlerSlots::OnMCIFailure, 0};
        if (wparam == kMciSuccessful) return {&HandlerSlots::OnMCISuccess, 0};
        return {nullptr, 0};
    case kFirstUserMessage: return {&HandlerSlots::OnSurfaceLost, static_cast<LONG>(wparam)};
    default: return {nullptr, 0};
    }
}

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (Handlers.Procedure)
        return CallWindowProcedure(Handlers.Procedure, window, message, wparam, lparam);

    if (message == WM_DESTROY) {
        // The window of an earlier object of this process may still be open;
        // closing it must not end the live object.
        VelkObject* self = LiveInstance.load();
        if (self && self->WindowHandle() == window) {
            self->EndedFlag = 1;
            LogWrite(self, texts::kStep, texts::kDestroyReceived);
        }
    } else if (message == WM_SIZE && IsLiveObjectsWindow(window)) {
        PendingClientSize = static_cast<LONG>(lparam);
    } else if (message == kSoundNoticeMessage) {
        if (IsLiveObjectsWindow(window)) LiveInstance.load()->TakeSoundNotices(true);
        return 0;
    }
    if (IsLiveObjectsWindow(window)) {
        LRESULT result = 0;
        if (TakeInputMessage(LiveInstance.load(), window, message, wparam, lparam, &result)) return result;
    }
    EventCall event = EventForMessage(message, wparam, lparam);
    if (event.slot) {
        // Read at call time: an earlier handler may have changed the slot.
        if (HostAddress address = Handlers.*event.slot) CallHandler(address, event.argument);
        FireSlotEvent(window, event.slot, event.argument);
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

}  // namespace velk
