// Download: fetches one URL through the platform's internet client into a file
// of the user directory, with a modeless window that shows the progress and a
// message-pump step after every block so the host's window stays alive.
#include <windows.h>
#include <commctrl.h>  // for: InitCommonControlsEx (the window's progress bar)
#include <wininet.h>   // for: InternetOpen*, InternetReadFile, HttpQueryInfo

#include <cstring>
#include <memory>
#include <new>

#include "core/ansi.h"
#include "core/log.h"
#include "core/texts.h"
#include "core/user_directory.h"
#include "core/velk.h"
#include "storage/download_progress.h"

namespace {

using velk::kPathBytes;

constexpr int kDownloadWindowId = 202;
constexpr int kSourceTargetText = 228;
constexpr int kAmountText = 229;
constexpr int kBlockArea = 230;
constexpr int kRatesText = 231;

constexpr DWORD kReceiveTimeoutMs = 30000;
// The block size is what the client has at hand after the open. Nothing at
// hand yet is not the end of the body, so a usual block is read instead; a
// very large amount at hand is not worth one allocation of its size.
constexpr DWORD kFallbackBlockBytes = 4096;
constexpr DWORD kLargestBlockBytes = 1024 * 1024;

INT_PTR CALLBACK DownloadWindowProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

HINSTANCE ResourceModule() {
    HINSTANCE instance = velk::ModuleInstance();
    return instance ? instance : GetModuleHandleA(nullptr);
}

HWND CreateDownloadWindow(HWND owner) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    return CreateDialogParamA(ResourceModule(), MAKEINTRESOURCEA(kDownloadWindowId), owner, DownloadWindowProc, 0);
}

// Paints the progress area's background and the block at its new place,
// straight onto the control.
void PaintMovingBlock(HWND window, velk::MovingBlock& block) {
    HWND area = GetDlgItem(window, kBlockArea);
    RECT client = {};
    GetClientRect(area, &client);
    long left = block.Advance(client.left, client.right);
    HDC dc = GetDC(area);
    if (!dc) return;
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    RECT moving = {left, 0, left + velk::kMovingBlockWidth, velk::kMovingBlockHeight};
    FillRect(dc, &moving, GetSysColorBrush(COLOR_ACTIVECAPTION));
    ReleaseDC(area, dc);
}

void ShowReceived(HWND window, DWORD block, DWORD read, DWORD total) {
    char text[velk::kDownloadStatusBytes];
    velk::FormatDownloadRates(text, sizeof text, block, read);
    SetDlgItemTextA(window, kRatesText, text);
    velk::FormatDownloadedAmount(text, sizeof text, total);
    SetDlgItemTextA(window, kAmountText, text);
}

// The block size from the amount the client has at hand right after the open.
DWORD BlockSize(HINTERNET url) {
    DWORD available = 0;
    if (!InternetQueryDataAvailable(url, &available, 0, 0) || available == 0) return kFallbackBlockBytes;
    return available < kLargestBlockBytes ? available : kLargestBlockBytes;
}

// The download window goes before a fatal end, so the error's box is the only
// window left asking for the user; the system's error code survives it.
[[noreturn]] void Refuse(VelkObject* self, HWND window, bool with_system_text, const char* format,
                         const char* argument = nullptr) {
    DWORD error = GetLastError();
    if (window) DestroyWindow(window);
    SetLastError(error);
    if (with_system_text) velk::FatalSystemError(self, format, argument);
    velk::FatalError(self, format, argument);
}

}  // namespace

HRESULT VelkObject::Download(BSTR URL, BSTR FileName) {
    velk::LogWrite(this, velk::texts::kTitle, velk::texts::kDownloadTitle);
    char target[kPathBytes];
    bool directory_fits = velk::UserDirectory(target);
    velk::AnsiText url = velk::ToAnsi(URL);
    velk::AnsiText converted = velk::ToAnsi(FileName);
    // A null name is the empty one: it names the directory itself, which is refused below.
    const char* name = converted.get() ? converted.get() : "";
    const char* url_text = url.get() ? url.get() : "";

    HWND window = CreateDownloadWindow(Window);
    char status[velk::kDownloadStatusBytes];
    velk::FormatDownloadSourceTarget(status, sizeof status, url_text, name);
    SetDlgItemTextA(window, kSourceTargetText, status);

    if (strcmp(name, "..") == 0) Refuse(this, window, false, velk::texts::kDownloadInvalidName);
    // A path that does not fit is refused rather than cut: a cut name is another file.
    if (!directory_fits || !velk::ComposeUserFilePath(target, name))
        Refuse(this, window, false, velk::texts::kDownloadInvalidName);

    HINTERNET client = InternetOpenA(velk::texts::kDownloadAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    HINTERNET source = client ? InternetOpenUrlA(client, url_text, nullptr, 0, 0, 0) : nullptr;
    velk::LogWrite(this, velk::texts::kInfoText, velk::texts::kDownloadUrlLabel, url_text);
    velk::LogWrite(this, velk::texts::kInfoText, velk::texts::kDownloadWriteToLabel, name);
    if (!client || !source) Refuse(this, window, false, velk::texts::kFailed, velk::texts::kDownloadOpenFailed);
    velk::LogWrite(this, velk::texts::kStep, velk::texts::kDownloadOpenSucceeded);

    DWORD block = BlockSize(source);
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[block + 1]);
    if (!buffer) {
        if (window) DestroyWindow(window);
        velk::FatalError(this, velk::texts::kAllocError, velk::texts::kDownloadBufferName, block + 1);
    }
    DWORD timeout = kReceiveTimeoutMs;
    InternetSetOptionA(source, INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof timeout);
    // The server's time stamp is asked for but not used: an existing file is always replaced.
    SYSTEMTIME modified = {};
    DWORD modified_size = sizeof modified;
    HttpQueryInfoA(source, HTTP_QUERY_LAST_MODIFIED | HTTP_QUERY_FLAG_SYSTEMTIME, &modified, &modified_size, nullptr);

    // A target that cannot be created would take the body nowhere while the
    // call reported success; the name is refused instead, with the system's reason.
    HANDLE file = CreateFileA(target, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) Refuse(this, window, true, velk::texts::kDownloadInvalidName);

    velk::MovingBlock moving;
    DWORD total = 0;
    DWORD read = 0;
    do {
        read = 0;
        // A failed or timed-out read ends the transfer like the end of the body.
        if (!InternetReadFile(source, buffer.get(), block, &read)) read = 0;
        total += read;
        ShowReceived(window, block, read, total);
        PaintMovingBlock(window, moving);
        DWORD written = 0;
        if (read > 0 && (!WriteFile(file, buffer.get(), read, &written, nullptr) || written != read))
            Refuse(this, window, true, velk::texts::kDownloadWriteFailed);
        LONG ended = 0;
        DoEvents(&ended);
        if (ended) break;
    } while (read > 0);

    InternetCloseHandle(source);
    InternetCloseHandle(client);
    CloseHandle(file);
    if (window) DestroyWindow(window);
    velk::LogWrite(this, velk::texts::kSucceed);
    return S_OK;
}
