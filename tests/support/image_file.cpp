// Small image files made by the tests; see image_file.h.
#include "support/image_file.h"

#include <windows.h>
#include <wincodec.h>  // for: the platform's JPEG encoder

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <initializer_list>

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

uint32_t FixturePaletteColor(int index) {
    static const uint32_t kColors[16] = {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0x00FFFF, 0xFF00FF,
                                         0x808080, 0x800000, 0x008000, 0x000080, 0x123456, 0x654321, 0xC0C0C0, 0x336699};
    return index < 16 ? kColors[index] : uint32_t(index) * 0x010203u & 0xFFFFFF;
}

namespace {
// BMP file header and a 40-byte info header for bottom-up rows.
Bytes BmpHeaders(int width, int height, int bits, uint32_t compression, uint32_t table_bytes, uint32_t rows_bytes) {
    Bytes out = {'B', 'M'};
    Put32(&out, 54 + table_bytes + rows_bytes);
    Put32(&out, 0);
    Put32(&out, 54 + table_bytes);
    Put32(&out, 40);
    Put32(&out, width);
    Put32(&out, height);
    Put16(&out, 1);
    Put16(&out, bits);
    Put32(&out, compression);
    Put32(&out, rows_bytes);
    for (int i = 0; i < 4; ++i) Put32(&out, 0);
    return out;
}

void AppendColorTable(Bytes* out, int entries, bool triples) {
    for (int i = 0; i < entries; ++i) {
        const uint32_t c = FixturePaletteColor(i);
        out->insert(out->end(), {uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16)});  // B, G, R
        if (!triples) out->push_back(0);
    }
}
}  // namespace

Bytes MakeBmpIndexed(int width, int height, const std::vector<uint8_t>& indices, int bits, bool core_header) {
    const uint32_t row_bytes = ((width * bits + 31) / 32) * 4;
    const int entries = 1 << bits;
    Bytes out;
    if (core_header) {
        const uint32_t offset = 14 + 12 + entries * 3;
        out = {'B', 'M'};
        Put32(&out, offset + row_bytes * height);
        Put32(&out, 0);
        Put32(&out, offset);
        Put32(&out, 12);
        Put16(&out, width);
        Put16(&out, height);
        Put16(&out, 1);
        Put16(&out, bits);
    } else {
        out = BmpHeaders(width, height, bits, 0, entries * 4, row_bytes * height);
    }
    AppendColorTable(&out, entries, core_header);
    for (int y = height - 1; y >= 0; --y) {
        Bytes row(row_bytes, 0);
        for (int x = 0; x < width; ++x) {
            const int bit = x * bits;
            row[bit / 8] |= uint8_t(indices[size_t(y) * width + x] << (8 - bits - bit % 8));
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

Bytes MakeBmpRle(int width, int height, const std::vector<uint8_t>& indices, int bits) {
    Bytes rows;
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width;) {
            const uint8_t index = indices[size_t(y) * width + x];
            int run = 1;
            while (x + run < width && run < 255 && indices[size_t(y) * width + x + run] == index) ++run;
            rows.insert(rows.end(), {uint8_t(run), uint8_t(bits == 4 ? index << 4 | index : index)});
            x += run;
        }
        rows.insert(rows.end(), {0, 0});  // end of line
    }
    rows.back() = 1;  // the last end of line becomes the end of the bitmap
    Bytes out = BmpHeaders(width, height, bits, bits == 4 ? 2 : 1, (1 << bits) * 4, uint32_t(rows.size()));
    AppendColorTable(&out, 1 << bits, false);
    out.insert(out.end(), rows.begin(), rows.end());
    return out;
}

Bytes MakeBmp565(int width, int height, const std::vector<uint32_t>& pixels) {
    const uint32_t row_bytes = (width * 2 + 3) & ~3u;
    Bytes out = BmpHeaders(width, height, 16, 3, 12, row_bytes * height);
    for (uint32_t mask : {0xF800u, 0x07E0u, 0x001Fu}) Put32(&out, mask);
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            const uint32_t p = pixels[size_t(y) * width + x];
            Put16(&out, (p >> 8 & 0xF800) | (p >> 5 & 0x07E0) | (p >> 3 & 0x001F));
        }
        out.resize(out.size() + (row_bytes - width * 2), 0);
    }
    return out;
}

