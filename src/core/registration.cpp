// Self-registration: the class, its two program identifiers and the type library,
// for the machine (DllRegisterServer) or for the current user alone (DllInstall "user").
#include <windows.h>

#include <olectl.h>  // for: SELFREG_E_CLASS, SELFREG_E_TYPELIB

#include <cstdio>
#include <cstring>
#include <cwchar>

#include "core/texts.h"
#include "core/velk.h"

namespace {

// The library is registered under the platform key of the architecture it was built for.
constexpr SYSKIND kOwnSysKind = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;
constexpr const char* kOwnPlatform = sizeof(void*) == 8 ? "win64" : "win32";

// A user's own classes: the component runtime reads them before the machine's,
// and writing them needs no administrator rights.
constexpr char kUserClassesKey[] = "Software\\Classes";
constexpr wchar_t kPerUserCommand[] = L"user";
// Automation interfaces are marshalled by the platform's type-library marshaler.
constexpr char kAutomationMarshaler[] = "{00020424-0000-0000-C000-000000000046}";

// Registry form of a GUID: "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}".
void GuidText(REFGUID guid, char (&out)[39]) {
    snprintf(out, sizeof out, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
             static_cast<unsigned long>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1],
             guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
}

// ---------------------------------------------------------------- keys under a classes root
// `root` is the machine's classes root or the user's own classes key; everything
// below is written the same way under either.

// Creates key `path` under `root` and sets `name` (null: the default value).
bool SetClassesValue(HKEY root, const char* path, const char* name, const char* value) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS) return false;
    LONG status = ERROR_SUCCESS;
    if (value)
        status = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                                static_cast<DWORD>(strlen(value) + 1));
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

bool DeleteClassesTree(HKEY root, const char* path) {
    HKEY key = nullptr;
    LONG status = RegOpenKeyExA(root, path, 0, KEY_READ, &key);
    if (status == ERROR_FILE_NOT_FOUND) return true;  // nothing to remove
    if (status == ERROR_SUCCESS) RegCloseKey(key);
    status = RegDeleteTreeA(root, path);
    if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) {
        status = RegDeleteKeyA(root, path);
        return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
    }
    return false;
}

// Removes key `path` when nothing is left in it: the user's containers (CLSID,
// TypeLib, Interface) that registration may have created go again with it.
void DeleteIfEmpty(HKEY root, const char* path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    DWORD subkeys = 1, values = 1;
    LONG status = RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                                   nullptr, nullptr, nullptr);
    RegCloseKey(key);
    if (status == ERROR_SUCCESS && subkeys == 0 && values == 0) RegDeleteKeyA(root, path);
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

bool WriteProgId(HKEY root, const char* prog_id, const ClassKeys& keys, const char* current_version) {
    char path[64];
    bool ok = SetClassesValue(root, prog_id, nullptr, velk::texts::kClassDescription);
    snprintf(path, sizeof path, "%s\\CLSID", prog_id);
    ok = ok && SetClassesValue(root, path, nullptr, keys.clsid);
    if (current_version) {
        snprintf(path, sizeof path, "%s\\CurVer", prog_id);
        ok = ok && SetClassesValue(root, path, nullptr, current_version);
    }
    return ok;
}

bool WriteClassKey(HKEY root, const ClassKeys& keys, const char* module_path) {
    char path[128];
    // The class key is written afresh so that no stale subkey survives.
    DeleteClassesTree(root, keys.class_key);
    bool ok = SetClassesValue(root, keys.class_key, nullptr, velk::texts::kClassDescription);
    snprintf(path, sizeof path, "%s\\ProgID", keys.class_key);
    ok = ok && SetClassesValue(root, path, nullptr, velk::texts::kProgId);
    snprintf(path, sizeof path, "%s\\VersionIndependentProgID", keys.class_key);
    ok = ok && SetClassesValue(root, path, nullptr, velk::texts::kVersionIndependentProgId);
    snprintf(path, sizeof path, "%s\\Programmable", keys.class_key);
    ok = ok && SetClassesValue(root, path, nullptr, nullptr);
    snprintf(path, sizeof path, "%s\\InprocServer32", keys.class_key);
    ok = ok && SetClassesValue(root, path, nullptr, module_path);
    ok = ok && SetClassesValue(root, path, "ThreadingModel", velk::texts::kThreadingModel);
    snprintf(path, sizeof path, "%s\\TypeLib", keys.class_key);
    ok = ok && SetClassesValue(root, path, nullptr, keys.libid);
    return ok;
}

