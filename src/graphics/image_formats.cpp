// Checks over device-independent bitmap bytes; see image_formats.h.
#include "graphics/image_formats.h"

#include <cstring>

namespace velk {

namespace {
constexpr size_t kFileHeaderBytes = 14;
constexpr size_t kInfoHeaderBytes = 40;
constexpr LONG kMaxExtent = 0x7FFF;  // far beyond any sprite, small enough for no overflow below

uint32_t ReadU32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }

// Entries of the colour table that follows the header.
size_t ColorTableEntries(const BITMAPINFOHEADER& header) {
    if (header.biCompression == BI_BITFIELDS) return 3;  // the three channel masks
    if (header.biBitCount > 8) return 0;
    const size_t full = size_t(1) << header.biBitCount;
    return header.biClrUsed == 0 || header.biClrUsed > full ? full : header.biClrUsed;
}
}  // namespace

size_t DibRowBytes(LONG width, WORD bits_per_pixel) {
    if (width <= 0 || width > kMaxExtent) return 0;
    return ((size_t(width) * bits_per_pixel + 31) / 32) * 4;
}

bool CheckDib(const void* info, size_t info_bytes, const void* bits, size_t bits_bytes, DibView* out) {
    if (!info || !bits || info_bytes < kInfoHeaderBytes) return false;
    BITMAPINFOHEADER header;
    memcpy(&header, info, sizeof header);
    if (header.biSize < kInfoHeaderBytes || header.biSize > info_bytes) return false;
    if (header.biWidth <= 0 || header.biWidth > kMaxExtent) return false;
    if (header.biHeight == 0 || header.biHeight > kMaxExtent || header.biHeight < -kMaxExtent) return false;
    if (header.biPlanes != 1) return false;
    switch (header.biBitCount) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: return false;
    }
    const bool bit_fields = header.biCompression == BI_BITFIELDS;
    if (header.biCompression != BI_RGB && !(bit_fields && (header.biBitCount == 16 || header.biBitCount == 32)))
        return false;
    // The masks of a 40-byte header follow it like a colour table; larger headers hold them inside.
    const size_t table_bytes =
        bit_fields && header.biSize > kInfoHeaderBytes ? 0 : ColorTableEntries(header) * sizeof(RGBQUAD);
    if (table_bytes > info_bytes - header.biSize) return false;

    const LONG height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    const size_t rows_bytes = DibRowBytes(header.biWidth, header.biBitCount) * size_t(height);
    if (rows_bytes > bits_bytes) return false;

    out->Info = static_cast<const BITMAPINFO*>(info);
    out->Bits = bits;
    out->Width = header.biWidth;
    out->Height = height;
    return true;
}

bool ParseBmpFile(const void* data, size_t size, DibView* out) {
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    if (!bytes || size < kFileHeaderBytes + kInfoHeaderBytes) return false;
    if (bytes[0] != 'B' || bytes[1] != 'M') return false;
    const uint32_t rows_offset = ReadU32(bytes + 10);
    if (rows_offset < kFileHeaderBytes + kInfoHeaderBytes || rows_offset > size) return false;
    return CheckDib(bytes + kFileHeaderBytes, rows_offset - kFileHeaderBytes, bytes + rows_offset,
                    size - rows_offset, out);
}

}  // namespace velk
