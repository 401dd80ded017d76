// SpriteSetAlpha and SpriteGetAlpha: sprites that keep an alpha value for every pixel.
#include "core/velk.h"

HRESULT VelkObject::SpriteSetAlpha(LONG, LONG) { return E_NOTIMPL; }
HRESULT VelkObject::SpriteGetAlpha(LONG, LONG*) { return E_NOTIMPL; }
