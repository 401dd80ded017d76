// PNG decoding for the PNG loader module; see png_decode.h.
#include "png_decode.h"

#include <cstring>

namespace velk_loader {

namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr uint32_t kMaxExtent = 0x7FFF;

uint32_t ReadBig32(const uint8_t* p) { return (uint32_t(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3]; }

// ---------------------------------------------------------------- inflate
class BitReader {
public:
    BitReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    // -1 when the input has run out.
    int Bits(int count) {
        uint32_t value = 0;
        for (int i = 0; i < count; ++i) {
            if (pos_ >= size_) return -1;
            value |= uint32_t((data_[pos_] >> bit_) & 1) << i;
            if (++bit_ == 8) { bit_ = 0; ++pos_; }
        }
        return int(value);
    }
    void AlignToByte() { if (bit_) { bit_ = 0; ++pos_; } }
    size_t Position() const { return pos_; }
    void Skip(size_t bytes) { pos_ += bytes; }
    size_t Left() const { return pos_ < size_ ? size_ - pos_ : 0; }
    const uint8_t* Here() const { return data_ + pos_; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    int bit_ = 0;
};

// Canonical Huffman code: counts per length and symbols in code order.
struct Huffman {
    uint16_t Count[16];
    uint16_t Symbol[320];
};

bool BuildHuffman(Huffman* h, const uint8_t* lengths, int n) {
    memset(h->Count, 0, sizeof h->Count);
    for (int i = 0; i < n; ++i) h->Count[lengths[i]]++;
    h->Count[0] = 0;
    int left = 1;
    for (int len = 1; len < 16; ++len) {
        left = left * 2 - h->Count[len];
        if (left < 0) return false;  // over-subscribed
    }
    uint16_t offsets[16];
    offsets[1] = 0;
    for (int len = 1; len < 15; ++len) offsets[len + 1] = offsets[len] + h->Count[len];
    for (int i = 0; i < n; ++i)
        if (lengths[i]) h->Symbol[offsets[lengths[i]]++] = uint16_t(i);
    return true;
}

int DecodeSymbol(BitReader& in, const Huffman& h) {
    int code = 0, first = 0, index = 0;
    for (int len = 1; len < 16; ++len) {
        const int bit = in.Bits(1);
        if (bit < 0) return -1;
        code |= bit;
        const int count = h.Count[len];
        if (code - count < first) return h.Symbol[index + (code - first)];
        index += count;
        first = (first + count) << 1;
        code <<= 1;
    }
    return -1;
}

constexpr uint16_t kLengthBase[29] = {3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 15, 17, 19, 23, 27, 31,
                                      35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint16_t kDistBase[30] = {1, 2, 3, 4, 5, 7, 9, 13, 17, 25, 33, 49, 65, 97, 129,
                                    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr uint8_t kDistExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

bool InflateCodes(BitReader& in, const Huffman& lengths, const Huffman& distances, size_t limit,
                  std::vector<uint8_t>* out) {
    for (;;) {
        int symbol = DecodeSymbol(in, lengths);
        if (symbol < 0) return false;
        if (symbol < 256) {
            if (out->size() >= limit) return false;
            out->push_back(uint8_t(symbol));
            continue;
        }
        if (symbol == 256) return true;
        symbol -= 257;
        if (symbol >= 29) return false;
        const int extra = in.Bits(kLengthExtra[symbol]);
        if (extra < 0) return false;
        const size_t length = kLengthBase[symbol] + extra;
        const int dist_symbol = DecodeSymbol(in, distances);
        if (dist_symbol < 0 || dist_symbol >= 30) return false;
        const int dist_extra = in.Bits(kDistExtra[dist_symbol]);
        if (dist_extra < 0) return false;
        const size_t distance = kDistBase[dist_symbol] + dist_extra;
        if (distance > out->size() || length > limit - out->size()) return false;
        for (size_t i = 0; i < length; ++i) {
            const uint8_t byte = (*out)[out->size() - distance];
            out->push_back(byte);
        }
    }
}

bool InflateFixed(BitReader& in, size_t limit, std::vector<uint8_t>* out) {
    uint8_t lengths[288];
    for (int i = 0; i < 144; ++i) lengths[i] = 8;
    for (int i = 144; i < 256; ++i) lengths[i] = 9;
    for (int i = 256; i < 280; ++i) lengths[i] = 7;
    for (int i = 280; i < 288; ++i) lengths[i] = 8;
    Huffman literal, distance;
    BuildHuffman(&literal, lengths, 288);
    uint8_t dist_lengths[30];
    memset(dist_lengths, 5, sizeof dist_lengths);
    BuildHuffman(&distance, dist_lengths, 30);
    return InflateCodes(in, literal, distance, limit, out);
}

bool InflateDynamic(BitReader& in, size_t limit, std::vector<uint8_t>* out) {
    static constexpr uint8_t kOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    const int nlen = in.Bits(5), ndist = in.Bits(5), ncode = in.Bits(4);
    if (nlen < 0 || ndist < 0 || ncode < 0) return false;
    const int literal_count = nlen + 257, distance_count = ndist + 1;
    if (literal_count > 286 || distance_count > 30) return false;
    uint8_t lengths[320] = {};
    for (int i = 0; i < ncode + 4; ++i) {
        const int bits = in.Bits(3);
        if (bits < 0) return false;
        lengths[kOrder[i]] = uint8_t(bits);
    }
    Huffman code_lengths;
    if (!BuildHuffman(&code_lengths, lengths, 19)) return false;
    int index = 0;
    memset(lengths, 0, sizeof lengths);
    while (index < literal_count + distance_count) {
        const int symbol = DecodeSymbol(in, code_lengths);
        if (symbol < 0) return false;
        if (symbol < 16) {
            lengths[index++] = uint8_t(symbol);
            continue;
        }
        int repeat;
        uint8_t value = 0;
        if (symbol == 16) {
            if (index == 0) return false;
            value = lengths[index - 1];
            repeat = in.Bits(2);
            if (repeat < 0) return false;
            repeat += 3;
        } else if (symbol == 17) {
            repeat = in.Bits(3);
            if (repeat < 0) return false;
            repeat += 3;
        } else {
            repeat = in.Bits(7);
            if (repeat < 0) return false;
            repeat += 11;
        }
        if (index + repeat > literal_count + distance_count) return false;
        while (repeat--) lengths[index++] = value;
    }
    if (lengths[256] == 0) return false;  // no end-of-block code
    Huffman literal, distance;
    if (!BuildHuffman(&literal, lengths, literal_count)) return false;
    if (!BuildHuffman(&distance, lengths + literal_count, distance_count)) return false;
    return InflateCodes(in, literal, distance, limit, out);
}

uint32_t Adler32(const uint8_t* data, size_t size) {
    uint32_t a = 1, b = 0;
    for (size_t i = 0; i < size; ++i) {
        a = (a + data[i]) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

// ---------------------------------------------------------------- rows
uint8_t Paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = p > a ? p - a : a - p, pb = p > b ? p - b : b - p, pc = p > c ? p - c : c - p;
    if (pa <= pb && pa <= pc) return uint8_t(a);
    return uint8_t(pb <= pc ? b : c);
}

// Undoes the filter of each row in place; `stride` excludes the filter byte.
bool Unfilter(uint8_t* data, uint32_t height, size_t stride, size_t pixel_bytes) {
    const uint8_t* previous = nullptr;
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t filter = data[0];
        uint8_t* row = data + 1;
        for (size_t x = 0; x < stride; ++x) {
            const int a = x >= pixel_bytes ? row[x - pixel_bytes] : 0;
            const int b = previous ? previous[x] : 0;
            const int c = previous && x >= pixel_bytes ? previous[x - pixel_bytes] : 0;
            switch (filter) {
            case 0: break;
            case 1: row[x] = uint8_t(row[x] + a); break;
            case 2: row[x] = uint8_t(row[x] + b); break;
            case 3: row[x] = uint8_t(row[x] + ((a + b) >> 1)); break;
            case 4: row[x] = uint8_t(row[x] + Paeth(a, b, c)); break;
            default: return false;
            }
        }
        previous = row;
        data += stride + 1;
    }
    return true;
}

}  // namespace

bool HasPngSignature(const uint8_t* data, size_t size) {
    return data && size >= sizeof kSignature && memcmp(data, kSignature, sizeof kSignature) == 0;
}

bool Inflate(const uint8_t* data, size_t size, size_t limit, std::vector<uint8_t>* out) {
    if (size < 6) return false;
    const uint8_t cmf = data[0], flags = data[1];
    if ((cmf & 0x0F) != 8 || (cmf >> 4) > 7 || ((cmf << 8) | flags) % 31 != 0 || (flags & 0x20)) return false;
    BitReader in(data + 2, size - 2);
    out->clear();
    for (;;) {
        const int last = in.Bits(1), type = in.Bits(2);
        if (last < 0 || type < 0) return false;
        bool ok = false;
        if (type == 0) {
            in.AlignToByte();
            if (in.Left() < 4) return false;
            const uint8_t* p = in.Here();
            const size_t length = p[0] | (p[1] << 8);
            if ((length ^ 0xFFFF) != size_t(p[2] | (p[3] << 8))) return false;
            in.Skip(4);
            if (length > in.Left() || length > limit - out->size()) return false;
            out->insert(out->end(), in.Here(), in.Here() + length);
            in.Skip(length);
            ok = true;
        } else if (type == 1) {
            ok = InflateFixed(in, limit, out);
        } else if (type == 2) {
            ok = InflateDynamic(in, limit, out);
        }
        if (!ok) return false;
        if (last) break;
    }
    in.AlignToByte();
    if (in.Left() < 4) return false;
    return ReadBig32(in.Here()) == Adler32(out->data(), out->size());
}

bool DecodePng(const uint8_t* data, size_t size, Picture* out) {
    if (!HasPngSignature(data, size)) return false;
    size_t pos = sizeof kSignature;
    uint32_t width = 0, height = 0;
    uint8_t depth = 0, color_type = 0;
    bool have_header = false;
    std::vector<uint8_t> compressed;
    std::vector<uint32_t> palette;
    for (;;) {
        if (size - pos < 12) return false;  // length, type and CRC at least
        const uint32_t length = ReadBig32(data + pos);
        const uint8_t* type = data + pos + 4;
        const uint8_t* body = data + pos + 8;
        if (length > size - pos - 12) return false;
        if (memcmp(type, "IHDR", 4) == 0) {
            if (length != 13 || have_header) return false;
            width = ReadBig32(body);
            height = ReadBig32(body + 4);
            depth = body[8];
            color_type = body[9];
            // compression 0, filter method 0, no interlace
            if (body[10] != 0 || body[11] != 0 || body[12] != 0) return false;
            have_header = true;
        } else if (!have_header) {
            return false;
        } else if (memcmp(type, "PLTE", 4) == 0) {
            if (length % 3 != 0 || length / 3 > 256) return false;
            palette.clear();
            for (uint32_t i = 0; i < length; i += 3)
                palette.push_back((uint32_t(body[i]) << 16) | (body[i + 1] << 8) | body[i + 2]);
        } else if (memcmp(type, "IDAT", 4) == 0) {
            compressed.insert(compressed.end(), body, body + length);
        } else if (memcmp(type, "IEND", 4) == 0) {
            break;
        } else if (!(type[0] & 0x20)) {
            return false;  // a critical chunk this decoder does not know
        }
        pos += size_t(length) + 12;
    }
    if (width == 0 || height == 0 || width > kMaxExtent || height > kMaxExtent) return false;

    size_t channels;
    switch (color_type) {
    case 0: channels = 1; break;
    case 2: channels = 3; break;
    case 3: channels = 1; break;
    case 4: channels = 2; break;
    case 6: channels = 4; break;
    default: return false;
    }
    if (color_type == 3) {
        if (depth != 1 && depth != 2 && depth != 4 && depth != 8) return false;
        if (palette.empty()) return false;
    } else if (depth != 8) {
        return false;
    }
    const size_t stride = (size_t(width) * channels * depth + 7) / 8;
    const size_t pixel_bytes = channels * depth >= 8 ? channels * depth / 8 : 1;
    const size_t expected = (stride + 1) * height;
    std::vector<uint8_t> raw;
    if (!Inflate(compressed.data(), compressed.size(), expected, &raw) || raw.size() != expected) return false;
    if (!Unfilter(raw.data(), height, stride, pixel_bytes)) return false;

    out->Width = width;
    out->Height = height;
    out->Pixels.assign(size_t(width) * height, 0);
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* row = raw.data() + y * (stride + 1) + 1;
        uint32_t* target = out->Pixels.data() + size_t(y) * width;
        for (uint32_t x = 0; x < width; ++x) {
            switch (color_type) {
            case 0: target[x] = row[x] * 0x010101u; break;
            case 4: target[x] = row[2 * x] * 0x010101u; break;
            case 2:
            case 6: {
                const uint8_t* p = row + x * channels;
                target[x] = (uint32_t(p[0]) << 16) | (p[1] << 8) | p[2];
                break;
            }
            case 3: {
                const size_t bit = size_t(x) * depth;
                const unsigned index = (row[bit / 8] >> (8 - depth - bit % 8)) & ((1u << depth) - 1);
                if (index >= palette.size()) return false;
                target[x] = palette[index];
                break;
            }
            }
        }
    }
    return true;
}

}  // namespace velk_loader
