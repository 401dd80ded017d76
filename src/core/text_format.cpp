// Bounded text formatting (see text_format.h).
#include "core/text_format.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace velk {

bool IsCp932LeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

size_t Cp932PrefixLength(const char* text, size_t max_bytes) {
    size_t i = 0;
    while (text[i] != '\0') {
        size_t width = (IsCp932LeadByte(static_cast<unsigned char>(text[i])) && text[i + 1] != '\0') ? 2 : 1;
        if (i + width > max_bytes) break;
        i += width;
    }
    return i;
}

size_t FormatBounded(char* buf, size_t size, const char* format, va_list args) {
    if (size == 0) return 0;
    va_list probe;
    va_copy(probe, args);
    int needed = vsnprintf(nullptr, 0, format, probe);
    va_end(probe);
    if (needed < 0) {
        buf[0] = '\0';
        return 0;
    }
    if (static_cast<size_t>(needed) < size) {
        vsnprintf(buf, size, format, args);
        buf[needed] = '\0';
        return static_cast<size_t>(needed);
    }
    // Too long: format in full elsewhere, then keep whole characters only.
    std::vector<char> full(static_cast<size_t>(needed) + 1);
    vsnprintf(full.data(), full.size(), format, args);
    size_t keep = Cp932PrefixLength(full.data(), size - 1);
    memcpy(buf, full.data(), keep);
    buf[keep] = '\0';
    return keep;
}

size_t FormatBoundedV(char* buf, size_t size, const char* format, ...) {
    va_list args;
    va_start(args, format);
    size_t n = FormatBounded(buf, size, format, args);
    va_end(args);
    return n;
}

bool FormatExact(char* buf, size_t size, const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list probe;
    va_copy(probe, args);
    int needed = vsnprintf(nullptr, 0, format, probe);
    va_end(probe);
    bool fits = needed >= 0 && static_cast<size_t>(needed) < size;
    if (fits) {
        // Arguments may alias buf (a path composed into its own directory buffer).
        std::vector<char> out(static_cast<size_t>(needed) + 1);
        vsnprintf(out.data(), out.size(), format, args);
        memcpy(buf, out.data(), out.size());
    }
    va_end(args);
    return fits;
}

}  // namespace velk
