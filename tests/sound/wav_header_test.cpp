// WAV chunk walking over bytes in memory: well-formed files, chunk orders,
// truncation and lengths that do not add up.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sound/decode_progress.h"
#include "sound/wav_header.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(Bytes& out, uint32_t v) {
    Put16(out, static_cast<uint16_t>(v));
    Put16(out, static_cast<uint16_t>(v >> 16));
}
void Chunk(Bytes& out, const char* tag, uint32_t length, size_t body_bytes) {
    out.insert(out.end(), tag, tag + 4);
    Put32(out, length);
    out.insert(out.end(), body_bytes, 0x11);
}
void Chunk(Bytes& out, const char* tag, uint32_t length) { Chunk(out, tag, length, length); }

// "fmt " of 16 (or more) bytes: 16-bit PCM unless told otherwise.
void Format(Bytes& out, uint16_t channels = 2, uint32_t rate = 44100, uint16_t bits = 16, uint32_t length = 16) {
    out.insert(out.end(), {'f', 'm', 't', ' '});
    Put32(out, length);
    uint16_t align = static_cast<uint16_t>(channels * bits / 8);
    Put16(out, 1);
    Put16(out, channels);
    Put32(out, rate);
    Put32(out, rate * align);
    Put16(out, align);
    Put16(out, bits);
    out.insert(out.end(), length > 16 && length < 64 ? length - 16 : 0, 0);  // huge lengths: a lie
}

