// Translucent blending of a 200 x 200 area, in modes 1 and 2: the member (whole
// blocks through memory) against the single-pixel platform calls it replaces.
// Each figure is the median of several runs; the baseline is a plain Blt of the
// same area in the same run.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "bench_support.h"
#include "core/velk.h"
#include "graphics/sprite_store.h"
#include "graphics/transfer.h"

using namespace velk_bench;

int main() {
    VelkObject* velk = CreateBenchObject("VelkTransferBench");
    if (!velk) return 2;
    constexpr LONG kSide = 200;
    constexpr int kRuns = 15;

    for (LONG mode : {1L, 2L}) {
        velk->Graphics(mode);
        printf("mode %ld%s\n", static_cast<long>(mode), velk->GraphicsMode == mode ? "" : " (fell back to 1)");
        velk->SpriteState(1, 1);
        velk->SpriteResize(1, kSide, kSide);
        for (LONG y = 0; y < kSide; y += 7) velk->DrawLine(0, y, kSide, kSide - y, 0x3366CC + y, 1);
        const double baseline = MedianMs(kRuns, [&] { velk->Blt(1, 0, 0, kSide, kSide, 0, 10, 10); });
        printf("  baseline: Blt %ld x %ld: %.3f ms (median of %d)\n", static_cast<long>(kSide),
               static_cast<long>(kSide), baseline, kRuns);
        const double member =
            MedianMs(kRuns, [&] { velk->BltAlphaBlend(1, 0, 0, kSide, kSide, 0, 10, 10, 100); });
        Row("BltAlphaBlend 200 x 200 (through memory)", member, baseline);
        const double pixels = MedianMs(3, [&] {
            velk::SpriteContext source(velk->SpriteTable[1]);
            velk::SpriteContext dest(velk->SpriteTable[0]);
            velk::AlphaBlendPixelByPixel(source, 0, 0, kSide, kSide, dest, 10, 10, 100);
        });
        Row("the same, one pixel call at a time", pixels, baseline);
        printf("  gain of the memory way: %.1f x\n", pixels / member);
        velk->SpriteState(1, 0);
    }
    velk->Release();
    CoUninitialize();
    return 0;
}
