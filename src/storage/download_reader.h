// Download's network and file side, on a thread of its own: it opens the URL,
// looks at the response, and reads the body into a temporary file beside the
// target. The host's thread meanwhile makes the progress window, shows what
// has arrived and pumps messages, so neither waits for the other: the window
// costs no time of a fast transfer, and a slow link never holds the pump.
#pragma once
#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "core/user_directory.h"  // for: kPathBytes

namespace velk {

// How the reader ended. Everything but Complete leaves the target as it was.
enum class ReaderEnd {
    Complete,      // the body is in the target
    OpenFailed,
    HttpError,     // an error status: http_status()
    NoTemporary,   // no temporary file beside the target: error()
    ReadFailed,
    TimedOut,
    WriteFailed,   // the temporary file took less than was read: error()
    Short,         // the body ended before its declared length
    NotReplaced,   // the complete body could not replace the target: error()
    Stopped,
};

// What the reader has received so far.
struct ReaderProgress {
    uint64_t total = 0;   // bytes
    uint64_t blocks = 0;  // reads that brought something
    uint32_t block = 0;   // the size asked for by the last of them
    uint32_t read = 0;    // and what it brought
};

class DownloadReader {
public:
    DownloadReader();
    // Stops the reader and undoes whatever it left (see Close).
    ~DownloadReader();
    DownloadReader(const DownloadReader&) = delete;
    DownloadReader& operator=(const DownloadReader&) = delete;

    // Starts the thread for `url` into `target` (a full path). False, with
    // nothing started, when the receive buffer cannot be had.
    bool Start(const char* url, const char* target);

    // Signalled once the source is open or could not be; then opened() says which.
    void WaitOpened() const;
    bool opened() const { return source_opened_; }
    // Signalled at the first block received, and once the reads are over;
    // the reader then still closes the file, replaces the target and closes
    // the client's handles, while the host's thread may take its window down.
    HANDLE arrived() const { return arrived_; }
    HANDLE reads_over() const { return reads_over_; }
    bool ReadsOver() const { return WaitForSingleObject(reads_over_, 0) == WAIT_OBJECT_0; }
    ReaderProgress Progress();

    // Waits for the reader's end; then end() and the rest say how it went.
    void Finish();
    ReaderEnd end() const { return end_; }
    DWORD error() const { return error_; }  // the system's code, where end() says so
    DWORD http_status() const { return http_status_; }
    uint64_t declared() const { return declared_; }

    // Asks the reader to stop after its current read and waits for it; then
    // closes everything and deletes the temporary file.
    void Close();

private:
    void Run(std::string url);
    ReaderEnd Read();
    ReaderEnd ReplaceTarget();
    void CloseClient();
    bool CreateTemporary();
    void Publish(uint32_t block, uint32_t read);
    void CloseFile();

    std::thread thread_;
    std::atomic<bool> stop_{false};
    HANDLE opened_ = nullptr;
    HANDLE arrived_ = nullptr;
    HANDLE reads_over_ = nullptr;
    std::unique_ptr<char[]> buffer_;

    // The reader's own until it ends (opened_ for the handles); the host's thread's after.
    HINTERNET client_ = nullptr;
    HINTERNET connection_ = nullptr;
    HINTERNET source_ = nullptr;
    bool source_opened_ = false;  // kept: the reader closes the source when it ends
    HANDLE file_ = INVALID_HANDLE_VALUE;
    char target_[kPathBytes] = {};
    char temporary_[kPathBytes] = {};
    ReaderEnd end_ = ReaderEnd::Stopped;
    DWORD error_ = 0;
    DWORD http_status_ = 0;
    bool has_length_ = false;
    uint64_t declared_ = 0;

    std::mutex progress_lock_;
    ReaderProgress progress_;
};

}  // namespace velk
