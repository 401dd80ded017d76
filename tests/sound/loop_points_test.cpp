// Loop sections from Vorbis comments and WAV "smpl" chunks, and the transfer
// units that always hold whole frames.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "sound/loop_points.h"
#include "sound/wav_header.h"

namespace {

velk::LoopSection FromComments(const std::vector<std::string>& comments, uint64_t total) {
    std::vector<const char*> texts;
    std::vector<int> lengths;
    for (const std::string& c : comments) {
        texts.push_back(c.data());
        lengths.push_back(static_cast<int>(c.size()));
    }
    return velk::LoopFromVorbisComments(texts.data(), lengths.data(), static_cast<int>(texts.size()), total);
}

// A "smpl" body: 36 bytes of header with the loop count, then the loops.
std::vector<uint8_t> Smpl(uint32_t loops, uint32_t type, uint32_t start, uint32_t last) {
    std::vector<uint8_t> body(36 + 24 * loops, 0);
    auto put = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) body[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    put(28, loops);
    for (uint32_t i = 0; i < loops; ++i) {
        put(36 + 24 * i + 4, type);
        put(36 + 24 * i + 8, start);
        put(36 + 24 * i + 12, last);
    }
    return body;
}

}  // namespace

TEST(LoopPoints, VorbisCommentsGiveTheSectionOnlyWhenItLiesInsideTheSound) {
    struct Case {
        std::vector<std::string> comments;
        bool valid;
        uint64_t start, end;
    } cases[] = {
        {{"TITLE=x", "LOOPSTART=1000", "LOOPLENGTH=500"}, true, 1000, 1500},
        {{"loopstart=1000"}, true, 1000, 10000},  // any case; to the end without a length
        {{"LOOPLENGTH=500", "LoopStart=0"}, true, 0, 500},
        {{"LOOPSTART=9999", "LOOPLENGTH=1"}, true, 9999, 10000},
        {{"LOOPSTART=9999", "LOOPLENGTH=2"}, false, 0, 0},  // past the end
        {{"LOOPSTART=10000"}, false, 0, 0},
        {{"LOOPSTART=100", "LOOPLENGTH=0"}, false, 0, 0},
        {{"LOOPSTART=100", "LOOPLENGTH=18446744073709551615"}, false, 0, 0},  // would wrap
        {{"LOOPSTART=-5"}, false, 0, 0},
        {{"LOOPSTART=12x"}, false, 0, 0},
        {{"LOOPSTART="}, false, 0, 0},
        {{"LOOPSTARTX=5"}, false, 0, 0},
        {{"LOOPLENGTH=5"}, false, 0, 0},
        {{}, false, 0, 0},
    };
    for (const Case& c : cases) {
        velk::LoopSection loop = FromComments(c.comments, 10000);
        std::string seen = c.comments.empty() ? "" : c.comments[0];
        EXPECT_EQ(loop.Valid, c.valid) << seen;
        EXPECT_EQ(loop.Start, c.start) << seen;
        EXPECT_EQ(loop.End, c.end) << seen;
    }
    // Comments are counted, not terminated: the reader stops at each length.
    const char* cut[] = {"LOOPSTART=12345"};
    int lengths[] = {12};
    velk::LoopSection loop = velk::LoopFromVorbisComments(cut, lengths, 1, 10000);
    EXPECT_TRUE(loop.Valid);
    EXPECT_EQ(loop.Start, 12u);
    EXPECT_FALSE(velk::LoopFromVorbisComments(nullptr, nullptr, 3, 10000).Valid);
}

TEST(LoopPoints, ASmplChunkWithOneForwardLoopGivesItsInclusiveEnd) {
    struct Case {
        std::vector<uint8_t> body;
        bool valid;
        uint64_t start, end;
    } cases[] = {
        {Smpl(1, 0, 100, 199), true, 100, 200},
        {Smpl(1, 0, 0, 9999), true, 0, 10000},
        {Smpl(1, 0, 100, 10000), false, 0, 0},  // past the end
        {Smpl(1, 0, 200, 100), false, 0, 0},
        {Smpl(1, 1, 100, 199), false, 0, 0},    // ping-pong
        {Smpl(2, 0, 100, 199), false, 0, 0},    // two loops
        {Smpl(0, 0, 0, 0), false, 0, 0},
    };
    for (const Case& c : cases) {
        velk::LoopSection loop = velk::LoopFromSmplChunk(c.body.data(), c.body.size(), 10000);
        EXPECT_EQ(loop.Valid, c.valid);
        EXPECT_EQ(loop.Start, c.start);
        EXPECT_EQ(loop.End, c.end);
    }
    std::vector<uint8_t> body = Smpl(1, 0, 100, 199);
    for (size_t size = 0; size < body.size(); ++size)
        EXPECT_FALSE(velk::LoopFromSmplChunk(body.data(), size, 10000).Valid) << size;
}

TEST(TransferUnits, BlocksAndRingHalvesHoldWholeFrames) {
    struct Case {
        uint16_t channels, bits;
        uint32_t rate;
        uint32_t block, half;
    } cases[] = {
        {1, 16, 11025, 110250, 55124},   // a half of the ring would end inside a frame
        {2, 16, 11025, 220500, 110248},
        {2, 16, 44100, 882000, 441000},
        {1, 8, 11025, 55125, 27562},
        {2, 8, 22050, 220500, 110250},
    };
    for (const Case& c : cases) {
        WAVEFORMATEX format = {};
        format.nChannels = c.channels;
        format.wBitsPerSample = c.bits;
        format.nBlockAlign = static_cast<WORD>(c.channels * c.bits / 8);
        format.nSamplesPerSec = c.rate;
        format.nAvgBytesPerSec = c.rate * format.nBlockAlign;
        EXPECT_EQ(velk::WaveBlockBytes(format), c.block) << c.rate << " " << c.channels;
        EXPECT_EQ(velk::RingHalfBytes(format), c.half) << c.rate << " " << c.channels;
    }
    WAVEFORMATEX odd = {};  // bytes per second that are no multiple of the frame
    odd.nBlockAlign = 4;
    odd.nAvgBytesPerSec = 44101;
    EXPECT_EQ(velk::WaveBlockBytes(odd), 220504u);
    EXPECT_EQ(velk::RingHalfBytes(odd), 110252u);
}
