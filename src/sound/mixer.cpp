// IVELK2's levels: each buffer's volume, pan and speed and the master volume,
// put on DirectSound's own mixing (mode 2) or on the waveOut channel (mode 1).
#include "sound/mixer.h"

#include <cmath>

#include "core/log.h"
#include "core/texts.h"
#include "core/velk.h"
#include "sound/mixer_levels.h"

void VelkObject::CheckLevel(double value, double low, double high, const char* subject, const char* range) {
    if (!velk::LevelInRange(value, low, high))
        velk::FatalError(this, velk::texts::kLevelRangeError, subject, value, range);
}

namespace velk {

DWORD ChannelVolume(const Mixer& mix) {
    // A voice on the channel plays at its own levels, as voices do in mode 2.
    const BufferLevels& used = mix.ChannelVoice ? mix.ChannelVoiceLevels : mix.Levels[0];
    // The device takes one level for a mono sound, from the low word: a mono
    // sound stays centred, at the volume asked for.
    return WaveOutVolume(used.Volume * mix.Master, mix.ChannelStereo ? used.Pan : 0.0);
}

}  // namespace velk

namespace {

void PutOnDevice(IDirectSoundBuffer* device, const WAVEFORMATEX& format, double gain, const velk::BufferLevels& levels) {
    device->SetVolume(velk::DirectSoundVolume(gain));
    device->SetPan(velk::DirectSoundPan(levels.Pan));
    device->SetFrequency(velk::DirectSoundFrequency(format.nSamplesPerSec, levels.Speed));
}

}  // namespace

void VelkObject::ApplyLevels(int index) {
    // A worker's end of play gives the stream's device buffer back under Stream.Lock.
    std::lock_guard<std::mutex> stream_lock(Stream.Lock);
    std::lock_guard<std::mutex> lock(Mix.Lock);
    const velk::SoundBuffer& buffer = SoundBufferTable[index];
    const velk::BufferLevels& levels = Mix.Levels[index];
    if (SoundMode == 2) {
        if (buffer.DeviceBuffer) PutOnDevice(buffer.DeviceBuffer, buffer.Format, levels.Volume * Mix.Master, levels);
        // A fade keeps turning the buffer the device has now.
        velk::Fade& fade = Mix.Fades[index];
        if (fade.Running && fade.Device != buffer.DeviceBuffer && buffer.DeviceBuffer) {
            if (fade.Device) fade.Device->Release();
            fade.Device = buffer.DeviceBuffer;
            fade.Device->AddRef();
        }
    } else if (SoundMode == 1 && Mix.Channel) {
        waveOutSetVolume(Mix.Channel, velk::ChannelVolume(Mix));
    }
}

void VelkObject::AttachChannel(HWAVEOUT device) {
    {
        std::lock_guard<std::mutex> lock(Mix.Lock);
        Mix.Channel = device;
        Mix.ChannelStereo = SoundBufferTable[0].Format.nChannels == 2;
    }
    if (device) ApplyLevels(0);
}

WAVEFORMATEX VelkObject::ChannelFormat(int index) {
    const double speed = Mix.ChannelVoice ? Mix.ChannelVoiceLevels.Speed : Mix.Levels[index].Speed;
    return velk::FormatAtSpeed(SoundBufferTable[index].Format, speed);
}

// ---------------------------------------------------------------- members

// The setters and getters of the three levels differ only in the field and its range.
HRESULT VelkObject::SetBufferLevel(LONG BufferID, double value, double velk::BufferLevels::*field,
                                   const LevelLimits& limits) {
    EnsureSoundMode();
    const int index = BufferIndex(BufferID);
    CheckLevel(value, limits.Low, limits.High, limits.Subject, limits.Range);
    if (field == &velk::BufferLevels::Volume) EndFade(index);  // the new setting replaces a fade under way
    {
        std::lock_guard<std::mutex> lock(Mix.Lock);
        Mix.Levels[index].*field = value;
    }
    // Mode 1's channel takes a new speed when it opens for the next play.
    ApplyLevels(index);
    return S_OK;
}

HRESULT VelkObject::GetBufferLevel(LONG BufferID, double velk::BufferLevels::*field, double* value) {
    EnsureSoundMode();
    const int index = BufferIndex(BufferID);
    std::lock_guard<std::mutex> lock(Mix.Lock);
    if (value) *value = Mix.Levels[index].*field;
    return S_OK;
}

namespace {

const VelkObject::LevelLimits kVolumeLimits{0.0, 1.0, velk::texts::kVolumeSubject, velk::texts::kVolumeRange};
const VelkObject::LevelLimits kPanLimits{-1.0, 1.0, velk::texts::kPanSubject, velk::texts::kPanRange};
const VelkObject::LevelLimits kSpeedLimits{velk::kMinSpeed, velk::kMaxSpeed, velk::texts::kSpeedSubject,
                                           velk::texts::kSpeedRange};

}  // namespace

HRESULT VelkObject::Snd_SetVolume(LONG BufferID, double Volume) {
    return SetBufferLevel(BufferID, Volume, &velk::BufferLevels::Volume, kVolumeLimits);
}
HRESULT VelkObject::Snd_GetVolume(LONG BufferID, double* Volume) {
    return GetBufferLevel(BufferID, &velk::BufferLevels::Volume, Volume);
}
HRESULT VelkObject::Snd_SetPan(LONG BufferID, double Pan) {
    return SetBufferLevel(BufferID, Pan, &velk::BufferLevels::Pan, kPanLimits);
}
HRESULT VelkObject::Snd_GetPan(LONG BufferID, double* Pan) {
    return GetBufferLevel(BufferID, &velk::BufferLevels::Pan, Pan);
}
HRESULT VelkObject::Snd_SetSpeed(LONG BufferID, double Speed) {
    return SetBufferLevel(BufferID, Speed, &velk::BufferLevels::Speed, kSpeedLimits);
}
HRESULT VelkObject::Snd_GetSpeed(LONG BufferID, double* Speed) {
    return GetBufferLevel(BufferID, &velk::BufferLevels::Speed, Speed);
}

HRESULT VelkObject::get_MasterVolume(double* pVal) {
    std::lock_guard<std::mutex> lock(Mix.Lock);
    if (pVal) *pVal = Mix.Master;
    return S_OK;
}

HRESULT VelkObject::put_MasterVolume(double newVal) {
    CheckLevel(newVal, 0.0, 1.0, velk::texts::kVolumeSubject, velk::texts::kVolumeRange);
    {
        std::lock_guard<std::mutex> lock(Mix.Lock);
        Mix.Master = newVal;
    }
    // Before a sound mode is chosen there is nothing to turn yet: the value waits.
    if (SoundMode == 0) return S_OK;
    for (int index = 0; index < velk::kSoundBufferCount; ++index) ApplyLevels(index);
    ApplyVoiceLevels();
    return S_OK;
}