// The registration script: both program identifiers and the class key.
HRESULT WriteClassRegistration(HKEY root) {
    char module_path[MAX_PATH];
    if (!velk::ModulePath(module_path, MAX_PATH)) return SELFREG_E_CLASS;
    ClassKeys keys = MakeClassKeys();
    bool ok = WriteProgId(root, velk::texts::kProgId, keys, nullptr);
    ok = WriteProgId(root, velk::texts::kVersionIndependentProgId, keys, velk::texts::kProgId) && ok;
    ok = WriteClassKey(root, keys, module_path) && ok;
    return ok ? S_OK : SELFREG_E_CLASS;
}

bool RemoveClassRegistration(HKEY root) {
    ClassKeys keys = MakeClassKeys();
    bool ok = DeleteClassesTree(root, keys.class_key);
    ok = DeleteClassesTree(root, velk::texts::kProgId) && ok;
    return DeleteClassesTree(root, velk::texts::kVersionIndependentProgId) && ok;
}

// ---------------------------------------------------------------- the type library

ITypeLib* LoadOwnTypeLibrary() {
    wchar_t path[MAX_PATH];
    if (!velk::ModulePathW(path, MAX_PATH)) return nullptr;
    ITypeLib* library = nullptr;
    if (FAILED(LoadTypeLibEx(path, REGKIND_NONE, &library))) return nullptr;
    return library;
}

HRESULT RegisterOwnTypeLibrary() {
    wchar_t path[MAX_PATH];
    ITypeLib* library = LoadOwnTypeLibrary();
    if (!library || !velk::ModulePathW(path, MAX_PATH)) {
        if (library) library->Release();
        return SELFREG_E_TYPELIB;
    }
    HRESULT hr = RegisterTypeLib(library, path, nullptr);
    library->Release();
    return SUCCEEDED(hr) ? S_OK : SELFREG_E_TYPELIB;
}

// ANSI copy of a type library name, cut to the buffer.
void NarrowName(BSTR name, char (&out)[256]) {
    out[0] = '\0';
    if (name && !WideCharToMultiByte(CP_ACP, 0, name, -1, out, sizeof out, nullptr, nullptr)) out[0] = '\0';
    out[sizeof out - 1] = '\0';
}

// Calls `visit` with the identifier and name of every interface that automation
// callers reach through the type library (dispatch, dual and automation-compatible ones).
template <typename Visit>
bool ForEachAutomationInterface(ITypeLib* library, Visit visit) {
    bool ok = true;
    for (UINT index = 0; index < library->GetTypeInfoCount(); ++index) {
        ITypeInfo* info = nullptr;
        if (FAILED(library->GetTypeInfo(index, &info))) return false;
        TYPEATTR* attr = nullptr;
        if (SUCCEEDED(info->GetTypeAttr(&attr))) {
            bool automation = attr->typekind == TKIND_DISPATCH ||
                              (attr->typekind == TKIND_INTERFACE && (attr->wTypeFlags & TYPEFLAG_FOLEAUTOMATION));
            if (automation) {
                BSTR name = nullptr;
                library->GetDocumentation(static_cast<INT>(index), &name, nullptr, nullptr, nullptr);
                char narrow[256];
                NarrowName(name, narrow);
                SysFreeString(name);
                ok = visit(attr->guid, narrow) && ok;
            }
            info->ReleaseTypeAttr(attr);
        } else {
            ok = false;
        }
        info->Release();
    }
    return ok;
}

