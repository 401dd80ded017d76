// Frame pacing arithmetic: pure functions beside Refresh and SoftwareFPS.
#pragma once
#include <windows.h>

namespace velk {

struct PaceDecision {
    LONG keep_fps;  // 1 when the frame came within the interval
    DWORD sleep_ms;
};

// `last` is the tick at the end of the previous frame; the 32-bit difference is
// read as signed, so the tick counter's wrap costs nothing.
inline PaceDecision DecidePace(DWORD now, DWORD last, LONG frame_interval) {
    const LONG elapsed = static_cast<LONG>(now - last);
    PaceDecision decision{elapsed < frame_interval ? 1 : 0, 0};
    if (decision.keep_fps && frame_interval - elapsed > 0)
        decision.sleep_ms = static_cast<DWORD>(static_cast<long long>(frame_interval) - elapsed);
    return decision;
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
