// Log writer and fatal error paths. Entries are serialised between the host's
// thread and the sound worker threads so that lines never interleave.
#include "core/log.h"

#include <windows.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "core/text_format.h"
#include "core/texts.h"
#include "core/velk.h"
#include "window/process_state.h"

namespace velk {
namespace {

std::mutex& LogMutex() {
    static std::mutex mutex;
    return mutex;
}

// The thread whose fatal error ends the process; 0 while none has happened.
std::atomic<DWORD> FatalThread{0};
FatalUndo* UndoList = nullptr;

BOOL CALLBACK FindFatalBox(HWND window, LPARAM context) {
    char class_name[16] = {};
    char caption[128] = {};
    GetClassNameA(window, class_name, sizeof class_name);
    GetWindowTextA(window, caption, sizeof caption);
    if (strcmp(class_name, "#32770") != 0 || strcmp(caption, texts::kFatalCaption) != 0) return TRUE;
    *reinterpret_cast<HWND*>(context) = window;
    return FALSE;
}

// The box of the fatal error under way on this thread, if it is up.
HWND FatalBoxOfThisThread() {
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindFatalBox, reinterpret_cast<LPARAM>(&found));
    return found;
}

// A fatal error raised while another one ends the process shows nothing and
// logs nothing. On the thread of the first, handlers run by its box's loop
// raised it: the box alone is served until the user answers it, then the
// process ends here. Any other thread waits for that end.
[[noreturn]] void AwaitFirstFatal(VelkObject* self, bool on_fatal_thread) {
    if (!on_fatal_thread) {
        for (;;) Sleep(INFINITE);
    }
    HWND box = FatalBoxOfThisThread();
    // Made but not shown yet: the handler ran while the box took the focus,
    // and its loop, which shows it, waits under this call.
    if (box && !IsWindowVisible(box)) ShowWindow(box, SW_SHOWNORMAL);
    MSG message;
    while (box && IsWindowVisible(box) && GetMessageA(&message, box, 0, 0) > 0) {
        if (!IsDialogMessageA(box, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    if (self) self->TeardownOnce();
    ExitProcess(1);
}

// Claims the fatal end for this thread; a second claim never returns.
void ClaimFatalEnd(VelkObject* self) {
    DWORD none = 0;
    const DWORD me = GetCurrentThreadId();
    if (!FatalThread.compare_exchange_strong(none, me)) AwaitFirstFatal(self, none == me);
}

void UndoRegisteredWork() {
    while (FatalUndo* work = UndoList) {
        UndoList = work->next;
        work->undo(work);
    }
}

// A quit message waiting in the queue would close the box at once, unseen.
void DropPendingQuit() {
    int code = 0;
    TakePendingQuit(&code);
}

[[noreturn]] void FatalWithText(VelkObject* self, const char* text) {
    ClaimFatalEnd(self);
    // The timer's handler would run again inside the box's loop, and fail again.
    if (self->WindowHandle()) KillTimer(self->WindowHandle(), kWindowTimerId);
    if (self->LoggingOn()) AppendLogEntry(text);
    UndoRegisteredWork();
    DropPendingQuit();
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

void RegisterFatalUndo(FatalUndo* work) {
    work->next = UndoList;
    UndoList = work;
}

void UnregisterFatalUndo(FatalUndo* work) {
    for (FatalUndo** link = &UndoList; *link; link = &(*link)->next) {
        if (*link != work) continue;
        *link = work->next;
        return;
    }
}

void FatalWithoutObject(const char* text) {
    ClaimFatalEnd(nullptr);
    DropPendingQuit();
    MessageBoxA(nullptr, text, texts::kFatalCaption, MB_OK);
    ExitProcess(1);
}

}  // namespace velk
