// Frame presentation: Refresh copies sprite 0 to the window or the screen and
// paces the caller; SoftwareFPS and KeepFPS; the back buffer follows the window's
// client size.
#include <windows.h>
#include <ddraw.h>
#include <algorithm>
#include <mmsystem.h>  // for: timeGetTime

#include "core/log.h"
#include "core/texts.h"
#include "core/velk.h"
#include "graphics/pacing.h"
#include "graphics/sprite_store.h"  // for: DirectDrawSpriteLock

namespace {

// End of the previous Refresh, for the whole process: a new object continues
// the pace of the one before it.
DWORD g_last_frame_tick = 0;
bool g_last_frame_tick_set = false;

// Windowed DirectDraw: the back buffer's pixels go straight from the locked
// surface into the window's context, which clips to the visible part of the
// client area as the primary surface's clipper does. Measured here, the blit to
// the primary surface costs about four times as much (the platform copies the
// frame into its primary and then presents that to the window), and taking a
// surface context every frame costs more than the lock. Other formats take the
// context.
bool PresentLockedPixels(IDirectDrawSurface7* back, HDC target, LONG width, LONG height) {
    DDSURFACEDESC2 desc;
    if (!velk::DirectDrawSpriteLock(back, &desc)) return false;
    const DDPIXELFORMAT& format = desc.ddpfPixelFormat;
    const bool readable = format.dwRGBBitCount == 32 && format.dwRBitMask == 0xFF0000u &&
                          format.dwGBitMask == 0xFF00u && format.dwBBitMask == 0xFFu && desc.lPitch % 4 == 0;
    if (readable) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = desc.lPitch / 4;
        info.bmiHeader.biHeight = -static_cast<LONG>(desc.dwHeight);
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        const LONG w = static_cast<LONG>(desc.dwWidth), h = static_cast<LONG>(desc.dwHeight);
        if (w == width && h == height) {
            SetDIBitsToDevice(target, 0, 0, w, h, 0, 0, 0, desc.dwHeight, desc.lpSurface, &info, DIB_RGB_COLORS);
        } else {
            // A back buffer of another size than the presented area is scaled to it.
            SetStretchBltMode(target, COLORONCOLOR);
            StretchDIBits(target, 0, 0, width, height, 0, 0, w, h, desc.lpSurface, &info, DIB_RGB_COLORS, SRCCOPY);
        }
    }
    back->Unlock(nullptr);
    return readable;
}

void PresentToWindow(IDirectDrawSurface7* back, HWND window, LONG width, LONG height) {
    HDC target = GetDC(window);
    if (!target) return;
    HDC source = nullptr;
    if (!PresentLockedPixels(back, target, width, height) && SUCCEEDED(back->GetDC(&source)) && source) {
        // A fresh surface context is in pixel units, whatever the sprite's kept state.
        DDSURFACEDESC2 desc{};
        desc.dwSize = sizeof desc;
        back->GetSurfaceDesc(&desc);
        SetStretchBltMode(target, COLORONCOLOR);
        StretchBlt(target, 0, 0, width, height, source, 0, 0, static_cast<LONG>(desc.dwWidth),
                   static_cast<LONG>(desc.dwHeight), SRCCOPY);
        back->ReleaseDC(source);
    }
    ReleaseDC(window, target);
}

}  // namespace

HRESULT VelkObject::Refresh() {
    velk::SpriteSlot& back = SpriteTable[0];
    // Without a live window there is nothing to present to (a null window DC
    // would be the whole screen).
    const bool window = Window && IsWindow(Window);
    velk::ReleaseHeldLock(back);
    switch (GraphicsMode) {
    case 1:
        if (window && back.MemoryDC) {
            HDC target = GetDC(Window);
            if (target) {
                // The back buffer's pixels as they are, whatever origin the host gave
                // it, and not a row of its mask below the picture.
                velk::PixelUnits pixels(back.MemoryDC, velk::SpriteMapping(back).plain());
                BitBlt(target, 0, 0, std::min(ScreenWidth, back.Width), std::min(ScreenHeight, back.Height),
                       back.MemoryDC, 0, 0, SRCCOPY);
                ReleaseDC(Window, target);
            }
        }
        break;
    case 2:
        if (window && back.Surface) PresentToWindow(back.Surface, Window, ScreenWidth, ScreenHeight);
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
