// Download: fetches one URL through the platform's internet client into a file
// of the user directory, with a modeless window that shows the progress and
// message-pump steps so the host's window stays alive. The body goes to a
// temporary file beside the target, which it replaces only once complete.
#include <windows.h>
#include <commctrl.h>  // for: InitCommonControlsEx (the window's progress bar)
#include <wininet.h>   // for: InternetOpen*, InternetReadFile, HttpQueryInfo

#include <cstdarg>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <thread>

#include "core/ansi.h"
#include "core/keep_alive.h"
#include "core/log.h"
#include "core/text_format.h"
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
constexpr DWORD kFirstErrorStatus = 400;
constexpr char kTemporaryPrefix[] = "VDL";
// Always from the server, and never a second copy of the body in the
// platform's cache: writing one doubled the disk traffic and halved the rate.
constexpr DWORD kOpenFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;

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

void ShowReceived(HWND window, DWORD block, DWORD read, DWORD total) {
    char text[velk::kDownloadStatusBytes];
    velk::FormatDownloadRates(text, sizeof text, block, read);
    SetDlgItemTextA(window, kRatesText, text);
    velk::FormatDownloadedAmount(text, sizeof text, total);
    SetDlgItemTextA(window, kAmountText, text);
}

// The response's status; 0 when the protocol has none (not HTTP).
DWORD ResponseStatus(HINTERNET source) {
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!HttpQueryInfoA(source, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr)) return 0;
    return status;
}

// The declared body length, read as text so that lengths past 4 GB are kept.
bool DeclaredLength(HINTERNET source, uint64_t* length) {
    char text[32] = {};
    DWORD size = sizeof text - 1;
    if (!HttpQueryInfoA(source, HTTP_QUERY_CONTENT_LENGTH, text, &size, nullptr)) return false;
    return velk::ParseContentLength(text, length);
}

// Some clients report a stalled read with the socket's own code.
bool IsTimeout(DWORD error) { return error == ERROR_INTERNET_TIMEOUT || error == WSAETIMEDOUT; }

std::string UrlPart(const char* start, DWORD length) { return start ? std::string(start, length) : std::string(); }

