// Download's reader thread (see download_reader.h).
#include "storage/download_reader.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "core/texts.h"
#include "storage/download_progress.h"

namespace velk {

namespace {

constexpr DWORD kReceiveTimeoutMs = 30000;
constexpr DWORD kFirstErrorStatus = 400;
constexpr char kTemporaryPrefix[] = "VDL";
// Always from the server, and never a second copy of the body in the
// platform's cache: writing one doubled the disk traffic and halved the rate.
constexpr DWORD kOpenFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;

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
    return ParseContentLength(text, length);
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
// enough, `wait_for` bytes (ArrivalRate, which never asks for more than the
// block). A plain read waits until it has all it asked for: on a slow link a
// whole block would hold back the progress shown and a stop for seconds. The
// availability query waits for the first byte (under the receive time-out) and
// says how much is there, but never more than a small buffer's worth: a fast
// link read that way costs two calls of the client per 8 KiB, so there it is
// read in blocks that fill at once. Nothing available is checked with a read
// of one byte: the end of the body, or a byte the query could not see
// (between two chunks, say).
bool ReadArrived(HINTERNET source, char* buffer, DWORD wanted, DWORD wait_for, DWORD* read) {
    *read = 0;
    if (wait_for > 0) return InternetReadFile(source, buffer, wait_for, read) != FALSE;
    DWORD available = 0;
    if (!InternetQueryDataAvailable(source, &available, 0, 0)) return false;
    if (available == 0) return InternetReadFile(source, buffer, 1, read) != FALSE;
    return InternetReadFile(source, buffer, available < wanted ? available : wanted, read) != FALSE;
}

// Milliseconds, wrapping, from the performance counter: the platform's tick
// may step by 16 ms, coarser than the arrival rate's first interval.
uint32_t FineMs() {
    static const int64_t frequency = [] {
        LARGE_INTEGER value;
        QueryPerformanceFrequency(&value);
        return value.QuadPart;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<uint32_t>(now.QuadPart / std::max<int64_t>(frequency / 1000, 1));
}

HANDLE ManualEvent() { return CreateEventA(nullptr, TRUE, FALSE, nullptr); }

}  // namespace

DownloadReader::DownloadReader() : opened_(ManualEvent()), arrived_(ManualEvent()), reads_over_(ManualEvent()) {}

DownloadReader::~DownloadReader() {
    Close();
    for (HANDLE event : {opened_, arrived_, reads_over_})
        if (event) CloseHandle(event);
}

bool DownloadReader::Start(const char* url, const char* target) {
    buffer_.reset(new (std::nothrow) char[kLargestReadBytes]);
    if (!buffer_ || !opened_ || !arrived_ || !reads_over_) return false;
    strncpy(target_, target, sizeof target_ - 1);
    thread_ = std::thread(&DownloadReader::Run, this, std::string(url));
    return true;
}

void DownloadReader::WaitOpened() const {
    if (thread_.joinable()) WaitForSingleObject(opened_, INFINITE);
}

ReaderProgress DownloadReader::Progress() {
    std::lock_guard<std::mutex> hold(progress_lock_);
    return progress_;
}

void DownloadReader::Run(std::string url) {
    client_ = InternetOpenA(texts::kDownloadAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (client_) source_ = OpenSource(client_, url.c_str(), &connection_);
    source_opened_ = source_ != nullptr;
    SetEvent(opened_);
    end_ = Read();
    SetEvent(arrived_);
    SetEvent(reads_over_);
    if (end_ == ReaderEnd::Complete) end_ = ReplaceTarget();
    CloseClient();
}

void DownloadReader::Finish() {
    if (thread_.joinable()) thread_.join();
}

// One step from the old file to the complete new one.
ReaderEnd DownloadReader::ReplaceTarget() {
    if (has_length_ && progress_.total < declared_) return ReaderEnd::Short;
    CloseFile();
    if (!MoveFileExA(temporary_, target_, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error_ = GetLastError();
        return ReaderEnd::NotReplaced;
    }
    temporary_[0] = '\0';
    return ReaderEnd::Complete;
}

void DownloadReader::CloseClient() {
    if (source_) InternetCloseHandle(source_);
    if (connection_) InternetCloseHandle(connection_);
    if (client_) InternetCloseHandle(client_);
    source_ = connection_ = client_ = nullptr;
}

ReaderEnd DownloadReader::Read() {
    if (!source_) return ReaderEnd::OpenFailed;
    uint32_t block = ReadBlockSize(AvailableNow(source_));
    // Again on the open handle, for clients that apply it to later reads.
    DWORD timeout = kReceiveTimeoutMs;
    InternetSetOptionA(source_, INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof timeout);
    // The server's time stamp is asked for but not used: an existing file is always replaced.
    SYSTEMTIME modified = {};
    DWORD modified_size = sizeof modified;
    HttpQueryInfoA(source_, HTTP_QUERY_LAST_MODIFIED | HTTP_QUERY_FLAG_SYSTEMTIME, &modified, &modified_size,
                   nullptr);
    // An error page is not the file asked for.
    http_status_ = ResponseStatus(source_);
    if (http_status_ >= kFirstErrorStatus) return ReaderEnd::HttpError;
    has_length_ = DeclaredLength(source_, &declared_);
    if (!CreateTemporary()) {
        error_ = GetLastError();
        return ReaderEnd::NoTemporary;
    }
    ArrivalRate arrival;
    for (;;) {
        if (stop_) return ReaderEnd::Stopped;
        DWORD read = 0;
        const uint32_t read_start = FineMs();
        if (!ReadArrived(source_, buffer_.get(), block, arrival.WaitingReadBytes(block), &read))
            return IsTimeout(GetLastError()) ? ReaderEnd::TimedOut : ReaderEnd::ReadFailed;
        if (read == 0) return ReaderEnd::Complete;
        const uint32_t used = block;
        const uint32_t read_end = FineMs();
        block = NextReadBlockSize(block, read_end - read_start);
        arrival.Received(read, read_end);
        DWORD written = 0;
        if (!WriteFile(file_, buffer_.get(), read, &written, nullptr) || written != read) {
            error_ = GetLastError();
            return ReaderEnd::WriteFailed;
        }
        Publish(used, read);
    }
}

// A temporary file of its own in the target's folder, so that the final
// replacement is a rename within one volume.
bool DownloadReader::CreateTemporary() {
    char folder[kPathBytes];
    const size_t length = FolderLength(target_);
    memcpy(folder, target_, length);
    folder[length] = '\0';
    if (!GetTempFileNameA(folder, kTemporaryPrefix, 0, temporary_)) {
        temporary_[0] = '\0';
        return false;
    }
    // Opened as made, empty: truncating it (CREATE_ALWAYS) makes some file
    // systems write the whole body out when it is closed, which held a fast
    // transfer for 5-17 ms of a 100 MB body.
    file_ = CreateFileA(temporary_, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    return file_ != INVALID_HANDLE_VALUE;
}

void DownloadReader::Publish(uint32_t block, uint32_t read) {
    bool first;
    {
        std::lock_guard<std::mutex> hold(progress_lock_);
        first = progress_.blocks == 0;
        progress_.total += read;
        ++progress_.blocks;
        progress_.block = block;
        progress_.read = read;
    }
    if (first) SetEvent(arrived_);
}

void DownloadReader::CloseFile() {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
}

void DownloadReader::Close() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    CloseFile();
    if (temporary_[0]) DeleteFileA(temporary_);
    temporary_[0] = '\0';
    CloseClient();
}

}  // namespace velk
