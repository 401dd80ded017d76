// RIFF WAVE chunk walking over arbitrary bytes: the sample span it reports lies
// inside the bytes, and the format it accepts can be played.
#include "sound/wav_header.h"

#include <vector>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // An exact-size copy, so that a read one past the end is caught.
    std::vector<uint8_t> bytes(data, data + size);
    velk::WavLayout layout{};
    if (!velk::ParseWavBytes(bytes.data(), bytes.size(), &layout)) return 0;
    FUZZ_EXPECT(layout.DataOffset <= size && layout.DataSize <= size - layout.DataOffset);
    FUZZ_EXPECT(layout.Format.nAvgBytesPerSec != 0 && layout.Format.nBlockAlign != 0);
    FUZZ_EXPECT(velk::FiveSecondBytes(layout.Format) != 0);
    unsigned sum = 0;
    for (uint32_t i = 0; i < layout.DataSize; ++i) sum += bytes[layout.DataOffset + i];
    return static_cast<int>(sum & 0);
}
