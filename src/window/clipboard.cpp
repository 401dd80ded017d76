// ClipboardText: the clipboard's Unicode text.
#include <cstring>
#include <cwchar>

#include "core/velk.h"

namespace {

// Another program may hold the clipboard for a moment.
bool OpenClipboardBriefly(HWND owner) {
    constexpr int kTries = 20;
    constexpr DWORD kPause = 10;
    for (int attempt = 0; attempt < kTries; ++attempt) {
        if (OpenClipboard(owner)) return true;
        Sleep(kPause);
    }
    return false;
}

}  // namespace

HRESULT VelkObject::get_ClipboardText(BSTR* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = nullptr;
    if (!OpenClipboardBriefly(Window)) return CLIPBRD_E_CANT_OPEN;
    const wchar_t* text = L"";
    size_t length = 0;
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    void* locked = data ? GlobalLock(data) : nullptr;
    if (locked) {
        // The block need not end in a NUL: never read past it.
        text = static_cast<const wchar_t*>(locked);
        length = wcsnlen(text, GlobalSize(data) / sizeof(wchar_t));
    }
    *pVal = SysAllocStringLen(text, static_cast<UINT>(length));
    if (locked) GlobalUnlock(data);
    CloseClipboard();
    return *pVal ? S_OK : E_OUTOFMEMORY;
}

HRESULT VelkObject::put_ClipboardText(BSTR newVal) {
    const UINT length = SysStringLen(newVal);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (static_cast<SIZE_T>(length) + 1) * sizeof(wchar_t));
    if (!block) return E_OUTOFMEMORY;
    wchar_t* copy = static_cast<wchar_t*>(GlobalLock(block));
    if (!copy) {
        GlobalFree(block);
        return E_OUTOFMEMORY;
    }
    if (length) std::memcpy(copy, newVal, length * sizeof(wchar_t));
    copy[length] = L'\0';
    GlobalUnlock(block);
    if (!OpenClipboardBriefly(Window)) {
        GlobalFree(block);
        return CLIPBRD_E_CANT_OPEN;
    }
    EmptyClipboard();
    // The clipboard owns the block once it takes it.
    const bool taken = SetClipboardData(CF_UNICODETEXT, block) != nullptr;
    CloseClipboard();
    if (taken) return S_OK;
    GlobalFree(block);
    return CLIPBRD_E_CANT_SET;
}
