// VELK for C and C++ hosts: the IVELK interface, IVELK2 (IVELK's members and
// the ones added after them: sound volume, pan, speed, fades and voices), the
// class and library identifiers, and the creation export VELKCreate.
//
// Create the object with VELKCreate (works with the library registered or not,
// as long as VELKlib_100.dll can be loaded) or, once it is registered, with
// CoCreateInstance(CLSID_VELK, ...). VELKCreate hands out IVELK; query it for
// IID_IVELK2 to reach the added members. The identifiers (CLSID_VELK, IID_IVELK,
// IID_IVELK2, LIBID_VELKLIB) are defined by the one source file that defines
// VELK_DEFINE_IDENTIFIERS before including this header; hosts that only call
// VELKCreate need none of them.
#ifndef VELK_HOST_HEADER
#define VELK_HOST_HEADER

#include <windows.h>
#include <ole2.h>
#ifdef VELK_DEFINE_IDENTIFIERS
#include <initguid.h>  // the identifiers below are defined here, not only declared
#endif

// The interface as the type library of each build describes it: on 64 bits the
// handler properties (OnKeyDown and the others), wProcedure and the Event of
// wRunTimer hold 64-bit addresses.
#if defined(__GNUC__)
#pragma GCC diagnostic push
// The optional FontName of DSetTextFont defaults to a string literal.
#pragma GCC diagnostic ignored "-Wwrite-strings"
#endif
#ifdef _WIN64
#include "velk_win64.h"
#else
#include "velk_win32.h"
#endif
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

#ifdef __cplusplus
extern "C" {
#endif

// Makes the object and stores its IVELK pointer in *velk (the caller owns that
// reference). Returns 1 on success; 0 after a message box when the object
// cannot be made (for example when the thread has not initialised COM).
int __cdecl VELKCreate(IVELK** velk);

// The same export through GetProcAddress, for hosts that load the library at run time.
typedef int(__cdecl* VELKCreateFunction)(IVELK** velk);

#ifdef __cplusplus
}
#endif

#endif  // VELK_HOST_HEADER
