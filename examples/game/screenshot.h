// Screenshots of the game window as PNG files, through the platform's imaging
// component, so that a headless run leaves pictures behind.
#pragma once
#include <windows.h>

namespace star_catcher {

// Copies the client area of `window` and writes it to `path` as a 24-bit PNG.
bool SaveWindowAsPng(HWND window, const wchar_t* path);

}  // namespace star_catcher
