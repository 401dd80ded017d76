// Download window texts, the moving block and the transfer's arithmetic (see
// download_progress.h).
#include "storage/download_progress.h"

#include <algorithm>

#include "core/text_format.h"
#include "core/texts.h"

namespace velk {

void FormatDownloadSourceTarget(char* text, size_t size, const char* url, const char* name) {
    FormatBoundedV(text, size, texts::kDownloadSourceTarget, url ? url : "", name ? name : "");
}

void FormatDownloadedAmount(char* text, size_t size, unsigned long total) {
    if (total < 1000000)
        FormatBoundedV(text, size, texts::kDownloadedKBytes, total / 1024.0);
    else
        FormatBoundedV(text, size, texts::kDownloadedMBytes, total / 1024.0 / 1024.0);
}

void FormatDownloadRates(char* text, size_t size, unsigned long block, unsigned long read) {
    FormatBoundedV(text, size, texts::kDownloadRates, static_cast<int>(block), static_cast<int>(read));
}

long MovingBlock::Advance(long left, long right) {
    position += step;
    if (position < left - 40 || position > right + kMovingBlockWidth) step = -step;
    return position;
}

uint32_t ReadBlockSize(uint32_t available) {
    if (available < kSmallestReadBytes) return kSmallestReadBytes;
    return available > kLargestReadBytes ? kLargestReadBytes : available;
}

uint32_t NextReadBlockSize(uint32_t block, uint32_t elapsed_ms) {
    if (elapsed_ms < kRefreshIntervalMs && block <= kLargestReadBytes / 2) return block * 2;
    if (elapsed_ms > 2 * kRefreshIntervalMs && block >= kSmallestReadBytes * 2) return block / 2;
    return block;
}

void ArrivalRate::Received(uint32_t bytes, uint32_t now) {
    const uint32_t since_last = now - last_;  // unsigned: right across the tick's wrap
    last_ = now;
    if (!started_) {  // what the first read brought came before the clock started
        started_ = true;
        start_ = now;
        return;
    }
    // A waiting read that had all it waited for at once shows a link faster
    // than the last measure (the first one is taken over small reads, which
    // are slow). A slow link's reads take what has arrived, and stay so.
    if (measured_ && last_interval_bytes_ >= kArrivedReadBytes && bytes >= last_interval_bytes_ &&
        since_last < kQuickReadMs)
        last_interval_bytes_ = std::min<uint64_t>(2 * last_interval_bytes_, kLargestReadBytes);
    bytes_ += bytes;
    const uint32_t elapsed = now - start_;  // unsigned: right across the tick's wrap
    if (elapsed < (measured_ ? kRefreshIntervalMs : kFirstArrivalMs)) return;
    measured_ = true;
    last_interval_bytes_ = bytes_ * kRefreshIntervalMs / elapsed;
    bytes_ = 0;
    start_ = now;
}

uint32_t ArrivalRate::WaitingReadBytes(uint32_t block) const {
    if (last_interval_bytes_ < kArrivedReadBytes) return 0;
    return last_interval_bytes_ < block ? static_cast<uint32_t>(last_interval_bytes_) : block;
}

bool RefreshClock::Due(uint32_t now) {
    // Unsigned difference: right across the tick's wrap after 49.7 days.
    if (started_ && now - last_ < kRefreshIntervalMs) return false;
    started_ = true;
    last_ = now;
    return true;
}

bool ParseContentLength(const char* text, uint64_t* length) {
    while (*text == ' ' || *text == '\t') ++text;
    if (*text < '0' || *text > '9') return false;
    uint64_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        unsigned digit = static_cast<unsigned>(*text - '0');
        if (value > (UINT64_MAX - digit) / 10) return false;
        value = value * 10 + digit;
    }
    while (*text == ' ' || *text == '\t') ++text;
    if (*text != '\0') return false;
    *length = value;
    return true;
}

size_t FolderLength(const char* path) {
    size_t folder = 0;
    for (size_t i = 0; path[i] != '\0'; ++i) {
        if (IsCp932LeadByte(static_cast<unsigned char>(path[i])) && path[i + 1] != '\0') {
            ++i;
            continue;
        }
        if (path[i] == '\\' || path[i] == '/') folder = i;
    }
    return folder;
}

}  // namespace velk
