// Graphics modes: the seam through which the DirectDraw object is created.
#pragma once
#include <windows.h>

namespace velk {

using DirectDrawCreator = HRESULT(WINAPI*)(GUID* device, void** object, REFIID iid, IUnknown* outer);

// The creator that mode 2 and 3 set-ups call; null puts the platform's back.
// Tests use it to force the fall-back to GDI on a display that has DirectDraw.
void SetDirectDrawCreator(DirectDrawCreator creator);

}  // namespace velk
