// Small RIFF WAVE files made by the tests themselves.
#pragma once
#include <string>

namespace velk_test {

// Writes a 16-bit PCM sine tone; false when the file cannot be written.
bool WriteToneWav(const std::string& path, unsigned milliseconds, unsigned samples_per_second = 22050,
                  unsigned channels = 1, double frequency = 440.0);

}  // namespace velk_test
