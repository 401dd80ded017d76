// Shared pieces of the benchmarks: a millisecond clock, medians of repeated
// runs, a plain 640 x 480 window and the printed rows of figures.
#pragma once
#include <windows.h>

#include <cstddef>
#include <functional>

class VelkObject;

namespace velk_bench {

double NowMs();
// Median duration of `runs` runs of `work`, after one warm-up run.
double MedianMs(int runs, const std::function<void()>& work);
// A shown top-level window with a 640 x 480 client area.
HWND MakeWindow(const char* class_name);
// An object of the linked core with its own 640 x 480 window, the component
// runtime initialised; null when it cannot be made.
VelkObject* CreateBenchObject(const char* class_name);

// Median milliseconds of a memcpy of one 640 x 480 frame of 32-bit pixels.
double MemcpyOfAFrameMs(int runs);
inline constexpr size_t kFrameBytes = 640 * 480 * 4;

// One row: the figure, its ratio to the baseline and its share of a 16 ms frame.
void Row(const char* what, double ms, double baseline_ms);

}  // namespace velk_bench
