// Loop sections read from arbitrary comments and smpl chunks: a section the
// readers accept always lies inside the sound and is never empty.
#include "sound/loop_points.h"

#include <string>
#include <vector>

#include "fuzz_support.h"

namespace {

void ExpectInside(const velk::LoopSection& section, uint64_t total_frames) {
    if (!section.Valid) return;
    FUZZ_EXPECT(section.Start < section.End);
    FUZZ_EXPECT(section.End <= total_frames);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input input(data, size);
    const uint64_t total_frames = input.Number(1u << 24);
    const uint32_t comment_count = input.Number(8);

    // Comments as the decoder hands them: exact-size copies without terminators.
    std::vector<std::vector<char>> comments;
    for (uint32_t i = 0; i < comment_count; ++i) {
        const std::string text = input.Text();
        comments.emplace_back(text.begin(), text.end());
    }
    std::vector<const char*> pointers;
    std::vector<int> lengths;
    for (const std::vector<char>& comment : comments) {
        pointers.push_back(comment.data());
        lengths.push_back(static_cast<int>(comment.size()));
    }
    ExpectInside(velk::LoopFromVorbisComments(pointers.data(), lengths.data(),
                                              static_cast<int>(pointers.size()), total_frames),
                 total_frames);

    // The rest of the input is the body of a smpl chunk.
    const std::vector<uint8_t> body(input.data(), input.data() + input.size());
    ExpectInside(velk::LoopFromSmplChunk(body.data(), body.size(), total_frames), total_frames);
    return 0;
}
