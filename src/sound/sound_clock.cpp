// The sound clock: a thread of the library's own that runs fades and watches
// static plays for their end, so that neither needs the host's loop. What it
// and the workers note reaches the host's thread as bits and one message.
#include <windows.h>

#include "core/events_source.h"
#include "core/log.h"
#include "core/texts.h"
#include "core/velk.h"
#include "sound/mixer_levels.h"

namespace {

constexpr DWORD kClockStepMs = 10;

DWORD WINAPI SoundClockEntry(void* parameter) { return static_cast<VelkObject*>(parameter)->SoundClockThread(); }

void Drop(IDirectSoundBuffer*& device) {
    if (device) device->Release();
    device = nullptr;
}

}  // namespace

void VelkObject::StartSoundClock() {
    if (Mix.ClockThread) {
        SetEvent(Mix.ClockWake);
        return;
    }
    if (!Mix.ClockStop) Mix.ClockStop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!Mix.ClockWake) Mix.ClockWake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    ResetEvent(Mix.ClockStop);
    Mix.ClockThread = CreateThread(nullptr, 0, SoundClockEntry, this, 0, nullptr);
    if (!Mix.ClockThread || !Mix.ClockStop || !Mix.ClockWake)
        velk::FatalSystemError(this, velk::texts::kFailed, velk::texts::kClockThreadFailed);
}

// Joined before the buffers it turns go; also lets go of what it held (mode 1's
// channel is let go by CloseWaveOut, which closes it).
void VelkObject::StopSoundClock() {
    if (Mix.ClockThread) {
        SetEvent(Mix.ClockStop);
        WaitForSingleObject(Mix.ClockThread, INFINITE);
        CloseHandle(Mix.ClockThread);
        Mix.ClockThread = nullptr;
    }
    std::lock_guard<std::mutex> lock(Mix.Lock);
    for (int index = 0; index < velk::kSoundBufferCount; ++index) {
        Mix.Fades[index].Running = false;
        Drop(Mix.Fades[index].Device);
        Drop(Mix.Watched[index]);
    }
    Mix.FadeStops = 0;  // the buffers they meant are gone
}

DWORD VelkObject::SoundClockThread() {
    const HANDLE waits[2] = {Mix.ClockStop, Mix.ClockWake};
    bool busy = true;
    for (;;) {
        const DWORD woke = WaitForMultipleObjects(2, waits, FALSE, busy ? kClockStepMs : INFINITE);
        if (woke == WAIT_OBJECT_0 || woke == WAIT_FAILED) return 0;
        busy = SoundClockTick();
    }
}

bool VelkObject::SoundClockTick() {
    bool busy = false, noted = false;
    {
        std::lock_guard<std::mutex> lock(Mix.Lock);
        const DWORD now = timeGetTime();
        for (int index = 0; index < velk::kSoundBufferCount; ++index) {
            velk::Fade& fade = Mix.Fades[index];
            if (fade.Running) {
                const DWORD elapsed = now - fade.Start;
                const double volume = velk::FadeVolumeAt(fade.From, fade.To, elapsed, fade.Duration);
                Mix.Levels[index].Volume = volume;
                if (fade.Device) {
                    fade.Device->SetVolume(velk::DirectSoundVolume(volume * Mix.Master));
                } else if (index == 0 && Mix.Channel) {
                    waveOutSetVolume(Mix.Channel, velk::ChannelVolume(Mix));
                }
                if (elapsed >= fade.Duration) {
                    fade.Running = false;
                    Drop(fade.Device);
                    Mix.Faded |= 1u << index;
                    if (fade.StopAtEnd) Mix.FadeStops |= 1u << index;
                    noted = true;
                } else {
                    busy = true;
                }
            }
            if (IDirectSoundBuffer* device = Mix.Watched[index]) {
                DWORD status = 0;
                device->GetStatus(&status);
                if (!(status & DSBSTATUS_PLAYING) && !Mix.HostPaused[index]) {
                    Drop(Mix.Watched[index]);
                    Mix.Ended |= 1u << index;
                    noted = true;
                } else {
                    busy = true;
                }
            }
        }
    }
    if (noted && Window) PostMessageA(Window, velk::kSoundNoticeMessage, 0, 0);
    return busy;
}

