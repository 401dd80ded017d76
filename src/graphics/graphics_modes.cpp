// Graphics modes: the member Graphics, the DirectDraw set-up with its fall-back to
// GDI, the moving of sprite pictures between the representations, and the clean-up
// that the object's final release runs.
#include "graphics/graphics_modes.h"

#include <ddraw.h>  // for: DirectDrawCreateEx, IDirectDraw7

#include "core/log.h"
#include "core/texts.h"
#include "core/velk.h"

using velk::SpriteSlot;
namespace texts = velk::texts;

namespace velk {

namespace {

constexpr int kModeGdi = 1, kModeDirectDraw = 2, kModeFullScreen = 3;
constexpr LONG kFullScreenWidth = 640, kFullScreenHeight = 480, kFullScreenBits = 16;
// What wDefault gives the window; used when the mode is set while no window exists.
constexpr LONG kDefaultClientWidth = 640, kDefaultClientHeight = 480;

HRESULT WINAPI PlatformDirectDrawCreate(GUID* device, void** object, REFIID iid, IUnknown* outer) {
    return DirectDrawCreateEx(device, object, iid, outer);
}

DirectDrawCreator g_creator = PlatformDirectDrawCreate;

}  // namespace

void SetDirectDrawCreator(DirectDrawCreator creator) {
    g_creator = creator ? creator : PlatformDirectDrawCreate;
}

}  // namespace velk

// ---------------------------------------------------------------- Graphics

HRESULT VelkObject::Graphics(LONG lGraphMode) {
    using namespace velk;
    if (lGraphMode < kModeGdi || lGraphMode > kModeFullScreen)
        FatalError(this, texts::kIdRangeError, texts::kSubjectGraphicsMode, lGraphMode, texts::kGraphicsModeRange);
    if (lGraphMode == GraphicsMode) return S_OK;

    static const char* const kTitles[] = {nullptr, texts::kGraphicsTitleGdi, texts::kGraphicsTitleDirectDraw,
                                          texts::kGraphicsTitleFullScreen};
    LogWrite(this, texts::kTitle, kTitles[lGraphMode]);
    if (lGraphMode == kModeFullScreen) {
        LeaveBorderless();  // exclusive full screen frames the window its own way
        put_wHasTitleBar(0);
        wResizeTo(kFullScreenWidth, kFullScreenHeight);
    }

    RECT client{};
    if (Scaling.On()) {
        // wScale fixed the back buffer's size: a new mode keeps it.
        ScreenWidth = Scaling.Width;
        ScreenHeight = Scaling.Height;
    } else if (Window && IsWindow(Window) && GetClientRect(Window, &client)) {
        ScreenWidth = client.right - client.left;
        ScreenHeight = client.bottom - client.top;
    } else if (ScreenWidth < 1 || ScreenHeight < 1) {
        // No window to measure: the back buffer gets the size a default window has.
        ScreenWidth = kDefaultClientWidth;
        ScreenHeight = kDefaultClientHeight;
    }

    if (GraphicsMode == kModeDirectDraw || GraphicsMode == kModeFullScreen) {
        LogWrite(this, texts::kBlockBegin, texts::kEvacuateBlock);
        for (int i = 0; i < kSpriteCount; ++i) SpriteEvacuate(i);
        LogWrite(this, texts::kBlockEnd);
    }
    ReleaseDirectDrawObjects();

    if (lGraphMode == kModeGdi) {
        SpriteMake(SpriteTable[0], 0, nullptr, ScreenWidth, ScreenHeight, kMakeGdi);
    } else if (!SetUpDirectDraw(lGraphMode)) {
        LogWrite(this, texts::kDirectDrawFault);
        // A half-built set-up may hold the screen exclusively (or a changed display
        // mode) while GDI runs; nothing in mode 1 needs it, so it goes now.
        ReleaseDirectDrawObjects();
        Graphics(kModeGdi);
        return S_OK;
    }

    GraphicsMode = static_cast<BYTE>(lGraphMode);
    LogWrite(this, texts::kStep, texts::kSecondarySpriteReady);
    if (lGraphMode != kModeGdi) {
        LogWrite(this, texts::kBlockBegin, texts::kRestoreBlock);
        for (int i = 0; i < kSpriteCount; ++i) SpriteRestore(i, DirectDrawObject);
        LogWrite(this, texts::kBlockEnd);
    }
    DrawBox(0, 0, ScreenWidth, ScreenHeight, 0, 1, 0);
    LogWrite(this, texts::kSucceed);
    return S_OK;
}

bool VelkObject::SetUpDirectDraw(int mode) {
    using namespace velk;
    // Windowed output clips to the window and full screen takes it over: neither
    // works without one.
    if (!Window || !IsWindow(Window)) return false;
    void* object = nullptr;
    if (FAILED(g_creator(nullptr, &object, IID_IDirectDraw7, nullptr)) || !object) return false;
    DirectDrawObject = static_cast<IDirectDraw7*>(object);

    const DWORD level = mode == kModeFullScreen ? (DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN) : DDSCL_NORMAL;
    if (FAILED(DirectDrawObject->SetCooperativeLevel(Window, level))) return false;
    if (mode == kModeFullScreen &&
        FAILED(DirectDrawObject->SetDisplayMode(kFullScreenWidth, kFullScreenHeight, kFullScreenBits, 0, 0)))
        return false;

    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    if (FAILED(DirectDrawObject->CreateSurface(&desc, &PrimarySurface, nullptr))) {
        PrimarySurface = nullptr;
        if (mode == kModeDirectDraw) return false;
    }
    if (mode == kModeDirectDraw) {
        if (FAILED(DirectDrawObject->CreateClipper(0, &Clipper, nullptr))) {
            Clipper = nullptr;
            return false;
        }
        Clipper->SetHWnd(0, Window);
        PrimarySurface->SetClipper(Clipper);
    }
    // The back buffer's key outlives its new surface like every other sprite's.
    const LONG key = SpriteTable[0].ColorKey;
    SpriteMake(SpriteTable[0], 0, DirectDrawObject, ScreenWidth, ScreenHeight, mode);
    SpriteTable[0].ColorKey = key;
    return true;
}

