// Small image files made by the tests; see image_file.h.
#include "support/image_file.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace velk_test {

namespace {
void Put16(Bytes* out, uint32_t v) { out->insert(out->end(), {uint8_t(v), uint8_t(v >> 8)}); }
void Put32(Bytes* out, uint32_t v) { out->insert(out->end(), {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}); }
void PutBig32(Bytes* out, uint32_t v) { out->insert(out->end(), {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)}); }

uint32_t Crc32(const uint8_t* data, size_t size) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

uint8_t Paeth(int a, int b, int c) {
    const int p = a + b - c, pa = abs(p - a), pb = abs(p - b), pc = abs(p - c);
    if (pa <= pb && pa <= pc) return uint8_t(a);
    return uint8_t(pb <= pc ? b : c);
}
}  // namespace

Bytes MakeBmp24(int width, int height, const std::vector<uint32_t>& pixels, bool top_down) {
    const uint32_t row_bytes = (width * 3 + 3) & ~3u;
    Bytes out = {'B', 'M'};
    Put32(&out, 54 + row_bytes * height);
    Put32(&out, 0);
    Put32(&out, 54);
    Put32(&out, 40);
    Put32(&out, width);
    Put32(&out, top_down ? uint32_t(-height) : uint32_t(height));
    Put16(&out, 1);
    Put16(&out, 24);
    for (int i = 0; i < 6; ++i) Put32(&out, 0);
    for (int stored = 0; stored < height; ++stored) {
        const int y = top_down ? stored : height - 1 - stored;
        for (int x = 0; x < width; ++x) {
            const uint32_t p = pixels[y * width + x];
            out.insert(out.end(), {uint8_t(p), uint8_t(p >> 8), uint8_t(p >> 16)});  // B, G, R
        }
        out.resize(out.size() + (row_bytes - width * 3), 0);
    }
    return out;
}

Bytes StoredZlib(const Bytes& data, size_t block_bytes) {
    Bytes out = {0x78, 0x01};
    size_t pos = 0;
    do {
        const size_t length = std::min(block_bytes, data.size() - pos);
        const bool last = pos + length == data.size();
        out.push_back(last ? 1 : 0);
        Put16(&out, uint32_t(length));
        Put16(&out, uint32_t(~length & 0xFFFF));
        out.insert(out.end(), data.begin() + pos, data.begin() + pos + length);
        pos += length;
    } while (pos < data.size());
    uint32_t a = 1, b = 0;
    for (uint8_t byte : data) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    PutBig32(&out, (b << 16) | a);
    return out;
}

void AppendPngChunk(Bytes* png, const char* type, const Bytes& body) {
    PutBig32(png, uint32_t(body.size()));
    const size_t start = png->size();
    png->insert(png->end(), type, type + 4);
    png->insert(png->end(), body.begin(), body.end());
    PutBig32(png, Crc32(png->data() + start, png->size() - start));
}

Bytes MakePng(int width, int height, const std::vector<uint32_t>& pixels, int color_type,
              const std::vector<uint8_t>& filters) {
    const int channels = color_type == 6 ? 4 : color_type == 2 ? 3 : 1;
    const size_t stride = size_t(width) * channels;
    Bytes raw_rows(stride * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint32_t p = pixels[y * width + x];
            uint8_t* target = &raw_rows[y * stride + x * channels];
            if (channels == 1) {
                target[0] = uint8_t(p);
            } else {
                target[0] = uint8_t(p >> 16);
                target[1] = uint8_t(p >> 8);
                target[2] = uint8_t(p);
                if (channels == 4) target[3] = 0x80;
            }
        }
    }
    Bytes filtered;
    for (int y = 0; y < height; ++y) {
        const uint8_t filter = filters[y % filters.size()];
        filtered.push_back(filter);
        const uint8_t* row = &raw_rows[y * stride];
        const uint8_t* up = y > 0 ? &raw_rows[(y - 1) * stride] : nullptr;
        for (size_t x = 0; x < stride; ++x) {
            const int a = x >= size_t(channels) ? row[x - channels] : 0;
            const int b = up ? up[x] : 0;
            const int c = up && x >= size_t(channels) ? up[x - channels] : 0;
            const int predicted = filter == 1 ? a : filter == 2 ? b : filter == 3 ? (a + b) / 2 : filter == 4 ? Paeth(a, b, c) : 0;
            filtered.push_back(uint8_t(row[x] - predicted));
        }
    }
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes header;
    PutBig32(&header, width);
    PutBig32(&header, height);
    header.insert(header.end(), {8, uint8_t(color_type), 0, 0, 0});
    AppendPngChunk(&png, "IHDR", header);
    // Split the stream over two IDAT chunks, as encoders do.
    const Bytes stream = StoredZlib(filtered);
    const size_t half = stream.size() / 2;
    AppendPngChunk(&png, "IDAT", Bytes(stream.begin(), stream.begin() + half));
    AppendPngChunk(&png, "IDAT", Bytes(stream.begin() + half, stream.end()));
    AppendPngChunk(&png, "IEND", {});
    return png;
}

void WriteBytes(const std::string& path, const Bytes& bytes) {
    FILE* file = fopen(path.c_str(), "wb");
    if (!file) return;
    fwrite(bytes.data(), 1, bytes.size(), file);
    fclose(file);
}

}  // namespace velk_test
