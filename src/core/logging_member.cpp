// The Logging member: switches the log on and writes its banner.
#include "core/log.h"
#include "core/texts.h"
#include "core/velk.h"

HRESULT VelkObject::Logging() {
    LoggingSwitch = 1;
    velk::LogWrite(this, velk::texts::kLogBanner);
    return S_OK;
}
