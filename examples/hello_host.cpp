// A native host: creates the object through the exported creation function,
// switches the log on and prints the library's version.
#include <windows.h>
#include <initguid.h>

#include <cstdio>

#include "core/velk_interface.h"

using CreateFunction = int(__cdecl*)(IVELK**);

int main() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    HMODULE library = LoadLibraryA("VELKlib_100.dll");
    if (!library) {
        fprintf(stderr, "VELKlib_100.dll not found\n");
        return 2;
    }
    auto create = reinterpret_cast<CreateFunction>(reinterpret_cast<void*>(GetProcAddress(library, "VELKCreate")));
    IVELK* velk = nullptr;
    if (!create || !create(&velk)) return 3;
    velk->Logging();
    LONG version = 0;
    velk->GetVELKVer(&version);
    printf("VELK version %ld\n", static_cast<long>(version));
    velk->Release();
    CoUninitialize();
    return 0;
}
