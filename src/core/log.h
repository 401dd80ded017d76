// The log writer and the two fatal paths. Every subsystem reports through these.
#pragma once

#include "core/host_address.h"  // for: HexValue, the logged form of a handle

class VelkObject;

namespace velk {

inline constexpr unsigned kLogEntryBytes = 1024;
inline constexpr unsigned kSystemErrorCallerBytes = 4096;

// Appends one formatted entry to "Log.txt" when the object's log is on.
void LogWrite(const VelkObject* self, const char* format, ...);

// Logs (when on), shows the text in a box, releases the object once, exits with 1.
[[noreturn]] void FatalError(VelkObject* self, const char* format, ...);

// As FatalError, with the system's text for the calling thread's last error appended.
[[noreturn]] void FatalSystemError(VelkObject* self, const char* format, ...);

// Box without owner and exit with 1, touching no object: for errors raised while
// no usable object exists yet.
[[noreturn]] void FatalWithoutObject(const char* text);

// Work under way that a fatal end must undo before the process goes (a
// half-written temporary file, say). A member registers it for as long as it
// runs; the fatal path undoes every registered one, from any depth of nesting.
struct FatalUndo {
    void (*undo)(FatalUndo* self) = nullptr;
    FatalUndo* next = nullptr;
};
void RegisterFatalUndo(FatalUndo* work);
void UnregisterFatalUndo(FatalUndo* work);

// Appends one entry (plus a line break) to "Log.txt" in the current directory.
// Silently does nothing when the file cannot be opened.
void AppendLogEntry(const char* text);

}  // namespace velk
