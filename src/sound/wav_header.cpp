// RIFF WAVE header walking (see wav_header.h).
#include "sound/wav_header.h"

#include <cstring>

namespace velk {
namespace {

constexpr uint32_t kFormatBytes = 16;  // tag, channels, rate, bytes/s, alignment, bits

uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

bool TagIs(const uint8_t* p, const char* tag) { return memcmp(p, tag, 4) == 0; }

class MemorySource final : public WavByteSource {
public:
    MemorySource(const uint8_t* bytes, size_t size) : bytes_(bytes), size_(size) {}
    bool ReadAt(uint32_t offset, void* destination, size_t count) override {
        if (offset > size_ || count > size_ - offset) return false;
        memcpy(destination, bytes_ + offset, count);
        return true;
    }
    uint32_t Size() const override { return size_ > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(size_); }

private:
    const uint8_t* bytes_;
    size_t size_;
};

}  // namespace

uint32_t FiveSecondBytes(const WAVEFORMATEX& format) {
    uint64_t bytes = 5ull * format.nAvgBytesPerSec;
    return bytes + 1 > UINT32_MAX ? 0 : static_cast<uint32_t>(bytes);
}

uint32_t WaveBlockBytes(const WAVEFORMATEX& format) {
    uint32_t align = format.nBlockAlign ? format.nBlockAlign : 1;
    return FiveSecondBytes(format) / align * align;
}

uint32_t RingHalfBytes(const WAVEFORMATEX& format) {
    uint32_t align = format.nBlockAlign ? format.nBlockAlign : 1;
    return FiveSecondBytes(format) / 2 / align * align;
}

bool FindWavChunk(WavByteSource& source, const char* tag, uint32_t* offset, uint32_t* size) {
    for (uint64_t at = 12; at + 8 <= source.Size();) {
        uint8_t chunk[8];
        if (!source.ReadAt(static_cast<uint32_t>(at), chunk, sizeof chunk)) return false;
        uint32_t length = Le32(chunk + 4);
        if (TagIs(chunk, tag)) {
            uint64_t present = source.Size() - (at + 8);
            *offset = static_cast<uint32_t>(at + 8);
            *size = static_cast<uint32_t>(length < present ? length : present);
            return true;
        }
        at += 8ull + length;
    }
    return false;
}

bool ParseWavLayout(WavByteSource& source, WavLayout* layout) {
    uint8_t head[12 + 8 + kFormatBytes];
    if (!source.ReadAt(0, head, sizeof head)) return false;
    if (!TagIs(head, "RIFF") || !TagIs(head + 8, "WAVE") || !TagIs(head + 12, "fmt ")) return false;
    uint32_t format_length = Le32(head + 16);
    // A shorter "fmt " chunk would make the next chunk header start inside it.
    if (format_length < kFormatBytes) return false;

    const uint8_t* f = head + 20;
    WAVEFORMATEX format = {};
    format.wFormatTag = Le16(f);
    format.nChannels = Le16(f + 2);
    format.nSamplesPerSec = Le32(f + 4);
    format.nAvgBytesPerSec = Le32(f + 8);
    format.nBlockAlign = Le16(f + 12);
    format.wBitsPerSample = Le16(f + 14);
    // Playback sizes its blocks from these; zero or huge values would give
    // empty or wrapped-around blocks.
    if (format.nAvgBytesPerSec == 0 || format.nBlockAlign == 0 || FiveSecondBytes(format) == 0) return false;

    uint64_t at = 20ull + format_length;
    for (;;) {
        uint8_t chunk[8];
        if (at > UINT32_MAX || !source.ReadAt(static_cast<uint32_t>(at), chunk, sizeof chunk)) return false;
        uint32_t length = Le32(chunk + 4);
        if (TagIs(chunk, "data")) {
            uint64_t start = at + 8;
            uint64_t present = source.Size() > start ? source.Size() - start : 0;
            layout->Format = format;
            layout->DataOffset = static_cast<uint32_t>(start);
            layout->DataSize = static_cast<uint32_t>(length < present ? length : present);
            return true;
        }
        at += 8ull + length;  // no pad byte for odd lengths: the files this reads are written without
    }
}

bool ParseWavBytes(const uint8_t* bytes, size_t size, WavLayout* layout) {
    if (!bytes) return false;
    MemorySource source(bytes, size);
    return ParseWavLayout(source, layout);
}

}  // namespace velk
