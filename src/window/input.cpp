// Polled input: the pointer in client coordinates and the asynchronous key state.
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

HRESULT VelkObject::get_MouseX(LONG* pVal) {
    if (pVal) *pVal = ClientPointer(Window).x;
    return S_OK;
}

HRESULT VelkObject::get_MouseY(LONG* pVal) {
    if (pVal) *pVal = ClientPointer(Window).y;
    return S_OK;
}

HRESULT VelkObject::put_MouseX(LONG newVal) {
    POINT target = ClientToScreenPoint(Window, newVal, 0);
    POINT now = {0, 0};
    GetCursorPos(&now);
    SetCursorPos(target.x, now.y);
    return S_OK;
}

HRESULT VelkObject::put_MouseY(LONG newVal) {
    POINT target = ClientToScreenPoint(Window, 0, newVal);
    POINT now = {0, 0};
    GetCursorPos(&now);
    SetCursorPos(now.x, target.y);
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
