// The demo host: a small game loop as a native host writes it. Creates the
// object through the exported creation function, opens the window, animates a
// few shapes in sprite 0 for a while (or until Escape), then ends the loop.
//   demo_host.exe [seconds]
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "core/velk_interface.h"

namespace {

using CreateFunction = int(__cdecl*)(IVELK**);

IVELK* g_velk = nullptr;

void __cdecl OnKeyDown(LONG key) {
    if (key == VK_ESCAPE) g_velk->wDestroy();
}

// One frame: a dark sky, a bouncing ball and a rotating polygon.
void DrawFrame(IVELK* velk, int frame) {
    velk->DrawBox(0, 0, 640, 480, RGB(16, 24, 48), 1, 0);
    LONG ball_x = 320 + static_cast<LONG>(220 * std::sin(frame * 0.05));
    LONG ball_y = 380 - static_cast<LONG>(std::fabs(250 * std::sin(frame * 0.08)));
    velk->DrawCircle(ball_x, ball_y, 24, 0, 360, RGB(240, 200, 40), 1, 0);
    velk->DrawPolygon(320, 200, 60, 60, 5, frame % 360, RGB(80, 200, 255), 0, 0);
    velk->DrawLine(0, 405, 640, 405, RGB(120, 120, 120), 0);
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = argc > 1 ? atof(argv[1]) : 3.0;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    HMODULE library = LoadLibraryA("VELKlib_100.dll");
    auto create = library ? reinterpret_cast<CreateFunction>(reinterpret_cast<void*>(GetProcAddress(library, "VELKCreate")))
                          : nullptr;
    if (!create || !create(&g_velk)) {
        fprintf(stderr, "the library could not be created\n");
        return 2;
    }
    LONG version = 0;
    g_velk->GetVELKVer(&version);
    printf("VELK version %ld\n", static_cast<long>(version));
    g_velk->Logging();
    BSTR name = SysAllocString(L"VELK Demo");
    g_velk->wDefault(name);
    SysFreeString(name);
    g_velk->put_OnKeyDown(velk::AddressOf(&OnKeyDown));

    g_velk->TickReset();
    LONG ended = 0;
    LONG elapsed = 0;
    int frames = 0;
    while (!ended && elapsed < seconds * 1000) {
        g_velk->DoEvents(&ended);
        DrawFrame(g_velk, frames++);
        g_velk->Refresh();
        g_velk->GetTick(&elapsed);
    }
    g_velk->wDestroy();
    g_velk->DoEvents(&ended);
    printf("%d frames in %ld ms\n", frames, static_cast<long>(elapsed));
    g_velk->Release();
    CoUninitialize();
    return 0;
}
