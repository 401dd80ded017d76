// Download window texts and the moving block (see download_progress.h).
#include "storage/download_progress.h"

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

}  // namespace velk
