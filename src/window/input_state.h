// The input state of the object: key counts, typed text, gamepads and dropped
// files, with the platform-free rules they follow.
#pragma once
#include <windows.h>
#include <xinput.h>  // for: XINPUT_STATE, the dead zones (the module itself is loaded at run time)

#include <cstddef>
#include <string>

namespace velk {

// ---------------------------------------------------------------- key counts

inline constexpr int kFirstKeyCode = 1;
inline constexpr int kLastKeyCode = 254;

struct KeyCounts {
    BYTE Downs[256];
    BYTE Ups[256];
};

// What a window message does to a key: the key (0: none) and its direction.
struct KeyTransition {
    int key;
    bool down;
};

// Key and button messages as presses and releases. An auto-repeated key-down
// (bit 30 of lParam: the key was already down) is no new press; a
// double-click message is the second press of the pair.
KeyTransition KeyTransitionFor(UINT message, WPARAM wparam, LPARAM lparam);
// Counts the transition, stopping at 255.
void CountKey(KeyCounts& counts, KeyTransition transition);
// The count so far, set back to 0.
LONG TakeKeyCount(BYTE& count);

// ---------------------------------------------------------------- typed text

inline constexpr size_t kTextKept = 1024;

// UTF-16 units in arrival order; the oldest go first when full, a surrogate
// pair always as one.
struct TextQueue {
    wchar_t Units[kTextKept];
    size_t Length;
};

void AppendText(TextQueue& queue, const wchar_t* units, size_t count);
// A code point as one or two units (0 when it is no character).
size_t EncodeCodePoint(DWORD code_point, wchar_t* units);

// ---------------------------------------------------------------- gamepads

inline constexpr int kPadCount = 4;
inline constexpr int kPadAxisCount = 6;
// Empty slots are slow to ask: at most this often each.
inline constexpr DWORD kEmptyPadProbeInterval = 200;

using PadGetState = DWORD(WINAPI*)(DWORD, XINPUT_STATE*);
using PadSetState = DWORD(WINAPI*)(DWORD, XINPUT_VIBRATION*);

struct PadSlot {
    bool Connected;   // as last probed
    bool Announced;   // as the host was last told by an event
    DWORD LastProbe;  // tick of the last probe
};

struct PadLink {
    bool Tried;  // the modules were looked for (found or not)
    HMODULE Module;
    PadGetState GetState;
    PadSetState SetState;
    DWORD LastWatch;  // tick of the pump's last look
    PadSlot Slots[kPadCount];
};

// Whether a slot may be probed now: a connected pad always, an empty slot
// once per interval.
bool PadProbeDue(const PadSlot& slot, DWORD now);
// A stick with its dead zone taken out radially (a stick resting slightly off
// centre on a diagonal stays at rest) and the remaining range stretched back to
// -1.0..1.0 along the same direction.
void StickPosition(SHORT raw_x, SHORT raw_y, int dead_zone, double* x, double* y);
// A trigger past its threshold stretched to 0.0..1.0.
double TriggerPosition(BYTE raw);
// The axis of a state: 0..3 the sticks, 4 and 5 the triggers.
double PadAxisValue(const XINPUT_GAMEPAD& pad, int axis);
// A motor speed 0.0..1.0 as the platform's 0..65535.
WORD MotorSpeed(double level);

// ---------------------------------------------------------------- the record

struct InputState {
    KeyCounts Keys;
    TextQueue Text;
    BYTE AnsiLead;  // the first byte of a double-byte character arriving in two messages
    PadLink Pads;
    LONG AcceptFiles;
    std::wstring DroppedPaths;  // CR LF between paths
};

void ResetInputState(InputState& state);

}  // namespace velk
