// Voices: the cost of a voice start through Snd_PlayVoice beside the platform's
// own calls for the same thing (duplicate, volume, pan, frequency, play) in the
// same run, and a 60 fps game loop that starts ten voices a frame. Run in the
// test bed (scripts/wine-run.sh build/x64/testbed/env build/x64/bin/voice_bench.exe).
#include <windows.h>

#include <cstdio>
#include <vector>

#include "bench_support.h"
#include "core/velk.h"
#include "sound/mixer_levels.h"
#include "support/bstr.h"
#include "support/wav_file.h"

using namespace velk_bench;

namespace {

constexpr int kStarts = 64;  // a batch: twice the voices that play at once, so reuse is timed too

// The platform's calls for one voice, as a host would make them itself.
void PlatformVoice(IDirectSound* device, IDirectSoundBuffer* sound, DWORD rate, std::vector<IDirectSoundBuffer*>& made) {
    IDirectSoundBuffer* copy = nullptr;
    if (FAILED(device->DuplicateSoundBuffer(sound, &copy))) return;
    copy->SetVolume(velk::DirectSoundVolume(0.8));
    copy->SetPan(velk::DirectSoundPan(-0.3));
    copy->SetFrequency(velk::DirectSoundFrequency(rate, 1.2));
    copy->Play(0, 0, 0);
    made.push_back(copy);
}

}  // namespace

int main() {
    VelkObject* velk = CreateBenchObject("VelkVoiceBench");
    if (!velk) return 2;
    if (!velk_test::WriteToneWav("voice_bench.wav", 400, 22050, 1, 660.0)) return 3;
    velk->Sound(2);
    velk->Snd_Open(2, velk_test::Bstr(L"voice_bench.wav"));
    velk->Snd_Play(2, 0);  // the buffer holds its sound from here on
    velk->Snd_Stop(2);
    velk->PrepareWholeSound(1);
    IDirectSoundBuffer* sound = velk->SoundBufferTable[1].DeviceBuffer;
    const DWORD rate = velk->SoundBufferTable[1].Format.nSamplesPerSec;
    printf("mode %d, batches of %d voice starts of a 0.4 s sound\n", velk->SoundMode, kStarts);

    std::vector<IDirectSoundBuffer*> made;
    const double platform = MedianMs(9, [&] {
        for (int i = 0; i < kStarts; ++i) PlatformVoice(velk->DirectSoundDevice, sound, rate, made);
        for (IDirectSoundBuffer* copy : made) {
            copy->Stop();
            copy->Release();
        }
        made.clear();
    });
    printf("  baseline: duplicate + volume + pan + frequency + play (and the release): %.3f ms a voice\n",
           platform / kStarts);
    const double library = MedianMs(9, [&] {
        std::vector<LONG> voices(kStarts);
        for (LONG& voice : voices) velk->Snd_PlayVoice(2, 0.8, -0.3, 1.2, &voice);
        for (LONG voice : voices) velk->Snd_StopVoice(voice);  // as the baseline lets its copies go
    });
    Row("Snd_PlayVoice, a batch", library, platform);

    // A game loop: ten voices a frame for 600 frames, paced by Refresh at 60 fps.
    velk->put_SoftwareFPS(60);
    int on_time = 0;
    for (int frame = 0; frame < 600; ++frame) {
        LONG voice = 0;
        for (int i = 0; i < 10; ++i) velk->Snd_PlayVoice(2, 0.2, (i - 5) / 5.0, 1.0, &voice);
        velk->Refresh();
        LONG kept = 0;
        velk->get_KeepFPS(&kept);
        on_time += kept ? 1 : 0;
    }
    printf("  10 voices a frame at 60 fps: %d of 600 frames on time (%.1f %%)\n", on_time, on_time / 6.0);
    velk->Snd_Stop(2);
    velk->Release();
    DeleteFileA("voice_bench.wav");
    CoUninitialize();
    return 0;
}
