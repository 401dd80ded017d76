// Sound modes: buffer record reset and the clean-up of the mode in force.
#include <cstring>

#include "core/log.h"
#include "core/texts.h"
#include "core/velk.h"
#include "sound/sound_buffer.h"

namespace velk {

void ClearSoundBuffer(SoundBuffer& buffer) {
    memset(&buffer, 0, sizeof buffer);
}

}  // namespace velk

void VelkObject::CleanupSoundMode() {
    velk::LogWrite(this, velk::texts::kTitle, velk::texts::kSoundCleanupTitle);
    // No sound mode can be chosen yet, so mode 0 has nothing to free.
    velk::LogWrite(this, velk::texts::kSucceed);
}