// ---------------------------------------------------------------- fades

void VelkObject::EndFade(int index) {
    std::lock_guard<std::mutex> lock(Mix.Lock);
    velk::Fade& fade = Mix.Fades[index];
    if (!fade.Running) return;
    fade.Running = false;
    Drop(fade.Device);
    Mix.Levels[index].Volume = fade.To;
}

HRESULT VelkObject::Snd_Fade(LONG BufferID, double ToVolume, LONG Milliseconds, LONG StopAtEnd) {
    EnsureSoundMode();
    const int index = BufferIndex(BufferID);
    CheckLevel(ToVolume, 0.0, 1.0, velk::texts::kVolumeSubject, velk::texts::kVolumeRange);
    CheckLevel(Milliseconds, 0, 3600000, velk::texts::kFadeTimeSubject, velk::texts::kFadeTimeRange);
    if (SoundMode == 1) Mix.ChannelId = BufferID;
    {
        std::lock_guard<std::mutex> stream_lock(Stream.Lock);  // the stream's device buffer stays meanwhile
        std::lock_guard<std::mutex> lock(Mix.Lock);
        velk::Fade& fade = Mix.Fades[index];
        Drop(fade.Device);
        fade.Running = true;
        fade.StopAtEnd = StopAtEnd != 0;
        fade.From = Mix.Levels[index].Volume;
        fade.To = ToVolume;
        fade.Start = timeGetTime();
        fade.Duration = static_cast<DWORD>(Milliseconds);
        if (SoundMode == 2 && SoundBufferTable[index].DeviceBuffer) {
            fade.Device = SoundBufferTable[index].DeviceBuffer;
            fade.Device->AddRef();
        }
    }
    StartSoundClock();
    SetEvent(Mix.ClockWake);
    return S_OK;
}

// ---------------------------------------------------------------- the end of plays

void VelkObject::WatchPlay(int index) {
    {
        std::lock_guard<std::mutex> lock(Mix.Lock);
        Drop(Mix.Watched[index]);
        Mix.HostPaused[index] = false;
        Mix.Watched[index] = SoundBufferTable[index].DeviceBuffer;
        if (!Mix.Watched[index]) return;
        Mix.Watched[index]->AddRef();
    }
    StartSoundClock();
    SetEvent(Mix.ClockWake);
}

void VelkObject::UnwatchPlay(int index) {
    std::lock_guard<std::mutex> lock(Mix.Lock);
    Drop(Mix.Watched[index]);
    Mix.HostPaused[index] = false;
}

void VelkObject::SetHostPaused(int index, bool paused) {
    std::lock_guard<std::mutex> lock(Mix.Lock);
    Mix.HostPaused[index] = paused;
}

void VelkObject::NoteSoundEnded(int index) {
    Mix.Ended |= 1u << index;
    if (Window) PostMessageA(Window, velk::kSoundNoticeMessage, 0, 0);
}

void VelkObject::TakeSoundNotices(bool fire) {
    // A buffer whose first fill is under way is left to the next look.
    unsigned stops = Mix.FadeStops.exchange(0);
    for (int index = 0; index < velk::kSoundBufferCount; ++index) {
        if (!(stops & (1u << index))) continue;
        if (Stream.FirstFillIndex >= 0 && (SoundMode == 1 || (Stream.FillingMask & (1u << index)))) {
            Mix.FadeStops |= 1u << index;
            continue;
        }
        StopBuffer(index);
    }
    if (!fire) return;
    const unsigned faded = Mix.Faded.exchange(0), ended = Mix.Ended.exchange(0);
    if (!(faded | ended)) return;
    // A sink may release the host's last reference.
    AddRef();
    for (int index = 0; index < velk::kSoundBufferCount; ++index) {
        const LONG id = SoundMode == 1 ? Mix.ChannelId : index + 1;
        if (faded & (1u << index)) Events.Fire(velk::kEventOnSoundFaded, id);
        if (ended & (1u << index)) Events.Fire(velk::kEventOnSoundEnded, id);
    }
    Release();
}
