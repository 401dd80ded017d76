// The calling contract of an image loader module, shared by the modules of this
// folder: the two exports, the progress callback, the signature test on the
// caller's handle, and the decoding through the platform's imaging codecs into
// the two local memory blocks (bitmap description, pixel rows) handed over.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace velk_loader {

using ProgressFunction = int(WINAPI*)(int position, int total, int data);

// True when the file behind `file` starts with `signature`; the handle's
// position is put back where it was, so the caller may read on from there.
bool FileStartsWith(HANDLE file, const uint8_t* signature, size_t size);

// Decodes frame 0 of the named file (code page of the process) with the
// platform's imaging codecs and hands it over as a 32-bit bottom-up bitmap
// whose high bytes hold the alpha channel (not premultiplied). False, with
// nothing handed over, when the file cannot be opened or decoded.
bool DecodeToBlocks(const char* name, HLOCAL* info, HLOCAL* bits, ProgressFunction progress, LONG data);

}  // namespace velk_loader

// Results of GetPicture.
inline constexpr int kLoaderOk = 0;
inline constexpr int kLoaderFailed = 1;

// Each module defines IsSupported; GetPicture, the same for all, is in loader_contract.cpp.
extern "C" {
int WINAPI IsSupported(const char* name, HANDLE file);
int WINAPI GetPicture(const char* name, LONG offset, LONG flags, HLOCAL* info, HLOCAL* bits,
                      velk_loader::ProgressFunction progress, LONG data);
}
