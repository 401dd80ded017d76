// Small image files made by the tests themselves: BMP files of any bit depth
// and PNG files whose zlib stream uses stored blocks.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace velk_test {

using Bytes = std::vector<uint8_t>;

// A 24-bit BMP of `width` x `height` words 0x00RRGGBB, top row first; rows are
// stored bottom-up unless `top_down`.
Bytes MakeBmp24(int width, int height, const std::vector<uint32_t>& pixels, bool top_down = false);

// zlib stream of stored blocks holding `data`, with its Adler-32.
Bytes StoredZlib(const Bytes& data, size_t block_bytes = 65535);

// One PNG chunk: length, type, body, CRC.
void AppendPngChunk(Bytes* png, const char* type, const Bytes& body);

// PNG of the given colour type (2 = RGB, 6 = RGBA, 0 = grey) at 8 bits, from
// `pixels` (0x00RRGGBB, top row first; grey takes the blue byte, alpha is 0x80),
// each row filtered with `filters[y % filters.size()]`.
Bytes MakePng(int width, int height, const std::vector<uint32_t>& pixels, int color_type = 2,
              const std::vector<uint8_t>& filters = {0});

void WriteBytes(const std::string& path, const Bytes& bytes);

}  // namespace velk_test
