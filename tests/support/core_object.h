// An object of the library's core linked into the test program (not the DLL),
// so that its state is reachable.
#pragma once
#include "core/velk.h"

namespace velk_test {

inline VelkObject* CreateCoreObject() {
    IVELK* velk = nullptr;
    if (FAILED(VelkObject::Create(nullptr, IID_IVELK, reinterpret_cast<void**>(&velk)))) return nullptr;
    return static_cast<VelkObject*>(velk);
}

}  // namespace velk_test
