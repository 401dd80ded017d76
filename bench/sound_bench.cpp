// Ogg decoding and the host's wait in Snd_Play. Decoding speed is shown as a
// multiple of real time, beside a bare decoder loop over the same file in the
// same run; Snd_Play of a stream is set against that loop decoding the ring's
// five seconds, the one fill the host should wait for. Run in the test bed.
#include <windows.h>

#include <cstdio>
#include <string>

#include <vorbis/vorbisfile.h>  // for: the bare decoder loop

#include "bench_support.h"
#include "core/velk.h"
#include "support/bstr.h"
#include "support/ogg_file.h"

using namespace velk_bench;

namespace {

constexpr unsigned kSeconds = 60;
constexpr unsigned kRate = 44100;

// Decodes up to `bytes` of the file (all of it for 0) with nothing around the decoder.
void BareDecode(const char* path, size_t bytes) {
    OggVorbis_File decoder;
    if (ov_fopen(path, &decoder) != 0) return;
    static char piece[4096];
    int section = 0;
    size_t done = 0;
    for (long got; (bytes == 0 || done < bytes) && (got = ov_read(&decoder, piece, sizeof piece, 0, 2, 1, &section)) > 0;)
        done += static_cast<size_t>(got);
    ov_clear(&decoder);
}

}  // namespace

int main() {
    VelkObject* velk = CreateBenchObject("VelkSoundBench");
    if (!velk) return 2;
    const char* path = "sound_bench.ogg";
    if (!velk_test::WriteToneOgg(path, kSeconds * kRate, kRate, 2)) return 3;
    velk_test::Bstr name(L"sound_bench.ogg");
    velk->Sound(2);
    printf("mode %d, %u s of 44100 Hz stereo Ogg\n", velk->SoundMode, kSeconds);

    const double bare = MedianMs(5, [&] { BareDecode(path, 0); });
    printf("  baseline: bare decoder loop, whole file: %.1f ms = %.0f x real time\n", bare, kSeconds * 1000.0 / bare);
    const double whole = MedianMs(5, [&] {
        velk->Snd_Open(2, name);
        velk->Snd_Play(2, 0);  // a static buffer: the whole sound decoded here
        velk->Snd_Stop(2);
    });
    Row("Snd_Open + Snd_Play of a static buffer", whole, bare);
    printf("  decoding through the library: %.0f x real time\n", kSeconds * 1000.0 / whole);

    const double ring = MedianMs(5, [&] { BareDecode(path, 5 * kRate * 4); });
    printf("  baseline: bare decoder loop, the ring's five seconds: %.2f ms\n", ring);
    velk->Snd_Open(1, name);
    const double play = MedianMs(5, [&] {
        velk->Snd_Play(1, 0);  // stops what plays, fills the ring once, starts the worker
    });
    Row("Snd_Play of the stream (host's wait)", play, ring);
    velk->Snd_Stop(1);
    velk->Release();
    DeleteFileA(path);
    CoUninitialize();
    return 0;
}
