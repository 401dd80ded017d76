// Graphics modes: the clean-up that the object's final release runs.
#include "core/log.h"
#include "core/texts.h"
#include "core/velk.h"

void VelkObject::GraphicsCleanup() {
    velk::LogWrite(this, velk::texts::kTitle, velk::texts::kGraphicsCleanupTitle);
    if (DirectDrawObject) {
        DirectDrawObject->Release();
        DirectDrawObject = nullptr;
    }
    velk::LogWrite(this, velk::texts::kSucceed);
}
