// Sound modes and the buffer table: choosing waveOut or DirectSound (falling
// back to waveOut), the clean-up of the mode in force and the buffer lifecycle.
#include <windows.h>
#include <mmsystem.h>  // for: PlaySoundA, waveOutClose
#include <dsound.h>    // for: DirectSoundCreate

#include <cstring>

#include "core/log.h"
#include "core/texts.h"
#include "core/velk.h"
#include "sound/sound_buffer.h"

namespace velk {

void ClearSoundBuffer(SoundBuffer& buffer) { memset(&buffer, 0, sizeof buffer); }

bool IsBufferEmpty(const SoundBuffer& buffer) { return !buffer.WaveBlocks[0] && !buffer.DeviceBuffer; }

int BufferIndexOf(BYTE sound_mode, LONG buffer_id) {
    if (sound_mode == 1) return 0;
    LONG index = buffer_id - 1;
    return (index >= 0 && index < kSoundBufferCount) ? static_cast<int>(index) : -1;
}

}  // namespace velk

namespace {

constexpr int kEventCount = 3;
const char* const kEventLabels[kEventCount] = {velk::texts::kStreamEndEventLabel, velk::texts::kStreamHalfEventLabel,
                                               velk::texts::kStreamStopEventLabel};

HANDLE MakeSoundEvent() { return CreateEventA(nullptr, FALSE, FALSE, nullptr); }

template <typename Interface>
void ReleaseInterface(Interface*& pointer) {
    if (pointer) pointer->Release();
    pointer = nullptr;
}

void CloseEvent(HANDLE& event) {
    if (event) CloseHandle(event);
    event = nullptr;
}

// The primary buffer's format: 16-bit stereo at 44.1 kHz.
WAVEFORMATEX PrimaryFormat() {
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = 44100;
    format.nAvgBytesPerSec = 176400;
    format.nBlockAlign = 4;
    format.wBitsPerSample = 16;
    format.cbSize = 18;
    return format;
}

}  // namespace

// ---------------------------------------------------------------- heap blocks

// Frees a data block or staging copy of the process heap; a failed free is fatal.
static void FreeLoggedBlock(VelkObject* self, void*& block, const char* name) {
    if (!block) return;
    if (!HeapFree(GetProcessHeap(), 0, block))
        velk::FatalSystemError(self, velk::texts::kReleaseError, name,
                               velk::HexValue(block));
    velk::LogWrite(self, velk::texts::kMemoryFreed, name);
    block = nullptr;
}

static void FreeWaveBlocks(VelkObject* self, velk::SoundBuffer& buffer) {
    for (WAVEHDR*& header : buffer.WaveBlocks) {
        if (!header) continue;
        void* data = header->lpData;
        FreeLoggedBlock(self, data, velk::texts::kWaveBlockName);
        header->lpData = nullptr;
        HeapFree(GetProcessHeap(), 0, header);
        header = nullptr;
    }
}

static void FreeStagingCopy(VelkObject* self, velk::SoundBuffer& buffer) {
    void* copy = buffer.StagingCopy;
    FreeLoggedBlock(self, copy, velk::texts::kStagingCopyName);
    buffer.StagingCopy = nullptr;
}

// ---------------------------------------------------------------- buffer lifecycle

int VelkObject::BufferIndex(LONG buffer_id) {
    int index = velk::BufferIndexOf(SoundMode, buffer_id);
    if (index < 0)
        velk::FatalError(this, velk::texts::kIdRangeError, velk::texts::kSoundBufferSubject, buffer_id,
                         velk::texts::kSoundBufferRange);
    return index;
}

void VelkObject::RestartSource(int index) {
    velk::SoundBuffer& buffer = SoundBufferTable[index];
    if (buffer.SourceFile)
        fseek(buffer.SourceFile, buffer.DataStart, SEEK_SET);
    else if (buffer.Decoder.datasource)
        ov_time_seek(&buffer.Decoder, 0.0);
}

void VelkObject::ReleaseBuffer(int index) {
    velk::SoundBuffer& buffer = SoundBufferTable[index];
    if (velk::IsBufferEmpty(buffer)) return;
    velk::LogWrite(this, velk::texts::kInfoNumber, velk::texts::kTargetIdLabel, index);
    FreeWaveBlocks(this, buffer);
    ReleaseInterface(buffer.DeviceBuffer);
    FreeStagingCopy(this, buffer);
    if (buffer.SourceFile) {
        fclose(buffer.SourceFile);
        buffer.SourceFile = nullptr;
    } else {
        ov_clear(&buffer.Decoder);  // also closes the decoder's file; harmless on a cleared one
    }
    velk::LogWrite(this, velk::texts::kBlockEnd);
}

void VelkObject::ResetBuffer(int index) {
    velk::SoundBuffer& buffer = SoundBufferTable[index];
    RestartSource(index);
    if (buffer.DeviceBuffer) buffer.DeviceBuffer->SetCurrentPosition(0);
    FreeStagingCopy(this, buffer);
    ReleaseInterface(buffer.DeviceBuffer);
    FreeWaveBlocks(this, buffer);
    buffer.LoopFlag = 0;
    buffer.PlayingIndex = 0;
    buffer.RefillIndex = 0;
}

