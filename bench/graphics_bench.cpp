// Full-frame graphics work against a 16 ms frame, 640 x 480, in modes 1 to 3:
// Refresh against the platform's BitBlt of the frame, BltAlphaBlend and the
// colour key against a memcpy of the frame's bytes, all baselines taken in the
// same run. Each figure is the median of several runs. Mode 3 runs for real only
// on a 640 x 480 x 16 display; elsewhere it falls back to mode 1.
#include <windows.h>

#include <cstdio>

#include "bench_support.h"
#include "core/velk.h"
#include "graphics/sprite_store.h"

using namespace velk_bench;

namespace {

constexpr LONG kWidth = 640, kHeight = 480;
constexpr int kRuns = 31;
constexpr COLORREF kKey = 0x00FF00FF;

// Both the baseline and the presented frames hold this picture: the platform
// copies an all-black frame more than twice as fast as any other.
constexpr COLORREF kFrameColour = 0x336699;

double BitBltOfTheFrame(HWND window) {
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, kWidth, kHeight);
    ReleaseDC(nullptr, screen);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    HBRUSH brush = CreateSolidBrush(kFrameColour);
    RECT frame = {0, 0, kWidth, kHeight};
    FillRect(memory, &frame, brush);
    DeleteObject(brush);
    const double ms = MedianMs(kRuns, [&] {
        HDC target = GetDC(window);
        BitBlt(target, 0, 0, kWidth, kHeight, memory, 0, 0, SRCCOPY);
        ReleaseDC(window, target);
        GdiFlush();
    });
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    return ms;
}

}  // namespace

int main() {
    VelkObject* velk = CreateBenchObject("VelkGraphicsBench");
    if (!velk) return 2;
    velk->put_SoftwareFPS(-1);  // no pacing sleeps in the figures

    const double copy = MemcpyOfAFrameMs(kRuns);
    const double blit = BitBltOfTheFrame(velk->Window);
    printf("baseline: memcpy of the 640 x 480 frame's bytes: %.3f ms (median of %d)\n", copy, kRuns);
    printf("baseline: platform BitBlt 640 x 480 into the window: %.3f ms (median of %d)\n", blit, kRuns);

    for (LONG mode : {1L, 2L, 3L}) {
        velk->Graphics(mode);
        printf("mode %ld%s\n", static_cast<long>(mode), velk->GraphicsMode == mode ? "" : " (fell back to 1)");
        velk->DrawBox(0, 0, kWidth, kHeight, static_cast<LONG>(kFrameColour), 1, 0);
        Row("Refresh 640 x 480 (x BitBlt)", MedianMs(kRuns, [&] { velk->Refresh(); }), blit);
        if (velk->GraphicsMode == 2 && velk->PrimarySurface) {
            // What mode 2 presentation cost as a primary-surface blit through the clipper.
            POINT origin = {0, 0};
            ClientToScreen(velk->Window, &origin);
            RECT target = {origin.x, origin.y, origin.x + kWidth, origin.y + kHeight};
            Row("  the primary-surface blit instead (x BitBlt)", MedianMs(kRuns, [&] {
                    velk->PrimarySurface->Blt(&target, velk->SpriteTable[0].Surface, nullptr, DDBLT_DONOTWAIT,
                                              nullptr);
                }),
                blit);
        }
        Row("DrawBox 640 x 480 filled (x BitBlt)",
            MedianMs(kRuns, [&] { velk->DrawBox(0, 0, kWidth, kHeight, static_cast<LONG>(kFrameColour), 1, 0); }),
            blit);
        velk->SpriteState(1, 1);
        velk->DrawBox(0, 0, kWidth, kHeight, 0x996633, 1, 1);
        Row("BltAlphaBlend 640 x 480 (x memcpy)",
            MedianMs(kRuns, [&] { velk->BltAlphaBlend(1, 0, 0, kWidth, kHeight, 0, 0, 0, 100); }), copy);
        velk::SpriteSlot& slot = velk->SpriteTable[1];
        velk->DrawBox(0, 0, kWidth / 2, kHeight / 2, static_cast<LONG>(kKey), 1, 1);
        Row("SpriteColorKey 640 x 480 (x memcpy)", MedianMs(kRuns, [&] {
                slot.ColorKey = velk::kNoColorKey;  // a new key each time, so the work is done
                velk->SpriteColorKey(slot, 1, static_cast<LONG>(kKey));
            }),
            copy);
        velk->SpriteState(1, 0);
    }
    velk->Release();
    CoUninitialize();
    return 0;
}
