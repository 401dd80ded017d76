// Frame presentation: Refresh copies sprite 0 to the window or the screen and
// paces the caller; SoftwareFPS and KeepFPS; the back buffer follows the window's
// client size.
#include <windows.h>
#include <ddraw.h>
#include <mmsystem.h>  // for: timeGetTime

#include "core/log.h"
#include "core/texts.h"
#include "core/velk.h"
#include "graphics/pacing.h"

namespace {

// End of the previous Refresh, for the whole process: a new object continues
// the pace of the one before it.
DWORD g_last_frame_tick = 0;
bool g_last_frame_tick_set = false;

}  // namespace

HRESULT VelkObject::Refresh() {
    velk::SpriteSlot& back = SpriteTable[0];
    // Without a live window there is nothing to present to (a null window DC
    // would be the whole screen).
    const bool window = Window && IsWindow(Window);
    switch (GraphicsMode) {
    case 1:
        if (window && back.MemoryDC) {
            HDC target = GetDC(Window);
            if (target) {
                BitBlt(target, 0, 0, ScreenWidth, ScreenHeight, back.MemoryDC, 0, 0, SRCCOPY);
                ReleaseDC(Window, target);
            }
        }
        break;
    case 2:
        if (window && PrimarySurface && back.Surface) {
            POINT origin = {0, 0};
            ClientToScreen(Window, &origin);
            RECT target = {origin.x, origin.y, origin.x + ScreenWidth, origin.y + ScreenHeight};
            PrimarySurface->Blt(&target, back.Surface, nullptr, DDBLT_DONOTWAIT, nullptr);
        }
        break;
    case 3:
        if (PrimarySurface && back.Surface) PrimarySurface->Blt(nullptr, back.Surface, nullptr, DDBLT_DONOTWAIT, nullptr);
        break;
    default:
        break;
    }

    const DWORD now = timeGetTime();
    if (!g_last_frame_tick_set) {
        g_last_frame_tick = now - 1;
        g_last_frame_tick_set = true;
    }
    const velk::PaceDecision pace = velk::DecidePace(now, g_last_frame_tick, FrameInterval);
    KeepFPSFlag = pace.keep_fps;
    if (pace.sleep_ms) Sleep(pace.sleep_ms);
    g_last_frame_tick = timeGetTime();
    return S_OK;
}

HRESULT VelkObject::get_SoftwareFPS(LONG* pVal) {
    if (pVal) *pVal = velk::FramesPerSecondFor(FrameInterval);
    return S_OK;
}

HRESULT VelkObject::put_SoftwareFPS(LONG None) {
    FrameInterval = velk::FrameIntervalFor(None);
    return S_OK;
}

HRESULT VelkObject::get_KeepFPS(LONG* pVal) {
    if (pVal) *pVal = KeepFPSFlag;
    return S_OK;
}

void VelkObject::BackBufferResize(LONG width, LONG height) {
    velk::LogWrite(this, velk::texts::kStep, velk::texts::kBackBufferResizeStep);
    SpriteResize(0, width, height);
    ScreenWidth = width;
    ScreenHeight = height;
}
