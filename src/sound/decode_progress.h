// The progress line that decoding under the play dialog shows.
#pragma once
#include <cstddef>

namespace velk {

// "  %d %% ( Remain %li / Total %li)": the share done in whole per cent, then
// the bytes still wanted and the bytes wanted in all.
void FormatDecodeProgress(char* line, size_t size, long remain, long total);

}  // namespace velk
