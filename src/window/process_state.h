// Window state that belongs to the process rather than to one object.
#pragma once
#include <windows.h>

namespace velk {

// Last client size from the size message (width low 16 bits, height high 16
// bits), 0 when none waits for the back buffer.
extern LONG PendingClientSize;

}  // namespace velk
