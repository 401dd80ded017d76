// PNG decoding for the PNG loader module: signature, chunks, zlib inflate and
// row filters, into 32-bit rows. Pure functions over bytes; anything malformed,
// truncated or of a kind not handled gives false.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace velk_loader {

// True when the bytes start with the PNG signature.
bool HasPngSignature(const uint8_t* data, size_t size);

// zlib stream (header, deflate blocks of all three kinds, Adler-32) into `out`,
// refusing output beyond `limit` bytes.
bool Inflate(const uint8_t* data, size_t size, size_t limit, std::vector<uint8_t>* out);

struct Picture {
    uint32_t Width = 0;
    uint32_t Height = 0;
    // Width * Height words 0x00RRGGBB, top row first (alpha dropped).
    std::vector<uint32_t> Pixels;
};

// Non-interlaced PNG of 8 bits per channel: greyscale, greyscale with alpha,
// RGB, RGB with alpha, or palette of 1, 2, 4 or 8 bits.
bool DecodePng(const uint8_t* data, size_t size, Picture* out);

}  // namespace velk_loader
