// Window properties: frame elements, visibility and input as bits of the
// window's style words, placement, title and the two message boxes.
#include <windows.h>

#include "core/ansi.h"
#include "core/keep_alive.h"
#include "core/velk.h"
#include "graphics/geometry.h"  // for: SaturatedSum
#include "window/process_state.h"

namespace {

enum class StyleWord { Style, ExtendedStyle, ClassStyle };

struct StyleBit {
    StyleWord word;
    DWORD bits;
};

constexpr StyleBit kVisible = {StyleWord::Style, WS_VISIBLE};
constexpr StyleBit kDisabled = {StyleWord::Style, WS_DISABLED};
constexpr StyleBit kMaximizeBox = {StyleWord::Style, WS_MAXIMIZEBOX};
constexpr StyleBit kMinimizeBox = {StyleWord::Style, WS_MINIMIZEBOX};
constexpr StyleBit kNoClose = {StyleWord::ClassStyle, CS_NOCLOSE};
constexpr StyleBit kTitleBar = {StyleWord::Style, WS_CAPTION};  // border and dialog frame
constexpr StyleBit kSizingFrame = {StyleWord::Style, WS_THICKFRAME};
constexpr StyleBit kBorder = {StyleWord::Style, WS_BORDER};
constexpr StyleBit kToolWindow = {StyleWord::ExtendedStyle, WS_EX_TOOLWINDOW};
constexpr StyleBit kTopMost = {StyleWord::ExtendedStyle, WS_EX_TOPMOST};

DWORD ReadWord(HWND window, StyleWord word) {
    switch (word) {
    case StyleWord::Style: return static_cast<DWORD>(GetWindowLongPtrA(window, GWL_STYLE));
    case StyleWord::ExtendedStyle: return static_cast<DWORD>(GetWindowLongPtrA(window, GWL_EXSTYLE));
    case StyleWord::ClassStyle: return static_cast<DWORD>(GetClassLongPtrA(window, GCL_STYLE));
    }
    return 0;
}

void WriteWord(HWND window, StyleWord word, DWORD value) {
    switch (word) {
    case StyleWord::Style: SetWindowLongPtrA(window, GWL_STYLE, static_cast<LONG_PTR>(value)); break;
    case StyleWord::ExtendedStyle: SetWindowLongPtrA(window, GWL_EXSTYLE, static_cast<LONG_PTR>(value)); break;
    case StyleWord::ClassStyle: SetClassLongPtrA(window, GCL_STYLE, static_cast<LONG_PTR>(value)); break;
    }
}

LONG AnyBitSet(HWND window, StyleBit bit) { return (ReadWord(window, bit.word) & bit.bits) ? 1 : 0; }

void SetBits(HWND window, StyleBit bit, bool on) {
    DWORD value = ReadWord(window, bit.word);
    WriteWord(window, bit.word, on ? (value | bit.bits) : (value & ~bit.bits));
}

// Gives the window the outer size that keeps its client area under the new frame.
// The topmost bit only takes effect through the z-order, so it is placed there.
void Reframe(HWND window, HWND insert_after) {
    RECT rect;
    GetClientRect(window, &rect);
    DWORD style = ReadWord(window, StyleWord::Style);
    DWORD extended = ReadWord(window, StyleWord::ExtendedStyle);
    AdjustWindowRectEx(&rect, style, FALSE, extended);
    UINT flags = SWP_NOMOVE | SWP_FRAMECHANGED | ((style & WS_VISIBLE) ? SWP_SHOWWINDOW : 0);
    SetWindowPos(window, insert_after, 0, 0, rect.right - rect.left, rect.bottom - rect.top, flags);
    UpdateWindow(window);
}

// While the window is borderless full screen, the frame bits belong to the
// window it gives back: they are read from and written to the saved words.
// Visibility, input and the z-order act on the live window.
LONG_PTR* SavedWord(VelkObject* self, StyleBit bit) {
    if (!self->Borderless.On) return nullptr;
    if (bit.word == StyleWord::Style && !(bit.bits & (WS_VISIBLE | WS_DISABLED))) return &self->Borderless.Style;
    if (bit.word == StyleWord::ExtendedStyle && bit.bits != static_cast<DWORD>(WS_EX_TOPMOST))
        return &self->Borderless.ExtendedStyle;
    return nullptr;
}

// The same for placement: the rectangle the window gets back.
RECT* SavedRect(VelkObject* self) { return self->Borderless.On ? &self->Borderless.Rect : nullptr; }

}  // namespace

