// TextInput: the text typed into the window since the previous read.
#include "core/velk.h"

HRESULT VelkObject::get_TextInput(BSTR*) { return E_NOTIMPL; }
