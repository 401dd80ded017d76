// RIFF WAVE header walking: finds the "fmt " and "data" chunks. The walk reads
// through a byte source, so the same code serves files and byte arrays.
#pragma once
#include <windows.h>
#include <mmsystem.h>  // for: WAVEFORMATEX

#include <cstddef>
#include <cstdint>

namespace velk {

struct WavLayout {
    WAVEFORMATEX Format;  // the first 16 bytes from the file; cbSize is left 0
    uint32_t DataOffset;  // file offset of the first sample byte
    uint32_t DataSize;    // sample bytes, cut to what the source really holds
};

// Random-access reads; false when the bytes are not all there.
class WavByteSource {
public:
    virtual bool ReadAt(uint32_t offset, void* destination, size_t count) = 0;
    virtual uint32_t Size() const = 0;

protected:
    ~WavByteSource() = default;
};

// Walks the chunks: "RIFF", length, "WAVE", then "fmt " as the first chunk,
// then any chunks up to "data". False for anything else, for a truncated
// header and for a format that could not be played (no bytes per second or
// block alignment, or a five-second unit that does not fit 32 bits).
bool ParseWavLayout(WavByteSource& source, WavLayout* layout);

// The same over bytes in memory; never reads outside [bytes, bytes + size).
bool ParseWavBytes(const uint8_t* bytes, size_t size, WavLayout* layout);

// Bytes in the five-second transfer unit of a format, or 0 when it does not
// fit 32 bits with room for the one extra byte every block carries.
uint32_t FiveSecondBytes(const WAVEFORMATEX& format);

// Transfer units in whole frames: a device or decoder never gets part of a
// frame, and the unit after it starts on a frame. A mode-1 block is the five
// seconds cut to whole frames; the stream ring is two halves of whole frames.
uint32_t WaveBlockBytes(const WAVEFORMATEX& format);
uint32_t RingHalfBytes(const WAVEFORMATEX& format);

// Finds a chunk by its tag anywhere after the RIFF header: the offset of its
// contents and their length, cut to what the source holds.
bool FindWavChunk(WavByteSource& source, const char* tag, uint32_t* offset, uint32_t* size);

}  // namespace velk
