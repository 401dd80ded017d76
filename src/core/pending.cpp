// Members whose subsystems are not built yet. Each answers E_NOTIMPL from this
// one place; a subsystem that lands moves its members out of this file.
#include "core/velk.h"

namespace {
HRESULT NotBuiltYet() { return E_NOTIMPL; }
}  // namespace

HRESULT VelkObject::Blt(LONG, LONG, LONG, LONG, LONG, LONG, LONG, LONG) { return NotBuiltYet(); }
HRESULT VelkObject::BltStretch(LONG, LONG, LONG, LONG, LONG, LONG, LONG, LONG, LONG, LONG) { return NotBuiltYet(); }
HRESULT VelkObject::BltAlphaBlend(LONG, LONG, LONG, LONG, LONG, LONG, LONG, LONG, LONG) { return NotBuiltYet(); }
HRESULT VelkObject::DrawString(LONG, LONG, BSTR, LONG, LONG, LONG) { return NotBuiltYet(); }
HRESULT VelkObject::DSetTextFont(LONG, LONG, LONG, LONG, LONG, BSTR, LONG) { return NotBuiltYet(); }
HRESULT VelkObject::DSetTextSpace(LONG, LONG) { return NotBuiltYet(); }
HRESULT VelkObject::SpriteLoadFromFile(LONG, BSTR) { return NotBuiltYet(); }
HRESULT VelkObject::SpriteCopy(LONG, LONG) { return NotBuiltYet(); }
HRESULT VelkObject::SpritePaste(LONG, LONG, LONG, LONG) { return NotBuiltYet(); }
HRESULT VelkObject::SpriteView() { return NotBuiltYet(); }
HRESULT VelkObject::Download(BSTR, BSTR) { return NotBuiltYet(); }
