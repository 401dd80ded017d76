// Keeps one program alive in the test bed's Wine session, so that Wine's helper
// services (started on first use of the component runtime) stay up and are
// owned by this program rather than by the test runner, whose pipes they would
// otherwise hold open until they time out. Ends when the session is stopped.
#include <windows.h>

int main() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    // Registry access through the component runtime starts the RPC service.
    IUnknown* unknown = nullptr;
    CoCreateInstance(CLSID_StdGlobalInterfaceTable, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                     reinterpret_cast<void**>(&unknown));
    Sleep(INFINITE);
    return 0;
}
