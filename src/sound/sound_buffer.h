// Sound buffer records: the eight buffers that sources load and the playback
// engine streams or plays.
#pragma once
#include <windows.h>
#include <mmsystem.h>        // for: WAVEHDR, HWAVEOUT
#include <dsound.h>          // for: IDirectSoundBuffer
#include <cstdio>
#include <vorbis/vorbisfile.h>  // for: OggVorbis_File

#include "sound/loop_points.h"

namespace velk {

inline constexpr int kSoundBufferCount = 8;
inline constexpr int kWaveBlockCount = 3;

struct SoundBuffer;
using ReadFunctionType = size_t (*)(SoundBuffer& buffer, size_t wanted, void* destination);

struct SoundBuffer {
    FILE* SourceFile;
    OggVorbis_File Decoder;
    LONG LoopFlag;
    IDirectSoundBuffer* DeviceBuffer;
    WAVEFORMATEX Format;
    DWORD DataSize;
    WAVEHDR* WaveBlocks[kWaveBlockCount];
    LONG RefillIndex;
    LONG PlayingIndex;
    BYTE* StagingCopy;
    ReadFunctionType ReadFunction;
    long DataStart;  // WAV source: file offset of the first sample, for restarts
    long DataEnd;    // WAV source: file offset just past the data chunk's last whole frame
    LoopSection Loop;  // the file's own loop section, which looped play repeats
};

// The record's state right after the object's construction: all zero.
void ClearSoundBuffer(SoundBuffer& buffer);

// Whether the buffer holds no playback resources (it does not look at the source).
bool IsBufferEmpty(const SoundBuffer& buffer);

// Table index of a host buffer ID: ID - 1, and always 0 in the one-buffer mode.
// Returns -1 for an index outside the table.
int BufferIndexOf(BYTE sound_mode, LONG buffer_id);

}  // namespace velk
