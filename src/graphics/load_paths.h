// Where the loading members (pictures, fonts) find a file by the host's name.
#pragma once

#include "core/user_directory.h"  // for: kPathBytes

namespace velk {

// The name as passed, else the name inside the user directory; false when
// neither opens (or the name does not fit the path buffer).
bool ResolveLoadPath(const char* name, char (&path)[kPathBytes]);

}  // namespace velk