void VelkObject::ReleaseDirectDrawObjects() {
    if (PrimarySurface) PrimarySurface->Release();
    PrimarySurface = nullptr;
    if (Clipper) Clipper->Release();
    Clipper = nullptr;
    if (DirectDrawObject) DirectDrawObject->Release();
    DirectDrawObject = nullptr;
}

// ---------------------------------------------------------------- migration

bool VelkObject::SpriteEvacuate(int index) {
    using namespace velk;
    SpriteSlot& slot = SpriteTable[index];
    if (!slot.Surface) return false;
    ReleaseHeldLock(slot);
    const LONG key = slot.ColorKey;
    DWORD raw = 0;
    const bool keyed = key != kNoColorKey && DirectDrawSpriteRawKey(slot.Surface, &raw);
    // The GDI sprite is a new one: it starts from the platform's default context
    // state, and nothing of the surface's raster operation or origin comes along.
    SpriteMake(slot, index, nullptr, slot.Width, slot.Height, kMakeGdi);
    HDC surface_dc = nullptr;
    if (SUCCEEDED(slot.Surface->GetDC(&surface_dc))) {
        BitBlt(slot.MemoryDC, 0, 0, slot.Width, slot.Height, surface_dc, 0, 0, SRCCOPY);
        slot.Surface->ReleaseDC(surface_dc);
    }
    // Alpha bytes go word for word: the platform's copy need not keep them.
    if (slot.PerPixelAlpha) {
        SyncGdiBits();
        DirectDrawSpriteCopyWords(slot.Surface, slot.Pixels, slot.Width, slot.Height, false);
    }
    // The key goes with the picture: the GDI form of a keyed sprite is its
    // blackened picture plus the mask rows, taken from the surface's raw pixels
    // (at 16 bits the copied colours need not equal the key any more).
    LONG width = 0, height = 0;
    if (key != kNoColorKey && GdiSpriteSize(slot, &width, &height)) {
        SyncGdiBits();
        if (keyed)
            DirectDrawSpriteMaskFromKey(slot.Surface, raw, slot.Pixels, width, height);
        else
            GdiSpriteApplyKey(slot, static_cast<COLORREF>(key));
    }
    SpriteKill(slot, index, kKillDirectDraw);
    slot.ColorKey = key;
    LogWrite(this, texts::kStep, texts::kEvacuatedStep);
    LogWrite(this, texts::kInfoNumber, texts::kTargetIdLabel, index);
    return true;
}

bool VelkObject::SpriteRestore(int index, IDirectDraw7* direct_draw) {
    using namespace velk;
    SpriteSlot& slot = SpriteTable[index];
    if (!slot.MemoryDC) return false;
    const LONG key = slot.ColorKey;
    SpriteMake(slot, index, direct_draw, slot.Width, slot.Height, kMakeDirectDraw);
    // The picture is copied from the bitmap's own pixels, wherever the host put
    // the GDI context's origin; the context goes with the GDI sprite.
    ResetContext(slot.MemoryDC);
    HDC surface_dc = nullptr;
    if (slot.Surface && SUCCEEDED(slot.Surface->GetDC(&surface_dc))) {
        BitBlt(surface_dc, 0, 0, slot.Width, slot.Height, slot.MemoryDC, 0, 0, SRCCOPY);
        slot.Surface->ReleaseDC(surface_dc);
    }
    if (slot.PerPixelAlpha && slot.Surface) {
        SyncGdiBits();
        DirectDrawSpriteCopyWords(slot.Surface, slot.Pixels, slot.Width, slot.Height, true);
    }
    LONG width = 0, height = 0;
    if (key != kNoColorKey && slot.Surface) {
        const DWORD raw = DirectDrawSpriteKeyValue(slot.Surface, static_cast<COLORREF>(key));
        if (GdiSpriteSize(slot, &width, &height)) {
            SyncGdiBits();
            DirectDrawSpritePutKeyWhereMasked(slot.Surface, slot.Pixels, width, height, raw);
        }
        DirectDrawSpriteSetRawKey(slot.Surface, raw);
    }
    SpriteKill(slot, index, kKillGdi);
    slot.ColorKey = key;
    LogWrite(this, texts::kStep, texts::kRestoredStep);
    LogWrite(this, texts::kInfoNumber, texts::kTargetIdLabel, index);
    return true;
}

// ---------------------------------------------------------------- clean-up

void VelkObject::GraphicsCleanup() {
    velk::LogWrite(this, texts::kTitle, texts::kGraphicsCleanupTitle);
    for (int i = 0; i < velk::kSpriteCount; ++i) {
        SpriteKill(SpriteTable[i], i, velk::kKillWhatever);
        // A fatal error in the middle of a mode change can leave both representations.
        if (SpriteTable[i].Surface) SpriteKill(SpriteTable[i], i, velk::kKillDirectDraw);
    }
    // The primary surface and the clipper hold the DirectDraw object (and with
    // it a full-screen display mode) alive, so they go too.
    ReleaseDirectDrawObjects();
    GraphicsMode = 0;
    velk::LogWrite(this, texts::kSucceed);
}
