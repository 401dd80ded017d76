// Small RIFF WAVE files made by the tests themselves.
#pragma once
#include <string>

namespace velk_test {

// Writes a 16-bit PCM sine tone; false when the file cannot be written.
bool WriteToneWav(const std::string& path, unsigned milliseconds, unsigned samples_per_second = 22050,
                  unsigned channels = 1, double frequency = 440.0);

// A loud intro of `intro_frames`, then a quiet section of `section_frames`
// that a "smpl" chunk names as the loop (16-bit mono tone).
bool WriteSectionWav(const std::string& path, unsigned intro_frames, unsigned section_frames,
                     unsigned samples_per_second);

// The tone's peak levels in intro and section files, as shares of full scale.
inline constexpr double kLoudLevel = 0.4;
inline constexpr double kQuietLevel = 0.05;

}  // namespace velk_test
