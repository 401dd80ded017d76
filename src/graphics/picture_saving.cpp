// The platform-free part of saving sprites (see picture_saving.h).
#include "graphics/picture_saving.h"

#include <cstring>
#include <cwchar>
#include <iterator>

namespace velk {

SavedFormat SavedFormatOf(const char* name) {
    const size_t length = name ? strlen(name) : 0;
    if (length < 4) return SavedFormat::kUnknown;
    const char* extension = name + length - 4;
    if (_stricmp(extension, ".png") == 0) return SavedFormat::kPng;
    if (_stricmp(extension, ".bmp") == 0) return SavedFormat::kBmp;
    return SavedFormat::kUnknown;
}

bool StagingNameFor(const wchar_t* target, wchar_t* out, size_t size) {
    static const wchar_t kSuffix[] = L".velk-new";
    const size_t length = wcslen(target);
    if (length + std::size(kSuffix) > size) return false;
    wmemcpy(out, target, length);
    wmemcpy(out + length, kSuffix, std::size(kSuffix));
    return true;
}

void WordsToBgr(const uint32_t* words, uint8_t* bgr, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        bgr[3 * i] = static_cast<uint8_t>(words[i]);
        bgr[3 * i + 1] = static_cast<uint8_t>(words[i] >> 8);
        bgr[3 * i + 2] = static_cast<uint8_t>(words[i] >> 16);
    }
}

void AlphaWordsToBgra(const uint32_t* words, uint8_t* bgra, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        bgra[4 * i] = static_cast<uint8_t>(words[i]);
        bgra[4 * i + 1] = static_cast<uint8_t>(words[i] >> 8);
        bgra[4 * i + 2] = static_cast<uint8_t>(words[i] >> 16);
        bgra[4 * i + 3] = static_cast<uint8_t>(255 - (words[i] >> 24));
    }
}

}  // namespace velk