Bytes MakeBmp32Alpha(int width, int height, const std::vector<uint32_t>& pixels) {
    constexpr uint32_t kV4HeaderBytes = 108;
    const uint32_t rows_bytes = uint32_t(width) * uint32_t(height) * 4;
    Bytes out = {'B', 'M'};
    Put32(&out, 14 + kV4HeaderBytes + rows_bytes);
    Put32(&out, 0);
    Put32(&out, 14 + kV4HeaderBytes);
    Put32(&out, kV4HeaderBytes);
    Put32(&out, width);
    Put32(&out, height);
    Put16(&out, 1);
    Put16(&out, 32);
    Put32(&out, 3);  // bit fields
    Put32(&out, rows_bytes);
    for (int i = 0; i < 4; ++i) Put32(&out, 0);
    // Red, green, blue, alpha: bytes R G B A from the top of the word down.
    for (uint32_t mask : {0xFF000000u, 0x00FF0000u, 0x0000FF00u, 0x000000FFu}) Put32(&out, mask);
    Put32(&out, 0x73524742);  // sRGB
    out.resize(out.size() + 36 + 12, 0);
    for (int y = height - 1; y >= 0; --y)
        for (int x = 0; x < width; ++x) {
            const uint32_t p = pixels[size_t(y) * width + x];
            Put32(&out, (p << 8) | (p >> 24));
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

namespace {
// Rows of one picture (or one interlace pass) for the PNG stream: filter byte 0,
// then the samples packed at the bit depth, most significant bits first.
void AppendPngRows(const PngPicture& picture, int channels, int x0, int y0, int dx, int dy, Bytes* raw) {
    for (int y = y0; y < picture.Height; y += dy) {
        if (x0 >= picture.Width) return;
        raw->push_back(0);
        uint32_t acc = 0;
        int filled = 0;
        for (int x = x0; x < picture.Width; x += dx) {
            for (int c = 0; c < channels; ++c) {
                const uint16_t v = picture.Samples[(size_t(y) * picture.Width + x) * channels + c];
                if (picture.BitDepth == 16) {
                    raw->insert(raw->end(), {uint8_t(v >> 8), uint8_t(v)});
                    continue;
                }
                acc = (acc << picture.BitDepth) | v;
                filled += picture.BitDepth;
                if (filled == 8) {
                    raw->push_back(uint8_t(acc));
                    acc = 0;
                    filled = 0;
                }
            }
        }
        if (filled) raw->push_back(uint8_t(acc << (8 - filled)));
    }
}
}  // namespace

Bytes MakePng(const PngPicture& picture) {
    const int channels = picture.ColorType == 6 ? 4 : picture.ColorType == 2 ? 3 : picture.ColorType == 4 ? 2 : 1;
    Bytes raw;
    if (picture.Interlaced) {
        const int passes[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                  {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
        for (const auto& p : passes) AppendPngRows(picture, channels, p[0], p[1], p[2], p[3], &raw);
    } else {
        AppendPngRows(picture, channels, 0, 0, 1, 1, &raw);
    }
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes header;
    PutBig32(&header, picture.Width);
    PutBig32(&header, picture.Height);
    header.insert(header.end(), {uint8_t(picture.BitDepth), uint8_t(picture.ColorType), 0, 0, uint8_t(picture.Interlaced)});
    AppendPngChunk(&png, "IHDR", header);
    if (!picture.Palette.empty()) AppendPngChunk(&png, "PLTE", picture.Palette);
    if (!picture.Transparency.empty()) AppendPngChunk(&png, "tRNS", picture.Transparency);
    // Split the stream over two IDAT chunks, as encoders do.
    const Bytes stream = StoredZlib(raw);
    const size_t half = stream.size() / 2;
    AppendPngChunk(&png, "IDAT", Bytes(stream.begin(), stream.begin() + half));
    AppendPngChunk(&png, "IDAT", Bytes(stream.begin() + half, stream.end()));
    AppendPngChunk(&png, "IEND", {});
    return png;
}

Bytes MakePng(int width, int height, const std::vector<uint32_t>& pixels) {
    PngPicture picture{width, height, 2, 8, {}};
    for (uint32_t p : pixels) picture.Samples.insert(picture.Samples.end(), {uint16_t(p >> 16 & 0xFF), uint16_t(p >> 8 & 0xFF), uint16_t(p & 0xFF)});
    return MakePng(picture);
}

Bytes MakeJpeg(int width, int height, const std::vector<uint32_t>& pixels, bool grey) {
    const bool com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    Bytes out;
    IWICImagingFactory* factory = nullptr;
    IWICBitmapEncoder* encoder = nullptr;
    IWICBitmapFrameEncode* frame = nullptr;
    IPropertyBag2* options = nullptr;
    IStream* stream = nullptr;
    WICPixelFormatGUID format = grey ? GUID_WICPixelFormat8bppGray : GUID_WICPixelFormat24bppBGR;
    const UINT channels = grey ? 1 : 3;
    const UINT stride = (width * channels + 3) & ~3u;
    Bytes rows(size_t(stride) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint32_t p = pixels[size_t(y) * width + x];
            uint8_t* target = &rows[size_t(y) * stride + x * channels];
            if (grey) {
                target[0] = uint8_t(p >> 8);
            } else {
                target[0] = uint8_t(p);
                target[1] = uint8_t(p >> 8);
                target[2] = uint8_t(p >> 16);
            }
        }
    PROPBAG2 quality_name{};
    quality_name.pstrName = const_cast<LPOLESTR>(L"ImageQuality");
    VARIANT quality;
    VariantInit(&quality);
    quality.vt = VT_R4;
    quality.fltVal = 1.0f;
    bool ok = SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                         reinterpret_cast<void**>(&factory))) &&
              SUCCEEDED(CreateStreamOnHGlobal(nullptr, TRUE, &stream)) &&
              SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatJpeg, nullptr, &encoder)) &&
              SUCCEEDED(encoder->Initialize(stream, WICBitmapEncoderNoCache)) &&
              SUCCEEDED(encoder->CreateNewFrame(&frame, &options));
    if (ok) options->Write(1, &quality_name, &quality);  // best effort: the default quality would do too
    ok = ok && SUCCEEDED(frame->Initialize(options)) && SUCCEEDED(frame->SetSize(width, height)) &&
         SUCCEEDED(frame->SetPixelFormat(&format)) &&
         IsEqualGUID(format, grey ? GUID_WICPixelFormat8bppGray : GUID_WICPixelFormat24bppBGR) &&
         SUCCEEDED(frame->WritePixels(height, stride, UINT(rows.size()), rows.data())) &&
         SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
    if (ok) {
        STATSTG stat{};
        const LARGE_INTEGER start{};
        ULONG got = 0;
        if (SUCCEEDED(stream->Stat(&stat, STATFLAG_NONAME)) && SUCCEEDED(stream->Seek(start, STREAM_SEEK_SET, nullptr))) {
            out.resize(size_t(stat.cbSize.QuadPart));
            if (FAILED(stream->Read(out.data(), ULONG(out.size()), &got)) || got != out.size()) out.clear();
        }
    }
    for (IUnknown* object : std::initializer_list<IUnknown*>{options, frame, encoder, stream, factory})
        if (object) object->Release();
    if (com) CoUninitialize();
    return out;
}

