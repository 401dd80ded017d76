// Window state that belongs to the process rather than to one object: the
// host's handler slots (they outlive objects) and the pending client size.
#pragma once
#include <windows.h>

namespace velk {

// Host function addresses, 0 for none. Handlers are cdecl with one 32-bit
// argument; the replacement procedure has the platform's window-procedure form.
struct HandlerSlots {
    LONG OnActive;
    LONG OnDeActive;
    LONG OnKeyDown;
    LONG OnKeyUp;
    LONG OnCommand;
    LONG OnMouseDown;
    LONG OnMouseUp;
    LONG OnMouseWheel;
    LONG OnMove;
    LONG OnMoving;
    LONG OnSize;
    LONG OnSizing;
    LONG OnMCIFailure;
    LONG OnMCISuccess;
    LONG OnSurfaceLost;
    LONG Timer;      // set by wRunTimer; no property
    LONG Procedure;  // the wProcedure property
};

extern HandlerSlots Handlers;

// The one window timer: started by wRunTimer, killed by the object's teardown.
inline constexpr UINT_PTR kWindowTimerId = 4;

// Last client size from the size message (width low 16 bits, height high 16
// bits), 0 when none waits for the back buffer.
extern LONG PendingClientSize;

}  // namespace velk