struct TypeLibraryKeys {
    char library_key[64];   // "TypeLib\{...}"
    char version_key[80];   // "TypeLib\{...}\1.0"
};

TypeLibraryKeys MakeTypeLibraryKeys(const TLIBATTR& attr) {
    TypeLibraryKeys keys;
    char libid[39];
    GuidText(attr.guid, libid);
    snprintf(keys.library_key, sizeof keys.library_key, "TypeLib\\%s", libid);
    snprintf(keys.version_key, sizeof keys.version_key, "%s\\%x.%x", keys.library_key, attr.wMajorVerNum,
             attr.wMinorVerNum);
    return keys;
}

bool WriteInterfaceKey(HKEY root, REFGUID iid, const char* name, const char* libid, const char* version) {
    char iid_text[39], key[64], path[96];
    GuidText(iid, iid_text);
    snprintf(key, sizeof key, "Interface\\%s", iid_text);
    bool ok = SetClassesValue(root, key, nullptr, name);
    snprintf(path, sizeof path, "%s\\ProxyStubClsid", key);
    ok = ok && SetClassesValue(root, path, nullptr, kAutomationMarshaler);
    snprintf(path, sizeof path, "%s\\ProxyStubClsid32", key);
    ok = ok && SetClassesValue(root, path, nullptr, kAutomationMarshaler);
    snprintf(path, sizeof path, "%s\\TypeLib", key);
    ok = ok && SetClassesValue(root, path, nullptr, libid);
    return ok && SetClassesValue(root, path, "Version", version);
}

// The keys the platform writes for a registered type library, under `root`.
// The platform's per-user call is not used: not every implementation keeps it per user.
HRESULT WriteTypeLibraryKeys(HKEY root) {
    char module_path[MAX_PATH];
    ITypeLib* library = LoadOwnTypeLibrary();
    if (!library) return SELFREG_E_TYPELIB;
    TLIBATTR* attr = nullptr;
    if (!velk::ModulePath(module_path, MAX_PATH) || FAILED(library->GetLibAttr(&attr))) {
        library->Release();
        return SELFREG_E_TYPELIB;
    }
    TypeLibraryKeys keys = MakeTypeLibraryKeys(*attr);
    char libid[39], version[16], flags[16], path[128], description[256];
    GuidText(attr->guid, libid);
    snprintf(version, sizeof version, "%x.%x", attr->wMajorVerNum, attr->wMinorVerNum);
    snprintf(flags, sizeof flags, "%u", static_cast<unsigned>(attr->wLibFlags));
    LCID lcid = attr->lcid;
    library->ReleaseTLibAttr(attr);

    BSTR name = nullptr, doc = nullptr;
    library->GetDocumentation(-1, &name, &doc, nullptr, nullptr);
    NarrowName(doc && *doc ? doc : name, description);
    SysFreeString(name);
    SysFreeString(doc);

    bool ok = SetClassesValue(root, keys.version_key, nullptr, description);
    snprintf(path, sizeof path, "%s\\%lx\\%s", keys.version_key, static_cast<unsigned long>(lcid), kOwnPlatform);
    ok = ok && SetClassesValue(root, path, nullptr, module_path);
    snprintf(path, sizeof path, "%s\\FLAGS", keys.version_key);
    ok = ok && SetClassesValue(root, path, nullptr, flags);
    char* last_separator = strrchr(module_path, '\\');
    if (last_separator) *last_separator = '\0';  // the help directory: the library's folder
    snprintf(path, sizeof path, "%s\\HELPDIR", keys.version_key);
    ok = ok && SetClassesValue(root, path, nullptr, module_path);
    ok = ok && ForEachAutomationInterface(library, [&](REFGUID iid, const char* interface_name) {
        return WriteInterfaceKey(root, iid, interface_name, libid, version);
    });
    library->Release();
    return ok ? S_OK : SELFREG_E_TYPELIB;
}