namespace {
// Entropy-coded bits, most significant first, with 0xFF bytes stuffed.
class BitWriter {
public:
    explicit BitWriter(Bytes* out) : out_(out) {}
    void Put(uint32_t value, int count) {
        for (int i = count - 1; i >= 0; --i) {
            acc_ = uint8_t(acc_ << 1 | (value >> i & 1));
            if (++filled_ == 8) Flush();
        }
    }
    // Pads the last byte with one bits, as the format asks.
    void Finish() {
        while (filled_) Put(1, 1);
    }

private:
    void Flush() {
        out_->push_back(acc_);
        if (acc_ == 0xFF) out_->push_back(0);
        acc_ = 0;
        filled_ = 0;
    }
    Bytes* out_;
    uint8_t acc_ = 0;
    int filled_ = 0;
};

void AppendMarker(Bytes* out, uint8_t marker, const Bytes& body) {
    out->insert(out->end(), {0xFF, marker, uint8_t((body.size() + 2) >> 8), uint8_t(body.size() + 2)});
    out->insert(out->end(), body.begin(), body.end());
}

// DC coefficient of a flat block at quantiser 1: eight times the level-shifted sample.
int FlatDc(double sample) { return int(std::lround(8 * (sample - 128))); }
}  // namespace

// The values stored for one colour: YCbCr, or YCCK, the form print software
// writes CMYK in: the inks C, M, Y through the YCbCr transform (which the
// decoder undoes as 255 minus the result, giving Adobe's inverted inks), and K
// stored inverted (255 = no ink).
std::vector<double> JpegComponents(uint32_t c, bool cmyk) {
    double r = c >> 16 & 0xFF, g = c >> 8 & 0xFF, b = c & 0xFF;
    double inverted_k = 0;
    if (cmyk) {
        inverted_k = std::max({r, g, b});
        const auto ink = [&](double v) { return inverted_k == 0 ? 0.0 : 255 - 255 * v / inverted_k; };
        r = ink(r);
        g = ink(g);
        b = ink(b);
    }
    std::vector<double> values = {0.299 * r + 0.587 * g + 0.114 * b, -0.168736 * r - 0.331264 * g + 0.5 * b + 128,
                                  0.5 * r - 0.418688 * g - 0.081312 * b + 128};
    if (cmyk) values.push_back(inverted_k);
    return values;
}