// ---------------------------------------------------------------- shared put path

// Sets or clears the bit, re-frames, and for frame changes handles the messages
// they caused before returning.
static HRESULT PutStyle(VelkObject* self, StyleBit bit, bool on, bool pump, HWND insert_after = HWND_TOP) {
    if (LONG_PTR* saved = SavedWord(self, bit)) {
        *saved = on ? (*saved | static_cast<LONG_PTR>(bit.bits)) : (*saved & ~static_cast<LONG_PTR>(bit.bits));
        return S_OK;
    }
    velk::KeepAlive alive(self);  // re-framing runs handlers, and so does the pump
    SetBits(self->Window, bit, on);
    Reframe(self->Window, insert_after);
    if (pump) {
        LONG ended = 0;
        self->DoEvents(&ended);
    }
    return S_OK;
}

static HRESULT GetStyle(VelkObject* self, StyleBit bit, LONG* value) {
    const LONG_PTR* saved = SavedWord(self, bit);
    if (value) *value = saved ? ((*saved & static_cast<LONG_PTR>(bit.bits)) ? 1 : 0) : AnyBitSet(self->Window, bit);
    return S_OK;
}

HRESULT VelkObject::get_wVisible(LONG* pVal) { return GetStyle(this, kVisible, pVal); }
HRESULT VelkObject::put_wVisible(LONG newVal) {
    velk::KeepAlive alive(this);  // showing runs handlers
    ShowWindow(Window, newVal ? SW_SHOW : SW_HIDE);
    return PutStyle(this, kVisible, newVal != 0, false);
}

HRESULT VelkObject::get_wEnable(LONG* pVal) {
    if (pVal) *pVal = AnyBitSet(Window, kDisabled) ? 0 : 1;
    return S_OK;
}
HRESULT VelkObject::put_wEnable(LONG newVal) { return PutStyle(this, kDisabled, newVal == 0, false); }

HRESULT VelkObject::get_wHasMaxBtn(LONG* pVal) { return GetStyle(this, kMaximizeBox, pVal); }
HRESULT VelkObject::put_wHasMaxBtn(LONG newVal) { return PutStyle(this, kMaximizeBox, newVal != 0, true); }

HRESULT VelkObject::get_wHasMinBtn(LONG* pVal) { return GetStyle(this, kMinimizeBox, pVal); }
HRESULT VelkObject::put_wHasMinBtn(LONG newVal) { return PutStyle(this, kMinimizeBox, newVal != 0, true); }

HRESULT VelkObject::get_wHasCloseBtn(LONG* pVal) { return GetStyle(this, kNoClose, pVal); }
HRESULT VelkObject::put_wHasCloseBtn(LONG newVal) {
    // The platform consults the close item only when its menu opens; grey it now
    // so that the close button follows the bit at once.
    EnableMenuItem(GetSystemMenu(Window, FALSE), SC_CLOSE, MF_BYCOMMAND | (newVal ? MF_GRAYED : MF_ENABLED));
    return PutStyle(this, kNoClose, newVal != 0, false);
}

HRESULT VelkObject::get_wHasTitleBar(LONG* pVal) { return GetStyle(this, kTitleBar, pVal); }
HRESULT VelkObject::put_wHasTitleBar(LONG newVal) { return PutStyle(this, kTitleBar, newVal != 0, true); }

HRESULT VelkObject::get_wResizeable(LONG* pVal) { return GetStyle(this, kSizingFrame, pVal); }
HRESULT VelkObject::put_wResizeable(LONG newVal) { return PutStyle(this, kSizingFrame, newVal != 0, true); }

HRESULT VelkObject::get_wHasBorder(LONG* pVal) { return GetStyle(this, kBorder, pVal); }
HRESULT VelkObject::put_wHasBorder(LONG newVal) { return PutStyle(this, kBorder, newVal != 0, true); }

HRESULT VelkObject::get_wToolWin(LONG* pVal) { return GetStyle(this, kToolWindow, pVal); }
HRESULT VelkObject::put_wToolWin(LONG newVal) { return PutStyle(this, kToolWindow, newVal != 0, true); }

HRESULT VelkObject::get_wTopMost(LONG* pVal) { return GetStyle(this, kTopMost, pVal); }
HRESULT VelkObject::put_wTopMost(LONG newVal) {
    return PutStyle(this, kTopMost, newVal != 0, true, newVal ? HWND_TOPMOST : HWND_NOTOPMOST);
}

