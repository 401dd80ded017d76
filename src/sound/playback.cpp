// Playback engine: Snd_Play and its relatives, the fills that feed the two
// back ends (waveOut blocks, the DirectSound ring or static buffer), the worker
// threads that keep a ring fed and the progress dialog of the first fill.
#include <windows.h>
#include <commctrl.h>  // for: InitCommonControlsEx (the dialog's progress bar)
#include <mmsystem.h>  // for: waveOut*, PlaySoundA
#include <dsound.h>    // for: IDirectSoundBuffer

#include <cstdint>
#include <cstring>

#include "core/log.h"
#include "core/texts.h"
#include "core/velk.h"
#include "sound/sound_buffer.h"
#include "sound/wav_header.h"

namespace {

constexpr int kProgressDialogId = 203;
constexpr UINT kHeaderBytes = sizeof(WAVEHDR);  // 32

INT_PTR CALLBACK PlayProgressProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

HINSTANCE ResourceModule() {
    HINSTANCE instance = velk::ModuleInstance();
    return instance ? instance : GetModuleHandleA(nullptr);
}

bool SourceLoaded(const velk::SoundBuffer& buffer) {
    return buffer.SourceFile || buffer.Decoder.datasource;
}

// The byte value of silence: unsigned 8-bit samples centre on 0x80.
int SilenceByte(const velk::SoundBuffer& buffer) { return buffer.Format.wBitsPerSample == 8 ? 0x80 : 0; }

DWORD WINAPI StreamThreadEntry(void* parameter) {
    VelkObject* self = LiveInstance.load();
    return self ? self->StreamThread(static_cast<int>(reinterpret_cast<intptr_t>(parameter))) : 1;
}

}  // namespace

// ---------------------------------------------------------------- loop sections

// The frame the source reads next.
static uint64_t SourceFrame(velk::SoundBuffer& buffer) {
    if (buffer.SourceFile) {
        long at = ftell(buffer.SourceFile);
        return at > buffer.DataStart ? static_cast<uint64_t>(at - buffer.DataStart) / buffer.Format.nBlockAlign : 0;
    }
    ogg_int64_t at = ov_pcm_tell(&buffer.Decoder);
    return at > 0 ? static_cast<uint64_t>(at) : 0;
}

// Whether looped play repeats the file's section rather than the whole sound.
// In mode 2 such a static buffer plays from a ring (see FedFromRing).
static bool LoopsSection(const VelkObject* self, int index) {
    const velk::SoundBuffer& buffer = self->SoundBufferTable[index];
    return buffer.LoopFlag && buffer.Loop.Valid;
}

bool VelkObject::FedFromRing(int index) const {
    return SoundMode == 2 && (index == 0 || LoopsSection(this, index));
}

// How much a read may take before a looping section starts over.
static size_t BytesBeforeLoopEnd(VelkObject* self, int index, size_t wanted) {
    if (!LoopsSection(self, index)) return wanted;
    velk::SoundBuffer& buffer = self->SoundBufferTable[index];
    uint64_t at = SourceFrame(buffer);
    uint64_t left = at < buffer.Loop.End ? (buffer.Loop.End - at) * buffer.Format.nBlockAlign : 0;
    return left < wanted ? static_cast<size_t>(left) : wanted;
}

void VelkObject::RewindForLoop(int index) {
    velk::SoundBuffer& buffer = SoundBufferTable[index];
    if (!LoopsSection(this, index)) {
        RestartSource(index);
    } else if (buffer.SourceFile) {
        fseek(buffer.SourceFile, buffer.DataStart + static_cast<long>(buffer.Loop.Start * buffer.Format.nBlockAlign),
              SEEK_SET);
    } else {
        ov_pcm_seek(&buffer.Decoder, static_cast<ogg_int64_t>(buffer.Loop.Start));  // exact to the frame
    }
}

// ---------------------------------------------------------------- fills

// One read, stopping at the end of a looping section.
static size_t ReadOnce(VelkObject* self, int index, size_t wanted, void* destination) {
    velk::SoundBuffer& buffer = self->SoundBufferTable[index];
    size_t limit = BytesBeforeLoopEnd(self, index, wanted);
    return limit ? buffer.ReadFunction(buffer, limit, destination) : 0;
}

