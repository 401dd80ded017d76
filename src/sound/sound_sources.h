// The read routines that sources install in their buffer (see sound_sources.cpp).
#pragma once
#include <cstddef>

#include "sound/sound_buffer.h"

namespace velk {

// Copies bytes of the data chunk, never beyond its end; returns the count.
size_t ReadWav(SoundBuffer& buffer, size_t wanted, void* destination);

// Decodes 16-bit signed little-endian PCM; returns the count, short only at the
// end of the stream. Reports into the play dialog when called on its thread.
size_t ReadOgg(SoundBuffer& buffer, size_t wanted, void* destination);

}  // namespace velk
