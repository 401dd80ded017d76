// Log writer and fatal error paths. Entries are serialised between the host's
// thread and the sound worker threads so that lines never interleave.
#include "core/log.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <mutex>

#include "core/text_format.h"
#include "core/texts.h"
#include "core/velk.h"

namespace velk {
namespace {

std::mutex& LogMutex() {
    static std::mutex mutex;
    return mutex;
}

[[noreturn]] void FatalWithText(VelkObject* self, const char* text) {
    if (self->LoggingOn()) AppendLogEntry(text);
    // A destroyed window cannot own a box: the box would not appear at all.
    HWND owner = self->WindowHandle();
    if (owner && !IsWindow(owner)) owner = nullptr;
    MessageBoxA(owner, text, texts::kFatalCaption, MB_OK);
    // Releasing one reference tears down only a host that held one; a script
    // host holding several would end with MCI devices open and sound playing.
    self->TeardownOnce();
    ExitProcess(1);
}

}  // namespace

void AppendLogEntry(const char* text) {
    std::lock_guard<std::mutex> lock(LogMutex());
    FILE* file = fopen(texts::kLogFileName, "a");  // text mode: "\n" is stored as CR LF
    if (!file) return;
    fputs(text, file);
    fputs("\n", file);
    fclose(file);
}

void LogWrite(const VelkObject* self, const char* format, ...) {
    if (!self || !self->LoggingOn()) return;
    char entry[kLogEntryBytes];
    va_list args;
    va_start(args, format);
    FormatBounded(entry, sizeof entry, format, args);
    va_end(args);
    AppendLogEntry(entry);
}

void FatalError(VelkObject* self, const char* format, ...) {
    char entry[kLogEntryBytes];
    va_list args;
    va_start(args, format);
    FormatBounded(entry, sizeof entry, format, args);
    va_end(args);
    FatalWithText(self, entry);
}

void FatalSystemError(VelkObject* self, const char* format, ...) {
    DWORD code = GetLastError();  // first, before any other call can change it
    char* system_text = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, 0x400, reinterpret_cast<char*>(&system_text), 0, nullptr);
    char caller_part[kSystemErrorCallerBytes];
    va_list args;
    va_start(args, format);
    FormatBounded(caller_part, sizeof caller_part, format, args);
    va_end(args);
    char entry[kLogEntryBytes];
    FormatBoundedV(entry, sizeof entry, texts::kSystemDetail, caller_part, system_text ? system_text : "");
    if (system_text) LocalFree(system_text);
    FatalWithText(self, entry);
}

void FatalWithoutObject(const char* text) {
    MessageBoxA(nullptr, text, texts::kFatalCaption, MB_OK);
    ExitProcess(1);
}

}  // namespace velk