// Reads for one transfer unit. A looping source that is at its end starts over
// at once, so an exact multiple of the unit does not leave an empty unit.
static size_t ReadUnit(VelkObject* self, int index, size_t wanted, void* destination) {
    const velk::SoundBuffer& buffer = self->SoundBufferTable[index];
    size_t got = ReadOnce(self, index, wanted, destination);
    if (got == 0 && buffer.LoopFlag) {
        self->RewindForLoop(index);
        got = ReadOnce(self, index, wanted, destination);
    }
    return got;
}

// Common DirectSound fill of [offset, offset + length): read into the staging
// copy, then copy into the device buffer.
static void FillDirectSound(VelkObject* self, int index, DWORD offset, DWORD length) {
    velk::SoundBuffer& buffer = self->SoundBufferTable[index];
    BYTE* staging = buffer.StagingCopy + offset;
    size_t got = ReadUnit(self, index, length, staging);
    // The ring plays on without gaps: a looping source fills the whole unit.
    while (buffer.LoopFlag && got > 0 && got < length) {
        self->RewindForLoop(index);
        size_t more = ReadOnce(self, index, length - got, staging + got);
        if (more == 0) break;
        got += more;
    }
    // What the source could not fill would otherwise replay old sound.
    if (got < length) memset(staging + got, SilenceByte(buffer), length - got);

    void* first = nullptr;
    void* second = nullptr;
    DWORD first_bytes = 0;
    DWORD second_bytes = 0;
    if (SUCCEEDED(buffer.DeviceBuffer->Lock(offset, length, &first, &first_bytes, &second, &second_bytes, 0))) {
        DWORD copy = first_bytes < length ? first_bytes : length;
        memcpy(first, staging, copy);
        if (second && copy < length) {
            DWORD rest = length - copy < second_bytes ? length - copy : second_bytes;
            memcpy(second, staging + copy, rest);
        }
        buffer.DeviceBuffer->Unlock(first, first_bytes, second, second_bytes);
    }
    if (got == 0) {
        if (buffer.LoopFlag) {
            self->RewindForLoop(index);
        } else if (index != 0 || !self->Stream.Draining.exchange(true)) {
            // Once through to the end of the device buffer; the stream's stop
            // notice follows. A stream asks for that once only.
            buffer.DeviceBuffer->Play(0, 0, 0);
        }
    }
}

void VelkObject::PrimeBuffer(int index, velk::PrimeKind kind) {
    velk::SoundBuffer& buffer = SoundBufferTable[index];
    switch (kind) {
        case velk::PrimeKind::kWaveOutStart: {
            FreePlaybackBlocks(index);
            buffer.DataSize = velk::WaveBlockBytes(buffer.Format);
            const DWORD bytes = buffer.DataSize + 1;
            for (WAVEHDR*& header : buffer.WaveBlocks) {
                header = static_cast<WAVEHDR*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, kHeaderBytes));
                void* data = header ? HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, bytes) : nullptr;
                if (!data)
                    velk::FatalError(this, velk::texts::kAllocError, velk::texts::kWaveBlockAllocName, bytes);
                velk::LogWrite(this, velk::texts::kMemoryAllocated, velk::texts::kWaveBlockAllocName, bytes);
                header->lpData = static_cast<LPSTR>(data);
                size_t got = ReadUnit(this, index, buffer.DataSize, data);
                header->dwBufferLength = static_cast<DWORD>(got);
                if (got < buffer.DataSize && buffer.LoopFlag) RewindForLoop(index);
            }
            break;
        }
        case velk::PrimeKind::kStreamStart:
        case velk::PrimeKind::kStaticStart: {
            // A section ring keeps the whole sound's size for a later play of it whole.
            const bool ring = kind == velk::PrimeKind::kStreamStart;
            const DWORD bytes = ring ? 2 * velk::RingHalfBytes(buffer.Format) : buffer.DataSize;
            FreePlaybackBlocks(index);
            buffer.StagingCopy = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, bytes + 1));
            if (!buffer.StagingCopy)
                velk::FatalError(this, velk::texts::kAllocError, velk::texts::kStagingCopyName, bytes + 1);
            FillDirectSound(this, index, 0, bytes);
            if (ring && index == 0) buffer.DataSize = bytes / 2;
            break;
        }
        case velk::PrimeKind::kFirstHalf:
            FillDirectSound(this, index, 0, velk::RingHalfBytes(buffer.Format));
            break;
    }
    velk::LogWrite(this, velk::texts::kBufferFilled);
}

