// The JPEG loader module. It has no JPEG decoder yet, so it claims no file:
// a JPEG file then reaches the library's bitmap path and is refused there as an
// unsupported format, instead of being claimed and failing later.
#include "loader_contract.h"

extern "C" int WINAPI IsSupported(const char*, HANDLE) { return 0; }

extern "C" int WINAPI GetPicture(const char*, LONG, LONG, HLOCAL* info, HLOCAL* bits, velk_loader::ProgressFunction,
                                 LONG) {
    if (info) *info = nullptr;
    if (bits) *bits = nullptr;
    return kLoaderFailed;
}
