// Sound suites' fixture: an object of the static core (its sound state in
// reach) with a test window, its log on, in a directory of its own.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/velk.h"
#include "support/harness.h"

namespace velk_test {

class SoundTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::string Log() const { return ReadFileBytes(dir_.File("Log.txt")); }
    HRESULT Open(LONG id, const std::string& file);
    velk::SoundBuffer& Buffer(int index) { return velk_->SoundBufferTable[index]; }

    TempDir dir_;
    std::unique_ptr<CurrentDirectory> cd_;
    VelkObject* velk_ = nullptr;
    HWND window_ = nullptr;
};

// A core object with a window of its own, for scenarios in a child process.
VelkObject* CreateSoundObject(LONG mode);

// The test bed's audio sink: 16-bit samples of everything played, as a file.
size_t SinkBytes();
// Waits until the sink holds `bytes` more than `*from` (false after
// `milliseconds`). A device opened anew starts the file over: `*from` becomes 0.
bool WaitForSinkBytes(size_t* from, size_t bytes, DWORD milliseconds);
// The sink's samples from byte `from` on, `bytes` of them at most.
std::vector<int16_t> SinkSamples(size_t from, size_t bytes);

inline constexpr size_t kSinkSecond = 44100 * 4;  // 16-bit stereo; the mixer's rate may be higher

// Index of the first sample louder than `level`, or the count.
size_t FirstAbove(const std::vector<int16_t>& samples, int level);
// Peaks of consecutive windows of `width` samples from `from` on.
std::vector<int> WindowPeaks(const std::vector<int16_t>& samples, size_t from, size_t width);
// Half cycles of a tone in one channel (every other sample from `from`, up to
// `to`): sign changes between samples louder than `level`. Silence the
// platform's mixer inserts when the machine is too busy to feed it in time
// changes nothing, while a tone that lost or repeated data changes the count.
size_t HalfCycles(const std::vector<int16_t>& samples, size_t from, size_t to, int level);
// Lengths of the runs of windows no louder than `level` from `first` on.
std::vector<size_t> SilentRuns(const std::vector<int>& peaks, size_t first, int level);
// A loaded machine can leave the platform's mixer short of time, which sounds
// as a short silence; a fault of the library's refills shows as a long one or
// as one at every refill: no run longer than about half a second (20 windows
// of 2048 samples) and at most two of them.
void ExpectNoGapOfTheLibrary(const std::vector<size_t>& silent_runs);

// A 16-bit WAV at 8000 Hz whose every sample is `sample`.
bool WriteLevelWav(const std::string& path, unsigned milliseconds, uint16_t sample, uint16_t channels = 1);

// Polls `condition` every 20 ms until it holds (false after `milliseconds`).
template <typename Condition>
bool WaitFor(Condition condition, DWORD milliseconds) {
    DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > milliseconds) return false;
        Sleep(20);
    }
    return true;
}

bool Playing(IDirectSoundBuffer* device);

}  // namespace velk_test