// Opens an HTTP(S) URL in steps, so that the receive time-out is on the
// request before it is sent: some clients apply it to the connection only
// then, and a stalled server would otherwise hold the call for ever. Other
// schemes open in one step. Null on failure, with `connection` left to close.
HINTERNET OpenSource(HINTERNET client, const char* url, HINTERNET* connection) {
    URL_COMPONENTSA parts = {};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = parts.dwUserNameLength = parts.dwPasswordLength = 1;
    parts.dwUrlPathLength = parts.dwExtraInfoLength = 1;
    const bool http = InternetCrackUrlA(url, 0, 0, &parts) &&
                      (parts.nScheme == INTERNET_SCHEME_HTTP || parts.nScheme == INTERNET_SCHEME_HTTPS);
    if (!http) return InternetOpenUrlA(client, url, nullptr, 0, kOpenFlags, 0);
    const std::string host = UrlPart(parts.lpszHostName, parts.dwHostNameLength);
    const std::string user = UrlPart(parts.lpszUserName, parts.dwUserNameLength);
    const std::string password = UrlPart(parts.lpszPassword, parts.dwPasswordLength);
    // Path and query go to the server; a fragment does not.
    std::string path = UrlPart(parts.lpszUrlPath, parts.dwUrlPathLength) +
                       UrlPart(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    path = path.substr(0, path.find('#'));
    if (path.empty()) path = "/";
    *connection = InternetConnectA(client, host.c_str(), parts.nPort, user.empty() ? nullptr : user.c_str(),
                                   password.empty() ? nullptr : password.c_str(), INTERNET_SERVICE_HTTP, 0, 0);
    if (!*connection) return nullptr;
    const char* accept[] = {"*/*", nullptr};
    const DWORD secure = parts.nScheme == INTERNET_SCHEME_HTTPS ? INTERNET_FLAG_SECURE : 0;
    HINTERNET request = HttpOpenRequestA(*connection, "GET", path.c_str(), nullptr, nullptr, accept,
                                         kOpenFlags | secure, 0);
    if (!request) return nullptr;
    DWORD timeout = kReceiveTimeoutMs;
    InternetSetOptionA(request, INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof timeout);
    if (HttpSendRequestA(request, nullptr, 0, nullptr, 0)) return request;
    InternetCloseHandle(request);
    return nullptr;
}

DWORD AvailableNow(HINTERNET source) {
    DWORD available = 0;
    if (!InternetQueryDataAvailable(source, &available, 0, 0)) return 0;
    return available;
}

// Reads what has arrived, up to `wanted`, once something has; on a link fast
// enough, `wait_for` bytes (ArrivalRate, which never asks for more than the block). A plain read waits until it has
// all it asked for: on a slow link a whole block would hold the pump, and so
// the host's window, for seconds. The availability query waits for the first
// byte (under the receive time-out) and says how much is there, but never
// more than a small buffer's worth: a fast link read that way costs two calls
// of the client per 8 KiB, so there it is read in blocks that fill at once.
// Nothing available is checked with a read of one byte: the end of the body,
// or a byte the query could not see (between two chunks, say).
bool ReadArrived(HINTERNET source, char* buffer, DWORD wanted, DWORD wait_for, DWORD* read) {
    *read = 0;
    if (wait_for > 0) return InternetReadFile(source, buffer, wait_for, read) != FALSE;
    DWORD available = 0;
    if (!InternetQueryDataAvailable(source, &available, 0, 0)) return false;
    if (available == 0) return InternetReadFile(source, buffer, 1, read) != FALSE;
    return InternetReadFile(source, buffer, available < wanted ? available : wanted, read) != FALSE;
}

// Everything one call holds. The fatal end does not return, so whatever a
// failure must undo is undone here, before it: above all, the temporary file
// goes and the target stays as it was. A fatal end raised elsewhere (by a
// host handler run by the pump) undoes it through the registration.
struct Transfer : velk::FatalUndo {
    Transfer() {
        undo = [](velk::FatalUndo* self) { static_cast<Transfer*>(self)->Close(); };
        velk::RegisterFatalUndo(this);
    }
    ~Transfer() {
        WaitOpened();
        velk::UnregisterFatalUndo(this);
    }
    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;

    HWND window = nullptr;
    // Opens the client and the source while the window is made (Open below).
    std::thread opener;
    HINTERNET client = nullptr;
    HINTERNET connection = nullptr;
    HINTERNET source = nullptr;
    HANDLE file = INVALID_HANDLE_VALUE;
    char temporary[kPathBytes] = {};

    void CloseFile() {
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
        file = INVALID_HANDLE_VALUE;
    }
    void DropTemporary() {
        CloseFile();
        if (temporary[0]) DeleteFileA(temporary);
        temporary[0] = '\0';
    }
    // The request goes out while the window is made: each waits on something
    // else (the server, the display), so together they take the slower one's time.
    void Open(const char* url) {
        opener = std::thread([this, url] {
            client = InternetOpenA(velk::texts::kDownloadAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
            if (client) source = OpenSource(client, url, &connection);
        });
    }
    // The handles once the opener is done with them.
    void WaitOpened() {
        if (opener.joinable()) opener.join();
    }
    // Keeps the calling thread's last error for a fatal end that shows the system's text.
    void Close() {
        DWORD error = GetLastError();
        WaitOpened();
        DropTemporary();
        if (source) InternetCloseHandle(source);
        if (connection) InternetCloseHandle(connection);
        if (client) InternetCloseHandle(client);
        source = connection = client = nullptr;
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

// A temporary file of its own in the target's folder, so that the final
// replacement is a rename within one volume.
bool CreateTemporaryBeside(const char* target, Transfer& transfer) {
    char folder[kPathBytes];
    size_t length = velk::FolderLength(target);
    memcpy(folder, target, length);
    folder[length] = '\0';
    if (!GetTempFileNameA(folder, kTemporaryPrefix, 0, transfer.temporary)) {
        transfer.temporary[0] = '\0';
        return false;
    }
    transfer.file = CreateFileA(transfer.temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    return transfer.file != INVALID_HANDLE_VALUE;
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
    // A name refused below sends no request.
    char checked[kPathBytes];
    memcpy(checked, target, sizeof checked);
    const bool name_usable = strcmp(name, "..") != 0 && directory_fits && velk::ComposeUserFilePath(checked, name);
    if (name_usable) transfer.Open(url_text);
    transfer.window = CreateDownloadWindow(Window);
    char status[velk::kDownloadStatusBytes];
    velk::FormatDownloadSourceTarget(status, sizeof status, url_text, name);
    SetDlgItemTextA(transfer.window, kSourceTargetText, status);

    if (strcmp(name, "..") == 0) Refuse(this, transfer, false, velk::texts::kDownloadInvalidName);
    // A path that does not fit is refused rather than cut: a cut name is another file.
    if (!directory_fits || !velk::ComposeUserFilePath(target, name))
        Refuse(this, transfer, false, velk::texts::kDownloadInvalidName);

    transfer.WaitOpened();
    velk::LogWrite(this, velk::texts::kInfoText, velk::texts::kDownloadUrlLabel, url_text);
    velk::LogWrite(this, velk::texts::kInfoText, velk::texts::kDownloadWriteToLabel, name);
    if (!transfer.source) Refuse(this, transfer, false, velk::texts::kFailed, velk::texts::kDownloadOpenFailed);
    velk::LogWrite(this, velk::texts::kStep, velk::texts::kDownloadOpenSucceeded);

    DWORD block = velk::ReadBlockSize(AvailableNow(transfer.source));
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[velk::kLargestReadBytes]);
    if (!buffer) {
        transfer.Close();
        velk::FatalError(this, velk::texts::kAllocError, velk::texts::kDownloadBufferName, velk::kLargestReadBytes);
    }
    // Again on the open handle, for clients that apply it to later reads.
    DWORD timeout = kReceiveTimeoutMs;
    InternetSetOptionA(transfer.source, INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof timeout);
    // The server's time stamp is asked for but not used: an existing file is always replaced.
    SYSTEMTIME modified = {};
    DWORD modified_size = sizeof modified;
    HttpQueryInfoA(transfer.source, HTTP_QUERY_LAST_MODIFIED | HTTP_QUERY_FLAG_SYSTEMTIME, &modified,
                   &modified_size, nullptr);

    // An error page is not the file asked for.
    const DWORD http_status = ResponseStatus(transfer.source);
    if (http_status >= kFirstErrorStatus)
        Fail(this, transfer, false, velk::texts::kDownloadHttpStatusFailed, url_text,
             static_cast<unsigned long>(http_status));
    uint64_t declared = 0;
    const bool has_length = DeclaredLength(transfer.source, &declared);

    // A temporary file that cannot be made means a target that cannot be: the
    // name is refused, with the system's reason.
    if (!CreateTemporaryBeside(target, transfer)) Refuse(this, transfer, true, velk::texts::kDownloadInvalidName);

    velk::MovingBlock moving;
    const RECT area = BlockAreaRect(transfer.window);
    velk::RefreshClock refresh;
    velk::ArrivalRate arrival;
    uint64_t total = 0;
    for (;;) {
        DWORD read = 0;
        const DWORD read_start = GetTickCount();
        if (!ReadArrived(transfer.source, buffer.get(), block, arrival.WaitingReadBytes(block), &read)) {
            if (IsTimeout(GetLastError())) Fail(this, transfer, false, velk::texts::kDownloadTimedOut, url_text);
            Fail(this, transfer, false, velk::texts::kDownloadReadFailed, url_text);
        }
        if (read == 0) break;
        const DWORD used = block;
        const DWORD read_end = GetTickCount();
        block = velk::NextReadBlockSize(block, read_end - read_start);
        arrival.Received(read, read_end);
        DWORD written = 0;
        if (!WriteFile(transfer.file, buffer.get(), read, &written, nullptr) || written != read)
            Fail(this, transfer, true, velk::texts::kDownloadTargetUnwritable, url_text, name);
        total += read;
        // The block moves one pixel per block received, so its speed still shows
        // the rate of arrival; only the painting follows the clock.
        long left = moving.Advance(area.left, area.right);
        if (!refresh.Due(GetTickCount())) continue;
        ShowReceived(transfer.window, used, read, static_cast<DWORD>(total));
        PaintMovingBlock(transfer.window, left);
        LONG ended = 0;
        DoEvents(&ended);
        if (ended && !ended_before) {
            // The host asked for the end: no error, and the old file stays.
            transfer.Close();
            velk::LogWrite(this, velk::texts::kStep, velk::texts::kDownloadAbandoned);
            return S_OK;
        }
    }
    if (has_length && total < declared)
        Fail(this, transfer, false, velk::texts::kDownloadBodyShort, url_text, static_cast<unsigned long long>(total),
             static_cast<unsigned long long>(declared));

    // One step from the old file to the complete new one.
    transfer.CloseFile();
    if (!MoveFileExA(transfer.temporary, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        Fail(this, transfer, true, velk::texts::kDownloadTargetUnwritable, url_text, name);
    transfer.temporary[0] = '\0';
    transfer.Close();
    velk::LogWrite(this, velk::texts::kSucceed);
    return S_OK;
}
