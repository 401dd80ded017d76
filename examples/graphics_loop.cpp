// A host with its own loop: DoEvents, draw a frame into sprite 0, Refresh; first
// in the GDI mode, then in windowed DirectDraw. Ends by itself after a while.
#include <windows.h>
#include <initguid.h>

#include <cstdio>
#include <initializer_list>

#include "core/velk_interface.h"

using CreateFunction = int(__cdecl*)(IVELK**);

namespace {

// One frame of a box bouncing over a striped background, plus a turning polygon.
void DrawFrame(IVELK* velk, int frame) {
    velk->DrawBox(0, 0, 640, 480, 0x00302010, 1, 0);
    for (int stripe = 0; stripe < 480; stripe += 40) velk->DrawLine(0, stripe, 640, stripe, 0x00604020, 0);
    const int x = frame * 7 % 1120;
    const int left = x < 560 ? x : 1120 - x;
    velk->DrawBox(left, 200, 80, 80, 0x000000FF, 1, 0);
    velk->DrawPolygon(320, 120, 60, 60, 5, frame * 3, 0x0000FFFF, 1, 0);
    velk->DrawCircle(540, 380, 40, 0, frame * 6 % 360 + 1, 0x00FF8000, 1, 0);
}

}  // namespace

int main() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    HMODULE library = LoadLibraryA("VELKlib_100.dll");
    if (!library) {
        fprintf(stderr, "VELKlib_100.dll not found\n");
        return 2;
    }
    auto create = reinterpret_cast<CreateFunction>(reinterpret_cast<void*>(GetProcAddress(library, "VELKCreate")));
    IVELK* velk = nullptr;
    if (!create || !create(&velk)) return 3;
    BSTR name = SysAllocString(L"GraphicsLoop");
    velk->wDefault(name);
    SysFreeString(name);

    LONG ended = 0;
    for (LONG mode : {1L, 2L}) {
        velk->Graphics(mode);
        for (int frame = 0; frame < 90 && !ended; ++frame) {
            velk->DoEvents(&ended);
            DrawFrame(velk, frame);
            velk->Refresh();
        }
        LONG kept = 0;
        velk->get_KeepFPS(&kept);
        printf("mode %ld: 90 frames, last frame on time: %ld\n", static_cast<long>(mode), static_cast<long>(kept));
    }
    velk->wDestroy();
    velk->DoEvents(&ended);
    velk->Release();
    CoUninitialize();
    return 0;
}
