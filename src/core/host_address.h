// The one place where the pointer width shows: how a host function address is
// stored, how the library calls through it and how a handle is logged. The rest
// of the code reads the same on 32 and 64 bits.
#pragma once
#include <windows.h>

#include <cinttypes>  // for: PRIxPTR
#include <cstdint>

namespace velk {

// A host function address as the interface carries it: `long` on 32 bits,
// `LONGLONG` on 64 bits (the type library's VT_I4 or VT_I8), never cut.
using HostAddress = LONG_PTR;

// The address of a host function, in the form the slot properties take.
template <typename Function>
HostAddress AddressOf(Function* function) {
    return reinterpret_cast<HostAddress>(function);
}

// Event handlers: one argument, caller-removed, result ignored. The argument is
// passed register-wide: every event's value is a 32-bit number, which a handler
// declared with a `long` reads unchanged, but the drag rectangle's address of
// the sizing and moving events stays whole on 64 bits for a handler that takes
// a pointer-wide integer.
using EventArgument = LONG_PTR;
using EventHandler = void(__cdecl*)(EventArgument argument);

inline void CallHandler(HostAddress address, EventArgument argument) {
    reinterpret_cast<EventHandler>(address)(argument);
}

inline LRESULT CallWindowProcedure(HostAddress address, HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    return reinterpret_cast<WNDPROC>(address)(window, message, wparam, lparam);
}

// A handle or address for the "%x(Hex)" log shapes: printed at its full width.
#define VELK_HEX "%" PRIxPTR

inline uintptr_t HexValue(const void* address) {
    return reinterpret_cast<uintptr_t>(address);
}

}  // namespace velk
