// Full-screen graphics work against a 16 ms frame: Refresh, a 640 x 480 DrawBox and
// a 640 x 480 colour key, in modes 1 and 2. Each figure is the median of several
// runs; the baseline is a plain platform copy of the same area in the same run.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "bench_support.h"
#include "core/velk.h"
#include "graphics/sprite_store.h"

using namespace velk_bench;

int main() {
    VelkObject* velk = CreateBenchObject("VelkGraphicsBench");
    if (!velk) return 2;
    velk->put_SoftwareFPS(-1);  // no pacing sleeps in the figures
    constexpr int kRuns = 31;
    constexpr COLORREF kKey = 0x00FF00FF;

    // Baseline: the platform copying 640 x 480 from a memory DC into the window.
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 640, 480);
    ReleaseDC(nullptr, screen);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    const double baseline = MedianMs(kRuns, [&] {
        HDC target = GetDC(velk->Window);
        BitBlt(target, 0, 0, 640, 480, memory, 0, 0, SRCCOPY);
        ReleaseDC(velk->Window, target);
        GdiFlush();
    });
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    printf("baseline: platform BitBlt 640 x 480 into the window: %.3f ms (median of %d)\n", baseline, kRuns);

    for (LONG mode : {1L, 2L, 3L}) {
        velk->Graphics(mode);
        printf("mode %ld%s\n", static_cast<long>(mode), velk->GraphicsMode == mode ? "" : " (fell back to 1)");
        Row("Refresh 640 x 480", MedianMs(kRuns, [&] { velk->Refresh(); }), baseline);
        Row("DrawBox 640 x 480 filled", MedianMs(kRuns, [&] { velk->DrawBox(0, 0, 640, 480, 0x336699, 1, 0); }),
            baseline);
        velk->SpriteState(1, 1);
        const double keyed = MedianMs(kRuns, [&] {
            velk->DrawBox(0, 0, 640, 480, 0x336699, 1, 1);
            velk->DrawBox(0, 0, 320, 240, static_cast<LONG>(kKey), 1, 1);
            velk->SpriteTable[1].ColorKey = -1;
            velk->DSetColorKey(static_cast<LONG>(kKey), 1);
        });
        Row("DSetColorKey 640 x 480 (with two DrawBox)", keyed, baseline);
        if (velk->GraphicsMode == 1) {
            velk::SpriteSlot& slot = velk->SpriteTable[1];
            const double reference = MedianMs(3, [&] {
                velk->DrawBox(0, 0, 640, 480, 0x336699, 1, 1);
                velk->DrawBox(0, 0, 320, 240, static_cast<LONG>(kKey), 1, 1);
                velk::GdiSpriteApplyKeyPixelByPixel(slot, kKey, false);
            });
            Row("colour key one pixel call at a time", reference, baseline);
            printf("  fast colour key gain: %.1f x\n", reference / keyed);
        }
        velk->SpriteState(1, 0);
    }
    velk->Release();
    CoUninitialize();
    return 0;
}
