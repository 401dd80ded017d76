// Small Ogg Vorbis files made by the tests themselves (see ogg_file.h).
#include "support/ogg_file.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "support/vorbis_writer.h"
#include "support/wav_file.h"  // for: the levels of intro and section

namespace velk_test {
namespace {

// Encodes a sine tone at `level(frame)` with the given comments.
bool WriteOgg(const std::string& path, unsigned frames, unsigned samples_per_second, unsigned channels,
              double frequency, double (*level)(unsigned frame, unsigned intro), unsigned intro,
              const std::vector<std::string>& comments) {
    const double step = 2 * 3.14159265358979 * frequency / samples_per_second;
    return vorbis_writer::WriteVorbisFile(path, channels, samples_per_second, 0.3f, comments, frames,
                                          [&](size_t frame, unsigned) {
                                              const unsigned at = static_cast<unsigned>(frame);
                                              return level(at, intro) * std::sin(step * at);
                                          });
}

double SteadyLevel(unsigned, unsigned) { return 0.4; }
double IntroLevel(unsigned frame, unsigned intro) { return frame < intro ? kLoudLevel : kQuietLevel; }

}  // namespace

bool WriteToneOgg(const std::string& path, unsigned frames, unsigned samples_per_second, unsigned channels,
                  double frequency) {
    return WriteOgg(path, frames, samples_per_second, channels, frequency, SteadyLevel, 0, {});
}

bool WriteSectionOgg(const std::string& path, unsigned intro_frames, unsigned section_frames,
                     unsigned samples_per_second) {
    return WriteOgg(path, intro_frames + section_frames, samples_per_second, 1, 440.0, IntroLevel, intro_frames,
                    {"LOOPSTART=" + std::to_string(intro_frames), "LOOPLENGTH=" + std::to_string(section_frames)});
}

}  // namespace velk_test
