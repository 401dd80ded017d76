// BMP file checks and loader-block checks over arbitrary bytes: whatever they
// accept can be read whole without leaving the bytes.
#include "graphics/image_formats.h"

#include <cstring>
#include <vector>

#include "fuzz_support.h"

namespace {

uint32_t ReadU32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }

void FileHeaders(const std::vector<uint8_t>& file) {
    const size_t head = file.size() < velk::kBmpHeadBytes ? file.size() : velk::kBmpHeadBytes;
    std::vector<uint8_t> head_bytes(file.begin(), file.begin() + static_cast<long>(head));
    bool top_down = false;
    if (velk::CheckBmpHeaders(head_bytes.data(), head_bytes.size(), file.size(), &top_down) &&
        head_bytes.size() >= 14 + 20 && ReadU32(&head_bytes[14]) >= 40 && ReadU32(&head_bytes[14 + 16]) == BI_BITFIELDS) {
        // The platform reads the three masks at byte 40 of the header: before the rows.
        FUZZ_EXPECT(ReadU32(&head_bytes[10]) >= 14 + 52);
    }
    RGBQUAD table[256];
    FUZZ_EXPECT(velk::CoreColorTable(head_bytes.data(), head_bytes.size(), table) <= 256);
}

// The loader's two blocks: a description and rows, split where the input says.
void LoaderBlocks(fuzz::Input input) {
    const size_t info_bytes = input.Number(2048);
    if (info_bytes > input.size()) return;
    std::vector<uint8_t> info(input.data(), input.data() + info_bytes);
    std::vector<uint8_t> bits(input.data() + info_bytes, input.data() + input.size());
    velk::DibView view{};
    if (!velk::CheckDib(info.data(), info.size(), bits.data(), bits.size(), &view)) return;
    FUZZ_EXPECT(view.Width > 0 && view.Height > 0);
    if (view.Info->bmiHeader.biCompression == BI_BITFIELDS) {
        // The masks, where the platform reads them: the description must hold them.
        FUZZ_EXPECT(info.size() >= 52);
        volatile uint8_t last_mask = reinterpret_cast<const uint8_t*>(view.Info)[51];
        (void)last_mask;
    }
    const size_t row = velk::DibRowBytes(view.Width, view.Info->bmiHeader.biBitCount);
    FUZZ_EXPECT(row != 0);
    // Every row the platform would read: compressed rows are not sized per row.
    if (view.Info->bmiHeader.biCompression == BI_RGB || view.Info->bmiHeader.biCompression == BI_BITFIELDS) {
        const uint8_t* rows = static_cast<const uint8_t*>(view.Bits);
        FUZZ_EXPECT(rows >= bits.data() && row * static_cast<size_t>(view.Height) <= bits.size());
        volatile uint8_t last = rows[row * static_cast<size_t>(view.Height) - 1];
        (void)last;
    }
}

void Alpha(const std::vector<uint8_t>& bytes) {
    std::vector<uint32_t> pixels(bytes.size() / 4);
    if (!pixels.empty()) memcpy(pixels.data(), bytes.data(), pixels.size() * 4);
    const LONG key = bytes.size() % 2 ? -1 : 0x00FF00FF;
    velk::FlattenAlpha(pixels.data(), pixels.size(), key);
    for (uint32_t pixel : pixels) FUZZ_EXPECT(pixel >> 24 == 0);  // opaque words carry no alpha byte
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> file(data, data + size);
    FileHeaders(file);
    LoaderBlocks(fuzz::Input(data, size));
    Alpha(file);
    return 0;
}
