// Ways a test reaches the library: the built DLL (directly or through the
// component runtime) and the exported functions.
#pragma once
#include <windows.h>

#include <string>

#include "core/velk_interface.h"

namespace velk_test {

std::string ExecutablePath();
std::string ExecutableDirectory();
std::string LibraryPath();  // VELKlib_100.dll beside the test program

// The built library, loaded once per process.
HMODULE VelkLibrary();
FARPROC VelkExport(const char* name);

// A new object from the DLL's class factory, without the registry.
IVELK* CreateFromLibrary();
HRESULT GetLibraryClassFactory(IClassFactory** factory);

HRESULT RegisterLibrary();
HRESULT UnregisterLibrary();
HRESULT InstallLibrary(bool install, const wchar_t* command);  // DllInstall
HRESULT LibraryCanUnloadNow();

using VelkCreateFunction = int(__cdecl*)(IVELK**);
VelkCreateFunction VelkCreateExport();

}  // namespace velk_test
