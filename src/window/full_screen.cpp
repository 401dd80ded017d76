// wFullScreen: a borderless window covering its monitor.
#include "core/velk.h"

HRESULT VelkObject::get_wFullScreen(LONG*) { return E_NOTIMPL; }
HRESULT VelkObject::put_wFullScreen(LONG) { return E_NOTIMPL; }
