// Members whose subsystems are not built yet. Each answers E_NOTIMPL from this
// one place; a subsystem that lands moves its members out of this file.
#include "core/velk.h"

namespace {
HRESULT NotBuiltYet() { return E_NOTIMPL; }
}  // namespace

HRESULT VelkObject::SpriteLoadFromFile(LONG, BSTR) { return NotBuiltYet(); }
HRESULT VelkObject::SpriteView() { return NotBuiltYet(); }
