// The PNG loader module: claims files that carry the PNG signature and decodes
// them with png_decode into a 32-bit device-independent bitmap.
#include "loader_contract.h"
#include "png_decode.h"

namespace {
// Larger files are refused rather than read into memory.
constexpr size_t kMaxFileBytes = 64u << 20;
}  // namespace

extern "C" int WINAPI IsSupported(const char*, HANDLE file) {
    uint8_t signature[8];
    DWORD got = 0;
    if (!ReadFile(file, signature, sizeof signature, &got, nullptr)) return 0;
    return velk_loader::HasPngSignature(signature, got) ? 1 : 0;
}

extern "C" int WINAPI GetPicture(const char* name, LONG offset, LONG flags, HLOCAL* info, HLOCAL* bits,
                                 velk_loader::ProgressFunction progress, LONG data) {
    if (!info || !bits) return kLoaderFailed;
    *info = nullptr;
    *bits = nullptr;
    // Only a file on disk whose picture starts at its beginning.
    if (offset != 0 || flags != 0) return kLoaderFailed;
    std::vector<uint8_t> bytes;
    if (!velk_loader::ReadFileByName(name, kMaxFileBytes, &bytes)) return kLoaderFailed;
    if (progress) progress(0, 2, data);
    velk_loader::Picture picture;
    if (!velk_loader::DecodePng(bytes.data(), bytes.size(), &picture)) return kLoaderFailed;
    if (progress) progress(1, 2, data);
    if (!velk_loader::HandOverPicture(picture.Width, picture.Height, picture.Pixels.data(), info, bits))
        return kLoaderFailed;
    if (progress) progress(2, 2, data);
    return kLoaderOk;
}
