// Self-registration: the class, its two program identifiers and the type library.
#include <windows.h>

#include <olectl.h>  // for: SELFREG_E_CLASS, SELFREG_E_TYPELIB

#include <cstdio>
#include <cstring>

#include "core/texts.h"
#include "core/velk.h"

namespace {

// The library is registered under the platform key of the architecture it was built for.
constexpr SYSKIND kOwnSysKind = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;

// Registry form of a GUID: "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}".
void GuidText(REFGUID guid, char (&out)[39]) {
    snprintf(out, sizeof out, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
             static_cast<unsigned long>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1],
             guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
}

// Creates key `path` under the classes root and sets `name` (null: the default value).
bool SetClassesValue(const char* path, const char* name, const char* value) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, path, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    LONG status = ERROR_SUCCESS;
    if (value)
        status = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                                static_cast<DWORD>(strlen(value) + 1));
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

bool DeleteClassesTree(const char* path) {
    HKEY key = nullptr;
    LONG status = RegOpenKeyExA(HKEY_CLASSES_ROOT, path, 0, KEY_READ, &key);
    if (status == ERROR_FILE_NOT_FOUND) return true;  // nothing to remove
    if (status == ERROR_SUCCESS) RegCloseKey(key);
    status = RegDeleteTreeA(HKEY_CLASSES_ROOT, path);
    if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) {
        status = RegDeleteKeyA(HKEY_CLASSES_ROOT, path);
        return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
    }
    return false;
}

struct ClassKeys {
    char clsid[39];
    char libid[39];
    char class_key[64];  // "CLSID\{...}"
};

ClassKeys MakeClassKeys() {
    ClassKeys keys;
    GuidText(CLSID_VELK, keys.clsid);
    GuidText(LIBID_VELKLIB, keys.libid);
    snprintf(keys.class_key, sizeof keys.class_key, "CLSID\\%s", keys.clsid);
    return keys;
}

bool WriteProgId(const char* prog_id, const ClassKeys& keys, const char* current_version) {
    char path[64];
    bool ok = SetClassesValue(prog_id, nullptr, velk::texts::kClassDescription);
    snprintf(path, sizeof path, "%s\\CLSID", prog_id);
    ok = ok && SetClassesValue(path, nullptr, keys.clsid);
    if (current_version) {
        snprintf(path, sizeof path, "%s\\CurVer", prog_id);
        ok = ok && SetClassesValue(path, nullptr, current_version);
    }
    return ok;
}

bool WriteClassKey(const ClassKeys& keys, const char* module_path) {
    char path[128];
    // The class key is written afresh so that no stale subkey survives.
    DeleteClassesTree(keys.class_key);
    bool ok = SetClassesValue(keys.class_key, nullptr, velk::texts::kClassDescription);
    snprintf(path, sizeof path, "%s\\ProgID", keys.class_key);
    ok = ok && SetClassesValue(path, nullptr, velk::texts::kProgId);
    snprintf(path, sizeof path, "%s\\VersionIndependentProgID", keys.class_key);
    ok = ok && SetClassesValue(path, nullptr, velk::texts::kVersionIndependentProgId);
    snprintf(path, sizeof path, "%s\\Programmable", keys.class_key);
    ok = ok && SetClassesValue(path, nullptr, nullptr);
    snprintf(path, sizeof path, "%s\\InprocServer32", keys.class_key);
    ok = ok && SetClassesValue(path, nullptr, module_path);
    ok = ok && SetClassesValue(path, "ThreadingModel", velk::texts::kThreadingModel);
    snprintf(path, sizeof path, "%s\\TypeLib", keys.class_key);
    ok = ok && SetClassesValue(path, nullptr, keys.libid);
    return ok;
}

HRESULT RegisterOwnTypeLibrary() {
    wchar_t path[MAX_PATH];
    if (!velk::ModulePathW(path, MAX_PATH)) return SELFREG_E_TYPELIB;
    ITypeLib* library = nullptr;
    HRESULT hr = LoadTypeLibEx(path, REGKIND_NONE, &library);
    if (FAILED(hr)) return SELFREG_E_TYPELIB;
    hr = RegisterTypeLib(library, path, nullptr);
    library->Release();
    return SUCCEEDED(hr) ? S_OK : SELFREG_E_TYPELIB;
}

}  // namespace

STDAPI DllRegisterServer() {
    char module_path[MAX_PATH];
    if (!velk::ModulePath(module_path, MAX_PATH)) return SELFREG_E_CLASS;
    ClassKeys keys = MakeClassKeys();
    bool ok = WriteProgId(velk::texts::kProgId, keys, nullptr);
    ok = WriteProgId(velk::texts::kVersionIndependentProgId, keys, velk::texts::kProgId) && ok;
    ok = WriteClassKey(keys, module_path) && ok;
    if (!ok) return SELFREG_E_CLASS;
    return RegisterOwnTypeLibrary();
}

STDAPI DllUnregisterServer() {
    ClassKeys keys = MakeClassKeys();
    bool ok = DeleteClassesTree(keys.class_key);
    ok = DeleteClassesTree(velk::texts::kProgId) && ok;
    ok = DeleteClassesTree(velk::texts::kVersionIndependentProgId) && ok;
    // A library that is not registered has nothing to remove: unregistering twice succeeds.
    BSTR registered_path = nullptr;
    if (SUCCEEDED(QueryPathOfRegTypeLib(LIBID_VELKLIB, 1, 0, LOCALE_NEUTRAL, &registered_path))) {
        SysFreeString(registered_path);
        if (FAILED(UnRegisterTypeLib(LIBID_VELKLIB, 1, 0, LOCALE_NEUTRAL, kOwnSysKind))) ok = false;
    }
    return ok ? S_OK : SELFREG_E_CLASS;
}
