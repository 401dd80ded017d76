// BltRotate: a rectangle turned and scaled about its centre.
#include "core/velk.h"

HRESULT VelkObject::BltRotate(LONG, LONG, LONG, LONG, LONG, LONG, LONG, LONG, double, double, double) {
    return E_NOTIMPL;
}
