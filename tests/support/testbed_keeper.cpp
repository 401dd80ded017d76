// Keeps one program alive in the test bed's Wine session, so that Wine's helper
// services (started on first use of the component runtime) stay up and are
// owned by this program rather than by the test runner, whose pipes they would
// otherwise hold open until they time out. Ends when the session is stopped.
// With a path argument it creates that file once the services are up, so that
// the bed waits for the fact rather than for a guessed time.
#include <windows.h>

int main(int argc, char** argv) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    // Registry access through the component runtime starts the RPC service.
    IUnknown* unknown = nullptr;
    CoCreateInstance(CLSID_StdGlobalInterfaceTable, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                     reinterpret_cast<void**>(&unknown));
    // A window of its own starts the desktop process under this program too and
    // keeps it alive between tests; otherwise every test program starts it again,
    // with the runner's pipes inherited, and the runner waits for it to go.
    HWND window = CreateWindowA("STATIC", "testbed keeper", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    (void)window;
    if (argc > 1) {
        HANDLE ready = CreateFileA(argv[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (ready != INVALID_HANDLE_VALUE) CloseHandle(ready);
    }
    Sleep(INFINITE);
    return 0;
}
