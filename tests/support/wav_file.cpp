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

// 16-bit PCM of a sine tone whose level `level(frame)` gives, then the chunks in `tail`.
bool WriteWav(const std::string& path, uint32_t frames, unsigned samples_per_second, unsigned channels,
              double frequency, double (*level)(uint32_t frame, uint32_t intro), uint32_t intro,
              const std::vector<uint8_t>& tail) {
    const uint16_t block_align = static_cast<uint16_t>(2 * channels);
    const uint32_t data_bytes = frames * block_align;
    std::vector<uint8_t> file;
    PutTag(file, "RIFF");
    Put32(file, static_cast<uint32_t>(36 + data_bytes + tail.size()));
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
        auto sample = static_cast<int16_t>(level(i, intro) * std::sin(step * i));
        for (unsigned c = 0; c < channels; ++c) Put16(file, static_cast<uint16_t>(sample));
    }
    file.insert(file.end(), tail.begin(), tail.end());
    FILE* out = fopen(path.c_str(), "wb");
    if (!out) return false;
    bool written = fwrite(file.data(), 1, file.size(), out) == file.size();
    return fclose(out) == 0 && written;
}

double SteadyLevel(uint32_t, uint32_t) { return 12000; }
double IntroLevel(uint32_t frame, uint32_t intro) { return frame < intro ? kLoudLevel * 32767 : kQuietLevel * 32767; }

}  // namespace

bool WriteToneWav(const std::string& path, unsigned milliseconds, unsigned samples_per_second, unsigned channels,
                  double frequency) {
    return WriteWav(path, samples_per_second * milliseconds / 1000, samples_per_second, channels, frequency,
                    SteadyLevel, 0, {});
}

bool WriteSectionWav(const std::string& path, unsigned intro_frames, unsigned section_frames,
                     unsigned samples_per_second) {
    std::vector<uint8_t> smpl;
    PutTag(smpl, "smpl");
    Put32(smpl, 36 + 24);
    for (int i = 0; i < 7; ++i) Put32(smpl, 0);  // manufacturer .. SMPTE offset
    Put32(smpl, 1);                              // one loop
    Put32(smpl, 0);                              // no sampler data
    Put32(smpl, 0);                              // cue point id
    Put32(smpl, 0);                              // forward
    Put32(smpl, intro_frames);
    Put32(smpl, intro_frames + section_frames - 1);  // the last frame, inclusive
    Put32(smpl, 0);                                  // fraction
    Put32(smpl, 0);                                  // for ever
    return WriteWav(path, intro_frames + section_frames, samples_per_second, 1, 440.0, IntroLevel, intro_frames,
                    smpl);
}

}  // namespace velk_test
