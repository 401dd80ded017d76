// Download: fetches one URL through the platform's internet client into a file
// of the user directory, with a modeless window that shows the progress and
// message-pump steps so the host's window stays alive. The reader thread
// (download_reader.h) puts the body in a temporary file beside the target,
// which replaces the target only once complete.
#include <windows.h>
#include <commctrl.h>  // for: InitCommonControlsEx (the window's progress bar)

#include <cstdarg>
#include <cstdint>
#include <cstring>

#include "core/ansi.h"
#include "core/keep_alive.h"
#include "core/log.h"
#include "core/text_format.h"
#include "core/texts.h"
#include "core/user_directory.h"
#include "core/velk.h"
#include "storage/download_progress.h"
#include "storage/download_reader.h"

namespace {

using velk::kPathBytes;

constexpr int kDownloadWindowId = 202;
constexpr int kSourceTargetText = 228;
constexpr int kAmountText = 229;
constexpr int kBlockArea = 230;
constexpr int kRatesText = 231;

INT_PTR CALLBACK DownloadWindowProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

HINSTANCE ResourceModule() {
    HINSTANCE instance = velk::ModuleInstance();
    return instance ? instance : GetModuleHandleA(nullptr);
}

// Visible from its creation, but the host's window keeps the activation: keys
// still reach the game while the pump runs, and its activation handlers do not
// run for a window it did not make. (Activating it and back also cost a fast
// transfer about 3 ms.)
HWND CreateDownloadWindow(HWND owner) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    HWND window =
        CreateDialogParamA(ResourceModule(), MAKEINTRESOURCEA(kDownloadWindowId), owner, DownloadWindowProc, 0);
    if (window) ShowWindow(window, SW_SHOWNA);
    return window;
}

// Paints the progress area's background and the block at its place, straight
// onto the control.
void PaintMovingBlock(HWND window, long left) {
    HWND area = GetDlgItem(window, kBlockArea);
    RECT client = {};
    GetClientRect(area, &client);
    HDC dc = GetDC(area);
    if (!dc) return;
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    RECT moving = {left, 0, left + velk::kMovingBlockWidth, velk::kMovingBlockHeight};
    FillRect(dc, &moving, GetSysColorBrush(COLOR_ACTIVECAPTION));
    ReleaseDC(area, dc);
}

RECT BlockAreaRect(HWND window) {
    RECT client = {};
    GetClientRect(GetDlgItem(window, kBlockArea), &client);
    return client;
}

void ShowReceived(HWND window, const velk::ReaderProgress& progress) {
    char text[velk::kDownloadStatusBytes];
    velk::FormatDownloadRates(text, sizeof text, progress.block, progress.read);
    SetDlgItemTextA(window, kRatesText, text);
    velk::FormatDownloadedAmount(text, sizeof text, static_cast<DWORD>(progress.total));
    SetDlgItemTextA(window, kAmountText, text);
}

// Everything one call holds. The fatal end does not return, so whatever a
// failure must undo is undone here, before it: above all, the reader stops
// and the temporary file goes, so the target stays as it was. A fatal end
// raised elsewhere (by a host handler run by the pump) undoes it through the
// registration.
struct Transfer : velk::FatalUndo {
    Transfer() {
        undo = [](velk::FatalUndo* self) { static_cast<Transfer*>(self)->Close(); };
        velk::RegisterFatalUndo(this);
    }
    ~Transfer() {
        Close();
        velk::UnregisterFatalUndo(this);
    }
    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;

    HWND window = nullptr;
    velk::DownloadReader reader;

    // Keeps the calling thread's last error for a fatal end that shows the system's text.
    void Close() {
        const DWORD error = GetLastError();
        reader.Close();
        if (window) DestroyWindow(window);
        window = nullptr;
        SetLastError(error);
    }
};

// The download window goes before a fatal end, so the error's box is the only
// window left asking for the user; the system's error code survives it.
[[noreturn]] void Refuse(VelkObject* self, Transfer& transfer, bool with_system_text, const char* format,
                         const char* argument = nullptr) {
    transfer.Close();
    if (with_system_text) velk::FatalSystemError(self, format, argument);
    velk::FatalError(self, format, argument);
}

// A transfer that did not complete: "### Failed  <reason>", the reason naming the URL.
[[noreturn]] void Fail(VelkObject* self, Transfer& transfer, bool with_system_text, const char* format, ...) {
    char reason[velk::kLogEntryBytes];
    va_list args;
    va_start(args, format);
    velk::FormatBounded(reason, sizeof reason, format, args);
    va_end(args);
    Refuse(self, transfer, with_system_text, velk::texts::kFailed, reason);
}

