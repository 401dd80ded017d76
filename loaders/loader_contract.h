// The calling contract of an image loader module, shared by the modules of this
// folder: the two exports, the progress callback, and the making of the two
// local memory blocks (bitmap description, pixel rows) handed to the caller.
#pragma once
#include <windows.h>

#include <cstdint>
#include <vector>

namespace velk_loader {

using ProgressFunction = int(WINAPI*)(int position, int total, int data);

// Reads the whole file behind an open handle from its current position; false
// when it is larger than `limit` bytes or cannot be read.
bool ReadAll(HANDLE file, size_t limit, std::vector<uint8_t>* bytes);
bool ReadFileByName(const char* name, size_t limit, std::vector<uint8_t>* bytes);

// Hands a top-down picture of 0x00RRGGBB words over as a 32-bit bottom-up
// device-independent bitmap in two local memory blocks. False (and nothing
// handed over) when a block cannot be allocated.
bool HandOverPicture(uint32_t width, uint32_t height, const uint32_t* pixels, HLOCAL* info, HLOCAL* bits);

}  // namespace velk_loader

// Results of GetPicture.
inline constexpr int kLoaderOk = 0;
inline constexpr int kLoaderFailed = 1;

extern "C" {
int WINAPI IsSupported(const char* name, HANDLE file);
int WINAPI GetPicture(const char* name, LONG offset, LONG flags, HLOCAL* info, HLOCAL* bits,
                      velk_loader::ProgressFunction progress, LONG data);
}
