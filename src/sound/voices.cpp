// Voices: a static buffer's sound played once more beside the buffer and its
// other voices. In mode 2 each voice is a duplicate of the buffer's device
// buffer (DirectSound mixes them; the data is shared); mode 1 has one channel,
// on which a voice plays as Snd_Play does. Numbers are never reused, so a
// stale number reaches no newer voice.
#include "core/log.h"
#include "core/texts.h"
#include "core/velk.h"
#include "sound/mixer_levels.h"

namespace {

constexpr LONG kFirstVoiceBufferId = 2;
constexpr LONG kLastVoiceBufferId = 8;

void Free(velk::Voice& voice) {
    if (voice.Device) {
        voice.Device->Stop();
        voice.Device->Release();
    }
    voice = velk::Voice{};
}

bool StillPlaying(const velk::Voice& voice) {
    DWORD status = 0;
    return voice.Device && SUCCEEDED(voice.Device->GetStatus(&status)) && (status & DSBSTATUS_PLAYING);
}

// A free slot; failing that, one whose voice has ended (all of those are
// freed at once); failing that, the oldest voice's, which stops.
velk::Voice& SlotForNewVoice(velk::Mixer& mix) {
    for (velk::Voice& voice : mix.Voices)
        if (voice.Number == 0) return voice;
    velk::Voice* found = nullptr;
    for (velk::Voice& voice : mix.Voices) {
        if (StillPlaying(voice)) continue;
        Free(voice);
        if (!found) found = &voice;
    }
    if (found) return *found;
    velk::Voice* oldest = &mix.Voices[0];
    for (velk::Voice& voice : mix.Voices)
        if (voice.Started < oldest->Started) oldest = &voice;
    Free(*oldest);
    return *oldest;
}

velk::Voice* FindVoice(velk::Mixer& mix, LONG number) {
    if (number <= 0) return nullptr;
    for (velk::Voice& voice : mix.Voices)
        if (voice.Number == number) return &voice;
    return nullptr;
}

}  // namespace

HRESULT VelkObject::Snd_PlayVoice(LONG BufferID, double Volume, double Pan, double Speed, LONG* Voice) {
    if (Voice) *Voice = 0;
    EnsureSoundMode();
    if (BufferID < kFirstVoiceBufferId || BufferID > kLastVoiceBufferId)
        velk::FatalError(this, velk::texts::kIdRangeError, velk::texts::kVoiceBufferSubject, BufferID,
                         velk::texts::kVoiceBufferRange);
    CheckLevel(Volume, 0.0, 1.0, velk::texts::kVolumeSubject, velk::texts::kVolumeRange);
    CheckLevel(Pan, -1.0, 1.0, velk::texts::kPanSubject, velk::texts::kPanRange);
    CheckLevel(Speed, velk::kMinSpeed, velk::kMaxSpeed, velk::texts::kSpeedSubject, velk::texts::kSpeedRange);
    const int index = BufferIndex(BufferID);
    if (RefusedDuringFirstFill(index)) return S_OK;
    const velk::SoundBuffer& buffer = SoundBufferTable[index];
    if (SoundMode == 1) {
        const LONG number = ++Mix.LastVoiceNumber;
        Mix.ChannelVoiceLevels = {Volume, Pan, Speed};
        Mix.PendingVoice = number;
        Snd_Play(BufferID, 0);
        if (Voice) *Voice = number;
        return S_OK;
    }
    if (!PrepareWholeSound(index)) {
        velk::LogWrite(this, velk::texts::kInfoNumber, velk::texts::kVoiceFromRingLabel, BufferID);
        return S_OK;
    }
    velk::Voice& slot = SlotForNewVoice(Mix);
    IDirectSoundBuffer* device = nullptr;
    if (FAILED(DirectSoundDevice->DuplicateSoundBuffer(buffer.DeviceBuffer, &device)) || !device)
        velk::FatalError(this, velk::texts::kFailed, velk::texts::kDeviceBufferFailed);
    const double master = Mix.Master;
    device->SetVolume(velk::DirectSoundVolume(Volume * master));
    device->SetPan(velk::DirectSoundPan(Pan));
    device->SetFrequency(velk::DirectSoundFrequency(buffer.Format.nSamplesPerSec, Speed));
    device->SetCurrentPosition(0);
    device->Play(0, 0, 0);
    slot.Number = ++Mix.LastVoiceNumber;
    slot.Index = index;
    slot.Volume = Volume;
    slot.Started = ++Mix.StartCount;
    slot.Device = device;
    if (Voice) *Voice = slot.Number;
    return S_OK;
}

HRESULT VelkObject::Snd_StopVoice(LONG Voice) {
    if (SoundMode == 1) {
        if (Voice > 0 && Voice == Mix.ChannelVoice) Snd_Stop(Mix.ChannelId);
        return S_OK;
    }
    if (velk::Voice* voice = FindVoice(Mix, Voice)) Free(*voice);
    return S_OK;
}

HRESULT VelkObject::Snd_VoicePlaying(LONG Voice, LONG* Playing) {
    LONG playing = 0;
    if (SoundMode == 1) {
        playing = Voice > 0 && Voice == Mix.ChannelVoice && Stream.Thread &&
                  WaitForSingleObject(Stream.Thread, 0) == WAIT_TIMEOUT;
    } else if (velk::Voice* voice = FindVoice(Mix, Voice)) {
        playing = StillPlaying(*voice);
    }
    if (Playing) *Playing = playing;
    return S_OK;
}

void VelkObject::StopVoicesOf(int index) {
    for (velk::Voice& voice : Mix.Voices)
        if (voice.Number != 0 && voice.Index == index) Free(voice);
}

void VelkObject::StopAllVoices() {
    for (velk::Voice& voice : Mix.Voices) Free(voice);
    Mix.ChannelVoice = 0;
}

void VelkObject::ApplyVoiceLevels() {
    for (velk::Voice& voice : Mix.Voices)
        if (voice.Device) voice.Device->SetVolume(velk::DirectSoundVolume(voice.Volume * Mix.Master));
}
