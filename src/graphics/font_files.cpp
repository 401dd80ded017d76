// DAddFont: fonts from a file, for this process only.
#include "core/velk.h"

HRESULT VelkObject::DAddFont(BSTR) { return E_NOTIMPL; }
