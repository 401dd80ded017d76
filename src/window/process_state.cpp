// Process-wide window state (see process_state.h).
#include "window/process_state.h"

namespace velk {

HandlerSlots Handlers = {};
LONG PendingClientSize = 0;

}  // namespace velk
