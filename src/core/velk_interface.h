// IVELK as the type library declares it. The generated header gives the
// optional FontName a string-literal default, which C++ flags as a writable
// string; the header is not ours to change, so that one warning is silenced here.
#pragma once
#include "core/host_address.h"  // for: HostAddress, the slots' type on either architecture

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wwrite-strings"
#include "velk_h.h"
#pragma GCC diagnostic pop
