// Members whose subsystems are not built yet. Each answers E_NOTIMPL from this
// one place; a subsystem that lands moves its members out of this file.
#include "core/velk.h"

namespace {
HRESULT NotBuiltYet() { return E_NOTIMPL; }
}  // namespace

HRESULT VelkObject::get_SoftwareFPS(LONG *) { return NotBuiltYet(); }
HRESULT VelkObject::put_SoftwareFPS(LONG) { return NotBuiltYet(); }
HRESULT VelkObject::get_KeepFPS(LONG *) { return NotBuiltYet(); }
HRESULT VelkObject::Blt(LONG, LONG, LONG, LONG, LONG, LONG, LONG, LONG) { return NotBuiltYet(); }
HRESULT VelkObject::BltStretch(LONG, LONG, LONG, LONG, LONG, LONG, LONG, LONG, LONG, LONG) { return NotBuiltYet(); }
HRESULT VelkObject::BltAlphaBlend(LONG, LONG, LONG, LONG, LONG, LONG, LONG, LONG, LONG) { return NotBuiltYet(); }
HRESULT VelkObject::DrawBox(LONG, LONG, LONG, LONG, LONG, LONG, LONG) { return NotBuiltYet(); }
HRESULT VelkObject::DrawPolygon(LONG, LONG, LONG, LONG, LONG, LONG, LONG, LONG, LONG) { return NotBuiltYet(); }
HRESULT VelkObject::DrawLine(LONG, LONG, LONG, LONG, LONG, LONG) { return NotBuiltYet(); }
HRESULT VelkObject::DrawLineFromLP(LONG, LONG, LONG, LONG) { return NotBuiltYet(); }
HRESULT VelkObject::DSetLP(LONG, LONG, LONG) { return NotBuiltYet(); }
HRESULT VelkObject::DrawPixel(LONG, LONG, LONG, LONG) { return NotBuiltYet(); }
HRESULT VelkObject::DGetPixel(LONG, LONG, LONG, LONG *) { return NotBuiltYet(); }
HRESULT VelkObject::DrawRoundBox(LONG, LONG, LONG, LONG, LONG, LONG, LONG, LONG) { return NotBuiltYet(); }
HRESULT VelkObject::DrawCircle(LONG, LONG, LONG, LONG, LONG, LONG, LONG, LONG) { return NotBuiltYet(); }
HRESULT VelkObject::DrawEllipse(LONG, LONG, LONG, LONG, LONG, LONG, LONG, LONG, LONG) { return NotBuiltYet(); }
HRESULT VelkObject::DrawFill(LONG, LONG, LONG, LONG) { return NotBuiltYet(); }
HRESULT VelkObject::DrawString(LONG, LONG, BSTR, LONG, LONG, LONG) { return NotBuiltYet(); }
HRESULT VelkObject::DSetTextFont(LONG, LONG, LONG, LONG, LONG, BSTR, LONG) { return NotBuiltYet(); }
HRESULT VelkObject::DSetTextSpace(LONG, LONG) { return NotBuiltYet(); }
HRESULT VelkObject::Refresh() { return NotBuiltYet(); }
HRESULT VelkObject::SpriteState(LONG, LONG) { return NotBuiltYet(); }
HRESULT VelkObject::SpriteResize(LONG, LONG, LONG) { return NotBuiltYet(); }
HRESULT VelkObject::SpriteLoadFromFile(LONG, BSTR) { return NotBuiltYet(); }
HRESULT VelkObject::SpriteCopy(LONG, LONG) { return NotBuiltYet(); }
HRESULT VelkObject::SpritePaste(LONG, LONG, LONG, LONG) { return NotBuiltYet(); }
HRESULT VelkObject::SpriteView() { return NotBuiltYet(); }
HRESULT VelkObject::DSetFillStyle(LONG, LONG) { return NotBuiltYet(); }
HRESULT VelkObject::DSetLineStyle(LONG, LONG) { return NotBuiltYet(); }
HRESULT VelkObject::Graphics(LONG) { return NotBuiltYet(); }
HRESULT VelkObject::DSetColorKey(LONG, LONG) { return NotBuiltYet(); }
HRESULT VelkObject::DSetRasterOP(LONG, LONG) { return NotBuiltYet(); }
HRESULT VelkObject::DSetMapMode(LONG, LONG) { return NotBuiltYet(); }
HRESULT VelkObject::DSetOrigin(LONG, LONG, LONG) { return NotBuiltYet(); }
HRESULT VelkObject::Snd_Open(LONG, BSTR) { return NotBuiltYet(); }
HRESULT VelkObject::Snd_Play(LONG, LONG) { return NotBuiltYet(); }
HRESULT VelkObject::Snd_LoopPlay(LONG, LONG) { return NotBuiltYet(); }
HRESULT VelkObject::Snd_Stop(LONG) { return NotBuiltYet(); }
HRESULT VelkObject::Download(BSTR, BSTR) { return NotBuiltYet(); }
HRESULT VelkObject::Snd_Pause(LONG, LONG) { return NotBuiltYet(); }
HRESULT VelkObject::Snd_GetData(LONG, LONG *) { return NotBuiltYet(); }
