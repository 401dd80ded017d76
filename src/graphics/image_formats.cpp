// Checks and pixel work over device-independent bitmap bytes; see image_formats.h.
#include "graphics/image_formats.h"

#include <algorithm>
#include <cstring>

namespace velk {

namespace {
constexpr size_t kFileHeaderBytes = 14;
constexpr size_t kCoreHeaderBytes = 12;
constexpr size_t kInfoHeaderBytes = 40;

uint32_t ReadU32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }
uint16_t ReadU16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }

// Entries of the colour table that follows the header.
size_t ColorTableEntries(const BITMAPINFOHEADER& header) {
    if (header.biCompression == BI_BITFIELDS) return 3;  // the three channel masks
    if (header.biBitCount > 8) return 0;
    const size_t full = size_t(1) << header.biBitCount;
    return header.biClrUsed == 0 || header.biClrUsed > full ? full : header.biClrUsed;
}

bool SaneExtent(LONG width, LONG height) {
    return width > 0 && width <= kMaxPictureExtent && height != 0 && height <= kMaxPictureExtent &&
           height >= -kMaxPictureExtent;
}

bool KnownDepth(uint32_t bits) {
    switch (bits) {
    case 1: case 4: case 8: case 16: case 24: case 32: return true;
    default: return false;
    }
}

// The compressions the platform's loader reads, each with the depths it goes with.
bool KnownCompression(uint32_t compression, uint32_t bits) {
    switch (compression) {
    case BI_RGB: return true;
    case BI_RLE8: return bits == 8;
    case BI_RLE4: return bits == 4;
    case BI_BITFIELDS: return bits == 16 || bits == 32;
    default: return false;
    }
}

// Bit-field masks (three 32-bit words at byte 40 of the header) follow a 40-byte
// header and lie inside one of 52 bytes or more; a header in between would have
// them read partly past its end.
constexpr size_t kMaskedHeaderBytes = kInfoHeaderBytes + 12;
bool MasksPlaced(uint32_t header_size) { return header_size == kInfoHeaderBytes || header_size >= kMaskedHeaderBytes; }

uint8_t Scale(uint32_t channel, uint32_t alpha) { return uint8_t((channel * alpha + 127) / 255); }
}  // namespace

size_t DibRowBytes(LONG width, WORD bits_per_pixel) {
    if (width <= 0 || width > kMaxPictureExtent) return 0;
    return ((size_t(width) * bits_per_pixel + 31) / 32) * 4;
}

