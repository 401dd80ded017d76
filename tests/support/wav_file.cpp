// Small RIFF WAVE files made by the tests themselves (see wav_file.h).
#include "support/wav_file.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace velk_test {
namespace {

void Put16(std::vector<uint8_t>& out, uint16_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t value) {
    Put16(out, static_cast<uint16_t>(value));
    Put16(out, static_cast<uint16_t>(value >> 16));
}

void PutTag(std::vector<uint8_t>& out, const char* tag) { out.insert(out.end(), tag, tag + 4); }

}  // namespace

bool WriteToneWav(const std::string& path, unsigned milliseconds, unsigned samples_per_second, unsigned channels,
                  double frequency) {
    const uint32_t frames = samples_per_second * milliseconds / 1000;
    const uint16_t block_align = static_cast<uint16_t>(2 * channels);
    const uint32_t data_bytes = frames * block_align;
    std::vector<uint8_t> file;
    PutTag(file, "RIFF");
    Put32(file, 36 + data_bytes);
    PutTag(file, "WAVE");
    PutTag(file, "fmt ");
    Put32(file, 16);
    Put16(file, 1);  // PCM
    Put16(file, static_cast<uint16_t>(channels));
    Put32(file, samples_per_second);
    Put32(file, samples_per_second * block_align);
    Put16(file, block_align);
    Put16(file, 16);
    PutTag(file, "data");
    Put32(file, data_bytes);
    const double step = 2 * 3.14159265358979 * frequency / samples_per_second;
    for (uint32_t i = 0; i < frames; ++i) {
        auto sample = static_cast<int16_t>(12000 * std::sin(step * i));
        for (unsigned c = 0; c < channels; ++c) Put16(file, static_cast<uint16_t>(sample));
    }
    FILE* out = fopen(path.c_str(), "wb");
    if (!out) return false;
    bool written = fwrite(file.data(), 1, file.size(), out) == file.size();
    return fclose(out) == 0 && written;
}

}  // namespace velk_test
