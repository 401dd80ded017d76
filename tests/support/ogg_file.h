// Small Ogg Vorbis files made by the tests themselves.
#pragma once
#include <string>

namespace velk_test {

// Encodes a sine tone of `frames` sample frames; false when the file cannot be written.
bool WriteToneOgg(const std::string& path, unsigned frames, unsigned samples_per_second = 22050,
                  unsigned channels = 1, double frequency = 440.0);

// A loud intro, then a quiet section that LOOPSTART and LOOPLENGTH comments
// name as the loop (mono; levels as in wav_file.h).
bool WriteSectionOgg(const std::string& path, unsigned intro_frames, unsigned section_frames,
                     unsigned samples_per_second);

}  // namespace velk_test
