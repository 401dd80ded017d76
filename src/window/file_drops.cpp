// wAcceptFiles and DroppedFiles: files dropped onto the window.
#include "core/velk.h"

HRESULT VelkObject::get_wAcceptFiles(LONG*) { return E_NOTIMPL; }
HRESULT VelkObject::put_wAcceptFiles(LONG) { return E_NOTIMPL; }
HRESULT VelkObject::get_DroppedFiles(BSTR*) { return E_NOTIMPL; }
