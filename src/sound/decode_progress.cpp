// The progress line of decoding (see decode_progress.h).
#include "sound/decode_progress.h"

#include <cstdio>

#include "core/texts.h"

namespace velk {

void FormatDecodeProgress(char* line, size_t size, long remain, long total) {
    int percent = total > 0 ? static_cast<int>(static_cast<double>(total - remain) / total * 100.0) : 100;
    snprintf(line, size, texts::kDecodeProgressFormat, percent, remain, total);
}

}  // namespace velk
