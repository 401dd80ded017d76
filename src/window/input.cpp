// Polled input: the pointer in client coordinates (in back-buffer units while
// wScale is on) and the asynchronous key state.
#include <windows.h>

#include "core/velk.h"

// Before the window exists there is no client area; the coordinates are then
// screen coordinates, so that reading and setting the pointer stay consistent.
static POINT ClientPointer(HWND window) {
    POINT point = {0, 0};
    GetCursorPos(&point);
    if (window) ScreenToClient(window, &point);
    return point;
}

static POINT ClientToScreenPoint(HWND window, LONG x, LONG y) {
    POINT point = {x, y};
    if (window) ClientToScreen(window, &point);
    return point;
}

// One axis of the pointer between client and back-buffer units.
enum class Axis { X, Y };

static LONG SpanStart(const RECT& rect, Axis axis) { return axis == Axis::X ? rect.left : rect.top; }
static LONG SpanLength(const RECT& rect, Axis axis) {
    return axis == Axis::X ? rect.right - rect.left : rect.bottom - rect.top;
}

static LONG ReadPointer(VelkObject* self, Axis axis) {
    const POINT point = ClientPointer(self->Window);
    const LONG client = axis == Axis::X ? point.x : point.y;
    if (!self->Scaling.On() || !self->Window) return client;
    LONG width = 0, height = 0;
    const RECT dest = self->ScaledPlacement(&width, &height);
    return velk::ClientToBuffer(client, SpanStart(dest, axis), SpanLength(dest, axis), axis == Axis::X ? width : height);
}

// Moves the pointer along one axis, keeping the other where it is.
static void SetPointer(VelkObject* self, Axis axis, LONG value) {
    if (self->Scaling.On() && self->Window) {
        LONG width = 0, height = 0;
        const RECT dest = self->ScaledPlacement(&width, &height);
        value = velk::BufferToClient(value, SpanStart(dest, axis), SpanLength(dest, axis),
                                     axis == Axis::X ? width : height);
    }
    const POINT target = ClientToScreenPoint(self->Window, axis == Axis::X ? value : 0, axis == Axis::Y ? value : 0);
    POINT now = {0, 0};
    GetCursorPos(&now);
    SetCursorPos(axis == Axis::X ? target.x : now.x, axis == Axis::Y ? target.y : now.y);
}

HRESULT VelkObject::get_MouseX(LONG* pVal) {
    if (pVal) *pVal = ReadPointer(this, Axis::X);
    return S_OK;
}

HRESULT VelkObject::get_MouseY(LONG* pVal) {
    if (pVal) *pVal = ReadPointer(this, Axis::Y);
    return S_OK;
}

HRESULT VelkObject::put_MouseX(LONG newVal) {
    SetPointer(this, Axis::X, newVal);
    return S_OK;
}

HRESULT VelkObject::put_MouseY(LONG newVal) {
    SetPointer(this, Axis::Y, newVal);
    return S_OK;
}

HRESULT VelkObject::InCheck(short KeyCode, LONG* pVal) {
    SHORT state = GetAsyncKeyState(KeyCode);  // the code widens with its sign
    if (pVal) *pVal = (state & 0xFF00) ? 1 : 0;
    return S_OK;
}

HRESULT VelkObject::InCheckPrev(short KeyCode, LONG* pVal) {
    SHORT state = GetAsyncKeyState(KeyCode);
    if (pVal) *pVal = (state & 0x00FF) ? 1 : 0;
    return S_OK;
}
