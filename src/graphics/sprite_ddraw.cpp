// DirectDraw back end of the sprite store: system-memory off-screen surfaces whose
// transparency is the source colour key, and the locked-memory work on them.
#include <windows.h>
#include <ddraw.h>

#include <algorithm>
#include <cstring>

#include "graphics/pixel_rows.h"
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

DWORD FormatValue(IDirectDrawSurface7* surface, COLORREF color) {
    DDPIXELFORMAT format{};
    format.dwSize = sizeof format;
    surface->GetPixelFormat(&format);
    return RawPixelFromFormat(format, color);
}

// Raw pixels of 1 to 4 bytes, little-endian as the surface holds them.
size_t BytesPerPixel(const DDSURFACEDESC2& desc) {
    const DWORD bits = desc.ddpfPixelFormat.dwRGBBitCount;
    return bits >= 8 && bits <= 32 ? bits / 8 : 0;
}
BYTE* PixelAt(const DDSURFACEDESC2& desc, LONG x, LONG y) {
    return static_cast<BYTE*>(desc.lpSurface) + static_cast<ptrdiff_t>(y) * desc.lPitch +
           static_cast<ptrdiff_t>(x) * static_cast<ptrdiff_t>(BytesPerPixel(desc));
}
DWORD ReadRaw(const BYTE* at, size_t bytes) {
    DWORD value = 0;
    memcpy(&value, at, bytes);
    return value;
}
void WriteRaw(BYTE* at, size_t bytes, DWORD value) { memcpy(at, &value, bytes); }

