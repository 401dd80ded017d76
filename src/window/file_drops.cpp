// wAcceptFiles and DroppedFiles: files dropped onto the window.
#include <windows.h>
#include <shellapi.h>  // for: DragAcceptFiles, DragQueryFileW, DragFinish

#include <vector>

#include "core/keep_alive.h"
#include "core/texts.h"
#include "core/velk.h"

HRESULT VelkObject::get_wAcceptFiles(LONG* pVal) {
    if (pVal) *pVal = Input.AcceptFiles;
    return S_OK;
}

HRESULT VelkObject::put_wAcceptFiles(LONG newVal) {
    CheckInputValue(newVal, 0, 1, velk::texts::kAcceptFilesSubject, velk::texts::kAcceptFilesRange);
    Input.AcceptFiles = newVal;
    // Without a window yet, wDefault applies it when it makes one.
    if (Window) DragAcceptFiles(Window, newVal ? TRUE : FALSE);
    return S_OK;
}

void VelkObject::TakeDroppedFiles(HDROP drop) {
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    UINT taken = 0;
    std::vector<wchar_t> path;
    for (UINT i = 0; i < count; ++i) {
        const UINT length = DragQueryFileW(drop, i, nullptr, 0);
        if (length == 0) continue;
        path.assign(length + 1, L'\0');
        if (DragQueryFileW(drop, i, path.data(), length + 1) == 0) continue;
        if (!Input.DroppedPaths.empty()) Input.DroppedPaths += L"\r\n";
        Input.DroppedPaths.append(path.data(), length);
        ++taken;
    }
    DragFinish(drop);
    if (taken == 0) return;
    velk::KeepAlive alive(this);  // a sink may release the host's last reference
    Events.Fire(velk::kEventOnDropFiles, static_cast<LONG>(taken));
}

HRESULT VelkObject::get_DroppedFiles(BSTR* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = SysAllocStringLen(Input.DroppedPaths.data(), static_cast<UINT>(Input.DroppedPaths.size()));
    if (!*pVal) return E_OUTOFMEMORY;
    Input.DroppedPaths.clear();
    return S_OK;
}
