// Ogg Vorbis files from samples the caller computes. Header-only, so that the
// tests' sound files and the demo game's asset generator (built for the build
// machine, not for Windows) encode the same way.
#pragma once
#include <vorbis/vorbisenc.h>

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

namespace vorbis_writer {

inline bool WritePage(FILE* out, const ogg_page& page) {
    return fwrite(page.header, 1, page.header_len, out) == static_cast<size_t>(page.header_len) &&
           fwrite(page.body, 1, page.body_len, out) == static_cast<size_t>(page.body_len);
}

// Encodes `frames` frames; `sample(frame, channel)` gives each value in -1..1.
// `comments` are "KEY=value" texts (loop marks, titles).
template <typename SampleFunction>
bool WriteVorbisFile(const std::string& path, unsigned channels, unsigned samples_per_second, float quality,
                     const std::vector<std::string>& comments, size_t frames, SampleFunction sample) {
    FILE* out = fopen(path.c_str(), "wb");
    if (!out) return false;
    vorbis_info info;
    vorbis_info_init(&info);
    bool ok = vorbis_encode_init_vbr(&info, channels, samples_per_second, quality) == 0;
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    for (const std::string& text : comments) vorbis_comment_add(&comment, text.c_str());
    if (ok) {
        vorbis_dsp_state dsp;
        vorbis_block block;
        ogg_stream_state stream;
        ogg_page page;
        ogg_packet packet;
        vorbis_analysis_init(&dsp, &info);
        vorbis_block_init(&dsp, &block);
        ogg_stream_init(&stream, 1);
        ogg_packet header, header_comment, header_code;
        vorbis_analysis_headerout(&dsp, &comment, &header, &header_comment, &header_code);
        ogg_stream_packetin(&stream, &header);
        ogg_stream_packetin(&stream, &header_comment);
        ogg_stream_packetin(&stream, &header_code);
        while (ok && ogg_stream_flush(&stream, &page) != 0) ok = WritePage(out, page);

        const size_t chunk = 4096;
        bool end = false;
        for (size_t done = 0; ok && !end;) {
            const size_t count = frames - done < chunk ? frames - done : chunk;
            if (count == 0) {
                vorbis_analysis_wrote(&dsp, 0);  // marks the end of the stream
            } else {
                float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(count));
                for (size_t i = 0; i < count; ++i)
                    for (unsigned c = 0; c < channels; ++c) buffer[c][i] = static_cast<float>(sample(done + i, c));
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

}  // namespace vorbis_writer
