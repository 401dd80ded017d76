// DirectDraw back end of the sprite store: system-memory off-screen surfaces whose
// transparency is the source colour key.
#include <windows.h>
#include <ddraw.h>

#include "graphics/sprite_store.h"

namespace velk {

namespace {


// Lowest set bit and the run of set bits above it.
void MaskShape(DWORD mask, int* shift, int* bits) {
    *shift = 0;
    *bits = 0;
    if (!mask) return;
    while (!(mask & 1u)) {
        mask >>= 1;
        ++*shift;
    }
    while (mask & 1u) {
        mask >>= 1;
        ++*bits;
    }
}

DWORD Channel(DWORD mask, DWORD value8) {
    int shift = 0;
    int bits = 0;
    MaskShape(mask, &shift, &bits);
    if (!bits) return 0;
    DWORD value = bits <= 8 ? value8 >> (8 - bits) : value8 << (bits - 8);
    return (value << shift) & mask;
}

}  // namespace

IDirectDrawSurface7* DirectDrawSpriteCreate(IDirectDraw7* direct_draw, LONG width, LONG height) {
    if (!direct_draw) return nullptr;
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    desc.dwWidth = static_cast<DWORD>(width);
    desc.dwHeight = static_cast<DWORD>(height);
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
    IDirectDrawSurface7* surface = nullptr;
    if (FAILED(direct_draw->CreateSurface(&desc, &surface, nullptr))) return nullptr;
    return surface;
}

DWORD RawPixelFromFormat(const DDPIXELFORMAT& format, COLORREF color) {
    return Channel(format.dwRBitMask, GetRValue(color)) | Channel(format.dwGBitMask, GetGValue(color)) |
           Channel(format.dwBBitMask, GetBValue(color));
}

void DirectDrawSpriteSetKey(IDirectDrawSurface7* surface, COLORREF color) {
    // The platform converts the colour through the surface's own DC; reading the
    // converted pixel back gives the exact raw value the blitter compares.
    COLORREF saved = 0;
    HDC dc = nullptr;
    if (SUCCEEDED(surface->GetDC(&dc))) {
        saved = GetPixel(dc, 0, 0);
        SetPixelV(dc, 0, 0, color);
        surface->ReleaseDC(dc);
    }
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    HRESULT hr;
    do {
        hr = surface->Lock(nullptr, &desc, 0, nullptr);
    } while (hr == DDERR_WASSTILLDRAWING);
    DWORD raw = 0;
    if (SUCCEEDED(hr)) {
        raw = *static_cast<const DWORD*>(desc.lpSurface);
        const DWORD bits = desc.ddpfPixelFormat.dwRGBBitCount;
        if (bits < 32) raw &= (1u << bits) - 1u;
        surface->Unlock(nullptr);
    } else {
        // Without the probe, the channel masks give the value the platform would store.
        DDPIXELFORMAT format{};
        format.dwSize = sizeof format;
        surface->GetPixelFormat(&format);
        raw = RawPixelFromFormat(format, color);
    }
    if (SUCCEEDED(surface->GetDC(&dc))) {
        SetPixelV(dc, 0, 0, saved);
        surface->ReleaseDC(dc);
    }
    DDCOLORKEY key{raw, raw};
    surface->SetColorKey(DDCKEY_SRCBLT, &key);
}

}  // namespace velk
