// The arithmetic of the mixer's settings: what a host's volume, pan and speed
// become for DirectSound and for waveOut, and where a fade is at a moment.
// Pure functions, so that the conversions are tested without a device.
#pragma once
#include <windows.h>

namespace velk {

inline constexpr double kMinSpeed = 0.25;
inline constexpr double kMaxSpeed = 4.0;

// Whether `value` lies in [low, high]; NaN never does.
bool LevelInRange(double value, double low, double high);

// An amplitude gain (0.0 to 1.0) as DirectSound's attenuation in hundredths of
// a decibel: 0 at full, DSBVOLUME_MIN (silence) at 0 and below it.
LONG DirectSoundVolume(double gain);

// A pan (-1.0 left only to +1.0 right only) as DirectSound's pan: a positive
// pan p scales the left channel by (1 - p), a negative one the right by (1 + p).
LONG DirectSoundPan(double pan);

// The frequency a buffer of `samples_per_second` plays at for `speed`, held to
// what DirectSound accepts (DSBFREQUENCY_MIN to DSBFREQUENCY_MAX).
DWORD DirectSoundFrequency(DWORD samples_per_second, double speed);

// waveOutSetVolume's value for a gain and a pan: the left channel's level in
// the low word, the right's in the high word, each 0 to 0xFFFF.
DWORD WaveOutVolume(double gain, double pan);

// The format that plays `format`'s samples at `speed`: the same samples at a
// rate `speed` times as high (the pitch follows), held to DirectSound's range.
WAVEFORMATEX FormatAtSpeed(const WAVEFORMATEX& format, double speed);

// The volume of a linear fade from `from` to `to` over `duration` milliseconds,
// `elapsed` milliseconds after it began (`to` from its end on).
double FadeVolumeAt(double from, double to, DWORD elapsed, DWORD duration);

}  // namespace velk
