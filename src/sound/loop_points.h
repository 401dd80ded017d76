// Loop sections that sound files carry for game music: an intro played once,
// then a section repeated without a gap. Pure readers over bytes and strings.
#pragma once
#include <cstddef>
#include <cstdint>

namespace velk {

// A section in sample frames: [Start, End). Valid only inside the sound.
struct LoopSection {
    bool Valid;
    uint64_t Start;
    uint64_t End;
};

// From Vorbis comments ("LOOPSTART=n", optional "LOOPLENGTH=n", keys in any
// case), as the decoder holds them: `count` entries of `lengths[i]` bytes,
// not necessarily zero-terminated. Without LOOPLENGTH the section runs to the
// end. A section outside [0, total_frames) is not valid.
LoopSection LoopFromVorbisComments(const char* const* comments, const int* lengths, int count,
                                   uint64_t total_frames);

// From the body of a WAV "smpl" chunk (the bytes after its length field):
// valid only with exactly one forward loop, whose end frame is inclusive.
LoopSection LoopFromSmplChunk(const uint8_t* body, size_t size, uint64_t total_frames);

}  // namespace velk
