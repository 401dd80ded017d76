// The mixer's records: each buffer's volume, pan and speed, the fades that the
// sound clock runs, the static plays it watches for their end, the voices, and
// the notices the clock and the workers leave for the host's thread.
#pragma once
#include <windows.h>
#include <mmsystem.h>  // for: HWAVEOUT
#include <dsound.h>    // for: IDirectSoundBuffer

#include <atomic>
#include <mutex>

#include "sound/sound_buffer.h"  // for: kSoundBufferCount

namespace velk {

inline constexpr int kVoiceCount = 32;

struct BufferLevels {
    double Volume = 1.0;  // during a fade, where the fade is now
    double Pan = 0.0;
    double Speed = 1.0;
};

struct Fade {
    bool Running = false;
    bool StopAtEnd = false;
    double From = 0.0;
    double To = 0.0;
    DWORD Start = 0;
    DWORD Duration = 0;
    // Mode 2: the device buffer the fade turns, held by the fade: the host's
    // thread may give the buffer's own reference back meanwhile.
    IDirectSoundBuffer* Device = nullptr;
};

// A sound played once more beside its buffer: a duplicate that shares the
// buffer's data. Number 0 marks a free slot.
struct Voice {
    LONG Number = 0;
    int Index = 0;
    double Volume = 1.0;
    ULONGLONG Started = 0;  // order of starts: the oldest is reused first
    IDirectSoundBuffer* Device = nullptr;
};

struct Mixer {
    Mixer() = default;
    Mixer(const Mixer&) = delete;
    Mixer& operator=(const Mixer&) = delete;

    // Guards the levels, fades, watched plays and the channel against the
    // clock. Taken after Stream.Lock when both are needed, never before it.
    std::mutex Lock;
    BufferLevels Levels[kSoundBufferCount];
    Fade Fades[kSoundBufferCount];
    // Mode 2: non-looping static plays awaiting their end, each held.
    IDirectSoundBuffer* Watched[kSoundBufferCount] = {};
    bool HostPaused[kSoundBufferCount] = {};  // a pause is not the end
    double Master = 1.0;

    // Mode 1's one channel: its device as the clock may turn it, the buffer
    // ID its events report, and the voice that plays on it with its levels.
    HWAVEOUT Channel = nullptr;
    bool ChannelStereo = false;  // pan needs two channels on the device
    LONG ChannelId = 1;
    LONG ChannelVoice = 0;
    LONG PendingVoice = 0;  // the voice the next play of the channel is
    BufferLevels ChannelVoiceLevels;

    // Only the host's thread touches the voices and this: whether a static
    // buffer's device buffer holds its whole sound (a new one holds nothing).
    bool HoldsWholeSound[kSoundBufferCount] = {};
    Voice Voices[kVoiceCount];
    LONG LastVoiceNumber = 0;
    ULONGLONG StartCount = 0;

    // Bits by buffer index, set by the clock and the workers, taken on the
    // host's thread: plays that ended, fades that completed, fades that stop.
    std::atomic<unsigned> Ended{0};
    std::atomic<unsigned> Faded{0};
    std::atomic<unsigned> FadeStops{0};

    HANDLE ClockThread = nullptr;
    HANDLE ClockStop = nullptr;  // manual reset
    HANDLE ClockWake = nullptr;  // auto reset: a fade or a watch was added
};

// Mode 1: the channel's waveOut volume from the records (the lock held).
DWORD ChannelVolume(const Mixer& mix);

// The message that tells the window procedure that notices wait.
inline constexpr UINT kSoundNoticeMessage = WM_APP + 0x0A11;

}  // namespace velk
