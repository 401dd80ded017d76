// Small image files made by the tests themselves: BMP files of every kind the
// platform's loader reads, PNG files of any colour type, bit depth and
// interlacing (zlib stored blocks), and JPEG files through the platform's encoder.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace velk_test {

using Bytes = std::vector<uint8_t>;

// A 24-bit BMP of `width` x `height` words 0x00RRGGBB, top row first; rows are
// stored bottom-up unless `top_down`.
Bytes MakeBmp24(int width, int height, const std::vector<uint32_t>& pixels, bool top_down = false);

// The colour (0x00RRGGBB) of entry `index` in the colour tables of the indexed
// BMP makers: distinct, and exact at every depth.
uint32_t FixturePaletteColor(int index);

// Indexed BMP of 1, 4 or 8 bits per pixel from palette `indices` (top row
// first), with an info header or, when `core_header`, the 12-byte core header
// with its three-byte colour table.
Bytes MakeBmpIndexed(int width, int height, const std::vector<uint8_t>& indices, int bits, bool core_header);

// Run-length BMP (8 or 4 bits per pixel) of palette `indices`: runs of equal
// indices as encoded runs, lines closed with end-of-line codes.
Bytes MakeBmpRle(int width, int height, const std::vector<uint8_t>& indices, int bits);

// 16-bit BMP with bit-field masks 5-6-5; colours keep their top bits.
Bytes MakeBmp565(int width, int height, const std::vector<uint32_t>& pixels);

// 32-bit BMP with a version 4 header whose bit fields include an alpha mask,
// from pixels 0xAARRGGBB (top row first), stored as bytes R G B A from the
// word's top down.
Bytes MakeBmp32Alpha(int width, int height, const std::vector<uint32_t>& pixels);

// zlib stream of stored blocks holding `data`, with its Adler-32.
Bytes StoredZlib(const Bytes& data, size_t block_bytes = 65535);

// One PNG chunk: length, type, body, CRC.
void AppendPngChunk(Bytes* png, const char* type, const Bytes& body);

struct PngPicture {
    PngPicture(int width, int height, int color_type, int bit_depth, std::vector<uint16_t> samples = {})
        : Width(width), Height(height), ColorType(color_type), BitDepth(bit_depth), Samples(std::move(samples)) {}
    int Width;
    int Height;
    int ColorType;  // 0 grey, 2 RGB, 3 palette, 4 grey + alpha, 6 RGBA
    int BitDepth;   // 1, 2, 4, 8 or 16
    // Width * Height * channels sample values at BitDepth, top row first.
    std::vector<uint16_t> Samples;
    bool Interlaced = false;  // Adam7
    Bytes Palette;            // PLTE body, RGB triples
    Bytes Transparency;       // tRNS body
};
Bytes MakePng(const PngPicture& picture);

// 8-bit RGB PNG of words 0x00RRGGBB, top row first.
Bytes MakePng(int width, int height, const std::vector<uint32_t>& pixels);

// Baseline JPEG from the platform's encoder at its best quality: colour (YCbCr)
// or, when `grey`, one grey channel (taken from the green byte).
Bytes MakeJpeg(int width, int height, const std::vector<uint32_t>& pixels, bool grey = false);

// Progressive JPEG written here (the platform's encoder writes baseline only):
// one row of flat 8 x 8 blocks of the given colours, YCbCr without subsampling,
// a DC scan over all three components and one AC scan per component. With
// `cmyk`, four components of CMYK in the YCCK form under an Adobe marker, as
// print software writes them.
Bytes MakeProgressiveJpeg(const std::vector<uint32_t>& block_colors, bool cmyk = false);

void WriteBytes(const std::string& path, const Bytes& bytes);

}  // namespace velk_test
