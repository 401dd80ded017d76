// ClipboardText: the clipboard's Unicode text.
#include "core/velk.h"

HRESULT VelkObject::get_ClipboardText(BSTR*) { return E_NOTIMPL; }
HRESULT VelkObject::put_ClipboardText(BSTR) { return E_NOTIMPL; }