DWORD VelkObject::RefillBlock(int index, velk::RefillKind kind) {
    velk::SoundBuffer& buffer = SoundBufferTable[index];
    if (kind == velk::RefillKind::kSecondHalf) {
        const DWORD half = velk::RingHalfBytes(buffer.Format);
        FillDirectSound(this, index, half, half);
        return half;
    }
    WAVEHDR* header = buffer.WaveBlocks[buffer.RefillIndex];
    size_t got = ReadUnit(this, index, buffer.DataSize, header->lpData);
    if (got != buffer.DataSize && buffer.LoopFlag) RewindForLoop(index);
    return static_cast<DWORD>(got);
}

// ---------------------------------------------------------------- the worker

DWORD VelkObject::StreamThread(int index) {
    velk::SoundBuffer& buffer = SoundBufferTable[index];
    const bool wave_out = SoundMode == 1;
    HANDLE stream_waits[4] = {Stream.StopEvent, SoundEvents[0], SoundEvents[1], SoundEvents[2]};
    // A section ring has its own events, and no stop notice: it never ends by itself.
    const HANDLE* waits = index == 0 ? stream_waits : SectionWorkers[index].Events;
    const DWORD wait_count = wave_out ? 2 : index == 0 ? 4 : 3;
    for (;;) {
        DWORD woke = WaitForMultipleObjects(wait_count, waits, FALSE, INFINITE);
        if (woke == WAIT_OBJECT_0 || woke == WAIT_FAILED) return 1;
        if (EndedFlag) {
            // Nobody refills any more: the ring would repeat its last seconds until teardown.
            if (wave_out && WaveOutDevice) waveOutPause(WaveOutDevice);
            if (!wave_out && buffer.DeviceBuffer) buffer.DeviceBuffer->Stop();
            return 1;
        }
        if (wave_out) {
            if (buffer.RefillIndex == -1) buffer.RefillIndex = 0;  // the device's open notice
            // Every block the device has handed back, in ring order: a notice
            // that arrives late or merged with the next one loses no block.
            for (int turn = 0; turn < velk::kWaveBlockCount; ++turn) {
                WAVEHDR* header = buffer.WaveBlocks[buffer.RefillIndex];
                if (header->dwFlags & WHDR_INQUEUE) break;
                waveOutUnprepareHeader(WaveOutDevice, header, kHeaderBytes);
                header->dwBufferLength = RefillBlock(index, velk::RefillKind::kWaveOutBlock);
                if (header->dwBufferLength != 0) {
                    waveOutPrepareHeader(WaveOutDevice, header, kHeaderBytes);
                    waveOutWrite(WaveOutDevice, header, kHeaderBytes);
                }
                buffer.PlayingIndex = (buffer.PlayingIndex + 1) % velk::kWaveBlockCount;
                buffer.RefillIndex = (buffer.RefillIndex + 1) % velk::kWaveBlockCount;
            }
            bool all_empty = true;
            for (WAVEHDR* header : buffer.WaveBlocks) all_empty = all_empty && header->dwBufferLength == 0;
            if (all_empty) {
                std::lock_guard<std::mutex> lock(Stream.Lock);
                ResetBuffer(index);
                NoteSoundEnded(index);
                return 0;
            }
            continue;
        }
        switch (woke - WAIT_OBJECT_0) {
            case 1:  // the cursor passed the last byte: the second half is free
                RefillBlock(index, velk::RefillKind::kSecondHalf);
                break;
            case 2:  // the cursor passed the middle: the first half is free
                PrimeBuffer(index, velk::PrimeKind::kFirstHalf);
                break;
            case 3: {  // stopped: the end of play, unless paused or playing again
                // Decided under the lock that Snd_Pause holds while it stops or
                // restarts the device and sets the flag: a pause or a resume
                // between the look and the reset would be undone by the reset.
                std::lock_guard<std::mutex> lock(Stream.Lock);
                DWORD status = 0;
                buffer.DeviceBuffer->GetStatus(&status);
                if (Stream.Paused || (status & DSBSTATUS_PLAYING)) break;
                ResetBuffer(index);
                NoteSoundEnded(index);
                return 0;
            }
            default:
                break;
        }
    }
}

