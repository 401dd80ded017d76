// What the download window shows: its texts and the moving block. Pure, so
// the numbers can be checked without a network or a window.
#pragma once
#include <cstddef>

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

}  // namespace velk