Bytes MakeProgressiveJpeg(const std::vector<uint32_t>& block_colors, bool cmyk) {
    const int blocks = int(block_colors.size());
    const uint8_t components = cmyk ? 4 : 3;
    Bytes out = {0xFF, 0xD8};
    // Adobe marker, transform 2: YCCK.
    if (cmyk) AppendMarker(&out, 0xEE, {'A', 'd', 'o', 'b', 'e', 0, 100, 0, 0, 0, 0, 2});
    Bytes quantiser = {0x00};
    quantiser.resize(65, 1);
    AppendMarker(&out, 0xDB, quantiser);
    const int width = blocks * 8;
    Bytes frame = {8, 0, 8, uint8_t(width >> 8), uint8_t(width), components};
    for (uint8_t id = 1; id <= components; ++id) frame.insert(frame.end(), {id, 0x11, 0});
    AppendMarker(&out, 0xC2, frame);
    // DC table: categories 0..11, each a four-bit code equal to its number.
    Bytes dc_table = {0x00, 0, 0, 0, 12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    for (uint8_t category = 0; category < 12; ++category) dc_table.push_back(category);
    AppendMarker(&out, 0xC4, dc_table);
    // AC table: end-of-block only, the one-bit code 0.
    AppendMarker(&out, 0xC4, {0x10, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x00});

    // First scan: the DC coefficients of all components, interleaved.
    Bytes scan = {components};
    for (uint8_t id = 1; id <= components; ++id) scan.insert(scan.end(), {id, 0x00});
    scan.insert(scan.end(), {0, 0, 0});
    AppendMarker(&out, 0xDA, scan);
    BitWriter dc(&out);
    int predictor[4] = {0, 0, 0, 0};
    for (uint32_t c : block_colors) {
        const std::vector<double> values = JpegComponents(c, cmyk);
        for (int k = 0; k < components; ++k) {
            const int coefficient = FlatDc(values[k]);
            const int diff = coefficient - predictor[k];
            predictor[k] = coefficient;
            int category = 0;
            while ((abs(diff) >> category) != 0) ++category;
            dc.Put(uint32_t(category), 4);
            if (category) dc.Put(uint32_t(diff >= 0 ? diff : diff + (1 << category) - 1), category);
        }
    }
    dc.Finish();
    // Then coefficients 1..63 of each component on its own: every block ends at once.
    for (uint8_t component = 1; component <= components; ++component) {
        AppendMarker(&out, 0xDA, {1, component, 0x00, 1, 63, 0});
        BitWriter ac(&out);
        for (int i = 0; i < blocks; ++i) ac.Put(0, 1);
        ac.Finish();
    }
    out.insert(out.end(), {0xFF, 0xD9});
    return out;
}

void WriteBytes(const std::string& path, const Bytes& bytes) {
    FILE* file = fopen(path.c_str(), "wb");
    if (!file) return;
    fwrite(bytes.data(), 1, bytes.size(), file);
    fclose(file);
}

}  // namespace velk_test