namespace {

// What the host's thread holds of a buffer's worker.
struct WorkerHandles {
    HANDLE& Thread;
    DWORD& ThreadId;
    HANDLE& StopEvent;  // manual reset: set until the worker is joined
};

WorkerHandles WorkerOf(VelkObject* self, int index) {
    if (index == 0) return {self->Stream.Thread, self->Stream.ThreadId, self->Stream.StopEvent};
    velk::SectionWorker& worker = self->SectionWorkers[index];
    return {worker.Thread, worker.ThreadId, worker.Events[0]};
}

}  // namespace

void VelkObject::StartStreamThread(int index) {
    WorkerHandles worker = WorkerOf(this, index);
    if (!worker.StopEvent) worker.StopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ResetEvent(worker.StopEvent);
    worker.Thread = CreateThread(nullptr, 0, StreamThreadEntry, reinterpret_cast<void*>(static_cast<intptr_t>(index)),
                                 0, &worker.ThreadId);
    if (!worker.Thread || !worker.StopEvent)
        velk::FatalSystemError(this, velk::texts::kFailed, velk::texts::kPlayThreadFailed);
}

void VelkObject::StopWorker(int index) {
    WorkerHandles worker = WorkerOf(this, index);
    if (!worker.Thread) return;
    // A fatal error raised on the worker itself tears the object down from there.
    if (worker.ThreadId == GetCurrentThreadId()) return;
    SetEvent(worker.StopEvent);
    WaitForSingleObject(worker.Thread, INFINITE);
    CloseHandle(worker.Thread);
    worker.Thread = nullptr;
    worker.ThreadId = 0;
}

void VelkObject::CloseWaveOut() {
    if (!WaveOutDevice) return;
    AttachChannel(nullptr);  // the clock lets go of the device first
    waveOutReset(WaveOutDevice);  // hands every queued block back
    for (WAVEHDR* header : SoundBufferTable[0].WaveBlocks)
        if (header) waveOutUnprepareHeader(WaveOutDevice, header, kHeaderBytes);
    waveOutClose(WaveOutDevice);
    WaveOutDevice = nullptr;
}

void VelkObject::HaltPlayback(int index) {
    UnwatchPlay(index);  // a stop is not the end of the play
    StopWorker(index);
    if (SoundMode == 2) {
        if (SoundBufferTable[index].DeviceBuffer) SoundBufferTable[index].DeviceBuffer->Stop();
    } else {
        CloseWaveOut();
    }
    if (index == 0) {
        Stream.Paused = false;
        Stream.Draining = false;
    }
}

// ---------------------------------------------------------------- members

// The dialog serves the first fill only. It goes before the device starts:
// closing it afterwards moved the activation and stopped a buffer just started.
static void CloseProgressDialog(HWND dialog) {
    if (dialog) DestroyWindow(dialog);
}

bool VelkObject::RefusedDuringFirstFill(int index) {
    int filling = Stream.FirstFillIndex;
    if (filling < 0) return false;
    if (SoundMode == 2 && index >= 0) {
        // Only the buffers being filled are held, the outer fills' as well.
        if (!(Stream.FillingMask & (1u << index))) return false;
        filling = index;
    }
    velk::LogWrite(this, velk::texts::kInfoNumber, velk::texts::kRefusedDuringFillLabel, filling);
    return true;
}

static bool IsRing(IDirectSoundBuffer* device) {
    DSBCAPS caps = {};
    caps.dwSize = sizeof caps;
    return SUCCEEDED(device->GetCaps(&caps)) && (caps.dwFlags & DSBCAPS_CTRLPOSITIONNOTIFY);
}

// Notices left over from an earlier play would start refills out of turn.
static void ResetRingNotices(VelkObject* self, int index) {
    if (index == 0) {
        for (HANDLE event : self->SoundEvents) ResetEvent(event);
    } else {
        ResetEvent(self->SectionWorkers[index].Events[1]);
        ResetEvent(self->SectionWorkers[index].Events[2]);
    }
}

// The first fill runs with the buffer marked, so that the host's handlers,
// run by the dialog's message pumping, leave it alone. A handler may fill
// another buffer meanwhile: that fill reports into no dialog and pumps
// nothing, and the outer fill gets its own dialog back when it ends.
static void FirstFill(VelkObject* self, int index, velk::PrimeKind kind, HWND dialog) {
    const int outer_index = self->Stream.FirstFillIndex;
    const HWND outer_dialog = self->ProgressDialog;
    self->Stream.FirstFillIndex = index;
    self->Stream.FillingMask |= 1u << index;
    self->ProgressDialog = dialog;
    self->PrimeBuffer(index, kind);
    self->ProgressDialog = outer_dialog;
    self->Stream.FillingMask &= ~(1u << index);
    self->Stream.FirstFillIndex = outer_index;
}

