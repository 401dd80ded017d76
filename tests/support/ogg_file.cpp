// Small Ogg Vorbis files made by the tests themselves (see ogg_file.h).
#include "support/ogg_file.h"

#include <vorbis/vorbisenc.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "support/wav_file.h"  // for: the levels of intro and section

namespace velk_test {
namespace {

bool WritePage(FILE* out, const ogg_page& page) {
    return fwrite(page.header, 1, page.header_len, out) == static_cast<size_t>(page.header_len) &&
           fwrite(page.body, 1, page.body_len, out) == static_cast<size_t>(page.body_len);
}

// Encodes a sine tone at `level(frame)` with the given comments.
bool WriteOgg(const std::string& path, unsigned frames, unsigned samples_per_second, unsigned channels,
              double frequency, double (*level)(unsigned frame, unsigned intro), unsigned intro,
              const std::vector<std::string>& comments) {
    FILE* out = fopen(path.c_str(), "wb");
    if (!out) return false;
    vorbis_info info;
    vorbis_info_init(&info);
    bool ok = vorbis_encode_init_vbr(&info, channels, samples_per_second, 0.3f) == 0;
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    for (const std::string& text : comments) vorbis_comment_add(&comment, text.c_str());
    vorbis_dsp_state dsp;
    vorbis_block block;
    ogg_stream_state stream;
    ogg_page page;
    ogg_packet packet;
    if (ok) {
        vorbis_analysis_init(&dsp, &info);
        vorbis_block_init(&dsp, &block);
        ogg_stream_init(&stream, 1);
        ogg_packet header, header_comment, header_code;
        vorbis_analysis_headerout(&dsp, &comment, &header, &header_comment, &header_code);
        ogg_stream_packetin(&stream, &header);
        ogg_stream_packetin(&stream, &header_comment);
        ogg_stream_packetin(&stream, &header_code);
        while (ok && ogg_stream_flush(&stream, &page) != 0) ok = WritePage(out, page);

        const double step = 2 * 3.14159265358979 * frequency / samples_per_second;
        const unsigned chunk = 1024;
        bool end = false;
        for (unsigned done = 0; ok && !end;) {
            unsigned count = frames - done < chunk ? frames - done : chunk;
            if (count == 0) {
                vorbis_analysis_wrote(&dsp, 0);
            } else {
                float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(count));
                for (unsigned i = 0; i < count; ++i)
                    for (unsigned c = 0; c < channels; ++c)
                        buffer[c][i] = static_cast<float>(level(done + i, intro) * std::sin(step * (done + i)));
                vorbis_analysis_wrote(&dsp, static_cast<int>(count));
                done += count;
            }
            while (ok && vorbis_analysis_blockout(&dsp, &block) == 1) {
                vorbis_analysis(&block, nullptr);
                vorbis_bitrate_addblock(&block);
                while (ok && vorbis_bitrate_flushpacket(&dsp, &packet)) {
                    ogg_stream_packetin(&stream, &packet);
                    while (ok && ogg_stream_pageout(&stream, &page) != 0) {
                        ok = WritePage(out, page);
                        if (ogg_page_eos(&page)) end = true;
                    }
                }
            }
            if (count == 0) end = true;
        }
        while (ok && ogg_stream_flush(&stream, &page) != 0) ok = WritePage(out, page);
        ogg_stream_clear(&stream);
        vorbis_block_clear(&block);
        vorbis_dsp_clear(&dsp);
    }
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return fclose(out) == 0 && ok;
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
