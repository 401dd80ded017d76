// The worker threads that keep a ring fed, as the host's thread sees them: the
// stream's (its handle, the event that tells it to end, and the lock that keeps
// its end-of-play reset apart from the members that read the same blocks) and
// those of static buffers that loop a section.
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
    // A handler may start another fill inside it: FillingMask has a bit for
    // every buffer whose fill is under way, at any depth.
    int FirstFillIndex = -1;
    unsigned FillingMask = 0;
};

// A static buffer that loops its file's section plays from a ring like the
// stream's (the device cannot loop part of a buffer), fed by a worker of its
// own. It never ends by itself, so it needs no stop notice and no lock.
struct SectionWorker {
    SectionWorker() = default;
    SectionWorker(const SectionWorker&) = delete;
    SectionWorker& operator=(const SectionWorker&) = delete;
    ~SectionWorker() {
        for (HANDLE event : Events)
            if (event) CloseHandle(event);
    }

    HANDLE Thread = nullptr;
    DWORD ThreadId = 0;
    // [0] stop (manual reset), [1] the cursor passed the last byte, [2] the middle:
    // the stream's order, so that one worker loop serves both.
    HANDLE Events[3] = {};
};

// What a fill of the playback engine does (see playback.cpp). A stream start
// fills a whole ring: the stream's or a section's.
enum class PrimeKind { kWaveOutStart, kStreamStart, kStaticStart, kFirstHalf };
enum class RefillKind { kWaveOutBlock, kSecondHalf };

}  // namespace velk