void VelkObject::FreePlaybackBlocks(int index) {
    FreeWaveBlocks(this, SoundBufferTable[index]);
    FreeStagingCopy(this, SoundBufferTable[index]);
}

// ---------------------------------------------------------------- modes

void VelkObject::CleanupSoundMode() {
    velk::LogWrite(this, velk::texts::kTitle, velk::texts::kSoundCleanupTitle);
    // The clock and the workers use the buffers and events freed below: they end first.
    StopSoundClock();
    StopAllVoices();
    for (int index = 0; index < velk::kSoundBufferCount; ++index) StopWorker(index);
    if (SoundMode == 2) {
        for (int index = 0; index < velk::kSoundBufferCount; ++index) {
            ReleaseBuffer(index);
            CloseSource(index);  // also the sources of buffers that hold no blocks
        }
        ReleaseInterface(PrimarySoundBuffer);
        ReleaseInterface(StreamNotifier);
        ReleaseInterface(DirectSoundDevice);
        for (HANDLE& event : SoundEvents) CloseEvent(event);
    } else if (SoundMode == 1) {
        PlaySoundA(nullptr, nullptr, SND_PURGE);
        CloseWaveOut();  // returns the queued blocks before they are freed
        ReleaseBuffer(0);
        CloseSource(0);
        CloseEvent(SoundEvents[0]);
    }
    velk::LogWrite(this, velk::texts::kSucceed);
}

// Sets up DirectSound on the window; false at the first step that fails.
static bool StartDirectSound(VelkObject* self) {
    if (FAILED(DirectSoundCreate(nullptr, &self->DirectSoundDevice, nullptr))) return false;
    // Cooperation is granted to a window only; some platforms would accept none.
    if (!self->Window) return false;
    if (FAILED(self->DirectSoundDevice->SetCooperativeLevel(self->Window, DSSCL_PRIORITY))) {
        // Without priority there is no primary buffer to shape; normal output still mixes.
        return SUCCEEDED(self->DirectSoundDevice->SetCooperativeLevel(self->Window, DSSCL_NORMAL));
    }
    velk::LogWrite(self, velk::texts::kStep, velk::texts::kCreatingPrimaryBuffer);
    DSBUFFERDESC description = {};
    description.dwSize = sizeof description;  // 36 bytes, with the 3D-algorithm member
    description.dwFlags = DSBCAPS_PRIMARYBUFFER;
    if (FAILED(self->DirectSoundDevice->CreateSoundBuffer(&description, &self->PrimarySoundBuffer, nullptr)))
        return false;
    WAVEFORMATEX format = PrimaryFormat();
    self->PrimarySoundBuffer->SetFormat(&format);
    return true;
}

HRESULT VelkObject::Sound(LONG lSoundMode) {
    if (lSoundMode < 1 || lSoundMode > 2)
        velk::FatalError(this, velk::texts::kIdRangeError, velk::texts::kSoundModeSubject, lSoundMode,
                         velk::texts::kSoundModeRange);
    if (lSoundMode == SoundMode) return S_OK;
    if (RefusedDuringFirstFill(-1)) return S_OK;
    CleanupSoundMode();
    if (lSoundMode == 1) {
        velk::LogWrite(this, velk::texts::kTitle, velk::texts::kSoundMode1Title);
        SoundEvents[0] = MakeSoundEvent();
        velk::LogWrite(this, velk::texts::kInfoHex, velk::texts::kPlaybackEventLabel, velk::HexValue(SoundEvents[0]));
        SoundMode = 1;
        velk::LogWrite(this, velk::texts::kSucceed);
        return S_OK;
    }
    velk::LogWrite(this, velk::texts::kTitle, velk::texts::kSoundMode2Title);
    for (int i = 0; i < kEventCount; ++i) SoundEvents[i] = MakeSoundEvent();
    for (int i = 0; i < kEventCount; ++i)
        velk::LogWrite(this, velk::texts::kInfoHex, kEventLabels[i], velk::HexValue(SoundEvents[i]));
    if (StartDirectSound(this)) {
        SoundMode = 2;
        velk::LogWrite(this, velk::texts::kSucceed);
        return S_OK;
    }
    // What the failed set-up made is freed. Coming from mode 1, the inner call
    // finds mode 1 still in force and changes nothing, so the first new event
    // serves as mode 1's event; otherwise mode 1 makes its own.
    ReleaseInterface(PrimarySoundBuffer);
    ReleaseInterface(DirectSoundDevice);
    for (int i = (SoundMode == 1) ? 1 : 0; i < kEventCount; ++i) CloseEvent(SoundEvents[i]);
    velk::LogWrite(this, velk::texts::kDirectSoundFallback);
    Sound(1);
    return S_OK;
}
