// What SpriteSaveToFile decides without the platform: the file format a name
// asks for, the name the new file is written under before it replaces the old
// one, and the rows the encoder takes.
#pragma once
#include <cstddef>
#include <cstdint>

namespace velk {

enum class SavedFormat { kUnknown, kPng, kBmp };

// By the name's extension, in any case: ".png" or ".bmp".
SavedFormat SavedFormatOf(const char* name);

// `target` with a suffix of the library's, in the same directory, so that the
// finished file can replace the target in one move; false when it would not fit.
bool StagingNameFor(const wchar_t* target, wchar_t* out, size_t size);

// 32-bit device-independent words (0x00RRGGBB) as 24-bit BGR bytes.
void WordsToBgr(const uint32_t* words, uint8_t* bgr, size_t count);
// Words of a sprite that keeps alpha (255 - alpha in the top byte) as 32-bit
// BGRA bytes of straight alpha.
void AlphaWordsToBgra(const uint32_t* words, uint8_t* bgra, size_t count);

}  // namespace velk
