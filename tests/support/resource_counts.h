// The process's platform resources, counted before and after many calls: GDI
// objects, top-level windows and kernel handles must not grow with use.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

namespace velk_test {

struct ResourceCounts {
    DWORD gdi_objects;
    DWORD windows;
    DWORD handles;
};

inline BOOL CALLBACK CountOwnWindow(HWND window, LPARAM count) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId()) ++*reinterpret_cast<DWORD*>(count);
    return TRUE;
}

// The platform's own counters answer 0 under some implementations; live
// objects are then counted by asking after every possible handle value.
inline ResourceCounts CountResources() {
    ResourceCounts counts{GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), 0, 0};
    DWORD probed = 0;
    for (UINT_PTR index = 1; index < 0x10000; ++index) probed += GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0;
    counts.gdi_objects = std::max(counts.gdi_objects, probed);

    GetProcessHandleCount(GetCurrentProcess(), &counts.handles);
    probed = 0;
    DWORD flags = 0;
    for (UINT_PTR value = 4; value < 0x10000; value += 4)
        probed += GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) != 0;
    counts.handles = std::max(counts.handles, probed);

    EnumWindows(CountOwnWindow, reinterpret_cast<LPARAM>(&counts.windows));
    return counts;
}

// A few objects may appear once (caches, a first font); growth with the number of calls may not.
inline void ExpectFlat(const ResourceCounts& before, const ResourceCounts& after, DWORD slack = 8) {
    EXPECT_LE(after.gdi_objects, before.gdi_objects + slack) << before.gdi_objects << " -> " << after.gdi_objects;
    EXPECT_LE(after.windows, before.windows) << before.windows << " -> " << after.windows;
    EXPECT_LE(after.handles, before.handles + slack) << before.handles << " -> " << after.handles;
}

}  // namespace velk_test