// The reader's end as the library's error, when it is one.
void RefuseUnlessComplete(VelkObject* self, Transfer& transfer, const char* url, const char* name) {
    velk::DownloadReader& reader = transfer.reader;
    switch (reader.end()) {
    case velk::ReaderEnd::HttpError:
        Fail(self, transfer, false, velk::texts::kDownloadHttpStatusFailed, url,
             static_cast<unsigned long>(reader.http_status()));
    case velk::ReaderEnd::NoTemporary:
        // A temporary file that cannot be made means a target that cannot be:
        // the name is refused, with the system's reason.
        SetLastError(reader.error());
        Refuse(self, transfer, true, velk::texts::kDownloadInvalidName);
    case velk::ReaderEnd::TimedOut: Fail(self, transfer, false, velk::texts::kDownloadTimedOut, url);
    case velk::ReaderEnd::ReadFailed: Fail(self, transfer, false, velk::texts::kDownloadReadFailed, url);
    case velk::ReaderEnd::WriteFailed:
    case velk::ReaderEnd::NotReplaced:
        SetLastError(reader.error());
        Fail(self, transfer, true, velk::texts::kDownloadTargetUnwritable, url, name);
    case velk::ReaderEnd::Short:
        Fail(self, transfer, false, velk::texts::kDownloadBodyShort, url,
             static_cast<unsigned long long>(reader.Progress().total),
             static_cast<unsigned long long>(reader.declared()));
    default: break;
    }
}

// Follows the reader until its reads are over: from its first block on, shows what
// has arrived at most once per refresh interval and runs a pump step whenever
// messages come or the interval passes, so the host's window lives whatever
// the link does. False when the host ended its window meanwhile (a window
// that had ended before the call does not count).
bool FollowReader(VelkObject* self, Transfer& transfer, bool ended_before) {
    velk::DownloadReader& reader = transfer.reader;
    // The first pump step comes with something to show.
    WaitForSingleObject(reader.arrived(), INFINITE);
    velk::MovingBlock moving;
    const RECT area = BlockAreaRect(transfer.window);
    velk::RefreshClock refresh;
    uint64_t shown_blocks = 0;
    HANDLE reads_over = reader.reads_over();
    while (!reader.ReadsOver()) {
        const velk::ReaderProgress received = reader.Progress();
        if (received.blocks > shown_blocks && refresh.Due(GetTickCount())) {
            // One pixel per block received, so the block's speed still shows the rate of arrival.
            long left = moving.position;
            for (; shown_blocks < received.blocks; ++shown_blocks) left = moving.Advance(area.left, area.right);
            ShowReceived(transfer.window, received);
            PaintMovingBlock(transfer.window, left);
        }
        LONG ended = 0;
        self->DoEvents(&ended);
        if (ended && !ended_before) return false;
        MsgWaitForMultipleObjects(1, &reads_over, FALSE, velk::kRefreshIntervalMs, QS_ALLINPUT);
    }
    return true;
}

}  // namespace

HRESULT VelkObject::Download(BSTR URL, BSTR FileName) {
    velk::KeepAlive alive(this);  // the pump runs the host's handlers
    // A window that had ended before the call does not cut this transfer short.
    const bool ended_before = EndedFlag != 0;
    velk::LogWrite(this, velk::texts::kTitle, velk::texts::kDownloadTitle);
    char target[kPathBytes];
    bool directory_fits = velk::UserDirectory(target);
    velk::AnsiText url = velk::ToAnsi(URL);
    velk::AnsiText converted = velk::ToAnsi(FileName);
    // A null name is the empty one: it names the directory itself, which is refused below.
    const char* name = converted.get() ? converted.get() : "";
    const char* url_text = url.get() ? url.get() : "";

    Transfer transfer;
    // A name refused below sends no request; a usable one goes out while the
    // window is made, each waiting on something else (the server, the display).
    const bool name_usable = strcmp(name, "..") != 0 && directory_fits && velk::ComposeUserFilePath(target, name);
    if (name_usable && !transfer.reader.Start(url_text, target)) {
        transfer.Close();
        velk::FatalError(this, velk::texts::kAllocError, velk::texts::kDownloadBufferName, velk::kLargestReadBytes);
    }
    transfer.window = CreateDownloadWindow(Window);
    char status[velk::kDownloadStatusBytes];
    velk::FormatDownloadSourceTarget(status, sizeof status, url_text, name);
    SetDlgItemTextA(transfer.window, kSourceTargetText, status);
    // A path that does not fit is refused rather than cut: a cut name is another file.
    if (!name_usable) Refuse(this, transfer, false, velk::texts::kDownloadInvalidName);

    transfer.reader.WaitOpened();
    velk::LogWrite(this, velk::texts::kInfoText, velk::texts::kDownloadUrlLabel, url_text);
    velk::LogWrite(this, velk::texts::kInfoText, velk::texts::kDownloadWriteToLabel, name);
    if (!transfer.reader.opened())
        Refuse(this, transfer, false, velk::texts::kFailed, velk::texts::kDownloadOpenFailed);
    velk::LogWrite(this, velk::texts::kStep, velk::texts::kDownloadOpenSucceeded);

    if (!FollowReader(this, transfer, ended_before)) {
        // The host asked for the end: no error, and the old file stays.
        transfer.Close();
        velk::LogWrite(this, velk::texts::kStep, velk::texts::kDownloadAbandoned);
        return S_OK;
    }
    // The window goes while the reader puts the file in place: both take a while.
    DestroyWindow(transfer.window);
    transfer.window = nullptr;
    transfer.reader.Finish();
    RefuseUnlessComplete(this, transfer, url_text, name);
    transfer.Close();
    velk::LogWrite(this, velk::texts::kSucceed);
    return S_OK;
}