Bytes Riff() { return {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'}; }

Bytes Plain(uint32_t data_bytes = 400) {
    Bytes b = Riff();
    Format(b);
    Chunk(b, "data", data_bytes);
    return b;
}

// Parses a copy of exactly `size` bytes on the heap, so nothing lies beyond it.
bool Parse(const Bytes& bytes, size_t size, velk::WavLayout* layout) {
    std::unique_ptr<uint8_t[]> copy(new uint8_t[size ? size : 1]);
    std::copy(bytes.begin(), bytes.begin() + static_cast<long>(size), copy.get());
    return velk::ParseWavBytes(copy.get(), size, layout);
}
bool Parse(const Bytes& bytes, velk::WavLayout* layout) { return Parse(bytes, bytes.size(), layout); }

}  // namespace

TEST(WavHeader, ReadsTheFormatAndFindsTheSamples) {
    velk::WavLayout layout = {};
    ASSERT_TRUE(Parse(Plain(), &layout));
    EXPECT_EQ(layout.Format.wFormatTag, 1);
    EXPECT_EQ(layout.Format.nChannels, 2);
    EXPECT_EQ(layout.Format.nSamplesPerSec, 44100u);
    EXPECT_EQ(layout.Format.nAvgBytesPerSec, 176400u);
    EXPECT_EQ(layout.Format.nBlockAlign, 4);
    EXPECT_EQ(layout.Format.wBitsPerSample, 16);
    EXPECT_EQ(layout.DataOffset, 44u);
    EXPECT_EQ(layout.DataSize, 400u);

    Bytes eight = Riff();
    Format(eight, 1, 11025, 8);
    Chunk(eight, "data", 11);
    ASSERT_TRUE(Parse(eight, &layout));
    EXPECT_EQ(layout.Format.nChannels, 1);
    EXPECT_EQ(layout.Format.wBitsPerSample, 8) << "nothing is converted";
    EXPECT_EQ(layout.Format.nAvgBytesPerSec, 11025u);
}

TEST(WavHeader, SkipsChunksBetweenFormatAndDataAndTheFormatsOwnExtra) {
    Bytes b = Riff();
    Format(b, 1, 22050, 16, 18);
    Chunk(b, "LIST", 26);
    Chunk(b, "fact", 4);
    Chunk(b, "data", 100);
    velk::WavLayout layout = {};
    ASSERT_TRUE(Parse(b, &layout));
    EXPECT_EQ(layout.DataOffset, 12u + 26 + 34 + 12 + 8);
    EXPECT_EQ(layout.DataSize, 100u);
}

TEST(WavHeader, RefusesWhatIsNotARiffWaveWithALeadingFormat) {
    velk::WavLayout layout = {};
    Bytes list_first = Riff();
    Chunk(list_first, "LIST", 4);
    Format(list_first);
    Chunk(list_first, "data", 4);
    EXPECT_FALSE(Parse(list_first, &layout)) << "the format chunk must come first";

    Bytes no_data = Riff();
    Format(no_data);
    Chunk(no_data, "LIST", 8);
    EXPECT_FALSE(Parse(no_data, &layout));

    for (const char* bad : {"RIFX", "riff"}) {
        Bytes b = Plain();
        std::copy(bad, bad + 4, b.begin());
        EXPECT_FALSE(Parse(b, &layout)) << bad;
    }
    Bytes not_wave = Plain();
    not_wave[8] = 'A';
    EXPECT_FALSE(Parse(not_wave, &layout));
    EXPECT_FALSE(velk::ParseWavBytes(nullptr, 0, &layout));
}

TEST(WavHeader, EveryTruncatedHeaderIsRefusedAndShortDataIsCut) {
    const Bytes whole = Plain(400);
    velk::WavLayout layout = {};
    for (size_t size = 0; size < 44; ++size) EXPECT_FALSE(Parse(whole, size, &layout)) << size;
    ASSERT_TRUE(Parse(whole, 44, &layout));
    EXPECT_EQ(layout.DataSize, 0u);
    ASSERT_TRUE(Parse(whole, 144, &layout));
    EXPECT_EQ(layout.DataSize, 100u) << "a data length beyond the end counts only what is there";

    Bytes endless = Riff();
    Format(endless);
    Chunk(endless, "data", 0xFFFFFFFFu, 8);
    ASSERT_TRUE(Parse(endless, &layout));
    EXPECT_EQ(layout.DataSize, 8u);
}

TEST(WavHeader, LengthsThatDoNotAddUpAreRefused) {
    velk::WavLayout layout = {};
    Bytes short_format = Riff();
    Format(short_format, 2, 44100, 16, 16);
    short_format[16] = 14;  // a 14-byte "fmt " would start the next chunk inside its own fields
    Chunk(short_format, "data", 4);
    EXPECT_FALSE(Parse(short_format, &layout));

    Bytes huge_skip = Riff();
    Format(huge_skip);
    Chunk(huge_skip, "LIST", 0xFFFFFFF0u, 4);
    Chunk(huge_skip, "data", 4);
    EXPECT_FALSE(Parse(huge_skip, &layout)) << "a chunk running past the end hides the data chunk";

    Bytes huge_format = Riff();
    Format(huge_format, 2, 44100, 16, 0xFFFFFFF0u);
    EXPECT_FALSE(Parse(huge_format, &layout));
}

TEST(WavHeader, FormatsThatCannotBeSizedAreRefused) {
    velk::WavLayout layout = {};
    Bytes no_rate = Plain();
    std::fill(no_rate.begin() + 28, no_rate.begin() + 32, 0);  // bytes per second
    EXPECT_FALSE(Parse(no_rate, &layout));

    Bytes no_align = Plain();
    no_align[32] = no_align[33] = 0;
    EXPECT_FALSE(Parse(no_align, &layout));

    Bytes huge_rate = Plain();
    std::fill(huge_rate.begin() + 28, huge_rate.begin() + 32, 0xFF);
    EXPECT_FALSE(Parse(huge_rate, &layout)) << "five seconds of it would not fit 32 bits";

    WAVEFORMATEX format = {};
    format.nAvgBytesPerSec = 176400;
    EXPECT_EQ(velk::FiveSecondBytes(format), 882000u);
    format.nAvgBytesPerSec = 858993458;
    EXPECT_EQ(velk::FiveSecondBytes(format), 4294967290u);
    format.nAvgBytesPerSec = 858993459;
    EXPECT_EQ(velk::FiveSecondBytes(format), 0u) << "no room left for the block's extra byte";
}

TEST(DecodeProgress, ShowsTheShareDoneAndTheCounts) {
    char line[128];
    velk::FormatDecodeProgress(line, sizeof line, 500, 1000);
    EXPECT_STREQ(line, "  50 % ( Remain 500 / Total 1000)");
    velk::FormatDecodeProgress(line, sizeof line, 0, 176400);
    EXPECT_STREQ(line, "  100 % ( Remain 0 / Total 176400)");
    velk::FormatDecodeProgress(line, sizeof line, 2, 3);
    EXPECT_STREQ(line, "  33 % ( Remain 2 / Total 3)") << "truncated, not rounded";
}
