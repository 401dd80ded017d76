// Translucent blending of a 200 x 200 area, in modes 1 and 2: the member (whole
// blocks through memory) against the single-pixel platform calls it replaces.
// Each figure is the median of several runs; the baseline is a plain Blt of the
// same area in the same run.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "core/velk.h"
#include "graphics/sprite_store.h"
#include "graphics/transfer.h"

namespace {

double NowMs() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double MedianMs(int runs, const std::function<void()>& work) {
    std::vector<double> times;
    work();  // warm-up
    for (int i = 0; i < runs; ++i) {
        const double start = NowMs();
        work();
        times.push_back(NowMs() - start);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    return DefWindowProcA(window, message, wparam, lparam);
}

HWND MakeWindow() {
    WNDCLASSA window_class = {};
    window_class.lpfnWndProc = Procedure;
    window_class.hInstance = GetModuleHandleA(nullptr);
    window_class.lpszClassName = "VelkTransferBench";
    RegisterClassA(&window_class);
    RECT frame = {0, 0, 640, 480};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    HWND window = CreateWindowA("VelkTransferBench", "bench", WS_OVERLAPPEDWINDOW, 0, 0, frame.right - frame.left,
                                frame.bottom - frame.top, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ShowWindow(window, SW_SHOWNORMAL);
    return window;
}

void Row(const char* what, double ms, double baseline_ms) {
    printf("  %-44s %9.3f ms  %9.2f x baseline  %6.1f%% of a 16 ms frame\n", what, ms, ms / baseline_ms,
           100.0 * ms / 16.0);
}

}  // namespace

int main() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IVELK* object = nullptr;
    if (FAILED(VelkObject::Create(nullptr, IID_IVELK, reinterpret_cast<void**>(&object)))) return 2;
    VelkObject* velk = static_cast<VelkObject*>(object);
    velk->Window = MakeWindow();
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
    object->Release();
    CoUninitialize();
    return 0;
}
