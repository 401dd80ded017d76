// Frame presentation: Refresh copies sprite 0 to the window or the screen and
// paces the caller; SoftwareFPS and KeepFPS; the back buffer follows the window's
// client size, unless wScale fixed it; then Refresh scales it to the client area.
#include <windows.h>
#include <ddraw.h>
#include <algorithm>
#include <mmsystem.h>  // for: timeGetTime

#include "core/log.h"
#include "core/texts.h"
#include "core/velk.h"
#include "graphics/pacing.h"
#include "graphics/sprite_store.h"  // for: DirectDrawSpriteLock
#include "window/scaling_math.h"

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

// ---------------------------------------------------------------- scaled presentation

RECT Intersection(const RECT& a, const RECT& b) {
    RECT out{};
    if (!IntersectRect(&out, &a, &b)) out = RECT{0, 0, 0, 0};
    return out;
}

BITMAPINFO TopDownInfo(LONG width, LONG height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

void FillBars(HDC target, const RECT& destination, LONG area_width, LONG area_height) {
    RECT bars[4];
    const int count = velk::UncoveredBars(destination, area_width, area_height, bars);
    for (int i = 0; i < count; ++i) FillRect(target, &bars[i], static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

// The scaled back buffer as one device-independent block: sampled here rather
// than stretched by the platform, whose stretching need not pick the pixel
// under each centre. Measured here, sampling plus one block costs less than the
// platform's stretch of the back buffer, even one that only repeats rows.
struct ScaledTarget {
    HDC dc;
    RECT destination;
    LONG area_width, area_height;
    std::vector<uint32_t>* frame;
    std::vector<LONG>* columns;
};

void PresentScaledPixels(const ScaledTarget& target, const uint32_t* pixels, LONG pitch, LONG width, LONG height) {
    const RECT& dest = target.destination;
    const RECT visible = Intersection(dest, RECT{0, 0, target.area_width, target.area_height});
    const LONG w = visible.right - visible.left, h = visible.bottom - visible.top;
    if (w > 0 && h > 0) {
        const bool one_to_one = dest.right - dest.left == width && dest.bottom - dest.top == height;
        if (one_to_one) {
            // At 1x the buffer's own rows go, from the first visible one, cut where the area ends.
            const uint32_t* first = pixels + static_cast<size_t>(visible.top - dest.top) * static_cast<size_t>(pitch);
            BITMAPINFO info = TopDownInfo(pitch, h);
            SetDIBitsToDevice(target.dc, visible.left, visible.top, w, h, visible.left - dest.left, 0, 0,
                              static_cast<UINT>(h), first, &info, DIB_RGB_COLORS);
        } else {
            velk::SampleNearest(pixels, pitch, width, height, dest, visible, *target.frame, *target.columns);
            BITMAPINFO info = TopDownInfo(w, h);
            SetDIBitsToDevice(target.dc, visible.left, visible.top, w, h, 0, 0, 0, h, target.frame->data(), &info,
                              DIB_RGB_COLORS);
        }
    }
    FillBars(target.dc, dest, target.area_width, target.area_height);
}

// A surface whose pixels cannot be read as 32-bit words goes through the
// platform's stretch, which keeps whole pixels in this mode.
void PresentScaledSurface(const ScaledTarget& target, IDirectDrawSurface7* back, LONG width, LONG height) {
    DDSURFACEDESC2 desc;
    if (velk::DirectDrawSpriteLock(back, &desc)) {
        const DDPIXELFORMAT& format = desc.ddpfPixelFormat;
        const bool readable = format.dwRGBBitCount == 32 && format.dwRBitMask == 0xFF0000u &&
                              format.dwGBitMask == 0xFF00u && format.dwBBitMask == 0xFFu && desc.lPitch % 4 == 0;
        // Never read past the surface, whatever the slot says.
        if (readable)
            PresentScaledPixels(target, static_cast<const uint32_t*>(desc.lpSurface), desc.lPitch / 4,
                                std::min(width, static_cast<LONG>(desc.dwWidth)),
                                std::min(height, static_cast<LONG>(desc.dwHeight)));
        back->Unlock(nullptr);
        if (readable) return;
    }
    HDC source = nullptr;
    if (SUCCEEDED(back->GetDC(&source)) && source) {
        const RECT& dest = target.destination;
        SetStretchBltMode(target.dc, COLORONCOLOR);
        StretchBlt(target.dc, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top, source, 0, 0,
                   width, height, SRCCOPY);
        back->ReleaseDC(source);
    }
    FillBars(target.dc, target.destination, target.area_width, target.area_height);
}

// Samples the back buffer straight into the locked primary surface when both
// hold the same 16-bit or 32-bit format; false leaves the picture to the caller.
bool SampleIntoPrimary(IDirectDrawSurface7* primary, IDirectDrawSurface7* back, const RECT& dest,
                       const RECT& visible, LONG width, LONG height, std::vector<LONG>& columns) {
    DDSURFACEDESC2 from;
    if (!velk::DirectDrawSpriteLock(back, &from)) return false;
    DDSURFACEDESC2 to{};
    to.dwSize = sizeof to;
    if (FAILED(primary->Lock(nullptr, &to, DDLOCK_WAIT | DDLOCK_WRITEONLY, nullptr))) {
        back->Unlock(nullptr);
        return false;
    }
    const DDPIXELFORMAT &a = from.ddpfPixelFormat, &b = to.ddpfPixelFormat;
    const DWORD bits = a.dwRGBBitCount;
    const bool same = bits == b.dwRGBBitCount && a.dwRBitMask == b.dwRBitMask && a.dwGBitMask == b.dwGBitMask &&
                      a.dwBBitMask == b.dwBBitMask && (bits == 16 || bits == 32) &&
                      from.lPitch % static_cast<LONG>(bits / 8) == 0 && to.lPitch % static_cast<LONG>(bits / 8) == 0 &&
                      visible.right <= static_cast<LONG>(to.dwWidth) && visible.bottom <= static_cast<LONG>(to.dwHeight);
    // Never read past the surface, whatever the slot says.
    width = std::min(width, static_cast<LONG>(from.dwWidth));
    height = std::min(height, static_cast<LONG>(from.dwHeight));
    if (same) {
        BYTE* first = static_cast<BYTE*>(to.lpSurface) + static_cast<ptrdiff_t>(visible.top) * to.lPitch +
                      static_cast<ptrdiff_t>(visible.left) * (bits / 8);
        const LONG pixel = static_cast<LONG>(bits / 8);
        if (bits == 16)
            velk::SampleNearest(static_cast<const uint16_t*>(from.lpSurface), from.lPitch / pixel, width, height, dest,
                                visible, reinterpret_cast<uint16_t*>(first), to.lPitch / pixel, columns);
        else
            velk::SampleNearest(static_cast<const uint32_t*>(from.lpSurface), from.lPitch / pixel, width, height, dest,
                                visible, reinterpret_cast<uint32_t*>(first), to.lPitch / pixel, columns);
    }
    primary->Unlock(nullptr);
    back->Unlock(nullptr);
    return same;
}

// Exclusive full screen: the primary surface is the area. The pixels are
// sampled here as in a window: the platform's stretching blit steps through
// the source in truncated fixed point and so repeats a column now and then even
// at whole factors. Only a format pair that cannot be sampled goes through it.
void PresentScaledFullScreen(IDirectDrawSurface7* primary, IDirectDrawSurface7* back, LONG mode, LONG width,
                             LONG height, std::vector<LONG>& columns) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    if (FAILED(primary->GetSurfaceDesc(&desc))) return;
    const LONG area_width = static_cast<LONG>(desc.dwWidth), area_height = static_cast<LONG>(desc.dwHeight);
    RECT dest = velk::ScaledDestination(mode, width, height, area_width, area_height);
    RECT visible = Intersection(dest, RECT{0, 0, area_width, area_height});
    if (visible.right > visible.left && visible.bottom > visible.top &&
        !SampleIntoPrimary(primary, back, dest, visible, width, height, columns)) {
        const LONG span_x = dest.right - dest.left, span_y = dest.bottom - dest.top;
        RECT source = {static_cast<LONG>(int64_t{visible.left - dest.left} * width / span_x),
                       static_cast<LONG>(int64_t{visible.top - dest.top} * height / span_y),
                       static_cast<LONG>(int64_t{visible.right - dest.left} * width / span_x),
                       static_cast<LONG>(int64_t{visible.bottom - dest.top} * height / span_y)};
        primary->Blt(&visible, back, &source, DDBLT_DONOTWAIT, nullptr);
    }
    RECT bars[4];
    const int count = velk::UncoveredBars(dest, area_width, area_height, bars);
    DDBLTFX fill{};
    fill.dwSize = sizeof fill;
    fill.dwFillColor = 0;
    for (int i = 0; i < count; ++i) primary->Blt(&bars[i], nullptr, nullptr, DDBLT_COLORFILL | DDBLT_DONOTWAIT, &fill);
}

}  // namespace

void VelkObject::PresentUnscaled() {
    velk::SpriteSlot& back = SpriteTable[0];
    // Without a live window there is nothing to present to (a null window DC
    // would be the whole screen).
    const bool window = Window && IsWindow(Window);
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
}

HRESULT VelkObject::Refresh() {
    velk::ReleaseHeldLock(SpriteTable[0]);
    if (Scaling.On())
        PresentScaled();
    else
        PresentUnscaled();

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

void VelkObject::PresentScaled() {
    velk::SpriteSlot& back = SpriteTable[0];
    if (GraphicsMode == 3) {
        if (PrimarySurface && back.Surface)
            PresentScaledFullScreen(PrimarySurface, back.Surface, Scaling.Mode, back.Width, back.Height,
                                    ScaledColumns);
        return;
    }
    if (!Window || !IsWindow(Window) || velk::IsEmpty(back)) return;
    LONG width = 0, height = 0;
    const RECT dest = ScaledPlacement(&width, &height);
    RECT client{};
    GetClientRect(Window, &client);
    HDC dc = GetDC(Window);
    if (!dc) return;
    const ScaledTarget target{dc, dest, client.right, client.bottom, &ScaledFrame, &ScaledColumns};
    if (back.MemoryDC) {
        velk::SyncGdiBits();  // what GDI drew reaches the bits first
        PresentScaledPixels(target, back.Pixels, back.Width, width, height);
    } else if (back.Surface) {
        PresentScaledSurface(target, back.Surface, width, height);
    }
    ReleaseDC(Window, dc);
}

void VelkObject::BackBufferResize(LONG width, LONG height) {
    velk::LogWrite(this, velk::texts::kStep, velk::texts::kBackBufferResizeStep);
    SpriteResize(0, width, height);
    ScreenWidth = width;
    ScreenHeight = height;
}
