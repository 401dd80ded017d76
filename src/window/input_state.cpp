// The platform-free rules of the input state.
#include "window/input_state.h"

#include <cmath>
#include <cstring>

namespace velk {

namespace {

constexpr LPARAM kRepeatBit = 1 << 30;
constexpr double kStickFull = 32767.0;
constexpr int kTriggerFull = 255;

bool IsHighSurrogate(wchar_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(wchar_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

int ExtraButton(WPARAM wparam) {
    switch (HIWORD(wparam)) {
    case XBUTTON1: return VK_XBUTTON1;
    case XBUTTON2: return VK_XBUTTON2;
    default: return 0;
    }
}

void DropOldest(TextQueue& queue) {
    size_t dropped = queue.Length > 1 && IsHighSurrogate(queue.Units[0]) && IsLowSurrogate(queue.Units[1]) ? 2 : 1;
    queue.Length -= dropped;
    std::memmove(queue.Units, queue.Units + dropped, queue.Length * sizeof(wchar_t));
}

}  // namespace

KeyTransition KeyTransitionFor(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (lparam & kRepeatBit) return {0, true};
        return {static_cast<int>(wparam & 0xFF), true};
    case WM_KEYUP:
    case WM_SYSKEYUP: return {static_cast<int>(wparam & 0xFF), false};
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: return {VK_LBUTTON, true};
    case WM_LBUTTONUP: return {VK_LBUTTON, false};
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK: return {VK_RBUTTON, true};
    case WM_RBUTTONUP: return {VK_RBUTTON, false};
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK: return {VK_MBUTTON, true};
    case WM_MBUTTONUP: return {VK_MBUTTON, false};
    case WM_XBUTTONDOWN:
    case WM_XBUTTONDBLCLK: return {ExtraButton(wparam), true};
    case WM_XBUTTONUP: return {ExtraButton(wparam), false};
    default: return {0, false};
    }
}

void CountKey(KeyCounts& counts, KeyTransition transition) {
    if (transition.key < kFirstKeyCode || transition.key > kLastKeyCode) return;
    BYTE& count = transition.down ? counts.Downs[transition.key] : counts.Ups[transition.key];
    if (count < 255) ++count;
}

LONG TakeKeyCount(BYTE& count) {
    LONG taken = count;
    count = 0;
    return taken;
}

void AppendText(TextQueue& queue, const wchar_t* units, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        if (queue.Length == kTextKept) DropOldest(queue);
        queue.Units[queue.Length++] = units[i];
    }
}

size_t EncodeCodePoint(DWORD code_point, wchar_t* units) {
    if (code_point > 0x10FFFF || (code_point >= 0xD800 && code_point <= 0xDFFF)) return 0;
    if (code_point < 0x10000) {
        units[0] = static_cast<wchar_t>(code_point);
        return 1;
    }
    DWORD offset = code_point - 0x10000;
    units[0] = static_cast<wchar_t>(0xD800 + (offset >> 10));
    units[1] = static_cast<wchar_t>(0xDC00 + (offset & 0x3FF));
    return 2;
}

bool PadProbeDue(const PadSlot& slot, DWORD now) {
    return slot.Connected || now - slot.LastProbe >= kEmptyPadProbeInterval;
}

void StickPosition(SHORT raw_x, SHORT raw_y, int dead_zone, double* x, double* y) {
    const double dx = raw_x, dy = raw_y;
    const double length = std::sqrt(dx * dx + dy * dy);
    if (length <= dead_zone) {
        *x = *y = 0.0;
        return;
    }
    // -32768 and the corners of the square reach past the circle: full tilt.
    const double reach = (length < kStickFull ? length : kStickFull) - dead_zone;
    const double scale = reach / (kStickFull - dead_zone) / length;
    *x = std::fmax(-1.0, std::fmin(1.0, dx * scale));
    *y = std::fmax(-1.0, std::fmin(1.0, dy * scale));
}

double TriggerPosition(BYTE raw) {
    if (raw <= XINPUT_GAMEPAD_TRIGGER_THRESHOLD) return 0.0;
    return static_cast<double>(raw - XINPUT_GAMEPAD_TRIGGER_THRESHOLD) /
           (kTriggerFull - XINPUT_GAMEPAD_TRIGGER_THRESHOLD);
}

double PadAxisValue(const XINPUT_GAMEPAD& pad, int axis) {
    double x = 0.0, y = 0.0;
    switch (axis) {
    case 0:
    case 1: StickPosition(pad.sThumbLX, pad.sThumbLY, XINPUT_GAMEPAD_LEFT_THUMB_DEADZONE, &x, &y); break;
    case 2:
    case 3: StickPosition(pad.sThumbRX, pad.sThumbRY, XINPUT_GAMEPAD_RIGHT_THUMB_DEADZONE, &x, &y); break;
    case 4: return TriggerPosition(pad.bLeftTrigger);
    case 5: return TriggerPosition(pad.bRightTrigger);
    default: return 0.0;
    }
    return axis % 2 == 0 ? x : y;
}

WORD MotorSpeed(double level) { return static_cast<WORD>(std::lround(level * 65535.0)); }

void ResetInputState(InputState& state) {
    std::memset(&state.Keys, 0, sizeof state.Keys);
    state.Text.Length = 0;
    state.AnsiLead = 0;
    std::memset(&state.Pads, 0, sizeof state.Pads);
    state.AcceptFiles = 0;
    state.DroppedPaths.clear();
}

}  // namespace velk
