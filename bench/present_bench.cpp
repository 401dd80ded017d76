// Scaled presentation: Refresh of a 320 x 240 back buffer shown at 3x in a
// 960 x 720 client area (wScale mode 3, no pacing) against a memcpy of the
// 960 x 720 32-bit frame measured in the same run; the unscaled Refresh of a
// 960 x 720 back buffer and the nearest-pixel sampling alone for context. Each
// figure is the median of several runs, in graphics modes 1 and 2.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "bench_support.h"
#include "core/velk.h"
#include "window/scaling_math.h"

using namespace velk_bench;

namespace {

constexpr LONG kBufferWidth = 320, kBufferHeight = 240, kClientWidth = 960, kClientHeight = 720;
constexpr int kRuns = 31;
constexpr size_t kClientPixels = static_cast<size_t>(kClientWidth) * kClientHeight;

double MemcpyOfTheClientFrameMs() {
    std::vector<uint32_t> from(kClientPixels, 0x336699), to(kClientPixels);
    return MedianMs(kRuns, [&] {
        memcpy(to.data(), from.data(), kClientPixels * sizeof(uint32_t));
        volatile uint32_t sink = to[to[0] % kClientPixels];  // keeps the copy
        (void)sink;
    });
}

double SamplingAloneMs() {
    std::vector<uint32_t> source(static_cast<size_t>(kBufferWidth) * kBufferHeight, 0x336699), out;
    std::vector<LONG> columns;
    const RECT all = {0, 0, kClientWidth, kClientHeight};
    return MedianMs(kRuns, [&] {
        velk::SampleNearest(source.data(), kBufferWidth, kBufferWidth, kBufferHeight, all, all, out, columns);
    });
}

void SetClientSize(HWND window, LONG width, LONG height) {
    RECT outer = {0, 0, width, height};
    AdjustWindowRect(&outer, WS_OVERLAPPEDWINDOW, FALSE);
    SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top, SWP_NOMOVE | SWP_NOZORDER);
}

}  // namespace

int main() {
    VelkObject* velk = CreateBenchObject("VelkPresentBench");
    if (!velk) return 2;
    velk->put_SoftwareFPS(-1);  // no pacing sleeps in the figures
    SetClientSize(velk->Window, kClientWidth, kClientHeight);

    const double copy = MemcpyOfTheClientFrameMs();
    printf("baseline: memcpy of the 960 x 720 32-bit frame: %.3f ms (median of %d)\n", copy, kRuns);
    Row("nearest-pixel sampling 320 x 240 to 960 x 720", SamplingAloneMs(), copy);

    for (LONG mode : {1L, 2L}) {
        velk->Graphics(mode);
        printf("mode %ld%s\n", static_cast<long>(mode), velk->GraphicsMode == mode ? "" : " (fell back to 1)");
        velk->wScale(kBufferWidth, kBufferHeight, velk::kScaleWhole);
        velk->DrawBox(0, 0, kBufferWidth, kBufferHeight, 0x336699, 1, 0);
        Row("Refresh 320 x 240 at 3x (x memcpy)", MedianMs(kRuns, [&] {
                velk->Refresh();
                GdiFlush();
            }),
            copy);
        velk->wScale(0, 0, 0);  // the back buffer takes the 960 x 720 client
        velk->DrawBox(0, 0, kClientWidth, kClientHeight, 0x336699, 1, 0);
        Row("Refresh 960 x 720 unscaled (x memcpy)", MedianMs(kRuns, [&] {
                velk->Refresh();
                GdiFlush();
            }),
            copy);
    }
    velk->Release();
    CoUninitialize();
    return 0;
}