// ---------------------------------------------------------------- title, handle, placement

HRESULT VelkObject::put_wCaption(BSTR newVal) {
    SetWindowTextA(Window, velk::ToAnsi(newVal));
    return S_OK;
}

HRESULT VelkObject::wGetHandle(LONG* HandleToWindow) {
    if (HandleToWindow) *HandleToWindow = static_cast<LONG>(reinterpret_cast<uintptr_t>(Window));
    return S_OK;
}

// While borderless full screen these place the window that comes back.
HRESULT VelkObject::wMoveTo(LONG x, LONG y) {
    if (RECT* saved = SavedRect(this)) {
        const LONG width = saved->right - saved->left, height = saved->bottom - saved->top;
        *saved = RECT{x, y, velk::SaturatedSum(x, width), velk::SaturatedSum(y, height)};
        return S_OK;
    }
    SetWindowPos(Window, HWND_TOP, x, y, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    return S_OK;
}

HRESULT VelkObject::wMoveBy(LONG rx, LONG ry) {
    RECT outer;
    if (const RECT* saved = SavedRect(this))
        return wMoveTo(velk::SaturatedSum(saved->left, rx), velk::SaturatedSum(saved->top, ry));
    if (GetWindowRect(Window, &outer))
        SetWindowPos(Window, HWND_TOP, velk::SaturatedSum(outer.left, rx), velk::SaturatedSum(outer.top, ry), 0, 0,
                     SWP_NOSIZE | SWP_SHOWWINDOW);
    return S_OK;
}

HRESULT VelkObject::wResizeTo(LONG w, LONG h) {
    if (RECT* saved = SavedRect(this)) {
        saved->right = velk::SaturatedSum(saved->left, w);
        saved->bottom = velk::SaturatedSum(saved->top, h);
        return S_OK;
    }
    SetWindowPos(Window, HWND_TOP, 0, 0, w, h, SWP_NOMOVE | SWP_FRAMECHANGED | SWP_SHOWWINDOW);
    return S_OK;
}

HRESULT VelkObject::wResizeBy(LONG rw, LONG rh) {
    RECT outer;
    if (const RECT* saved = SavedRect(this))
        return wResizeTo(velk::SaturatedSum(saved->right - saved->left, rw),
                         velk::SaturatedSum(saved->bottom - saved->top, rh));
    if (GetWindowRect(Window, &outer))
        SetWindowPos(Window, HWND_TOP, 0, 0, velk::SaturatedSum(outer.right - outer.left, rw),
                     velk::SaturatedSum(outer.bottom - outer.top, rh), SWP_NOMOVE | SWP_SHOWWINDOW);
    return S_OK;
}

// ---------------------------------------------------------------- message boxes

// A destroyed window cannot own a box; the box then has no owner rather than not appearing.
static HWND BoxOwner(HWND window) { return (window && IsWindow(window)) ? window : nullptr; }

// A quit message waiting in the queue (wDestroy before the box) would close
// the box at once, unseen, with the answer 0: it waits until the box is answered.
class QuitHeldBack {
public:
    QuitHeldBack() { held_ = velk::TakePendingQuit(&code_); }
    ~QuitHeldBack() {
        if (held_) PostQuitMessage(code_);
    }
    QuitHeldBack(const QuitHeldBack&) = delete;
    QuitHeldBack& operator=(const QuitHeldBack&) = delete;

private:
    bool held_ = false;
    int code_ = 0;
};

HRESULT VelkObject::wShowMessage(BSTR Message, BSTR Caption) {
    velk::KeepAlive alive(this);  // the box's loop runs handlers
    QuitHeldBack quit;
    MessageBoxA(BoxOwner(Window), velk::ToAnsi(Message), velk::ToAnsi(Caption), MB_OK | MB_ICONQUESTION);
    return S_OK;
}

HRESULT VelkObject::wYesNoMessage(BSTR Message, BSTR Caption, LONG* YesNo) {
    velk::KeepAlive alive(this);
    QuitHeldBack quit;
    int answer = MessageBoxA(BoxOwner(Window), velk::ToAnsi(Message), velk::ToAnsi(Caption),
                             MB_YESNO | MB_ICONINFORMATION);
    if (YesNo) *YesNo = (answer == IDYES) ? 1 : 0;
    return S_OK;
}
