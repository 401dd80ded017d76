// Window state that belongs to the process rather than to one object: the
// host's handler slots (they outlive objects) and the pending client size.
#pragma once
#include <windows.h>

#include "core/host_address.h"

namespace velk {

// Host function addresses, 0 for none. Handlers are cdecl with one 32-bit
// argument; the replacement procedure has the platform's window-procedure form.
struct HandlerSlots {
    HostAddress OnActive;
    HostAddress OnDeActive;
    HostAddress OnKeyDown;
    HostAddress OnKeyUp;
    HostAddress OnCommand;
    HostAddress OnMouseDown;
    HostAddress OnMouseUp;
    HostAddress OnMouseWheel;
    HostAddress OnMove;
    HostAddress OnMoving;
    HostAddress OnSize;
    HostAddress OnSizing;
    HostAddress OnMCIFailure;
    HostAddress OnMCISuccess;
    HostAddress OnSurfaceLost;
    HostAddress Timer;      // set by wRunTimer; no property
    HostAddress Procedure;  // the wProcedure property
};

extern HandlerSlots Handlers;

// The one window timer: started by wRunTimer, killed by the object's teardown.
inline constexpr UINT_PTR kWindowTimerId = 4;

// Last client size from the size message (width low 16 bits, height high 16
// bits), 0 when none waits for the back buffer.
extern LONG PendingClientSize;

// Takes a quit message waiting in the calling thread's queue, with its exit
// code; false when none waits.
bool TakePendingQuit(int* exit_code);

}  // namespace velk
