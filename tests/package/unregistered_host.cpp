// A native host as a game ships it: the library beside the program, not
// registered anywhere. Built from the release package's header alone.
#include <cstdio>

#define VELK_DEFINE_IDENTIFIERS  // this file defines the identifiers the header declares
#include "velk.h"

int main() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    CLSID registered;
    if (SUCCEEDED(CLSIDFromProgID(L"VELK", &registered))) {
        std::printf("host: FAILED, the class is registered\n");
        return 1;
    }

    IVELK* velk = nullptr;
    if (VELKCreate(&velk) != 1 || !velk) {
        std::printf("host: FAILED, VELKCreate gave no object\n");
        return 1;
    }
    // The object answers as a registered one does: through its vtable and by name.
    LONG version = 0;
    HRESULT direct = velk->GetVELKVer(&version);
    OLECHAR name[] = L"GetVELKVer";
    OLECHAR* names[] = {name};
    DISPID id = 0;
    HRESULT by_name = velk->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    VARIANT result;
    VariantInit(&result);
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    HRESULT invoked = velk->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, &result, nullptr, nullptr);
    std::printf("host: version %ld (%lx), by name %ld as %d (%lx, %lx)\n", version, static_cast<unsigned long>(direct),
                V_I4(&result), static_cast<int>(V_VT(&result)), static_cast<unsigned long>(by_name),
                static_cast<unsigned long>(invoked));
    bool same = direct == S_OK && version == 1 && by_name == S_OK && invoked == S_OK && V_VT(&result) == VT_I4 &&
                V_I4(&result) == 1;
    ULONG left = velk->Release();
    CoUninitialize();
    if (!same || left != 0) {
        std::printf("host: FAILED\n");
        return 1;
    }
    std::printf("host: done\n");
    return 0;
}
