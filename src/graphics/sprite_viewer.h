// The sprite viewer's pure parts: the text that describes the selected sprite
// and the client size the dialog takes for it.
#pragma once
#include <windows.h>

#include "graphics/sprite_store.h"

namespace velk {

inline constexpr int kViewerPictureTop = 25;  // below the row of controls
inline constexpr LONG kViewerMinWidth = 320;
inline constexpr int kViewerTextBytes = 64;

// "ID : n" and, on the next line, the size or the note that the slot is unused.
void ViewerText(LONG id, const SpriteSlot& slot, char (&text)[kViewerTextBytes]);

// At least 320 wide; the picture's height plus the control row.
SIZE ViewerClientSize(const SpriteSlot& slot);

}  // namespace velk