HRESULT VelkObject::Snd_Play(LONG BufferID, LONG ShowDialog) {
    EnsureSoundMode();
    if (Stream.FirstFillIndex >= 0 && RefusedDuringFirstFill(BufferIndex(BufferID))) return S_OK;
    // A handler run during the fill may release the host's last reference:
    // the object lives on until this call is done with it.
    AddRef();
    if (Stream.FirstFillIndex >= 0) ShowDialog = 0;  // the fill under way has the one dialog
    HWND dialog = nullptr;
    if (ShowDialog) {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&controls);
        dialog = CreateDialogParamA(ResourceModule(), MAKEINTRESOURCEA(kProgressDialogId), Window, PlayProgressProc,
                                    0);
    }
    velk::LogWrite(this, velk::texts::kTitle, velk::texts::kSndPlayTitle);
    int index = BufferIndex(BufferID);
    velk::SoundBuffer& buffer = SoundBufferTable[index];
    // What plays now stops first (the worker may still reset the buffer until
    // it is joined), and playing again starts from the first sample.
    HaltPlayback(index);
    if (!SourceLoaded(buffer))
        velk::FatalError(this, velk::texts::kIdEmptyError, velk::texts::kSoundBufferSubject, BufferID);
    // A static buffer with a loop section plays from a ring when looped and
    // whole otherwise: a device buffer of the other shape goes.
    if (SoundMode == 2 && index != 0 && buffer.DeviceBuffer && IsRing(buffer.DeviceBuffer) != FedFromRing(index)) {
        buffer.DeviceBuffer->Release();
        buffer.DeviceBuffer = nullptr;
    }
    // The end of play or a stop gave the device buffer back; the source is kept.
    if (SoundMode == 2 && !buffer.DeviceBuffer) CreateDeviceBuffer(index);
    RestartSource(index);
    if (SoundMode == 2) {
        buffer.DeviceBuffer->SetCurrentPosition(0);
        const bool ring = FedFromRing(index);
        if (ring) ResetRingNotices(this, index);
        FirstFill(this, index, ring ? velk::PrimeKind::kStreamStart : velk::PrimeKind::kStaticStart, dialog);
        Mix.HoldsWholeSound[index] = !ring;
        CloseProgressDialog(dialog);
        const bool looping = index == 0 ? !Stream.Draining : buffer.LoopFlag != 0;
        buffer.DeviceBuffer->Play(0, 0, looping ? DSBPLAY_LOOPING : 0);
        if (ring) StartStreamThread(index);
        if (!ring && !looping) WatchPlay(index);
    } else {
        PlaySoundA(nullptr, nullptr, SND_PURGE);
        ResetEvent(SoundEvents[0]);
        // The channel plays for this ID now, as a voice when Snd_PlayVoice asked.
        Mix.ChannelId = BufferID;
        Mix.ChannelVoice = Mix.PendingVoice;
        Mix.PendingVoice = 0;
        WAVEFORMATEX format = ChannelFormat(index);
        waveOutOpen(&WaveOutDevice, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(SoundEvents[0]), 0,
                    CALLBACK_EVENT);
        AttachChannel(WaveOutDevice);
        FirstFill(this, 0, velk::PrimeKind::kWaveOutStart, dialog);
        CloseProgressDialog(dialog);
        buffer.RefillIndex = -1;
        buffer.PlayingIndex = 0;
        for (WAVEHDR* header : buffer.WaveBlocks) {
            if (header->dwBufferLength == 0) continue;
            waveOutPrepareHeader(WaveOutDevice, header, kHeaderBytes);
            waveOutWrite(WaveOutDevice, header, kHeaderBytes);
        }
        StartStreamThread(0);
    }
    velk::LogWrite(this, velk::texts::kSucceed);
    Release();
    return S_OK;
}

HRESULT VelkObject::Snd_LoopPlay(LONG BufferID, LONG ShowDialog) {
    EnsureSoundMode();
    int index = BufferIndex(BufferID);
    if (RefusedDuringFirstFill(index)) return S_OK;
    // Stopped first: an end of play under way would clear the flag again.
    HaltPlayback(index);
    SoundBufferTable[index].LoopFlag = 1;
    return Snd_Play(index + 1, ShowDialog);
}