bool CheckDib(const void* info, size_t info_bytes, const void* bits, size_t bits_bytes, DibView* out) {
    if (!info || !bits || info_bytes < kInfoHeaderBytes) return false;
    BITMAPINFOHEADER header;
    memcpy(&header, info, sizeof header);
    if (header.biSize < kInfoHeaderBytes || header.biSize > info_bytes) return false;
    if (!SaneExtent(header.biWidth, header.biHeight)) return false;
    if (header.biPlanes != 1 || !KnownDepth(header.biBitCount)) return false;
    const bool bit_fields = header.biCompression == BI_BITFIELDS;
    if (header.biCompression != BI_RGB && !(bit_fields && (header.biBitCount == 16 || header.biBitCount == 32)))
        return false;
    if (bit_fields && !MasksPlaced(header.biSize)) return false;
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

bool CheckBmpHeaders(const void* head, size_t head_bytes, uint64_t file_bytes, bool* top_down) {
    const uint8_t* bytes = static_cast<const uint8_t*>(head);
    if (!bytes || head_bytes > file_bytes || head_bytes < kFileHeaderBytes + kCoreHeaderBytes) return false;
    if (bytes[0] != 'B' || bytes[1] != 'M') return false;
    const uint64_t rows_offset = ReadU32(bytes + 10);
    const uint8_t* info = bytes + kFileHeaderBytes;
    const uint32_t header_size = ReadU32(info);
    if (rows_offset < kFileHeaderBytes + header_size || rows_offset > file_bytes) return false;

    LONG width, height;
    uint32_t planes, bits, compression = BI_RGB, stated_size = 0;
    if (header_size == kCoreHeaderBytes) {
        width = ReadU16(info + 4);
        height = ReadU16(info + 6);
        planes = ReadU16(info + 8);
        bits = ReadU16(info + 10);
    } else if (header_size >= kInfoHeaderBytes && kFileHeaderBytes + kInfoHeaderBytes <= head_bytes) {
        width = LONG(ReadU32(info + 4));
        height = LONG(ReadU32(info + 8));
        planes = ReadU16(info + 12);
        bits = ReadU16(info + 14);
        compression = ReadU32(info + 16);
        stated_size = ReadU32(info + 20);
    } else {
        return false;
    }
    if (!SaneExtent(width, height) || planes != 1 || !KnownDepth(bits) || !KnownCompression(compression, bits))
        return false;
    // The masks must lie inside the header, or between a 40-byte one and the rows.
    if (compression == BI_BITFIELDS &&
        (!MasksPlaced(header_size) || rows_offset < kFileHeaderBytes + std::max<uint64_t>(header_size, kMaskedHeaderBytes)))
        return false;
    const bool run_length = compression == BI_RLE8 || compression == BI_RLE4;
    // Run-length rows are stored bottom-up only.
    if (run_length && height < 0) return false;
    const uint64_t rows_bytes = run_length ? uint64_t(stated_size)
                                           : uint64_t(DibRowBytes(width, WORD(bits))) * uint64_t(height < 0 ? -height : height);
    if (run_length && rows_bytes == 0) return false;
    if (rows_bytes > file_bytes - rows_offset) return false;
    *top_down = height < 0;
    return true;
}

size_t CoreColorTable(const void* head, size_t head_bytes, RGBQUAD* table) {
    const uint8_t* bytes = static_cast<const uint8_t*>(head);
    constexpr size_t kTableStart = kFileHeaderBytes + kCoreHeaderBytes;
    if (!bytes || head_bytes < kTableStart || ReadU32(bytes + kFileHeaderBytes) != kCoreHeaderBytes) return 0;
    const uint32_t bits = ReadU16(bytes + kFileHeaderBytes + 10);
    if (bits != 1 && bits != 4 && bits != 8) return 0;
    const size_t entries = size_t(1) << bits;
    if (head_bytes < kTableStart + entries * 3) return 0;
    for (size_t i = 0; i < entries; ++i) {
        const uint8_t* triple = bytes + kTableStart + i * 3;
        table[i] = {triple[0], triple[1], triple[2], 0};
    }
    return entries;
}

void FlattenAlpha(uint32_t* pixels, size_t count, LONG color_key) {
    bool any_alpha = false;
    for (size_t i = 0; i < count && !any_alpha; ++i) any_alpha = (pixels[i] >> 24) != 0;
    if (!any_alpha) return;
    // The key as the pixel word 0x00RRGGBB.
    const uint32_t key = color_key == -1 ? 0 : ((color_key & 0xFF) << 16) | (color_key & 0xFF00) | ((color_key >> 16) & 0xFF);
    for (size_t i = 0; i < count; ++i) {
        const uint32_t p = pixels[i];
        const uint32_t alpha = p >> 24;
        if (alpha == 255) {
            pixels[i] = p & 0xFFFFFF;
        } else if (alpha == 0 && color_key != -1) {
            pixels[i] = key;
        } else {
            pixels[i] = uint32_t(Scale((p >> 16) & 0xFF, alpha)) << 16 | uint32_t(Scale((p >> 8) & 0xFF, alpha)) << 8 |
                        Scale(p & 0xFF, alpha);
        }
    }
}

namespace {

constexpr size_t kMaskOffset = 40;        // red, green, blue masks from here in the header
constexpr size_t kAlphaMaskOffset = 52;   // the alpha mask, in headers of 56 bytes or more
constexpr uint32_t kAlphaHeaderBytes = 56;

// One channel of a pixel under `mask`, as 8 bits.
uint32_t ChannelOf(uint32_t pixel, uint32_t mask) {
    if (!mask) return 0;
    int shift = 0;
    while (!((mask >> shift) & 1u)) ++shift;
    int bits = 0;
    while (shift + bits < 32 && ((mask >> (shift + bits)) & 1u)) ++bits;
    const uint32_t value = (pixel & mask) >> shift;
    if (bits >= 8) return value >> (bits - 8);
    const uint32_t largest = (1u << bits) - 1;
    return (value * 255 + largest / 2) / largest;
}

}  // namespace

bool DibAlphaPixels(const DibView& picture, std::vector<uint32_t>* out) {
    const BITMAPINFOHEADER& header = picture.Info->bmiHeader;
    if (header.biBitCount != 32) return false;
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(picture.Info);
    uint32_t masks[4] = {0xFF0000u, 0xFF00u, 0xFFu, 0xFF000000u};
    // CheckDib has put the masks inside the description already.
    if (header.biCompression == BI_BITFIELDS)
        for (int c = 0; c < 3; ++c) masks[c] = ReadU32(bytes + kMaskOffset + 4 * c);
    if (header.biSize >= kAlphaHeaderBytes) masks[3] = ReadU32(bytes + kAlphaMaskOffset);
    else if (header.biCompression != BI_RGB) masks[3] = 0;
    if (!masks[3]) return false;
    const size_t width = size_t(picture.Width), height = size_t(picture.Height);
    out->resize(width * height);
    bool any_alpha = false;
    for (size_t y = 0; y < height; ++y) {
        const size_t stored = header.biHeight < 0 ? y : height - 1 - y;
        const uint8_t* row = static_cast<const uint8_t*>(picture.Bits) + stored * width * 4;
        for (size_t x = 0; x < width; ++x) {
            const uint32_t pixel = ReadU32(row + 4 * x);
            const uint32_t alpha = ChannelOf(pixel, masks[3]);
            any_alpha = any_alpha || alpha != 0;
            (*out)[y * width + x] = alpha << 24 | ChannelOf(pixel, masks[0]) << 16 | ChannelOf(pixel, masks[1]) << 8 |
                                    ChannelOf(pixel, masks[2]);
        }
    }
    return any_alpha;
}

bool BmpCarriesAlpha(const void* head, size_t head_bytes) {
    const uint8_t* bytes = static_cast<const uint8_t*>(head);
    if (!bytes || head_bytes < kFileHeaderBytes + kAlphaHeaderBytes) return false;
    const uint8_t* header = bytes + kFileHeaderBytes;
    return ReadU32(header) >= kAlphaHeaderBytes && ReadU16(header + 14) == 32 && ReadU32(header + kAlphaMaskOffset) != 0;
}

}  // namespace velk
