// SpriteView: the modal sprite inspector (dialog 201). A slider picks one of
// the nine sprites; the dialog shows its number, size and picture, optionally
// through its transparency mask. It reads the sprite table and changes nothing.
#include "graphics/sprite_viewer.h"

#include <commctrl.h>  // for: TBM_*, TB_ENDTRACK

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/keep_alive.h"
#include "core/texts.h"
#include "core/velk.h"

namespace velk {

void ViewerText(LONG id, const SpriteSlot& slot, char (&text)[kViewerTextBytes]) {
    snprintf(text, sizeof text, texts::kViewerIdFormat, static_cast<int>(id));
    if (IsEmpty(slot)) {
        strncat(text, texts::kViewerUnused, sizeof text - strlen(text) - 1);
        return;
    }
    char id_text[kViewerTextBytes];
    memcpy(id_text, text, sizeof id_text);
    snprintf(text, sizeof text, texts::kViewerSizeFormat, id_text, static_cast<int>(slot.Width),
             static_cast<int>(slot.Height));
}

SIZE ViewerClientSize(const SpriteSlot& slot) {
    return SIZE{std::max(slot.Width, kViewerMinWidth), slot.Height + kViewerPictureTop};
}

}  // namespace velk

namespace {

constexpr int kViewerDialogId = 201;
constexpr int kInfoText = 205;
constexpr int kSlider = 208;
constexpr int kMaskBox = 209;

// The sprite shown; process-wide, as the dialog procedure has no object of its own.
LONG SelectedSprite = 0;

HINSTANCE ResourceModule() {
    HINSTANCE instance = velk::ModuleInstance();
    return instance ? instance : GetModuleHandleA(nullptr);
}

void RedrawWhole(HWND dialog) { RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW); }

void UpdateSelection(HWND dialog, VelkObject* velk) {
    const LONG position = static_cast<LONG>(SendDlgItemMessageA(dialog, kSlider, TBM_GETPOS, 0, 0));
    // A missing slider reads as 0; anything else outside the table is held to it.
    SelectedSprite = std::clamp<LONG>(position, 0, velk::kSpriteCount - 1);
    const velk::SpriteSlot& slot = velk->SpriteTable[SelectedSprite];

    const SIZE client = velk::ViewerClientSize(slot);
    RECT frame{0, 0, client.cx, client.cy};
    AdjustWindowRect(&frame, static_cast<DWORD>(GetWindowLongPtrA(dialog, GWL_STYLE)), FALSE);
    SetWindowPos(dialog, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_SHOWWINDOW);

    char text[velk::kViewerTextBytes];
    velk::ViewerText(SelectedSprite, slot, text);
    SetDlgItemTextA(dialog, kInfoText, text);

    // Only GDI sprites carry mask rows.
    const bool mask = slot.ColorKey != velk::kNoColorKey && velk->GraphicsMode == velk::kMakeGdi;
    EnableWindow(GetDlgItem(dialog, kMaskBox), mask);
    CheckDlgButton(dialog, kMaskBox, mask ? BST_CHECKED : BST_UNCHECKED);
    RedrawWhole(dialog);
}

void PaintSprite(HWND dialog, VelkObject* velk) {
    velk::SpriteSlot& slot = velk->SpriteTable[SelectedSprite];
    PAINTSTRUCT paint;
    HDC target = BeginPaint(dialog, &paint);
    const bool mask = IsDlgButtonChecked(dialog, kMaskBox) == BST_CHECKED;
    HDC source = velk::SpriteGetDC(slot);
    if (source) {
        if (mask) BitBlt(target, 0, velk::kViewerPictureTop, slot.Width, slot.Height, source, 0, slot.Height, SRCAND);
        // A GDI sprite shows its mask rows below the picture; a surface has only the picture.
        const LONG rows = velk::KindOf(slot) == velk::SpriteKind::Gdi ? 2 * slot.Height : slot.Height;
        BitBlt(target, 0, velk::kViewerPictureTop, slot.Width, rows, source, 0, 0, mask ? SRCPAINT : SRCCOPY);
        velk::SpriteReleaseDC(slot, source);
    }
    EndPaint(dialog, &paint);
}

INT_PTR CALLBACK SpriteInspectorProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    VelkObject* velk = LiveInstance.load();
    if (!velk) return FALSE;
    switch (message) {
    case WM_INITDIALOG:
        SendDlgItemMessageA(dialog, kSlider, TBM_SETRANGE, TRUE, MAKELPARAM(0, velk::kSpriteCount - 1));
        SendDlgItemMessageA(dialog, kSlider, TBM_SETPOS, TRUE, 0);
        SendMessageA(dialog, WM_HSCROLL, TB_ENDTRACK, 0);
        return FALSE;
    case WM_HSCROLL:
        // Only the end of a drag or key action selects; dragging itself does nothing.
        if (LOWORD(wparam) != TB_ENDTRACK) return FALSE;
        UpdateSelection(dialog, velk);
        return TRUE;
    case WM_PAINT:
        if (velk::IsEmpty(velk->SpriteTable[SelectedSprite])) return FALSE;
        PaintSprite(dialog, velk);
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDOK:
        case IDCANCEL:
            EndDialog(dialog, 0);
            return TRUE;
        case kMaskBox:
            RedrawWhole(dialog);
            return FALSE;
        }
        return FALSE;
    }
    return FALSE;
}

}  // namespace

HRESULT VelkObject::SpriteView() {
    velk::KeepAlive alive(this);  // the dialog's loop runs the host's handlers
    DialogBoxParamA(ResourceModule(), MAKEINTRESOURCEA(kViewerDialogId), Window, SpriteInspectorProc, 0);
    return S_OK;
}
