// wScale: a back buffer of a fixed size presented scaled to the client area.
#include "core/velk.h"

HRESULT VelkObject::wScale(LONG, LONG, LONG) { return E_NOTIMPL; }
