// Loop sections of Ogg comments and WAV "smpl" chunks (see loop_points.h).
#include "sound/loop_points.h"

namespace velk {
namespace {

constexpr size_t kSmplHeaderBytes = 36;  // up to and including the loop count and sampler data size
constexpr size_t kSmplLoopBytes = 24;    // id, type, start, end, fraction, play count
constexpr uint32_t kForwardLoop = 0;

uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Whether the comment is `key=` (key in any case); the value's offset in `at`.
bool KeyMatches(const char* comment, int length, const char* key, int* at) {
    int i = 0;
    for (; key[i]; ++i)
        if (i >= length || Upper(comment[i]) != key[i]) return false;
    if (i >= length || comment[i] != '=') return false;
    *at = i + 1;
    return true;
}

// A plain decimal number filling the rest of the comment, below 2^63.
bool DecimalValue(const char* text, int length, uint64_t* value) {
    if (length <= 0 || length > 18) return false;
    uint64_t v = 0;
    for (int i = 0; i < length; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        v = v * 10 + static_cast<uint64_t>(text[i] - '0');
    }
    *value = v;
    return true;
}

LoopSection Checked(uint64_t start, uint64_t end, uint64_t total_frames) {
    if (start < end && end <= total_frames) return {true, start, end};
    return {false, 0, 0};
}

}  // namespace

LoopSection LoopFromVorbisComments(const char* const* comments, const int* lengths, int count,
                                   uint64_t total_frames) {
    bool has_start = false, has_length = false, unreadable = false;
    uint64_t start = 0, length = 0;
    for (int i = 0; comments && lengths && i < count; ++i) {
        const char* comment = comments[i];
        int size = lengths[i];
        int at = 0;
        if (!comment || size <= 0) continue;
        if (KeyMatches(comment, size, "LOOPSTART", &at)) {
            has_start = DecimalValue(comment + at, size - at, &start);
            unreadable |= !has_start;
        } else if (KeyMatches(comment, size, "LOOPLENGTH", &at)) {
            has_length = DecimalValue(comment + at, size - at, &length);
            unreadable |= !has_length;
        }
    }
    // A value that is no number names no section: the whole sound loops.
    if (!has_start || unreadable) return {false, 0, 0};
    if (!has_length) return Checked(start, total_frames, total_frames);
    if (length > total_frames) return {false, 0, 0};  // also keeps start + length from wrapping
    return Checked(start, start + length, total_frames);
}

LoopSection LoopFromSmplChunk(const uint8_t* body, size_t size, uint64_t total_frames) {
    if (!body || size < kSmplHeaderBytes + kSmplLoopBytes) return {false, 0, 0};
    if (Le32(body + 28) != 1) return {false, 0, 0};  // one loop, or which one would be meant?
    const uint8_t* loop = body + kSmplHeaderBytes;
    if (Le32(loop + 4) != kForwardLoop) return {false, 0, 0};
    uint64_t start = Le32(loop + 8);
    uint64_t last = Le32(loop + 12);
    return Checked(start, last + 1, total_frames);
}

}  // namespace velk