bool RemoveTypeLibraryKeys(HKEY root) {
    ITypeLib* library = LoadOwnTypeLibrary();
    if (!library) return false;
    TLIBATTR* attr = nullptr;
    if (FAILED(library->GetLibAttr(&attr))) {
        library->Release();
        return false;
    }
    TypeLibraryKeys keys = MakeTypeLibraryKeys(*attr);
    library->ReleaseTLibAttr(attr);
    bool ok = ForEachAutomationInterface(library, [&](REFGUID iid, const char*) {
        char iid_text[39], key[64];
        GuidText(iid, iid_text);
        snprintf(key, sizeof key, "Interface\\%s", iid_text);
        return DeleteClassesTree(root, key);
    });
    library->Release();
    ok = DeleteClassesTree(root, keys.version_key) && ok;
    DeleteIfEmpty(root, keys.library_key);  // other versions of the library stay
    return ok;
}

// ---------------------------------------------------------------- per-user registration

HRESULT RegisterForUser() {
    HKEY root = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kUserClassesKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &root,
                        nullptr) != ERROR_SUCCESS)
        return SELFREG_E_CLASS;
    HRESULT hr = WriteClassRegistration(root);
    if (SUCCEEDED(hr)) hr = WriteTypeLibraryKeys(root);
    RegCloseKey(root);
    return hr;
}

HRESULT UnregisterForUser() {
    HKEY root = nullptr;
    LONG status = RegOpenKeyExA(HKEY_CURRENT_USER, kUserClassesKey, 0, KEY_ALL_ACCESS, &root);
    if (status == ERROR_FILE_NOT_FOUND) return S_OK;  // never registered: nothing to remove
    if (status != ERROR_SUCCESS) return SELFREG_E_CLASS;
    bool ok = RemoveClassRegistration(root);
    ok = RemoveTypeLibraryKeys(root) && ok;
    for (const char* container : {"CLSID", "TypeLib", "Interface"}) DeleteIfEmpty(root, container);
    RegCloseKey(root);
    DeleteIfEmpty(HKEY_CURRENT_USER, kUserClassesKey);  // a fresh profile may not have had one
    return ok ? S_OK : SELFREG_E_CLASS;
}

}  // namespace

STDAPI DllRegisterServer() {
    HRESULT hr = WriteClassRegistration(HKEY_CLASSES_ROOT);
    if (FAILED(hr)) return hr;
    return RegisterOwnTypeLibrary();
}

STDAPI DllUnregisterServer() {
    bool ok = RemoveClassRegistration(HKEY_CLASSES_ROOT);
    // A library that is not registered has nothing to remove: unregistering twice succeeds.
    // Version 1.0 was registered by the library before IVELK2: an update leaves neither behind.
    for (WORD minor : {1, 0}) {
        BSTR registered_path = nullptr;
        if (FAILED(QueryPathOfRegTypeLib(LIBID_VELKLIB, 1, minor, LOCALE_NEUTRAL, &registered_path))) continue;
        SysFreeString(registered_path);
        if (FAILED(UnRegisterTypeLib(LIBID_VELKLIB, 1, minor, LOCALE_NEUTRAL, kOwnSysKind))) ok = false;
    }
    return ok ? S_OK : SELFREG_E_CLASS;
}

// "regsvr32 /n /i:user" registers for the current user alone ("/u /n /i:user"
// removes that again); with no command it does what DllRegisterServer does.
STDAPI DllInstall(BOOL install, LPCWSTR command) {
    if (command && _wcsicmp(command, kPerUserCommand) == 0) return install ? RegisterForUser() : UnregisterForUser();
    if (!command || !*command) return install ? DllRegisterServer() : DllUnregisterServer();
    return E_INVALIDARG;
}
