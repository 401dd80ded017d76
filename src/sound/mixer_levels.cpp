// The mixer's conversions (see mixer_levels.h).
#include "sound/mixer_levels.h"

#include <dsound.h>  // for: DSBVOLUME_MIN, DSBPAN_LEFT, DSBFREQUENCY_MIN

#include <algorithm>
#include <cmath>

namespace velk {

bool LevelInRange(double value, double low, double high) { return value >= low && value <= high; }

LONG DirectSoundVolume(double gain) {
    if (!(gain > 0)) return DSBVOLUME_MIN;
    const double hundredths = std::round(2000.0 * std::log10(std::min(gain, 1.0)));
    return static_cast<LONG>(std::max<double>(hundredths, DSBVOLUME_MIN));
}

LONG DirectSoundPan(double pan) {
    // DirectSound's pan attenuates the far channel by its magnitude.
    if (pan > 0) return -DirectSoundVolume(1.0 - pan);
    if (pan < 0) return DirectSoundVolume(1.0 + pan);
    return DSBPAN_CENTER;
}

DWORD DirectSoundFrequency(DWORD samples_per_second, double speed) {
    const double wanted = std::round(samples_per_second * speed);
    return static_cast<DWORD>(std::clamp<double>(wanted, DSBFREQUENCY_MIN, DSBFREQUENCY_MAX));
}

DWORD WaveOutVolume(double gain, double pan) {
    auto level = [](double amplitude) {
        return static_cast<DWORD>(std::lround(std::clamp(amplitude, 0.0, 1.0) * 0xFFFF));
    };
    const double left = gain * (pan > 0 ? 1.0 - pan : 1.0);
    const double right = gain * (pan < 0 ? 1.0 + pan : 1.0);
    return level(left) | (level(right) << 16);
}

WAVEFORMATEX FormatAtSpeed(const WAVEFORMATEX& format, double speed) {
    WAVEFORMATEX changed = format;
    changed.nSamplesPerSec = DirectSoundFrequency(format.nSamplesPerSec, speed);
    changed.nAvgBytesPerSec = changed.nSamplesPerSec * changed.nBlockAlign;
    return changed;
}

double FadeVolumeAt(double from, double to, DWORD elapsed, DWORD duration) {
    if (elapsed >= duration) return to;
    return from + (to - from) * (static_cast<double>(elapsed) / duration);
}

}  // namespace velk
