// Shared parts of the image loader modules; see loader_contract.h.
#include "loader_contract.h"

#include <cstring>

namespace velk_loader {

bool ReadAll(HANDLE file, size_t limit, std::vector<uint8_t>* bytes) {
    bytes->clear();
    uint8_t chunk[16384];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file, chunk, sizeof chunk, &got, nullptr)) return false;
        if (got == 0) return true;
        if (got > limit - bytes->size()) return false;
        bytes->insert(bytes->end(), chunk, chunk + got);
    }
}

bool ReadFileByName(const char* name, size_t limit, std::vector<uint8_t>* bytes) {
    if (!name) return false;
    HANDLE file = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool ok = ReadAll(file, limit, bytes);
    CloseHandle(file);
    return ok;
}

bool HandOverPicture(uint32_t width, uint32_t height, const uint32_t* pixels, HLOCAL* info, HLOCAL* bits) {
    const size_t row_bytes = size_t(width) * 4;
    HLOCAL header_block = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, sizeof(BITMAPINFOHEADER));
    HLOCAL rows_block = LocalAlloc(LMEM_MOVEABLE, row_bytes * height);
    if (!header_block || !rows_block) {
        if (header_block) LocalFree(header_block);
        if (rows_block) LocalFree(rows_block);
        return false;
    }
    auto* header = static_cast<BITMAPINFOHEADER*>(LocalLock(header_block));
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = LONG(width);
    header->biHeight = LONG(height);
    header->biPlanes = 1;
    header->biBitCount = 32;
    header->biCompression = BI_RGB;
    LocalUnlock(header_block);

    // Bottom-up: the last picture row is the first stored one.
    auto* rows = static_cast<uint8_t*>(LocalLock(rows_block));
    for (uint32_t y = 0; y < height; ++y)
        memcpy(rows + size_t(height - 1 - y) * row_bytes, pixels + size_t(y) * width, row_bytes);
    LocalUnlock(rows_block);
    *info = header_block;
    *bits = rows_block;
    return true;
}

}  // namespace velk_loader
