// Sound buffer records: the eight buffers that sources load and the playback
// engine streams or plays.
#pragma once
#include <windows.h>
#include <mmsystem.h>        // for: WAVEHDR, HWAVEOUT
#include <dsound.h>          // for: IDirectSoundBuffer
#include <cstdio>
#include <vorbis/vorbisfile.h>  // for: OggVorbis_File

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
};

// The record's state right after the object's construction: all zero.
void ClearSoundBuffer(SoundBuffer& buffer);

}  // namespace velk
