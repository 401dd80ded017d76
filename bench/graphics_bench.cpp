// Full-screen graphics work against a 16 ms frame: Refresh, a 640 x 480 DrawBox and
// a 640 x 480 colour key, in modes 1 and 2. Each figure is the median of several
// runs; the baseline is a plain platform copy of the same area in the same run.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "core/velk.h"
#include "graphics/sprite_store.h"

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
    window_class.lpszClassName = "VelkGraphicsBench";
    RegisterClassA(&window_class);
    RECT frame = {0, 0, 640, 480};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    HWND window = CreateWindowA("VelkGraphicsBench", "bench", WS_OVERLAPPEDWINDOW, 0, 0, frame.right - frame.left,
                                frame.bottom - frame.top, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ShowWindow(window, SW_SHOWNORMAL);
    return window;
}

void Row(const char* what, double ms, double baseline_ms) {
    printf("  %-44s %8.3f ms  %7.2f x baseline  %5.1f%% of a 16 ms frame\n", what, ms, ms / baseline_ms,
           100.0 * ms / 16.0);
}

}  // namespace

int main() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IVELK* object = nullptr;
    if (FAILED(VelkObject::Create(nullptr, IID_IVELK, reinterpret_cast<void**>(&object)))) return 2;
    VelkObject* velk = static_cast<VelkObject*>(object);
    velk->Window = MakeWindow();
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
    object->Release();
    CoUninitialize();
    return 0;
}
