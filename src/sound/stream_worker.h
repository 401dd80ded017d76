// The worker thread that keeps the streaming buffer fed, as the host's thread
// sees it: its handle, the event that tells it to end, and the lock that keeps
// its end-of-play reset apart from the members that read the same blocks.
#pragma once
#include <windows.h>

#include <atomic>
#include <mutex>

namespace velk {

struct StreamWorker {
    StreamWorker() = default;
    StreamWorker(const StreamWorker&) = delete;
    StreamWorker& operator=(const StreamWorker&) = delete;
    ~StreamWorker() {
        if (StopEvent) CloseHandle(StopEvent);
    }

    HANDLE Thread = nullptr;
    DWORD ThreadId = 0;
    HANDLE StopEvent = nullptr;        // manual reset: set until the worker is joined
    std::atomic<bool> Paused{false};   // an explicit stop of the ring is not its end
    std::atomic<bool> Draining{false}; // the source ran dry: the ring plays out once
    std::mutex Lock;
    // The buffer whose first fill runs on the host's thread (it pumps messages
    // there), or -1: nested calls must not free what the fill writes into.
    int FirstFillIndex = -1;
};

// What a fill of the playback engine does (see playback.cpp).
enum class PrimeKind { kWaveOutStart, kStreamStart, kStaticStart, kFirstHalf };
enum class RefillKind { kWaveOutBlock, kSecondHalf };

}  // namespace velk
