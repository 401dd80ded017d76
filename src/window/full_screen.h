// The borderless full-screen window of wFullScreen: what it replaced, so that
// leaving it gives the window back exactly as it was.
#pragma once
#include <windows.h>

namespace velk {

struct BorderlessWindow {
    bool On = false;
    // Bumped by every change of On: a put that finds it moved after a platform
    // call (a handler run meanwhile changed it again) leaves the window alone.
    LONG Generation = 0;
    LONG_PTR Style = 0;
    LONG_PTR ExtendedStyle = 0;
    RECT Rect = {0, 0, 0, 0};  // the window's rectangle on the screen
    WINDOWPLACEMENT Placement = {};
};

}  // namespace velk
