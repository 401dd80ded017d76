// Gamepads through the platform's XInput, loaded when first needed.
#include "core/velk.h"

HRESULT VelkObject::PadConnected(LONG, LONG*) { return E_NOTIMPL; }
HRESULT VelkObject::PadButtons(LONG, LONG*) { return E_NOTIMPL; }
HRESULT VelkObject::PadAxis(LONG, LONG, double*) { return E_NOTIMPL; }
HRESULT VelkObject::PadRumble(LONG, double, double) { return E_NOTIMPL; }
