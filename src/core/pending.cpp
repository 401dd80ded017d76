// Members whose subsystems are not built yet. Each answers E_NOTIMPL from this
// one place; a subsystem that lands moves its members out of this file.
#include "core/velk.h"

namespace {
HRESULT NotBuiltYet() { return E_NOTIMPL; }
}  // namespace

HRESULT VelkObject::wDefault(BSTR) { return NotBuiltYet(); }
HRESULT VelkObject::Run() { return NotBuiltYet(); }
HRESULT VelkObject::DoEvents(LONG *) { return NotBuiltYet(); }
HRESULT VelkObject::wGetHandle(LONG *) { return NotBuiltYet(); }
HRESULT VelkObject::wResizeTo(LONG, LONG) { return NotBuiltYet(); }
HRESULT VelkObject::wResizeBy(LONG, LONG) { return NotBuiltYet(); }
HRESULT VelkObject::wMoveTo(LONG, LONG) { return NotBuiltYet(); }
HRESULT VelkObject::wMoveBy(LONG, LONG) { return NotBuiltYet(); }
HRESULT VelkObject::wShowMessage(BSTR, BSTR) { return NotBuiltYet(); }
HRESULT VelkObject::wYesNoMessage(BSTR, BSTR, LONG *) { return NotBuiltYet(); }
HRESULT VelkObject::put_wCaption(BSTR) { return NotBuiltYet(); }
HRESULT VelkObject::get_wVisible(LONG *) { return NotBuiltYet(); }
HRESULT VelkObject::put_wVisible(LONG) { return NotBuiltYet(); }
HRESULT VelkObject::get_wEnable(LONG *) { return NotBuiltYet(); }
HRESULT VelkObject::put_wEnable(LONG) { return NotBuiltYet(); }
HRESULT VelkObject::get_wHasMaxBtn(LONG *) { return NotBuiltYet(); }
HRESULT VelkObject::put_wHasMaxBtn(LONG) { return NotBuiltYet(); }
HRESULT VelkObject::get_wHasMinBtn(LONG *) { return NotBuiltYet(); }
HRESULT VelkObject::put_wHasMinBtn(LONG) { return NotBuiltYet(); }
HRESULT VelkObject::get_wHasCloseBtn(LONG *) { return NotBuiltYet(); }
HRESULT VelkObject::put_wHasCloseBtn(LONG) { return NotBuiltYet(); }
HRESULT VelkObject::get_wHasTitleBar(LONG *) { return NotBuiltYet(); }
HRESULT VelkObject::put_wHasTitleBar(LONG) { return NotBuiltYet(); }
HRESULT VelkObject::get_wResizeable(LONG *) { return NotBuiltYet(); }
HRESULT VelkObject::put_wResizeable(LONG) { return NotBuiltYet(); }
HRESULT VelkObject::wRunTimer(LONG, LONG) { return NotBuiltYet(); }
HRESULT VelkObject::GetTick(LONG *) { return NotBuiltYet(); }
HRESULT VelkObject::get_OnActive(LONG *) { return NotBuiltYet(); }
HRESULT VelkObject::put_OnActive(LONG) { return NotBuiltYet(); }
HRESULT VelkObject::get_OnDeActive(LONG *) { return NotBuiltYet(); }
HRESULT VelkObject::put_OnDeActive(LONG) { return NotBuiltYet(); }
HRESULT VelkObject::get_OnKeyDown(LONG *) { return NotBuiltYet(); }
HRESULT VelkObject::put_OnKeyDown(LONG) { return NotBuiltYet(); }
HRESULT VelkObject::get_OnKeyUp(LONG *) { return NotBuiltYet(); }
HRESULT VelkObject::put_OnKeyUp(LONG) { return NotBuiltYet(); }
HRESULT VelkObject::get_OnCommand(LONG *) { return NotBuiltYet(); }
HRESULT VelkObject::put_OnCommand(LONG) { return NotBuiltYet(); }
HRESULT VelkObject::get_OnMouseDown(LONG *) { return NotBuiltYet(); }
HRESULT VelkObject::put_OnMouseDown(LONG) { return NotBuiltYet(); }
HRESULT VelkObject::get_OnMouseUp(LONG *) { return NotBuiltYet(); }
HRESULT VelkObject::put_OnMouseUp(LONG) { return NotBuiltYet(); }
HRESULT VelkObject::get_OnMouseWheel(LONG *) { return NotBuiltYet(); }
HRESULT VelkObject::put_OnMouseWheel(LONG) { return NotBuiltYet(); }
HRESULT VelkObject::get_OnMove(LONG *) { return NotBuiltYet(); }
HRESULT VelkObject::put_OnMove(LONG) { return NotBuiltYet(); }
HRESULT VelkObject::get_OnMoving(LONG *) { return NotBuiltYet(); }
HRESULT VelkObject::put_OnMoving(LONG) { return NotBuiltYet(); }
HRESULT VelkObject::get_OnSize(LONG *) { return NotBuiltYet(); }
HRESULT VelkObject::put_OnSize(LONG) { return NotBuiltYet(); }
HRESULT VelkObject::get_OnSizing(LONG *) { return NotBuiltYet(); }
HRESULT VelkObject::put_OnSizing(LONG) { return NotBuiltYet(); }
HRESULT VelkObject::get_wProcedure(LONG *) { return NotBuiltYet(); }
HRESULT VelkObject::put_wProcedure(LONG) { return NotBuiltYet(); }
HRESULT VelkObject::wDestroy() { return NotBuiltYet(); }
HRESULT VelkObject::get_wHasBorder(LONG *) { return NotBuiltYet(); }
HRESULT VelkObject::put_wHasBorder(LONG) { return NotBuiltYet(); }
HRESULT VelkObject::get_wToolWin(LONG *) { return NotBuiltYet(); }
HRESULT VelkObject::put_wToolWin(LONG) { return NotBuiltYet(); }
HRESULT VelkObject::get_wTopMost(LONG *) { return NotBuiltYet(); }
HRESULT VelkObject::put_wTopMost(LONG) { return NotBuiltYet(); }
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
HRESULT VelkObject::get_MouseX(LONG *) { return NotBuiltYet(); }
HRESULT VelkObject::put_MouseX(LONG) { return NotBuiltYet(); }
HRESULT VelkObject::get_MouseY(LONG *) { return NotBuiltYet(); }
HRESULT VelkObject::put_MouseY(LONG) { return NotBuiltYet(); }
HRESULT VelkObject::InCheck(short, LONG *) { return NotBuiltYet(); }
HRESULT VelkObject::InCheckPrev(short, LONG *) { return NotBuiltYet(); }
HRESULT VelkObject::fClear() { return NotBuiltYet(); }
HRESULT VelkObject::fWriteString(BSTR, BSTR, BSTR) { return NotBuiltYet(); }
HRESULT VelkObject::fWriteInteger(BSTR, BSTR, LONG) { return NotBuiltYet(); }
HRESULT VelkObject::fReadString(BSTR, BSTR, BSTR, BSTR *) { return NotBuiltYet(); }
HRESULT VelkObject::fReadInteger(BSTR, BSTR, LONG, LONG *) { return NotBuiltYet(); }
HRESULT VelkObject::fOpen(BSTR) { return NotBuiltYet(); }
HRESULT VelkObject::get_OnMCIFailure(LONG *) { return NotBuiltYet(); }
HRESULT VelkObject::put_OnMCIFailure(LONG) { return NotBuiltYet(); }
HRESULT VelkObject::get_OnMCISuccess(LONG *) { return NotBuiltYet(); }
HRESULT VelkObject::put_OnMCISuccess(LONG) { return NotBuiltYet(); }
HRESULT VelkObject::get_OnSurfaceLost(LONG *) { return NotBuiltYet(); }
HRESULT VelkObject::put_OnSurfaceLost(LONG) { return NotBuiltYet(); }
HRESULT VelkObject::Sound(LONG) { return NotBuiltYet(); }
HRESULT VelkObject::Snd_Open(LONG, BSTR) { return NotBuiltYet(); }
HRESULT VelkObject::Snd_Play(LONG, LONG) { return NotBuiltYet(); }
HRESULT VelkObject::Snd_LoopPlay(LONG, LONG) { return NotBuiltYet(); }
HRESULT VelkObject::Snd_Stop(LONG) { return NotBuiltYet(); }
HRESULT VelkObject::Download(BSTR, BSTR) { return NotBuiltYet(); }
HRESULT VelkObject::Snd_Pause(LONG, LONG) { return NotBuiltYet(); }
HRESULT VelkObject::Snd_GetData(LONG, LONG *) { return NotBuiltYet(); }
HRESULT VelkObject::TickReset() { return NotBuiltYet(); }
HRESULT VelkObject::mci(BSTR, BSTR, BSTR) { return NotBuiltYet(); }