HRESULT VelkObject::Snd_Stop(LONG BufferID) {
    EnsureSoundMode();
    velk::LogWrite(this, velk::texts::kTitle, velk::texts::kSndStopTitle);
    int index = BufferIndex(BufferID);
    if (RefusedDuringFirstFill(index)) return S_OK;
    StopBuffer(index);
    velk::LogWrite(this, velk::texts::kSucceed);
    return S_OK;
}

void VelkObject::SilenceBuffer(int index) {
    HaltPlayback(index);
    StopVoicesOf(index);
    EndFade(index);
}

void VelkObject::StopBuffer(int index) {
    SilenceBuffer(index);
    ResetBuffer(index);
}

bool VelkObject::PrepareWholeSound(int index) {
    velk::SoundBuffer& buffer = SoundBufferTable[index];
    if (!SourceLoaded(buffer))
        velk::FatalError(this, velk::texts::kIdEmptyError, velk::texts::kSoundBufferSubject, index + 1);
    if (buffer.DeviceBuffer && IsRing(buffer.DeviceBuffer)) return false;
    if (buffer.DeviceBuffer && Mix.HoldsWholeSound[index]) return true;
    // Not played yet, or given back by a stop: filled as a play fills it, without playing.
    if (!buffer.DeviceBuffer) CreateDeviceBuffer(index);
    RestartSource(index);
    buffer.DeviceBuffer->SetCurrentPosition(0);
    FirstFill(this, index, velk::PrimeKind::kStaticStart, nullptr);
    Mix.HoldsWholeSound[index] = true;
    return true;
}

HRESULT VelkObject::Snd_Pause(LONG Play, LONG BufferID) {
    EnsureSoundMode();
    int index = BufferIndex(BufferID);
    velk::LogWrite(this, velk::texts::kSndPauseLine, Play ? velk::texts::kPauseResume : velk::texts::kPauseHold);
    if (RefusedDuringFirstFill(index)) return S_OK;
    // The worker's end-of-play reset must not free the device buffer meanwhile.
    std::lock_guard<std::mutex> lock(Stream.Lock);
    if (SoundMode == 2) {
        IDirectSoundBuffer* device = SoundBufferTable[index].DeviceBuffer;
        if (!device) return S_OK;
        SetHostPaused(index, !Play);  // the clock must not take a pause for the end
        if (Play) {
            bool loop = (index == 0 && !Stream.Draining) || (index != 0 && SoundBufferTable[index].LoopFlag);
            device->Play(0, 0, loop ? DSBPLAY_LOOPING : 0);
            if (index == 0) Stream.Paused = false;
        } else {
            if (index == 0) Stream.Paused = true;
            device->Stop();
        }
    } else if (WaveOutDevice) {
        if (Play)
            waveOutRestart(WaveOutDevice);
        else
            waveOutPause(WaveOutDevice);
    }
    return S_OK;
}

HRESULT VelkObject::Snd_GetData(LONG BufferID, LONG* Data) {
    EnsureSoundMode();
    int index = BufferIndex(BufferID);
    LONG value = 0;
    std::lock_guard<std::mutex> lock(Stream.Lock);
    const velk::SoundBuffer& buffer = SoundBufferTable[index];
    if (!velk::IsBufferEmpty(buffer)) {
        if (SoundMode == 2) {
            DWORD play = 0;
            // The cursor lies inside the device buffer, and the copy has one byte more.
            if (buffer.StagingCopy && buffer.DeviceBuffer &&
                SUCCEEDED(buffer.DeviceBuffer->GetCurrentPosition(&play, nullptr)))
                value = static_cast<signed char>(buffer.StagingCopy[play + 1]);
        } else {
            MMTIME time = {};
            time.wType = TIME_BYTES;
            waveOutGetPosition(WaveOutDevice, &time, sizeof time);
            DWORD bytes = time.wType == TIME_SAMPLES ? time.u.sample * buffer.Format.nBlockAlign : time.u.cb;
            const WAVEHDR* header = buffer.WaveBlocks[buffer.PlayingIndex];
            if (header && header->lpData && buffer.DataSize != 0)
                value = static_cast<signed char>(header->lpData[(bytes + 1) % buffer.DataSize]);
        }
    }
    if (Data) *Data = value;
    return S_OK;
}
