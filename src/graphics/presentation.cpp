// Frame presentation: the back buffer follows the window's client size.
#include "core/velk.h"

void VelkObject::BackBufferResize(LONG, LONG) {
    // Sprite 0 joins with the sprite store; until then there is nothing to resize.
}
