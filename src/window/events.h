// Which host handler a window message calls, and with what argument.
#pragma once
#include <windows.h>

#include "window/process_state.h"

namespace velk {

struct EventCall {
    HostAddress HandlerSlots::*slot;  // null: the message calls no handler
    EventArgument argument;
};

// The event table of the window procedure; platform-free so it can be tested alone.
EventCall EventForMessage(UINT message, WPARAM wparam, LPARAM lparam);

// The library's window procedure: events, the destroy handling, or the host's
// replacement procedure when one is set.
LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace velk
