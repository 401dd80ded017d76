// Shared pieces of the benchmarks (see bench_support.h).
#include "bench_support.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/velk.h"

namespace velk_bench {
namespace {

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    return DefWindowProcA(window, message, wparam, lparam);
}

}  // namespace

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

double MemcpyOfAFrameMs(int runs) {
    std::vector<char> from(kFrameBytes, 0x5A), to(kFrameBytes);
    return MedianMs(runs, [&] {
        memcpy(to.data(), from.data(), kFrameBytes);
        // Keep the copy from being optimised away.
        volatile char sink = to[static_cast<size_t>(static_cast<unsigned char>(to[0])) % kFrameBytes];
        (void)sink;
    });
}

HWND MakeWindow(const char* class_name) {
    WNDCLASSA window_class = {};
    window_class.lpfnWndProc = Procedure;
    window_class.hInstance = GetModuleHandleA(nullptr);
    window_class.lpszClassName = class_name;
    RegisterClassA(&window_class);
    RECT frame = {0, 0, 640, 480};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    HWND window = CreateWindowA(class_name, "bench", WS_OVERLAPPEDWINDOW, 0, 0, frame.right - frame.left,
                                frame.bottom - frame.top, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ShowWindow(window, SW_SHOWNORMAL);
    return window;
}

void Row(const char* what, double ms, double baseline_ms) {
    printf("  %-44s %9.3f ms  %9.2f x baseline  %6.1f%% of a 16 ms frame\n", what, ms, ms / baseline_ms,
           100.0 * ms / 16.0);
}

VelkObject* CreateBenchObject(const char* class_name) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IVELK* object = nullptr;
    if (FAILED(VelkObject::Create(nullptr, IID_IVELK, reinterpret_cast<void**>(&object)))) return nullptr;
    VelkObject* velk = static_cast<VelkObject*>(object);
    velk->Window = MakeWindow(class_name);
    return velk;
}

}  // namespace velk_bench
