// What the download window shows (its texts and the moving block) and the
// transfer's own arithmetic (block size, refresh pace, declared length, the
// target's folder). Pure, so it can be checked without a network or a window.
#pragma once
#include <cstddef>
#include <cstdint>

namespace velk {

// Status texts fit this buffer; longer ones are cut at a whole character.
inline constexpr size_t kDownloadStatusBytes = 256;

// "<url> \nDown To : <name> "; null texts show as empty ones.
void FormatDownloadSourceTarget(char* text, size_t size, const char* url, const char* name);

// The amount received: KBytes below 1000000 bytes, MBytes from there on, each
// with three significant digits.
void FormatDownloadedAmount(char* text, size_t size, unsigned long total);

// The block size and the size of the last read.
void FormatDownloadRates(char* text, size_t size, unsigned long block, unsigned long read);

// The block painted in the progress area. It starts left of the area and
// moves one pixel per received block, turning when it runs out on either side.
struct MovingBlock {
    long position = -40;
    long step = 1;
    // Moves one step and returns the new left edge; a turn applies from the next call.
    long Advance(long left, long right);
};

inline constexpr long kMovingBlockWidth = 30;
inline constexpr long kMovingBlockHeight = 10;

// ---------------------------------------------------------------- transfer

// Reads are large whatever the client had at hand right after the open (often
// one network packet): the platform client's cost is mostly per read (from
// this machine's loopback, 64 KiB reads move 100 MB in 190-240 ms, 1 MiB reads
// in 75-80; 4 MiB reads were no faster and less steady), and one allocation of
// the largest size is cheap.
inline constexpr uint32_t kSmallestReadBytes = 64 * 1024;
inline constexpr uint32_t kLargestReadBytes = 1024 * 1024;
uint32_t ReadBlockSize(uint32_t available);

// The size of the next read from how long the last one took. A read waits
// until its block is full, so the block doubles while reads come back within
// one refresh interval (a fast source: fewer, larger reads keep up with it)
// and halves when one took more than two (a slow source: what the window
// shows, and a stop the host asks for, must not wait for a large block to fill).
uint32_t NextReadBlockSize(uint32_t block, uint32_t elapsed_ms);

// How much the next read may wait for. A read that waits holds the reader
// until it is full, so it waits only for what the link brought in the last
// refresh interval: at that rate it fills within about one interval. A link
// slower than what the client reports arrived at once (8 KiB), or one not yet
// measured, is read as it arrives. The first measure comes after a short
// interval: reads of what has arrived are small and slow, and a fast link
// would otherwise spend a whole interval on them (a fifth of a 100 MB
// transfer from this machine); and since that measure comes out low, a
// waiting read that fills at once doubles the next one's wait.
inline constexpr uint32_t kArrivedReadBytes = 8192;
inline constexpr uint32_t kFirstArrivalMs = 2;
// A waiting read that comes back within this doubles what the next may wait for.
inline constexpr uint32_t kQuickReadMs = 4;
class ArrivalRate {
public:
    // `now` is a wrapping millisecond clock, finer than the first interval.
    void Received(uint32_t bytes, uint32_t now);
    // 0: take what has arrived; otherwise the bytes a read may wait for, at most `block`.
    uint32_t WaitingReadBytes(uint32_t block) const;

private:
    bool started_ = false;
    uint32_t start_ = 0;
    uint32_t last_ = 0;  // when the last read ended
    uint64_t bytes_ = 0;
    uint64_t last_interval_bytes_ = 0;
    bool measured_ = false;
};

// Decides when the window shows what has arrived: on the first block, then at
// most once per interval, so painting costs a fast transfer next to nothing.
inline constexpr uint32_t kRefreshIntervalMs = 17;
class RefreshClock {
public:
    // `now` is a wrapping millisecond tick (GetTickCount).
    bool Due(uint32_t now);

private:
    bool started_ = false;
    uint32_t last_ = 0;
};

// The value of a Content-Length header: decimal digits with optional blanks
// around them. False for anything else (also for a value past 64 bits).
bool ParseContentLength(const char* text, uint64_t* length);

// Bytes of `path` before its last path separator ('\\' or '/'), read as CP932
// so that a separator byte inside a double-byte character is not taken; 0 when
// there is none.
size_t FolderLength(const char* path);

}  // namespace velk
