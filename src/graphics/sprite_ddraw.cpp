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

IDirectDrawSurface7* DirectDrawSpriteCreate(IDirectDraw7* direct_draw, LONG width, LONG height, bool keep_alpha) {
    if (!direct_draw) return nullptr;
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    desc.dwWidth = static_cast<DWORD>(width);
    desc.dwHeight = static_cast<DWORD>(height);
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
    if (keep_alpha) {
        // The word layout of the GDI sprites, whatever the display holds; the
        // top byte is not declared as alpha, so the platform's blitter leaves it.
        desc.dwFlags |= DDSD_PIXELFORMAT;
        desc.ddpfPixelFormat.dwSize = sizeof desc.ddpfPixelFormat;
        desc.ddpfPixelFormat.dwFlags = DDPF_RGB;
        desc.ddpfPixelFormat.dwRGBBitCount = 32;
        desc.ddpfPixelFormat.dwRBitMask = 0xFF0000u;
        desc.ddpfPixelFormat.dwGBitMask = 0xFF00u;
        desc.ddpfPixelFormat.dwBBitMask = 0xFFu;
    }
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
struct Format16Cache {
    Pixel16Format format;
    DWORD masks[3];
    bool ready;
};
Format16Cache g_format16{};

bool SameMasks(const Format16Cache& cache, const DDPIXELFORMAT& pixel_format) {
    return cache.masks[0] == pixel_format.dwRBitMask && cache.masks[1] == pixel_format.dwGBitMask &&
           cache.masks[2] == pixel_format.dwBBitMask;
}

const Pixel16Format* Format16Of(IDirectDrawSurface7* surface, const DDPIXELFORMAT& pixel_format) {
    Format16Cache& cache = g_format16;
    if (cache.ready && SameMasks(cache, pixel_format)) return &cache.format;
    cache.ready = ProbeFormat16(surface, pixel_format, &cache.format);
    cache.masks[0] = pixel_format.dwRBitMask;
    cache.masks[1] = pixel_format.dwGBitMask;
    cache.masks[2] = pixel_format.dwBBitMask;
    return cache.ready ? &cache.format : nullptr;
}

}  // namespace

const Pixel16Format* DirectDrawSpriteFormat16(IDirectDrawSurface7* surface) {
    DDPIXELFORMAT pixel_format{};
    pixel_format.dwSize = sizeof pixel_format;
    if (FAILED(surface->GetPixelFormat(&pixel_format)) || !(pixel_format.dwFlags & DDPF_RGB) ||
        pixel_format.dwRGBBitCount != 16)
        return nullptr;
    return Format16Of(surface, pixel_format);
}

const Pixel16Format* DirectDrawSpriteProbedFormat16(const DDPIXELFORMAT& pixel_format) {
    const bool probed = (pixel_format.dwFlags & DDPF_RGB) && pixel_format.dwRGBBitCount == 16 && g_format16.ready &&
                        SameMasks(g_format16, pixel_format);
    return probed ? &g_format16.format : nullptr;
}

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

// ---------------------------------------------------------------- sprites that keep alpha

bool DirectDrawSpriteKeepsAlpha(IDirectDrawSurface7* surface) {
    DDPIXELFORMAT format{};
    format.dwSize = sizeof format;
    return SUCCEEDED(surface->GetPixelFormat(&format)) && (format.dwFlags & DDPF_RGB) &&
           format.dwRGBBitCount == 32 && format.dwRBitMask == 0xFF0000u && format.dwGBitMask == 0xFF00u &&
           format.dwBBitMask == 0xFFu;
}

bool DirectDrawSpriteCopyWords(IDirectDrawSurface7* surface, uint32_t* words, LONG width, LONG height,
                               bool to_surface) {
    PixelView view;
    if (!DirectDrawSpriteKeepsAlpha(surface) || !DirectDrawSpriteLockPixels(surface, &view)) return false;
    const LONG w = std::min(width, view.width), h = std::min(height, view.height);
    for (LONG y = 0; y < h; ++y) {
        uint32_t* row = view.bits + static_cast<ptrdiff_t>(y) * view.pitch;
        uint32_t* picture = words + static_cast<size_t>(y) * width;
        if (to_surface)
            memcpy(row, picture, static_cast<size_t>(w) * sizeof *row);
        else
            memcpy(picture, row, static_cast<size_t>(w) * sizeof *row);
    }
    surface->Unlock(nullptr);
    return true;
}

IDirectDrawSurface7* DirectDrawSpriteRemake(IDirectDraw7* direct_draw, IDirectDrawSurface7* old, LONG width,
                                            LONG height, bool keep_alpha, LONG color_key) {
    IDirectDrawSurface7* fresh = DirectDrawSpriteCreate(direct_draw, width, height, keep_alpha);
    if (!fresh) return nullptr;
    HDC from = nullptr, to = nullptr;
    if (SUCCEEDED(old->GetDC(&from)) && from) {
        if (SUCCEEDED(fresh->GetDC(&to)) && to) {
            BitBlt(to, 0, 0, width, height, from, 0, 0, SRCCOPY);
            fresh->ReleaseDC(to);
        }
        old->ReleaseDC(from);
    }
    // The key by raw values: the copied colour of a key pixel need not equal the
    // new format's key value (16 bits hold fewer colours).
    DWORD old_raw = 0;
    if (color_key == -1 || !DirectDrawSpriteRawKey(old, &old_raw)) return fresh;
    const DWORD raw = DirectDrawSpriteKeyValue(fresh, static_cast<COLORREF>(color_key));
    DDSURFACEDESC2 from_desc, to_desc;
    if (DirectDrawSpriteLock(old, &from_desc)) {
        if (DirectDrawSpriteLock(fresh, &to_desc)) {
            const size_t from_bytes = BytesPerPixel(from_desc), to_bytes = BytesPerPixel(to_desc);
            const DWORD used = from_bytes == 4 ? 0xFFFFFFFFu : (1u << (8 * from_bytes)) - 1u;
            const LONG w = std::min<LONG>(std::min<LONG>(width, from_desc.dwWidth), to_desc.dwWidth);
            const LONG h = std::min<LONG>(std::min<LONG>(height, from_desc.dwHeight), to_desc.dwHeight);
            for (LONG y = 0; y < h; ++y)
                for (LONG x = 0; x < w; ++x)
                    if (ReadRaw(PixelAt(from_desc, x, y), from_bytes) == (old_raw & used))
                        WriteRaw(PixelAt(to_desc, x, y), to_bytes, raw);
            fresh->Unlock(nullptr);
        }
        old->Unlock(nullptr);
    }
    DirectDrawSpriteSetRawKey(fresh, raw);
    return fresh;
}

}  // namespace velk
