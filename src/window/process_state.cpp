// Process-wide window state (see process_state.h).
#include "window/process_state.h"

namespace velk {

HandlerSlots Handlers = {};
LONG PendingClientSize = 0;

bool TakePendingQuit(int* exit_code) {
    MSG message;
    if (!PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) return false;
    *exit_code = static_cast<int>(message.wParam);
    return true;
}

}  // namespace velk
