// Frame pacing arithmetic: pure functions beside Refresh and SoftwareFPS.
#pragma once
#include <windows.h>

namespace velk {

struct PaceDecision {
    LONG keep_fps;  // 1 when the frame came within the interval
    DWORD sleep_ms;
};

// `last` is the tick at the end of the previous frame; the difference is taken
// unsigned, so the tick counter's wrap costs nothing and a gap of more than
// 2^31 ms (a suspended machine) counts as a late frame, not as days of sleep.
inline PaceDecision DecidePace(DWORD now, DWORD last, LONG frame_interval) {
    const DWORD elapsed = now - last;
    if (frame_interval <= 0 || elapsed >= static_cast<DWORD>(frame_interval)) return PaceDecision{0, 0};
    return PaceDecision{1, static_cast<DWORD>(frame_interval) - elapsed};
}

// Frames per second to the frame interval in milliseconds; -1 and 0 mean no limit.
inline LONG FrameIntervalFor(LONG frames_per_second) {
    if (frames_per_second == -1 || frames_per_second == 0) return 0;
    return 1000 / frames_per_second;
}

// The interval read back as frames per second; -1 while there is no limit.
inline LONG FramesPerSecondFor(LONG frame_interval) {
    return frame_interval == 0 ? -1 : 1000 / frame_interval;
}

}  // namespace velk
