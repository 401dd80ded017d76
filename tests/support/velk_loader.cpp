// Ways a test reaches the library (see velk_loader.h).
#include "support/velk_loader.h"

namespace velk_test {
namespace {
using ServerFunction = HRESULT(STDAPICALLTYPE*)();
using GetClassObjectFunction = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

template <typename Function>
Function ExportAs(const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(VelkExport(name)));
}
}  // namespace

std::string ExecutablePath() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

std::string ExecutableDirectory() {
    std::string path = ExecutablePath();
    return path.substr(0, path.find_last_of('\\'));
}

std::string LibraryPath() { return ExecutableDirectory() + "\\VELKlib_100.dll"; }

HMODULE VelkLibrary() {
    static HMODULE library = LoadLibraryA(LibraryPath().c_str());
    return library;
}

FARPROC VelkExport(const char* name) {
    HMODULE library = VelkLibrary();
    return library ? GetProcAddress(library, name) : nullptr;
}

HRESULT GetLibraryClassFactory(IClassFactory** factory) {
    auto get_class_object = ExportAs<GetClassObjectFunction>("DllGetClassObject");
    if (!get_class_object) return E_FAIL;
    return get_class_object(CLSID_VELK, IID_IClassFactory, reinterpret_cast<void**>(factory));
}

IVELK* CreateFromLibrary() {
    IClassFactory* factory = nullptr;
    if (FAILED(GetLibraryClassFactory(&factory))) return nullptr;
    IVELK* velk = nullptr;
    factory->CreateInstance(nullptr, IID_IVELK, reinterpret_cast<void**>(&velk));
    factory->Release();
    return velk;
}

HRESULT RegisterLibrary() {
    auto function = ExportAs<ServerFunction>("DllRegisterServer");
    return function ? function() : E_FAIL;
}

HRESULT UnregisterLibrary() {
    auto function = ExportAs<ServerFunction>("DllUnregisterServer");
    return function ? function() : E_FAIL;
}

HRESULT InstallLibrary(bool install, const wchar_t* command) {
    using InstallFunction = HRESULT(STDAPICALLTYPE*)(BOOL, LPCWSTR);
    auto function = ExportAs<InstallFunction>("DllInstall");
    return function ? function(install ? TRUE : FALSE, command) : E_FAIL;
}

HRESULT LibraryCanUnloadNow() {
    auto function = ExportAs<ServerFunction>("DllCanUnloadNow");
    return function ? function() : E_FAIL;
}

VelkCreateFunction VelkCreateExport() { return ExportAs<VelkCreateFunction>("VELKCreate"); }

}  // namespace velk_test
