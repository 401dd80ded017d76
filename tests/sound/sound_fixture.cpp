// Sound suites' fixture (see sound_fixture.h).
#include "sound/sound_fixture.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "graphics/graphics_fixture.h"
#include "support/bstr.h"
#include "support/velk_loader.h"

namespace velk_test {

VelkObject* CreateSoundObject(LONG mode) {
    VelkObject* velk = CreateCoreObject();
    if (!velk) return nullptr;
    velk->Window = CreateTestWindow();
    velk->Logging();
    velk->Sound(mode);
    return velk;
}

void SoundTest::SetUp() {
    cd_ = std::make_unique<CurrentDirectory>(dir_.path());
    velk_ = CreateCoreObject();
    ASSERT_NE(velk_, nullptr);
    window_ = CreateTestWindow();
    velk_->Window = window_;
    velk_->Logging();
}

void SoundTest::TearDown() {
    if (velk_) velk_->Release();
    velk_ = nullptr;
    if (window_) DestroyWindow(window_);
    PumpMessages();
    cd_.reset();
}

HRESULT SoundTest::Open(LONG id, const std::string& file) {
    Bstr name(std::wstring(file.begin(), file.end()));
    return velk_->Snd_Open(id, name);
}

static std::string SinkPath() { return ExecutableDirectory() + "\\..\\testbed\\audio.raw"; }

size_t SinkBytes() {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExA(SinkPath().c_str(), GetFileExInfoStandard, &data)) return 0;
    return data.nFileSizeLow;
}

bool WaitForSinkBytes(size_t* from, size_t bytes, DWORD milliseconds) {
    DWORD start = GetTickCount();
    for (size_t size; (size = SinkBytes()) < *from + bytes;) {
        if (size < *from) *from = 0;
        if (GetTickCount() - start > milliseconds) return false;
        Sleep(50);  // the sink grows at the pace of the sound
    }
    return true;
}

std::vector<int16_t> SinkSamples(size_t from, size_t bytes) {
    std::vector<int16_t> samples(bytes / 2);
    FILE* in = fopen(SinkPath().c_str(), "rb");
    if (!in) return {};
    size_t got = fseek(in, static_cast<long>(from), SEEK_SET) == 0 ? fread(samples.data(), 2, samples.size(), in) : 0;
    fclose(in);
    samples.resize(got);
    return samples;
}

bool WriteLevelWav(const std::string& path, unsigned milliseconds, uint16_t sample, uint16_t channels) {
    const uint32_t bytes = 8000 * milliseconds / 1000 * 2 * channels;
    const uint16_t align = 2 * channels;
    const uint32_t rate = 8000 * align;
    std::vector<uint8_t> b = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0,
                              1, 0, uint8_t(channels), 0, 0x40, 0x1F, 0, 0, uint8_t(rate), uint8_t(rate >> 8), 0, 0,
                              uint8_t(align), 0, 16, 0, 'd', 'a', 't', 'a'};
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(bytes >> (8 * i)));
    for (uint32_t i = 0; i < bytes / 2; ++i) {
        b.push_back(static_cast<uint8_t>(sample));
        b.push_back(static_cast<uint8_t>(sample >> 8));
    }
    FILE* out = fopen(path.c_str(), "wb");
    if (!out) return false;
    fwrite(b.data(), 1, b.size(), out);
    return fclose(out) == 0;
}

bool Playing(IDirectSoundBuffer* device) {
    DWORD status = 0;
    return device && SUCCEEDED(device->GetStatus(&status)) && (status & DSBSTATUS_PLAYING);
}

size_t FirstAbove(const std::vector<int16_t>& samples, int level) {
    for (size_t i = 0; i < samples.size(); ++i)
        if (std::abs(samples[i]) > level) return i;
    return samples.size();
}

std::vector<int> WindowPeaks(const std::vector<int16_t>& samples, size_t from, size_t width) {
    std::vector<int> peaks;
    for (size_t at = from; at + width <= samples.size(); at += width) {
        int peak = 0;
        for (size_t i = at; i < at + width; ++i) peak = std::max(peak, std::abs(int(samples[i])));
        peaks.push_back(peak);
    }
    return peaks;
}

size_t HalfCycles(const std::vector<int16_t>& samples, size_t from, size_t to, int level) {
    size_t count = 0;
    int last_sign = 0;
    for (size_t i = from; i < to; i += 2) {
        if (std::abs(samples[i]) <= level) continue;
        const int sign = samples[i] < 0 ? -1 : 1;
        count += last_sign != 0 && sign != last_sign;
        last_sign = sign;
    }
    return count;
}

std::vector<size_t> SilentRuns(const std::vector<int>& peaks, size_t first, int level) {
    std::vector<size_t> runs;
    size_t run = 0;
    for (size_t i = first; i < peaks.size(); ++i) {
        if (peaks[i] <= level) {
            ++run;
        } else if (run) {
            runs.push_back(run);
            run = 0;
        }
    }
    if (run) runs.push_back(run);
    return runs;
}

void ExpectNoGapOfTheLibrary(const std::vector<size_t>& silent_runs) {
    EXPECT_LE(silent_runs.size(), 2u) << "silences recur, as at every refill";
    for (size_t run : silent_runs) EXPECT_LE(run, 20u) << "a gap in the tone";
}

}  // namespace velk_test
