// The in-process server: library load, class factory, unload test and the
// creation export for native hosts.
#include <windows.h>
#include <initguid.h>  // defines the class, interface and library identifiers once

#include "core/texts.h"
#include "core/velk.h"

namespace velk {
namespace {

HINSTANCE g_module_instance = nullptr;
std::atomic<LONG> g_live_objects{0};
std::atomic<LONG> g_server_locks{0};

class ClassFactory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
            *out = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    // The factory is static: its references only keep the module loaded.
    ULONG STDMETHODCALLTYPE AddRef() override {
        LockModule(true);
        return 2;
    }
    ULONG STDMETHODCALLTYPE Release() override {
        LockModule(false);
        return 1;
    }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        return VelkObject::Create(outer, iid, out);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        LockModule(lock != FALSE);
        return S_OK;
    }
};

ClassFactory g_class_factory;

}  // namespace

HINSTANCE ModuleInstance() { return g_module_instance; }

bool ModulePath(char* buf, DWORD size) {
    DWORD n = GetModuleFileNameA(g_module_instance, buf, size);
    return n > 0 && n < size;
}

bool ModulePathW(wchar_t* buf, DWORD size) {
    DWORD n = GetModuleFileNameW(g_module_instance, buf, size);
    return n > 0 && n < size;
}

void ObjectCreated() { ++g_live_objects; }
void ObjectDestroyed() { --g_live_objects; }
void LockModule(bool lock) {
    if (lock)
        ++g_server_locks;
    else
        --g_server_locks;
}
bool ModuleInUse() { return g_live_objects.load() > 0 || g_server_locks.load() > 0; }

void PinModule() {
    HMODULE pinned = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                       reinterpret_cast<LPCWSTR>(&PinModule), &pinned);
}

HRESULT LoadVelkTypeInfo(ITypeInfo** dispatch_info, ITypeInfo** interface_info) {
    *dispatch_info = nullptr;
    *interface_info = nullptr;
    wchar_t path[MAX_PATH];
    if (!ModulePathW(path, MAX_PATH)) return E_FAIL;
    ITypeLib* library = nullptr;
    HRESULT hr = LoadTypeLibEx(path, REGKIND_NONE, &library);
    if (FAILED(hr)) return hr;
    hr = library->GetTypeInfoOfGuid(IID_IVELK2, dispatch_info);
    library->Release();
    if (FAILED(hr)) return hr;
    // A dual interface's dispatch description refers to its vtable description.
    HREFTYPE vtable_ref = 0;
    if (SUCCEEDED((*dispatch_info)->GetRefTypeOfImplType(static_cast<UINT>(-1), &vtable_ref)) &&
        SUCCEEDED((*dispatch_info)->GetRefTypeInfo(vtable_ref, interface_info))) {
        return S_OK;
    }
    (*dispatch_info)->AddRef();
    *interface_info = *dispatch_info;
    return S_OK;
}

}  // namespace velk

// ---------------------------------------------------------------- exports

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        velk::g_module_instance = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!IsEqualCLSID(clsid, CLSID_VELK)) return CLASS_E_CLASSNOTAVAILABLE;
    return velk::g_class_factory.QueryInterface(iid, out);
}

STDAPI DllCanUnloadNow() { return velk::ModuleInUse() ? S_FALSE : S_OK; }

// Native hosts' way in: needs the caller's thread initialised for the component
// runtime. A host that ships the library beside its program without registering
// it gets the same object from the library's own class factory.
extern "C" int __cdecl VELKCreate(IVELK** velk) {
    IVELK* created = nullptr;
    HRESULT hr =
        CoCreateInstance(CLSID_VELK, nullptr, CLSCTX_ALL, IID_IVELK, reinterpret_cast<void**>(&created));
    if (hr == REGDB_E_CLASSNOTREG) {
        IClassFactory* factory = nullptr;
        if (SUCCEEDED(DllGetClassObject(CLSID_VELK, IID_IClassFactory, reinterpret_cast<void**>(&factory)))) {
            factory->CreateInstance(nullptr, IID_IVELK, reinterpret_cast<void**>(&created));
            factory->Release();
        }
    }
    if (velk) *velk = created;
    if (!created) {
        MessageBoxA(nullptr, velk::texts::kCreateFailedText, velk::texts::kCreateFailedCaption, MB_OK);
        return 0;
    }
    if (!velk) {  // nowhere to hand the object to: do not leak it
        created->Release();
        return 0;
    }
    return 1;
}