// A surface of 8 bits per channel in 32-bit words: the blend rows serve it as it is.
bool HasByteChannels(const DDPIXELFORMAT& format) {
    if (!(format.dwFlags & DDPF_RGB) || format.dwRGBBitCount != 32) return false;
    const DWORD r = format.dwRBitMask, g = format.dwGBitMask, b = format.dwBBitMask;
    return g == 0xFF00u && ((r == 0xFF0000u && b == 0xFFu) || (r == 0xFFu && b == 0xFF0000u));
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

bool DirectDrawSpriteLock(IDirectDrawSurface7* surface, DDSURFACEDESC2* desc) {
    memset(desc, 0, sizeof *desc);
    desc->dwSize = sizeof *desc;
    HRESULT hr;
    do {
        hr = surface->Lock(nullptr, desc, 0, nullptr);
    } while (hr == DDERR_WASSTILLDRAWING);
    if (FAILED(hr)) return false;
    if (!desc->lpSurface || !BytesPerPixel(*desc)) {
        surface->Unlock(nullptr);
        return false;
    }
    return true;
}

DWORD DirectDrawSpriteKeyValue(IDirectDrawSurface7* surface, COLORREF color) {
    // The platform converts the colour through the surface's own DC; the stored
    // pixel is the exact raw value the blitter compares. The probed pixel is put
    // back byte for byte, which no colour round trip at 16 bits could promise.
    DDSURFACEDESC2 desc;
    if (!DirectDrawSpriteLock(surface, &desc)) return FormatValue(surface, color);
    const size_t bytes = BytesPerPixel(desc);
    const DWORD saved = ReadRaw(PixelAt(desc, 0, 0), bytes);
    surface->Unlock(nullptr);

    HDC dc = nullptr;
    if (FAILED(surface->GetDC(&dc)) || !dc) return FormatValue(surface, color);
    const COLORREF saved_colour = GetPixel(dc, 0, 0);
    SetPixelV(dc, 0, 0, color);
    surface->ReleaseDC(dc);

    if (!DirectDrawSpriteLock(surface, &desc)) {
        if (SUCCEEDED(surface->GetDC(&dc)) && dc) {
            SetPixelV(dc, 0, 0, saved_colour);
            surface->ReleaseDC(dc);
        }
        return FormatValue(surface, color);
    }
    const DWORD raw = ReadRaw(PixelAt(desc, 0, 0), bytes);
    WriteRaw(PixelAt(desc, 0, 0), bytes, saved);
    surface->Unlock(nullptr);
    return raw;
}

void DirectDrawSpriteSetRawKey(IDirectDrawSurface7* surface, DWORD raw) {
    DDCOLORKEY key{raw, raw};
    surface->SetColorKey(DDCKEY_SRCBLT, &key);
}

void DirectDrawSpriteSetKey(IDirectDrawSurface7* surface, COLORREF color) {
    DirectDrawSpriteSetRawKey(surface, DirectDrawSpriteKeyValue(surface, color));
}

void DirectDrawSpriteRekey(IDirectDrawSurface7* surface, COLORREF color) {
    const DWORD raw = DirectDrawSpriteKeyValue(surface, color);
    DWORD previous = 0;
    DDSURFACEDESC2 desc;
    if (DirectDrawSpriteRawKey(surface, &previous) && previous != raw && DirectDrawSpriteLock(surface, &desc)) {
        const size_t bytes = BytesPerPixel(desc);
        const DWORD used = bytes == 4 ? 0xFFFFFFFFu : (1u << (8 * bytes)) - 1u;
        for (LONG y = 0; y < static_cast<LONG>(desc.dwHeight); ++y)
            for (LONG x = 0; x < static_cast<LONG>(desc.dwWidth); ++x)
                if (ReadRaw(PixelAt(desc, x, y), bytes) == (previous & used)) WriteRaw(PixelAt(desc, x, y), bytes, raw);
        surface->Unlock(nullptr);
    }
    DirectDrawSpriteSetRawKey(surface, raw);
}

bool DirectDrawSpriteRawKey(IDirectDrawSurface7* surface, DWORD* raw) {
    DDCOLORKEY key{};
    if (FAILED(surface->GetColorKey(DDCKEY_SRCBLT, &key))) return false;
    *raw = key.dwColorSpaceLowValue;
    return true;
}

void DirectDrawSpritePutKeyWhereMasked(IDirectDrawSurface7* surface, const uint32_t* picture, LONG width,
                                       LONG height, DWORD raw) {
    DDSURFACEDESC2 desc;
    if (!DirectDrawSpriteLock(surface, &desc)) return;
    const size_t bytes = BytesPerPixel(desc);
    const uint32_t* mask = picture + static_cast<size_t>(width) * static_cast<size_t>(height);
    for (LONG y = 0; y < height && y < static_cast<LONG>(desc.dwHeight); ++y) {
        for (LONG x = 0; x < width && x < static_cast<LONG>(desc.dwWidth); ++x) {
            const size_t i = static_cast<size_t>(y) * width + x;
            // Only pixels still black: what the host drew on a transparent pixel stays.
            if ((mask[i] & 0xFFFFFFu) == 0xFFFFFFu && (picture[i] & 0xFFFFFFu) == 0)
                WriteRaw(PixelAt(desc, x, y), bytes, raw);
        }
    }
    surface->Unlock(nullptr);
}

void DirectDrawSpriteMaskFromKey(IDirectDrawSurface7* surface, DWORD raw, uint32_t* picture, LONG width,
                                 LONG height) {
    DDSURFACEDESC2 desc;
    if (!DirectDrawSpriteLock(surface, &desc)) return;
    const size_t bytes = BytesPerPixel(desc);
    const DWORD used = bytes == 4 ? 0xFFFFFFFFu : (1u << (8 * bytes)) - 1u;
    uint32_t* mask = picture + static_cast<size_t>(width) * static_cast<size_t>(height);
    for (LONG y = 0; y < height && y < static_cast<LONG>(desc.dwHeight); ++y) {
        for (LONG x = 0; x < width && x < static_cast<LONG>(desc.dwWidth); ++x) {
            const size_t i = static_cast<size_t>(y) * width + x;
            const bool transparent = ReadRaw(PixelAt(desc, x, y), bytes) == (raw & used);
            if (transparent) picture[i] = 0;
            mask[i] = transparent ? 0xFFFFFFu : 0;
        }
    }
    surface->Unlock(nullptr);
}

bool DirectDrawSpriteLockPixels(IDirectDrawSurface7* surface, PixelView* view) {
    DDSURFACEDESC2 desc;
    if (!DirectDrawSpriteLock(surface, &desc)) return false;
    if (!HasByteChannels(desc.ddpfPixelFormat) || desc.lPitch % 4) {
        surface->Unlock(nullptr);
        return false;
    }
    *view = PixelView{static_cast<uint32_t*>(desc.lpSurface), static_cast<LONG>(desc.dwWidth),
                      static_cast<LONG>(desc.dwHeight), desc.lPitch / 4};
    return true;
}

namespace {

// Fills the conversion tables of a 16-bit format by asking the platform itself,
// on a scratch surface of the same format: which field values SetPixelV stores
// for each 8-bit level, and which colour GetPixel reads for each field value.
bool ProbeFormat16(IDirectDrawSurface7* like, const DDPIXELFORMAT& pixel_format, Pixel16Format* format) {
    const DWORD masks[3] = {pixel_format.dwRBitMask, pixel_format.dwGBitMask, pixel_format.dwBBitMask};
    int largest[3];
    for (int c = 0; c < 3; ++c) {
        int bits = 0;
        MaskShape(masks[c], &format->shift[c], &bits);
        if (bits < 1 || bits > 6 || masks[c] > 0xFFFFu) return false;
        format->mask[c] = static_cast<uint16_t>(masks[c]);
        largest[c] = (1 << bits) - 1;
    }
    IUnknown* unknown = nullptr;
    IDirectDraw7* direct_draw = nullptr;
    if (FAILED(like->GetDDInterface(reinterpret_cast<void**>(&unknown))) || !unknown) return false;
    unknown->QueryInterface(IID_IDirectDraw7, reinterpret_cast<void**>(&direct_draw));
    unknown->Release();
    if (!direct_draw) return false;
    IDirectDrawSurface7* scratch = DirectDrawSpriteCreate(direct_draw, 256, 2);
    direct_draw->Release();
    if (!scratch) return false;

    bool probed = false;
    HDC dc = nullptr;
    DDSURFACEDESC2 desc;
    if (SUCCEEDED(scratch->GetDC(&dc)) && dc) {
        for (int level = 0; level < 256; ++level) SetPixelV(dc, level, 0, RGB(level, level, level));
        scratch->ReleaseDC(dc);
        if (DirectDrawSpriteLock(scratch, &desc) && BytesPerPixel(desc) == 2) {
            const uint16_t* stored = static_cast<const uint16_t*>(desc.lpSurface);
            uint16_t* fields = reinterpret_cast<uint16_t*>(static_cast<BYTE*>(desc.lpSurface) + desc.lPitch);
            for (int level = 0; level < 256; ++level)
                for (int c = 0; c < 3; ++c) format->to_raw[c][level] = stored[level] & format->mask[c];
            for (int value = 0; value < 64; ++value) {
                fields[value] = 0;
                for (int c = 0; c < 3; ++c)
                    fields[value] = static_cast<uint16_t>(fields[value] | (std::min(value, largest[c]) << format->shift[c]));
            }
            scratch->Unlock(nullptr);
            if (SUCCEEDED(scratch->GetDC(&dc)) && dc) {
                for (int value = 0; value < 64; ++value) {
                    const COLORREF colour = GetPixel(dc, value, 1);
                    for (int c = 0; c < 3; ++c)
                        format->to_colour[c][std::min(value, largest[c])] = static_cast<uint8_t>(colour >> (8 * c));
                }
                scratch->ReleaseDC(dc);
                probed = true;
            }
        }
    }
    scratch->Release();
    return probed;
}

// The tables of the display's one 16-bit format, probed once per format.
const Pixel16Format* Format16Of(IDirectDrawSurface7* surface, const DDPIXELFORMAT& pixel_format) {
    static Pixel16Format format;
    static DWORD probed_masks[3] = {0, 0, 0};
    static bool ready = false;
    const DWORD masks[3] = {pixel_format.dwRBitMask, pixel_format.dwGBitMask, pixel_format.dwBBitMask};
    if (ready && std::equal(masks, masks + 3, probed_masks)) return &format;
    ready = ProbeFormat16(surface, pixel_format, &format);
    std::copy(masks, masks + 3, probed_masks);
    return ready ? &format : nullptr;
}

}  // namespace

bool DirectDrawSpriteLockPixels16(IDirectDrawSurface7* surface, Pixel16View* view, const Pixel16Format** format) {
    DDPIXELFORMAT pixel_format{};
    pixel_format.dwSize = sizeof pixel_format;
    if (FAILED(surface->GetPixelFormat(&pixel_format)) || !(pixel_format.dwFlags & DDPF_RGB) ||
        pixel_format.dwRGBBitCount != 16)
        return false;
    *format = Format16Of(surface, pixel_format);
    DDSURFACEDESC2 desc;
    if (!*format || !DirectDrawSpriteLock(surface, &desc)) return false;
    if (BytesPerPixel(desc) != 2 || desc.lPitch % 2) {
        surface->Unlock(nullptr);
        return false;
    }
    *view = Pixel16View{static_cast<uint16_t*>(desc.lpSurface), static_cast<LONG>(desc.dwWidth),
                        static_cast<LONG>(desc.dwHeight), desc.lPitch / 2};
    return true;
}

}  // namespace velk
